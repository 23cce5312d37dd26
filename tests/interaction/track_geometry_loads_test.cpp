#include "interaction/track_geometry_loads.h"

#include <gtest/gtest.h>

#include <cmath>

#include "interaction/vehicle_train_fixture.h"

namespace tb {
namespace {

constexpr float g = 9.8f;

// One vehicle whose modes each pick one load: 1 body vertical, 2 body
// lateral, 3 the vertical and 4 the lateral loads of all four wheels.
struct CurvingVehicle : test::VehicleTrain {
  static constexpr float kBodyMass = 20000.0f;
  // The rest of the weight, 400000 N, shared by the four wheel entries.
  static constexpr float kWheelMass = (4.0f * kWheelLoad / g - kBodyMass) / 4.0f;

  CurvingVehicle() : VehicleTrain({1}, 4) {
    t->vehicles.contact_type(1) = 3;
    t->vehicles.type3_contact_param_a(1) = kBodyMass;
    shape(1, 1, 2, 2, 1.0f);
    shape(1, 2, 2, 3, 1.0f);
    for (std::int32_t n = 4; n <= 7; ++n) {
      shape(1, 3, n, 2, 1.0f);
      shape(1, 4, n, 3, 1.0f);
    }
  }
  void run(float speed) {
    t->trains.train_speed(1, 1) = speed;
    t->solver.vehicle_modal_force.fill(0.0);
    compute_track_geometry_loads(*t);
  }
};

TEST(TrackGeometryLoads, NothingOnALevelStraightTrackOrWithoutWheels) {
  CurvingVehicle level;
  level.t->results.vehicle_track_acceleration.fill(7.0f);
  level.run(50.0f);
  for (std::int32_t m = 1; m <= 4; ++m) EXPECT_EQ(level.force(1, 1, m), 0.0) << m;
  EXPECT_EQ(level.t->results.vehicle_track_acceleration(1, 1, 1), 0.0f);
  EXPECT_EQ(level.t->results.vehicle_track_acceleration(1, 1, 2), 0.0f);

  // A type without wheel entries on a canted curve stands on no track
  // geometry: no load and no division by its wheel count.
  CurvingVehicle wheelless;
  wheelless.t->vehicles.vehicle_wheelset_count(1) = 0;
  wheelless.track(0.1f, 0.002f);
  wheelless.run(50.0f);
  for (std::int32_t m = 1; m <= 4; ++m) EXPECT_EQ(wheelless.force(1, 1, m), 0.0) << m;
  EXPECT_EQ(wheelless.t->results.vehicle_track_acceleration(1, 1, 1), 0.0f);
  EXPECT_EQ(wheelless.t->results.vehicle_track_acceleration(1, 1, 2), 0.0f);
}

// On a canted curve the lateral load of the body mass vanishes at the
// balanced speed v^2 = g tan(theta)/kappa, that of the wheels at the speed at
// which their own form, with the cant angle as the sine, balances; below it
// the gravity component (along +z for a positive cant) prevails, above it
// the centrifugal load. At its balanced speed a mass presses on the track
// plane with its weight over the cosine of the cant.
TEST(TrackGeometryLoads, LateralLoadsChangeSignAtTheBalancedSpeeds) {
  const double theta = 0.1, kappa = 1.0 / 800.0;
  const double body_speed = std::sqrt(g * std::tan(theta) / kappa);
  const double wheel_cos = std::sqrt(1.0 - theta * theta);
  const double wheel_speed = std::sqrt(g * theta / (kappa * wheel_cos));
  const double body_weight = CurvingVehicle::kBodyMass * g;
  const double wheels_weight = 4.0 * CurvingVehicle::kWheelMass * g;
  CurvingVehicle c;
  c.track(static_cast<float>(theta), static_cast<float>(kappa));
  for (double sign : {1.0, -1.0}) {  // the direction of travel plays no part
    for (double r : {0.0, 0.5, 1.0, 1.5}) {
      c.run(static_cast<float>(sign * r * body_speed));
      EXPECT_NEAR(c.force(1, 1, 2), body_weight * std::sin(theta) * (1.0 - r * r), 2.0E-5 * body_weight) << r;
      EXPECT_NEAR(c.t->results.vehicle_track_acceleration(1, 1, 2), -kappa * r * r * body_speed * body_speed, 1.0E-5);
      EXPECT_NEAR(c.t->results.vehicle_track_acceleration(1, 1, 1), (1.0 - std::cos(theta)) * g, 1.0E-6);
      c.run(static_cast<float>(sign * r * wheel_speed));
      EXPECT_NEAR(c.force(1, 1, 4), wheels_weight * theta * (1.0 - r * r), 2.0E-5 * wheels_weight) << r;
    }
    c.run(static_cast<float>(sign * body_speed));
    EXPECT_NEAR(c.force(1, 1, 1), body_weight * (1.0 - 1.0 / std::cos(theta)), 2.0E-5 * body_weight);
    c.run(static_cast<float>(sign * wheel_speed));
    EXPECT_NEAR(c.force(1, 1, 3), wheels_weight * (1.0 - 1.0 / wheel_cos), 2.0E-5 * wheels_weight);
  }
  // The two speeds differ: at the body's balanced speed the wheels still
  // feel part of their weight across the track.
  c.run(static_cast<float>(body_speed));
  EXPECT_GT(c.force(1, 1, 4), 1.0E-4 * wheels_weight);
}

// Contact type 3 in a curve of mean curvature 1.0E-4 or more: gravity
// restores the roll psi of the type's node of smallest x.
TEST(TrackGeometryLoads, RollRestoringLoadOfContactType3InACurve) {
  const float at_limit = 2.0E-4f;  // every other wheel: a mean of exactly 1.0E-4
  const struct {
    const char* what;
    std::int32_t contact;
    float curvature;
    bool loaded;
  } cases[] = {{"at the limit", 3, at_limit, true},
               {"just below it", 3, std::nextafter(at_limit, 0.0f), false},
               {"other contact type", 2, at_limit, false}};
  for (const auto& k : cases) {
    CurvingVehicle c;
    c.t->vehicles.contact_type(1) = k.contact;
    c.t->layout.vehicle_type_end_nodes(1, 1) = 3;
    for (std::int32_t w = 1; w <= 3; w += 2) c.t->results.wheelset_track_curvature(1, 1, w) = k.curvature;
    // Mode 1 also rolls node 3 and moves it vertically and laterally.
    c.shape(1, 1, 3, 4, 2.0f);
    c.shape(1, 1, 3, 2, 0.5f);
    c.shape(1, 1, 3, 3, -0.25f);
    c.t->solver.vehicle_modal_state(1, 1, 1, 1) = 0.01;
    c.run(30.0f);
    const float mg = CurvingVehicle::kBodyMass * g;
    const float psi = 0.02f;
    const double roll = k.loaded ? 0.5 * mg * (1.0 - std::cos(psi)) - 0.25 * std::sin(psi) * mg : 0.0;
    EXPECT_NEAR(c.force(1, 1, 1), roll, 1.0E-3) << k.what;
  }
}

}  // namespace
}  // namespace tb
