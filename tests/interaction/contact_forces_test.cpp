#include "interaction/contact_forces.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <tuple>

#include "fixtures/train_builders.h"
#include "interaction/contact_table_files.h"
#include "interaction/creep_forces.h"
#include "test_support.h"

namespace tb {
namespace {

// One wheel pair (entries 1 and 2) of vehicle type 1 in a train at rest
// relative to the rails; entry 1's own load and springs differ from entry
// 2's, which the pair uses for both wheels. Entry 1 runs on rail 1 (at
// z = -0.75 m), entry 2 on rail 2, unless the pair lists them the other way.
struct WheelPair {
  test::TestContext t;
  ContactPointRecord e, g, i, j;
  std::array<float, 3> d{};
  ContactForceRecord f1v, f1r, f2v, f2r;
  float speed = 20.0f;
  std::int32_t bridge_flag = 0;
  static constexpr float kLoad = 50000.0f;

  explicit WheelPair(std::int32_t code, std::int32_t option = 0) {
    t->solution.contact_option = option;
    test::make_vehicle_types(*t, {{0.0f, 0.0f, -0.75f}, {0.0f, 0.0f, 0.75f}}, {{1, 30000.0f}, {2, kLoad}}, 0, code);
    test::make_contact_parameters(*t, 0.42f, 0.3f, 0.75f);
    VehicleTypeLibrary& lib = t->vehicles;
    lib.load_frequency(1) = 2.0f;            // code -2: Hz; code 1: wheelset mass
    lib.type1_contact_param_a(1) = 100.0f;   // roll inertia
    lib.type1_contact_param_b(1) = 0.6f;     // lateral position of the contact springs
    lib.contact_stiffness(1, 1) = 1.0f;
    lib.contact_stiffness(1, 2) = 1.0E9f;
    lib.contact_damping(1, 2) = 1.0E5f;
    lib.load_amplitude_ratio(1, 1) = 0.9f;
    lib.load_amplitude_ratio(1, 2) = 0.1f;   // code 1: contact spring stiffness
    lib.load_phase(1, 2) = 0.5f;             // code 1: contact damping
    test::make_fleet_trains(*t, {1});  // the stage speed 0: the pair's speed is given per call
    t->layout.wheelset_position.resize(1, 1, 2);
    t->layout.wheelset_start_position.resize(1, 1, 2);
    t->results.wheelset_track_curvature.resize(1, 1, 2);
    t->step.current_stage = 1;
  }
  // Entry 1 on rail 2 (at z = +0.75 m), entry 2 on rail 1.
  void list_rail_2_wheel_first() {
    t->vehicles.vehicle_node_coordinates(1, 1, 3) = 0.75f;
    t->vehicles.vehicle_node_coordinates(1, 2, 3) = -0.75f;
  }
  void run() {
    compute_wheel_contact_forces(*t, 0, 1, 1, 2, 1, 2, 1, speed, bridge_flag, d, e, g, f1v, f1r, i, j, f2v, f2r,
                                 kLoad);
  }
  // Both wheels displaced alike: the rail dz above its rest relative to the
  // wheel, approaching at dz_rate.
  void approach(float dz, float dz_rate) {
    e(2) = dz;
    i(2) = dz;
    e(8) = dz_rate;
    i(8) = dz_rate;
  }
};

float linear(float k, float c, float dz, float rate) {
  return std::max(0.0f, k * (dz + WheelPair::kLoad / k) + c * rate);
}
float hertz(float dz) {
  const float gh = 3.86E-8f * std::pow(0.42f, -0.115f);
  const float d = dz + gh * std::pow(WheelPair::kLoad, 2.0f / 3.0f);
  return d < 0.0f ? 0.0f : std::pow(d / gh, 1.5f);
}

TEST(WheelContactForces, NormalForceOfEveryContactCode) {
  const float dz = 2.0E-5f, rate = 0.01f;
  const float w = WheelPair::kLoad;
  const struct {
    const char* what;
    std::int32_t code, is_contact, flag;
    float at_rest, displaced, lifted;  // rail-side normal force; the vehicle's the same unless noted
    bool vehicle_gets_it;
  } cases[] = {
      {"code 0, track-contact spring", 0, 1, 1, w, linear(1.0E9f, 1.0E5f, dz, rate), 0.0f, true},
      {"code 0, bridge at rest: linear", 0, 0, 0, w, linear(6.0E7f, 8.0E4f, dz, rate), 0.0f, true},
      {"code 0, bridge moving: Hertz", 0, 0, 1, w, hertz(dz), 0.0f, true},
      {"code 0, other switch: Hertz", 0, 2, 0, w, hertz(dz), 0.0f, true},
      {"code 2", 2, 0, 0, w, linear(1.0E9f, 1.0E5f, dz, rate), 0.0f, true},
      {"code 3, supporting wheel", 3, 0, 0, w, linear(1.0E9f, 1.0E5f, dz, rate), 0.0f, true},
      {"code 1, rail-geometry springs", 1, 0, 0, w, w + 1.0E8f * 0.64f * dz + 1.0E5f * 0.64f * rate, 0.0f, false},
  };
  for (const auto& c : cases) {
    for (int state = 0; state < 3; ++state) {
      WheelPair p(c.code);
      p.t->solution.IsContact = c.is_contact;
      p.t->solution.StiContact = 1.0E9f;
      p.t->solution.DamContact = 1.0E5f;
      p.bridge_flag = c.flag;
      p.t->vehicles.load_amplitude_ratio(1, 2) = 1.0E8f;  // code 1: the contact springs
      p.t->vehicles.load_phase(1, 2) = 1.0E5f;
      if (state == 1) p.approach(dz, rate);
      if (state == 2) {  // the wheel 1 cm above its rail
        p.g(2) = 0.01f;
        p.j(2) = 0.01f;
      }
      p.run();
      const float expected = state == 0 ? c.at_rest : (state == 1 ? c.displaced : c.lifted);
      EXPECT_NEAR(p.f1r(2), expected, 2.0E-5f * expected + 1.0E-3f) << c.what << " state " << state;
      EXPECT_EQ(p.f2r(2), p.f1r(2)) << c.what;
      if (c.vehicle_gets_it) {
        EXPECT_EQ(p.f1v(2), p.f1r(2)) << c.what;
        EXPECT_EQ(p.f2v(2), p.f2r(2)) << c.what;
      }
      for (const ContactForceRecord* f : {&p.f1v, &p.f1r, &p.f2v, &p.f2r}) {
        EXPECT_EQ((*f)(3), 0.0f) << c.what;
        EXPECT_EQ((*f)(4), 0.0f);
        EXPECT_EQ((*f)(6), 0.0f);
      }
    }
  }
  // Code 1: the vehicle side feels the springs at the rail (p = 0.6/0.75).
  WheelPair p(1);
  p.t->vehicles.load_amplitude_ratio(1, 2) = 1.0E8f;
  p.t->vehicles.load_phase(1, 2) = 1.0E5f;
  p.approach(dz, rate);
  p.run();
  EXPECT_NEAR(p.f1v(2), 1.0E8f * 0.8f * dz + 1.0E5f * 0.8f * rate, 1.0E-3f);
}

TEST(WheelContactForces, HarmonicLoadAndGuidanceWheel) {
  {
    WheelPair p(-2);
    p.t->layout.wheelset_position(1, 1, 2) = 30.0f;
    p.t->layout.wheelset_start_position(1, 1, 2) = 30.0f;
    p.run();  // at the stage start
    EXPECT_FLOAT_EQ(p.f1r(2), WheelPair::kLoad * (1.0f + 0.1f * std::sin(0.5f)));
    EXPECT_EQ(p.f1v(2), 0.0f);
    p.t->layout.wheelset_position(1, 1, 2) = 32.5f;  // a quarter period further at 2 Hz and 20 m/s
    p.run();
    EXPECT_NEAR(p.f2r(2), WheelPair::kLoad * (1.0f + 0.1f * std::cos(0.5f)), 0.05f);
    p.speed = 0.0f;  // a train at rest keeps the static load
    p.run();
    EXPECT_EQ(p.f2r(2), WheelPair::kLoad);
  }
  {
    // Below 100 N the load is the lateral clearance of a guidance wheel.
    WheelPair p(3, 1);
    p.f1r(2) = 123.0f;  // last evaluation's normal force stays
    p.e(3) = 0.002f;
    p.e(9) = 0.01f;
    p.i(3) = -0.0015f;
    compute_wheel_contact_forces(*p.t, 0, 1, 1, 2, 1, 2, 1, p.speed, 0, p.d, p.e, p.g, p.f1v, p.f1r, p.i, p.j, p.f2v,
                                 p.f2r, 0.001f);
    EXPECT_FLOAT_EQ(p.f1r(3), 1.0E9f * (0.002f - 0.001f) + 1.0E5f * 0.01f);
    EXPECT_FLOAT_EQ(p.f1v(3), p.f1r(3));
    EXPECT_FLOAT_EQ(p.f2r(3), 1.0E9f * (-0.0015f + 0.001f));
    EXPECT_EQ(p.f1r(2), 123.0f);
    EXPECT_EQ(p.f1v(2), 0.0f);
    for (float load : {99.9f, 100.0f}) {
      WheelPair q(3);
      compute_wheel_contact_forces(*q.t, 0, 1, 1, 2, 1, 2, 1, q.speed, 0, q.d, q.e, q.g, q.f1v, q.f1r, q.i, q.j,
                                   q.f2v, q.f2r, load);
      EXPECT_EQ(q.f1r(2), load >= 100.0f ? load : 0.0f) << load;
    }
  }
}

TEST(WheelContactForces, MovingLoadBrakeForceAndCreep) {
  // Moving constant load: any code, even an undefined one.
  WheelPair moving(7, -1);
  moving.e(2) = 0.5f;
  moving.f1r(3) = 9.0f;
  moving.run();
  for (const ContactForceRecord* f : {&moving.f1r, &moving.f2r})
    EXPECT_EQ(f->values, (std::array<float, 6>{0.0f, WheelPair::kLoad, 0.0f, 0.0f, 0.0f, 0.0f}));
  const std::array<float, 6> none{};
  EXPECT_EQ(moving.f1v.values, none);
  EXPECT_EQ(moving.f2v.values, none);

  // The brake force of the pair goes into all four records.
  WheelPair braked(2);
  braked.t->trains.brake_setting(1, 1) = -0.5f;
  braked.run();
  const float fx = -0.5f * (80000.0f / 9.8f) / 2.0f;
  for (const ContactForceRecord* f : {&braked.f1v, &braked.f1r, &braked.f2v, &braked.f2r})
    EXPECT_FLOAT_EQ((*f)(1), fx);

  // The spatial solution adds the creep forces of the pair to codes 0 and 1,
  // from the last evaluation's lateral forces.
  WheelPair creeping(0, 1);
  test::load_contact_tables(creeping.t);
  creeping.t->results.wheelset_track_curvature(1, 1, 2) = 0.002f;
  creeping.e(3) = 0.003f;
  creeping.e(9) = 0.02f;
  creeping.e(5) = 0.001f;
  creeping.g(11) = -0.01f;
  creeping.f1r(3) = 800.0f;
  creeping.f2r(3) = -700.0f;
  creeping.run();
  float t1 = 800.0f, t2 = -700.0f, m1 = 0.0f, m2 = 0.0f;
  compute_creep_forces(*creeping.t, 0.002f, 0.003f, 0.02f, 0.001f, 0.01f, 0.42f, 1.5f, 20.0f, 0.3f,
                       creeping.f1r(2), creeping.f2r(2), t1, t2, m1, m2);
  EXPECT_EQ(creeping.f1r(3), t1);
  EXPECT_EQ(creeping.f2v(3), t2);
  EXPECT_EQ(creeping.f1v(5), m1);
  EXPECT_EQ(creeping.f2r(5), m2);
  EXPECT_NE(m1, 0.0f);
}

// A vehicle file may list either wheel of a pair first. The creep forces and
// the guidance wheel have sides, so each wheel must get the forces of the
// rail it runs on, whichever entry it is: the same motion of the pair, given
// in both orders, gives the same forces with the records exchanged.
TEST(WheelContactForces, EitherWheelOfAPairMayBeListedFirst) {
  // Per rail: the rail point and the wheel point of its wheel, and that
  // wheel's normal and lateral force of the previous evaluation.
  struct Side {
    ContactPointRecord rail, wheel;
    float normal, lateral;
  };
  Side sides[2];
  for (auto [side, z, y, n, t] : {std::tuple{0, 2.0E-5f, 0.002f, 52000.0f, 800.0f},
                                  {1, -1.0E-5f, -0.0015f, 47000.0f, -700.0f}}) {
    Side& s = sides[side];
    s.rail(2) = z;       // rail above the wheel's rest: a larger load on rail 1
    s.rail(3) = y;       // rail minus wheel: rail 1's wheel moved toward -z, rail 2's toward +z
    s.rail(9) = 0.02f;
    s.rail(5) = 0.001f;  // yaw of the rail relative to the wheel
    s.wheel(11) = -0.01f;
    s.normal = n;
    s.lateral = t;
  }
  const struct {
    const char* what;
    std::int32_t code;
    float load;
  } cases[] = {{"code 0 with creep", 0, WheelPair::kLoad}, {"guidance wheel", 3, 0.001f}};
  for (const auto& c : cases) {
    WheelPair a(c.code, 1), b(c.code, 1);
    b.list_rail_2_wheel_first();
    for (int order = 0; order < 2; ++order) {
      WheelPair& p = order == 0 ? a : b;
      if (c.code == 0) test::load_contact_tables(p.t);
      p.t->results.wheelset_track_curvature(1, 1, 2) = 0.002f;
      const Side& first = sides[order];  // entry 1 runs on rail 1, then on rail 2
      const Side& second = sides[1 - order];
      p.e = first.rail;
      p.g = first.wheel;
      p.i = second.rail;
      p.j = second.wheel;
      p.f1r(2) = first.normal;
      p.f1r(3) = first.lateral;
      p.f2r(2) = second.normal;
      p.f2r(3) = second.lateral;
      compute_wheel_contact_forces(*p.t, 0, 1, 1, 2, 1, 2, 1, p.speed, 0, p.d, p.e, p.g, p.f1v, p.f1r, p.i, p.j,
                                   p.f2v, p.f2r, c.load);
    }
    EXPECT_EQ(b.f1r.values, a.f2r.values) << c.what;
    EXPECT_EQ(b.f2r.values, a.f1r.values) << c.what;
    EXPECT_EQ(b.f1v.values, a.f2v.values) << c.what;
    EXPECT_EQ(b.f2v.values, a.f1v.values) << c.what;
    if (c.code == 0) {
      EXPECT_NE(a.f1r(5), 0.0f) << "the creep law gives a yaw moment";
    } else {  // the guide of rail 1 pushes its wheel back toward +z, that of rail 2 toward -z
      EXPECT_FLOAT_EQ(a.f1r(3), 1.0E9f * (0.002f - 0.001f) + 1.0E5f * 0.02f);
      EXPECT_FLOAT_EQ(a.f2r(3), 1.0E9f * (-0.0015f + 0.001f) + 1.0E5f * 0.02f);
    }
  }
}

// The vertical contact law of code 0 turns to Hertz contact on a rigid rail
// where the bridge moves, unless record 6 of "SolutionParameters.dat" gives
// the track contact spring: the run says so in one line at start-up.
TEST(WheelContactForces, StartUpLineWhenTheWheelsMeetARigidRail) {
  const std::string advice =
      "; the track contact spring in record 6 of \"SolutionParameters.dat\" (1, stiffness, damping) avoids it.\n";
  const std::string at_bridge =
      " Wheel-rail contact: the wheels of contact type 0 turn to Hertz contact on a rigid rail once the bridge "
      "moves under them" + advice;
  const std::string throughout =
      " Wheel-rail contact: the wheels of contact type 0 run on Hertz contact on a rigid rail (IsContact 2)" + advice;
  const struct {
    const char* what;
    std::int32_t option, code, is_contact, modes, fleet_type;
    const std::string* line;  // nullptr: none
  } cases[] = {
      {"vertical contact without the spring", 0, 0, 0, 5, 1, &at_bridge},
      {"spatial contact without the spring", 1, 0, 0, 5, 1, &at_bridge},
      {"IsContact 2: Hertz everywhere", 0, 0, 2, 0, 1, &throughout},
      {"the track contact spring", 1, 0, 1, 5, 1, nullptr},
      {"a bridge without modes never moves", 0, 0, 0, 0, 1, nullptr},
      {"moving loads", -1, 0, 0, 5, 1, nullptr},
      {"spring-damper wheels", 0, 2, 0, 5, 1, nullptr},
      {"the type of code 0 runs in no train", 0, 0, 0, 5, 2, nullptr},
  };
  for (const auto& c : cases) {
    WheelPair p(c.code, c.option);
    VehicleTypeLibrary& lib = p.t->vehicles;
    lib.vehicle_type_count = 2;  // type 2: spring-damper wheels
    lib.contact_type.resize(2);
    lib.contact_type(1) = c.code;
    lib.contact_type(2) = 2;
    lib.vehicle_wheelset_count.resize(2);
    lib.vehicle_wheelset_count.fill(2);
    p.t->trains.fleet_vehicle_types(1, 1) = c.fleet_type;
    p.t->solution.IsContact = c.is_contact;
    p.t->bridge.bridge_mode_count = c.modes;
    report_hertz_contact_switch(*p.t);
    EXPECT_EQ(p.t.console(), c.line ? *c.line : "") << c.what;
  }
}

TEST(WheelContactForces, PairingsWithoutALawAreNamedWithTheModelsMessage) {
  // The vehicle type reader refuses these pairings at start-up with the
  // message; the others have a law.
  const std::string_view type_message = "wheel rail/road contact type is not defined!";
  const std::string_view solution_message = "Solution type for wheel-rail interaction is not defined!";
  const struct {
    std::int32_t code, option;
    std::string_view message;  // empty: a law
  } cases[] = {{7, 0, type_message},      {-1, 1, type_message},     {-2, 1, solution_message},
               {0, 2, solution_message}, {3, 5, solution_message}, {2, 2, {}},
               {-2, 0, {}},              {2, 1, {}},               {7, -1, {}}};
  for (const auto& c : cases) {
    EXPECT_EQ(undefined_contact_law(c.option, c.code), c.message) << c.code << " " << c.option;
    if (c.message.empty()) {
      WheelPair p(c.code, c.option);
      p.run();
      const float load = c.code == -2 ? WheelPair::kLoad * (1.0f + 0.1f * std::sin(0.5f)) : WheelPair::kLoad;
      EXPECT_FLOAT_EQ(p.f1r(2), load) << c.code << " " << c.option;
      EXPECT_EQ(p.t.console(), "");
    }
  }
}

}  // namespace
}  // namespace tb
