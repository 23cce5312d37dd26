#include "integration/train_advance.h"

#include <gtest/gtest.h>

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
  const float v = 50.0f + 6.0f * 1.0E-3f;
  EXPECT_EQ(c.trains.train_speed(1, 1), v);
  EXPECT_EQ(c.layout.wheelset_position(1, 1, 1), -4.0f + v * 1.0E-3f);
}

}  // namespace
}  // namespace tb
