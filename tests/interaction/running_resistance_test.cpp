#include "interaction/running_resistance.h"

#include <gtest/gtest.h>

#include <cmath>

#include "interaction/vehicle_train_fixture.h"

namespace tb {
namespace {

// One vehicle of 400000 N whose mode 1 moves node 2 along x, in a train
// with brake mode 300 active and the brake time 1 s behind.
struct ResistedVehicle : test::VehicleTrain {
  ResistedVehicle(float speed_kmh, std::int32_t set, std::int32_t kind) : VehicleTrain({1}, 2) {
    shape(1, 1, 2, 1, 1.0f);
    shape(1, 2, 2, 2, 1.0f);  // nothing acts across the track
    t->trains.train_speed(1, 1) = speed_kmh / 3.6f;
    t->trains.brake_state(1, 1) = 300;
    t->trains.brake_time(1, 1) = 1.0f;
    t->step.current_time = 2.0f;
    t->brakes.type_brake_set(1) = set;
    t->brakes.brake_kind(set) = kind;
  }
  double run() {
    t->solver.vehicle_modal_force.fill(0.0);
    apply_running_and_brake_forces(*t);
    EXPECT_EQ(force(1, 1, 2), 0.0);
    return force(1, 1, 1);
  }
};

// w = (a V + b) V + c in N per 1000 N of weight, against the motion.
TEST(RunningResistance, MatchesTheHandComputedResistanceAgainstTheMotion) {
  const struct {
    std::int32_t set;
    float speed_kmh;
    double expected;
  } cases[] = {
      {1, 100.0f, -((0.000178 * 100 + 0.0293) * 100 + 2.28) * 400.0},  // 6.99 N/kN: -2796 N
      {1, 50.0f, -((0.000178 * 50 + 0.0293) * 50 + 2.28) * 400.0},     // 4.19 N/kN: -1676 N
      {2, 100.0f, -((0.000125 * 100 + 0.0048) * 100 + 0.92) * 400.0},
      {3, 100.0f, -((0.000675 * 100 + 0.0053) * 100 + 2.23) * 400.0},
      {1, -100.0f, ((0.000178 * 100 + 0.0293) * 100 + 2.28) * 400.0},  // reversed: the sign only
  };
  for (const auto& c : cases) {
    ResistedVehicle v(c.speed_kmh, c.set, 0);
    EXPECT_NEAR(v.run(), c.expected, 1.0E-5 * std::fabs(c.expected)) << c.set << " at " << c.speed_kmh;
    // The vehicle's brake force share comes on top.
    v.t->trains.vehicle_brake_state(1, 1) = -500.0f;
    EXPECT_NEAR(v.run(), c.expected - 500.0, 1.0E-5 * std::fabs(c.expected)) << c.set << " at " << c.speed_kmh;
  }
  EXPECT_NEAR(running_resistance_per_weight(1, 100.0f), 6.99f, 1.0E-5f);
}

TEST(RunningResistance, OnlyWhileBrakingAfterTheBrakeTimeAndMoving) {
  const struct {
    const char* what;
    std::int32_t brake_state;
    float time;
    float speed_kmh;
    std::int32_t kind;
    double expected;
  } cases[] = {
      {"no brake mode", 0, 2.0f, 100.0f, 0, 0.0},
      {"at the brake time", 300, 1.0f, 100.0f, 0, 0.0},
      {"below 0.01 km/h", 300, 2.0f, 0.005f, 0, 0.0},
      {"at rest", 300, 2.0f, 0.0f, 0, 0.0},
      {"kind 2: the share alone", 300, 2.0f, 100.0f, 2, -700.0},
      {"kind 3: the share alone", 200, 2.0f, 100.0f, 3, -700.0},
  };
  for (const auto& c : cases) {
    ResistedVehicle v(c.speed_kmh, 2, c.kind);
    v.t->trains.brake_state(1, 1) = c.brake_state;
    v.t->trains.vehicle_brake_state(1, 1) = -700.0f;
    v.t->step.current_time = c.time;
    EXPECT_EQ(v.run(), c.expected) << c.what;
  }
}

}  // namespace
}  // namespace tb
