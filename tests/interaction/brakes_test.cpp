#include "interaction/brakes.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <vector>

#include "fixtures/train_builders.h"
#include "test_support.h"

namespace tb {
namespace {

// One train of three vehicles of type 1, each with four wheel entries of
// 24500 N (98000 N, a mass of 10000 kg), in one speed stage.
struct BrakedTrain {
  test::TestContext t;
  float speed;
  static constexpr float kMass = 98000.0f / 9.8f;

  explicit BrakedTrain(float command, float speed_ms = 20.0f, float brake_time = 1.0f) : speed(speed_ms) {
    VehicleTypeLibrary& lib = t->vehicles;
    lib.vehicle_type_count = 1;
    lib.max_wheelsets_per_type = 4;
    lib.vehicle_wheelset_count.resize(1);
    lib.vehicle_wheelset_count(1) = 4;
    lib.wheelset_static_load.resize(1, 4);
    lib.wheelset_static_load.fill(24500.0f);
    test::make_fleet_trains(*t, {1, 1, 1}, speed_ms);
    t->trains.brake_setting(1, 1) = command;
    t->trains.brake_time(1, 1) = brake_time;
    t->step.current_stage = 1;
  }
  // Brake set 1 of three, used by type 1; sets 2 and 3 are of kind 2.
  void brake_set(std::int32_t set, std::int32_t kind, float count, float force) {
    std::vector<test::BrakeSet> sets(3, {2});
    sets[static_cast<std::size_t>(set - 1)] = {kind, count, force};
    test::make_brake_table(*t, sets, set);
  }
  float force(std::int32_t j, float time, float normal = 50000.0f) {
    return compute_wheelset_brake_force(*t, 1, j, normal, time, speed);
  }
  float share(std::int32_t j) { return t->trains.vehicle_brake_state(1, j); }
};

TEST(BrakeParametersFile, ReadOnlyWithABrakeMode) {
  for (float command : {0.0f, 0.5f, 9.99f}) {
    BrakedTrain b(command);
    read_brake_parameters(*b.t);
    EXPECT_FALSE(b.t->units.is_open(97));
    EXPECT_FALSE(std::filesystem::exists(b.t.dir / "BrakePara.dat"));
    EXPECT_FALSE(b.t->brakes.type_brake_set.allocated());
  }
}

TEST(BrakeParametersFile, SetsAndPerTypeRecords) {
  BrakedTrain b(300.0f);
  b.t->vehicles.vehicle_type_count = 2;
  test::write_file(b.t.dir / "BrakePara.dat",
                   "3  sets\n0\n2 3 1 1 4\n2\n5.9 40\n3\n1 2\n2 and more\n1\n0\n7 8\n");
  read_brake_parameters(*b.t);
  const BrakeParameters& bp = b.t->brakes;
  ASSERT_EQ(bp.brake_set_count, 3);
  EXPECT_EQ(bp.brake_kind(1), 0);
  EXPECT_EQ(bp.brake_shoe_count(1), 4.0f);
  EXPECT_EQ(bp.brake_shoe_force(1), 3.0f * 0.7853981f * 1.0E-6f);
  EXPECT_EQ(bp.brake_shoe_count(2), 5.9f);
  EXPECT_EQ(bp.brake_shoe_force(2), 40.0f);
  EXPECT_EQ(bp.brake_kind(3), 3);
  EXPECT_EQ(bp.type_brake_set(1), 2);
  EXPECT_EQ(bp.type_brake_set(2), 1);
  EXPECT_EQ(bp.type_coupler_spring(1), 0);
  EXPECT_EQ(bp.type_coupler_spring(2), 7);
  EXPECT_TRUE(b.t->units.is_open(97));
  EXPECT_EQ(b.t.console(), "");
}

TEST(BrakeParametersFile, BadRecordsAndSetNumbersStop) {
  // A brake command of 10 or more needs the file: one that is not there
  // stops the run as not found and is not created.
  const std::string file = "BrakePara.dat";
  const struct {
    const char* what;
    const char* text;  // nullptr: no file
    std::string detail;
  } cases[] = {
      {"missing file", nullptr, file + " (needed by the brake commands of 10 or more): file not found"},
      {"empty file", "", file + ": the file is empty"},
      {"no sets for a type that needs one", "0\n1\n0\n",
       file + " (brake set of vehicle type 1): bad value 1, must name one of the file's 0 brake sets"},
      {"negative set count", "-1\n1\n0\n", file + " (number of brake sets): bad value -1, must be 0 or more"},
      {"set number above the count", "1\n2\n5 40\n2\n0\n",
       file + " (brake set of vehicle type 1): bad value 2, must name one of the file's 1 brake sets"},
      {"set number 0", "1\n2\n5 40\n0\n0\n",
       file + " (brake set of vehicle type 1): bad value 0, must name one of the file's 1 brake sets"},
      {"kind not a number", "1\nx\n5 40\n1\n0\n", file + " line 2 (set 1 of 1, kind; count on line 1): bad value "
                                                         "\"x\", not a number"},
      {"five values not all numbers", "1\n0\n2 3 x 1 4\n1\n0\n",
       file + " line 3 (set 1 of 1, values d, p, r, e, n; count on line 1): bad value \"x\", not a number"},
      {"zero shoe count", "1\n0\n2 3 1 1 0\n1\n0\n",
       file + " (set 1): bad value force scale inf, must be finite and 0 or more"},
      {"negative force scale", "1\n2\n5 -40\n1\n0\n",
       file + " (set 1): bad value force scale -40, must be finite and 0 or more"},
      {"per-type record not a number", "1\n2\n5 40\nx\n0\n",
       file + " line 4 (brake set of vehicle type 1): bad value \"x\", not a number"},
      {"coupler records missing", "1\n2\n5 40\n1\n",
       file + " (coupler spring of vehicle type 1): the file ends after line 4 before this record is complete"},
  };
  for (const auto& c : cases) {
    BrakedTrain b(100.0f);
    if (c.text) test::write_file(b.t.dir / "BrakePara.dat", c.text);
    EXPECT_EQ(test::expect_stop([&] { read_brake_parameters(*b.t); }), 1) << c.what;
    EXPECT_EQ(b.t.console(), test::data_error_line("BrakePara.dat", c.detail)) << c.what;
    EXPECT_EQ(std::filesystem::exists(b.t.dir / "BrakePara.dat"), c.text != nullptr) << c.what;
  }
}

TEST(WheelsetBrakeForce, PrescribedAccelerationFromTheStageStart) {
  for (float time : {0.0f, 0.5f, 3.0f}) {
    BrakedTrain ahead(0.5f), back(0.5f, -20.0f);
    EXPECT_FLOAT_EQ(ahead.force(2, time), 1250.0f) << time;
    EXPECT_FLOAT_EQ(back.force(2, time), -1250.0f) << time;
    BrakedTrain braking(-0.5f);
    EXPECT_FLOAT_EQ(braking.force(1, time), -1250.0f) << time;
    for (float none : {0.0f, 5.0E-7f}) {
      BrakedTrain idle(none);
      EXPECT_EQ(idle.force(1, time), 0.0f);
      EXPECT_EQ(idle.t->trains.brake_state(1, 1), 0);
    }
  }
  BrakedTrain huge(1.0E30f);  // a brake mode no law knows
  EXPECT_EQ(huge.force(1, 3.0f), 0.0f);
  EXPECT_EQ(huge.t->trains.brake_state(1, 1), 2147483647);
}

TEST(WheelsetBrakeForce, ShoeBrakeAlongThePressureCurve) {
  BrakedTrain b(100.7f);
  b.brake_set(1, 0, 4.0f, 0.05f);
  EXPECT_EQ(b.force(1, 0.5f), 0.0f);  // before the brake time
  EXPECT_EQ(b.t->trains.brake_state(1, 1), 100);
  EXPECT_EQ(b.force(1, 1.05f), 0.0f);  // set 1 builds no pressure in its first 0.1 s
  const float first = b.force(1, 1.15f);
  EXPECT_LT(first, 0.0f);
  // The signal reaches vehicle 3 0.2 s later.
  EXPECT_EQ(b.force(3, 1.25f), 0.0f);
  EXPECT_FLOAT_EQ(b.force(3, 1.35f), first);

  // At u = 10 s the full pressure 187.18: the smaller of shoe force and
  // adhesion, against the motion.
  const float k = 187.18f * 0.05f, v = 20.0f, vs = 72.0f, n = 50000.0f;
  const float mu = (110.0f - vs) * 0.0007f +
                   ((12.959999f * v + 100.0f) * (0.64f * (k + 100.0f) / (5.0f * k + 100.0f))) /
                       (50.399998f * v + 100.0f);
  const float shoe = 1000.0f * k * mu;
  const float adhesion = (45.6f / (3.6f * v + 260.0f) + 0.0624f) * n;
  EXPECT_FLOAT_EQ(b.force(1, 11.0f, n), -std::min(shoe, adhesion));
  EXPECT_FLOAT_EQ(b.force(1, 11.0f, 1000.0f), -(45.6f / (3.6f * v + 260.0f) + 0.0624f) * 1000.0f);
  // The product form of the same law.
  float single = 0.0f;
  compute_shoe_friction_force(*b.t, 1, 1, n, v, 10.0f, single);
  EXPECT_NEAR(single, b.force(1, 11.0f, n), 1.0E-4f * std::fabs(single));
}

// The shoe friction falls with speed; where its formula turns negative (above
// 182 km/h at the full pressure of set 1 with a force scale of 1) the shoes
// give no force, in either direction of travel, rather than pushing the train.
TEST(WheelsetBrakeForce, ShoeBrakeNeverPushes) {
  const float k = 187.18f, n = 50000.0f;
  const struct {
    float kmh;
    bool brakes;  // false: the friction formula is negative there
  } cases[] = {{72.0f, true}, {160.0f, true}, {200.0f, false}, {250.0f, false}, {300.0f, false}};
  for (const auto& c : cases)
    for (float sigma : {1.0f, -1.0f}) {
      const float v = sigma * c.kmh / 3.6f, av = std::fabs(v);
      BrakedTrain b(100.0f, v);
      b.brake_set(1, 0, 4.0f, 1.0f);
      const float force = b.force(1, 11.0f, n);  // u = 10 s: the full pressure
      float single = 0.0f;
      compute_shoe_friction_force(*b.t, 1, 1, n, v, 10.0f, single);
      const float pressure_factor = 0.64f * (k + 100.0f) / (5.0f * k + 100.0f);
      const float mu = (110.0f - std::fabs(3.6f * v)) * 0.0007f +
                       ((12.959999f * av + 100.0f) * pressure_factor) / (50.399998f * av + 100.0f);
      ASSERT_EQ(mu > 0.0f, c.brakes) << c.kmh;
      if (c.brakes) {
        const float adhesion = (45.6f / (3.6f * av + 260.0f) + 0.0624f) * n;
        EXPECT_FLOAT_EQ(force, -sigma * std::min(1000.0f * k * mu, adhesion)) << c.kmh << " " << sigma;
        EXPECT_LT(force * sigma, 0.0f);
        EXPECT_NEAR(single, force, 1.0E-4f * std::fabs(force));
      } else {
        EXPECT_EQ(force, 0.0f) << c.kmh << " " << sigma;
        EXPECT_EQ(single, 0.0f) << c.kmh << " " << sigma;
      }
    }
}

TEST(WheelsetBrakeForce, NotchDecelerationTable) {
  EXPECT_FLOAT_EQ(notch_deceleration(5, 60.0f), 0.5528f);
  EXPECT_FLOAT_EQ(notch_deceleration(5, 100.0f), 0.6905f - 0.0019676f * 100.0f);
  EXPECT_FLOAT_EQ(notch_deceleration(7, 150.0f), 0.7844f - 0.0013977f * 150.0f);
  EXPECT_EQ(notch_deceleration(5, 250.0f), 0.0f);
  // The level is the integer part of the set's first value; levels outside
  // 1-7 take the last row. Mode 300 with kind 3 puts the whole deceleration
  // on the vehicle.
  const struct {
    float count, expected;
  } cases[] = {{5.9f, 0.5528f}, {1.0f, 0.1667f}, {0.9f, 1.122f}, {8.0f, 1.122f}, {-3.0f, 1.122f}};
  for (const auto& c : cases) {
    BrakedTrain b(300.0f, 50.0f / 3.6f);
    b.brake_set(1, 3, c.count, 40.0f);
    EXPECT_EQ(b.force(2, 2.0f), 0.0f) << c.count;
    EXPECT_NEAR(b.share(2), -c.expected * BrakedTrain::kMass, 1.0E-3f) << c.count;
    EXPECT_EQ(b.share(1), 0.0f);
  }
}

TEST(WheelsetBrakeForce, BlendedNotchBrakeCapacityBySpeed) {
  // The speed in m/s that gives exactly 70 km/h.
  float v70 = 70.0f / 3.6f;
  while (3.6f * v70 < 70.0f) v70 = std::nextafter(v70, 100.0f);
  while (3.6f * v70 > 70.0f) v70 = std::nextafter(v70, 0.0f);
  ASSERT_EQ(3.6f * v70, 70.0f);
  // With the capacity of the electric brake E = 44000 N at 70 km/h taking
  // all of it, the wheels carry E.
  BrakedTrain at70(200.0f, v70);
  at70.brake_set(1, 2, 5.0f, 86509.0f);
  EXPECT_FLOAT_EQ(at70.force(1, 2.0f), -11000.0f);
  // Below 5 km/h there is no electric brake: nothing on the wheels, the
  // vehicle carries the deceleration.
  BrakedTrain slow(200.0f, 4.0f / 3.6f);
  slow.brake_set(1, 2, 5.0f, 5000.0f);
  EXPECT_EQ(slow.force(1, 2.0f), 0.0f);
  EXPECT_NEAR(slow.share(1), -0.5528f * BrakedTrain::kMass, 1.0E-3f);
}

TEST(WheelsetBrakeForce, EveryBrakeModeOpposesTheMotion) {
  const struct {
    const char* what;
    float command;
    std::int32_t kind;
  } modes[] = {{"shoe brake", 100.0f, 0}, {"mode 200 kind 2", 200.0f, 2}, {"mode 200 kind 3", 200.0f, 3},
               {"mode 300 kind 2", 300.0f, 2}, {"mode 300 kind 3", 300.0f, 3}};
  for (const auto& m : modes)
    for (float speed : {20.0f, -20.0f}) {
      BrakedTrain b(m.command, speed);
      b.brake_set(1, m.kind, 4.0f, m.kind == 0 ? 0.05f : 60000.0f);
      // The vehicle's four wheel entries and its share.
      const float total = 4.0f * b.force(2, 5.0f) + b.share(2);
      EXPECT_LT(total * speed, 0.0f) << m.what << " at " << speed;
      if (m.kind != 0) {  // the notch brakes retard the vehicle's mass by the notch deceleration
        EXPECT_NEAR(total, -std::copysign(notch_deceleration(4, 72.0f) * BrakedTrain::kMass, speed), 0.01f)
            << m.what << " at " << speed;
      }
    }
  // The single laws agree with the modes.
  BrakedTrain b(300.0f);
  b.brake_set(1, 2, 4.0f, 60000.0f);
  float a = 0.0f, base = 0.0f;
  compute_brake_force_variant_a(*b.t, 1, 1, 20.0f, a);
  EXPECT_EQ(a, b.force(1, 5.0f));
  b.t->trains.brake_setting(1, 1) = 200.0f;
  compute_brake_force_variant_b(*b.t, 1, 1, 20.0f, base);
  EXPECT_EQ(base, b.force(1, 5.0f));
  b.t->trains.brake_setting(1, 1) = -0.5f;
  compute_brake_force_variant_c(*b.t, 1, 1, 20.0f, a);
  EXPECT_FLOAT_EQ(a, -1250.0f);
}

TEST(WheelsetBrakeForce, ReleaseAtRestAfterTheBrakeTime) {
  BrakedTrain b(300.0f, 0.01f);
  b.brake_set(1, 2, 4.0f, 60000.0f);
  EXPECT_EQ(b.force(1, 0.5f), 0.0f);  // before the brake time: the mode is set
  EXPECT_EQ(b.t->trains.brake_state(1, 1), 300);
  for (std::int32_t j = 1; j <= 3; ++j) b.t->trains.vehicle_brake_state(1, j) = 5.0f;
  EXPECT_EQ(b.force(2, 1.5f), 0.0f);
  EXPECT_EQ(b.t->trains.brake_state(1, 1), 0);
  for (std::int32_t j = 1; j <= 3; ++j) EXPECT_EQ(b.share(j), 0.0f);
  // A prescribed acceleration is released the same way.
  BrakedTrain p(0.5f, -0.005f);
  EXPECT_NE(p.force(1, 0.5f), 0.0f);
  EXPECT_EQ(p.force(1, 1.5f), 0.0f);
}

}  // namespace
}  // namespace tb
