#include "integration/train_advance.h"

#include <gtest/gtest.h>

#include <cmath>

#include "integration_fixture.h"

namespace tb {
namespace {

TEST(TrainAdvance, LayoutPutsVehiclesBehindTheFrontWithoutGaps) {
  test::IntegrationModel m(0.0f, 100.0f, 2);
  layout_train_wheelsets(*m.t);
  const TrainLayout& l = m.t->layout;
  EXPECT_EQ(l.vehicle_type_length(1), 12.0f);
  EXPECT_EQ(l.vehicle_type_end_nodes(1, 1), 3);
  EXPECT_EQ(l.vehicle_type_end_nodes(1, 2), 1);
  EXPECT_EQ(l.wheelset_front_offset(1, 1), 6.0f);
  EXPECT_EQ(l.wheelset_front_offset(1, 2), 9.0f);
  EXPECT_EQ(l.wheelset_start_position(1, 1, 2), 9.0f);
  EXPECT_EQ(l.wheelset_start_position(1, 2, 1), 18.0f);
  EXPECT_EQ(l.wheelset_start_position(1, 2, 2), 21.0f);
}

TEST(TrainAdvance, LayoutScansOnlyTheTypesOwnNodes) {
  // All nodes at x > 0: an empty slot at 0 must not become the rear end.
  test::IntegrationModel m;
  RunContext& c = *m.t;
  c.vehicles.vehicle_node_count(1) = 3;
  c.vehicles.vehicle_node_coordinates(1, 3, 1) = 2.0f;
  c.vehicles.vehicle_node_coordinates(1, 4, 1) = 0.0f;
  c.vehicles.wheelset_nodes(1, 2) = 3;
  layout_train_wheelsets(c);
  EXPECT_EQ(c.layout.vehicle_type_length(1), 10.0f);
  EXPECT_EQ(c.layout.vehicle_type_end_nodes(1, 1), 3);
}

TEST(TrainAdvance, StepCountIsTruncatedInSinglePrecisionAndReversedTracksNegateTheSpeed) {
  for (bool reversed : {false, true}) {
    test::IntegrationModel m(reversed ? 100.0f : 0.0f, reversed ? 0.0f : 100.0f);
    RunContext& c = *m.t;
    c.solution.time_step = 0.001f;
    c.trains.train_speed(1, 1) = 10.0f;
    c.trains.train_lead_in(1, 1) = 10.0f;
    c.trains.train_run_out(1, 1) = 5.0f;
    // The rearmost wheelset 20 m behind the front.
    c.layout.wheelset_start_position(1, 1, 1) = 20.0f;
    std::int32_t steps = -1;
    compute_stage_step_count(c, 1, steps);
    EXPECT_EQ(steps, 13499);  // 13.5 / 0.001 is 13499.999 in single precision
    if (reversed) {
      EXPECT_EQ(c.trains.train_speed(1, 1), -10.0f);
      EXPECT_EQ(c.layout.wheelset_start_position(1, 1, 1), 130.0f);
      EXPECT_EQ(c.layout.wheelset_start_position(1, 1, 2), 110.0f);  // an empty slot moves with the front
    } else {
      EXPECT_EQ(c.trains.train_speed(1, 1), 10.0f);
      EXPECT_EQ(c.layout.wheelset_start_position(1, 1, 1), -30.0f);
      EXPECT_EQ(c.layout.wheelset_start_position(1, 1, 2), -10.0f);
    }
  }
}

TEST(TrainAdvance, ATrainAtRestGetsNoStepCountAndABadTrackStops) {
  test::IntegrationModel m;
  m.t->trains.train_speed(1, 1) = 0.0f;
  std::int32_t steps = -1;
  compute_stage_step_count(*m.t, 1, steps);
  EXPECT_EQ(steps, 0);
  m.t->trains.train_track(1) = 2;
  EXPECT_EQ(test::expect_stop([&] { compute_stage_step_count(*m.t, 1, steps); }), 1);
  EXPECT_NE(m.t.console().find("\\VehicleOrganization.dat"), std::string::npos);
}

TEST(TrainAdvance, FirstStepPlacesLaterStepsMoveWithTheLeadVehiclesAcceleration) {
  test::IntegrationModel m;
  RunContext& c = *m.t;
  c.layout.wheelset_start_position(1, 1, 1) = -4.0f;
  c.layout.wheelset_position(1, 1, 1) = 99.0f;
  c.solver.vehicle_modal_state.resize(1, 1, 1, 3);
  advance_train_positions(c, 1, 1.0f);
  EXPECT_EQ(c.layout.wheelset_position(1, 1, 1), -4.0f);
  // Longitudinal shape 2 at node 1 and a modal acceleration of 3: ax = 6.
  c.vehicles.vehicle_mode_shapes(1, 1, 1, 1) = 2.0f;
  c.solver.vehicle_modal_state(1, 1, 1, 3) = 3.0;
  advance_train_positions(c, 1, 2.0f);
  // Speed and position in double, with dt as the single-precision step.
  const double dt = 1.0E-3f;
  const double v = 50.0 + 6.0 * dt;
  EXPECT_EQ(c.trains.train_speed(1, 1), v);
  EXPECT_EQ(c.layout.wheelset_position(1, 1, 1), -4.0 + v * dt);
}

// Runs `increments` steps after the placing step with the lead vehicle's
// longitudinal acceleration held at `ax` (a rigid longitudinal mode of unit
// shape), from speed `speed` and start coordinate `start`.
void run_advance(RunContext& c, float speed, float start, double ax, float dt, std::int32_t increments) {
  c.solution.time_step = dt;
  c.trains.train_speed(1, 1) = speed;
  c.layout.wheelset_start_position(1, 1, 1) = start;
  c.vehicles.vehicle_mode_shapes(1, 1, 1, 1) = 1.0f;
  c.solver.vehicle_modal_state.resize(1, 1, 1, 3);
  c.solver.vehicle_modal_state(1, 1, 1, 3) = ax;
  float step = 1.0f;
  advance_train_positions(c, 1, step);
  for (std::int32_t i = 0; i < increments; ++i) advance_train_positions(c, 1, step += 1.0f);
}

TEST(TrainAdvance, BrakingChangesTheSpeedByTheDecelerationOverTheTimeAtFineAndCoarseSteps) {
  // -1 m/s2 from 250 km/h over 1.61 s: the increment a*dt is a few units in
  // the last place of a single-precision speed, so the change must not be
  // rounded step by step.
  const float v0 = 250.0f / 3.6f;
  struct Case {
    float dt;
    std::int32_t increments;
  };
  for (const Case& k : {Case{2.0E-4f, 8050}, Case{5.0E-5f, 32200}}) {
    test::IntegrationModel m;
    RunContext& c = *m.t;
    run_advance(c, v0, 0.0f, -1.0, k.dt, k.increments);
    const double elapsed = k.increments * static_cast<double>(k.dt);
    const double change = c.trains.train_speed(1, 1) - v0;
    EXPECT_NEAR(change / -elapsed, 1.0, 1.0E-3) << "dt " << k.dt;
    // The distance follows the falling speed: v0*t - t*t/2, less half a step's
    // change of speed over the time (the speed is changed before the move).
    const double distance = v0 * elapsed - 0.5 * elapsed * elapsed - 0.5 * k.dt * elapsed;
    EXPECT_NEAR(c.layout.wheelset_position(1, 1, 1), distance, 1.0E-3) << "dt " << k.dt;
  }
}

TEST(TrainAdvance, AtConstantSpeedATrainIsWhereSpeedTimesTimePutsIt) {
  // 69.4 m/s at dt = 1E-4 s for about 1000 m, forward and on a reversed track
  // (negative speed); the wheelset positions must not pick up the rounding of
  // each step's move.
  const float dt = 1.0E-4f;
  const std::int32_t increments = 144093;
  for (float v : {69.4f, -69.4f}) {
    test::IntegrationModel m;
    RunContext& c = *m.t;
    const float start = v > 0.0f ? -40.0f : 1040.0f;
    run_advance(c, v, start, 0.0, dt, increments);
    EXPECT_EQ(c.trains.train_speed(1, 1), static_cast<double>(v));
    const double expected = start + static_cast<double>(v) * increments * static_cast<double>(dt);
    ASSERT_GT(std::fabs(expected - start), 1000.0);
    EXPECT_NEAR(c.layout.wheelset_position(1, 1, 1), expected, 1.0E-3) << "speed " << v;
  }
}

}  // namespace
}  // namespace tb
