#include "interaction/wheel_rail_interaction.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "fixtures/train_builders.h"
#include "interaction/contact_table_files.h"
#include "test_support.h"

namespace tb {
namespace {

// One vehicle with one mode on a straight, level 100 m track (one node per
// metre) over a bridge with one mode. Node positions 1-3 are the couplers and
// the body, 4-7 the wheels: entries 1 and 3 at lateral z1, 2 and 4 at -z1;
// pair 1 (entries 1, 2) stands at s = 50, pair 2 at s = 40.
struct VehicleOverBridge {
  test::TestContext t;
  static constexpr float kLoad = 50000.0f;

  VehicleOverBridge(std::int32_t code, float z1 = -0.75f) {
    RunContext& c = *t;
    test::make_vehicle_types(c,
                             {{-2.0f, 0.0f, 0.0f}, {5.0f, 1.5f, 0.0f}, {12.0f, 0.0f, 0.0f}, {0.0f, 0.0f, z1},
                              {0.0f, 0.0f, -z1}, {10.0f, 0.0f, z1}, {10.0f, 0.0f, -z1}},
                             {{4, kLoad}, {5, kLoad}, {6, kLoad}, {7, kLoad}}, 1, code);
    test::make_contact_parameters(c, 0.42f, 0.3f, 0.75f);
    VehicleTypeLibrary& lib = c.vehicles;
    lib.wheelset_second_nodes.resize(1, 4);
    lib.contact_stiffness.fill(1.0E8f);
    lib.contact_damping.fill(1.0E5f);

    TrackModel& tm = t->track;
    tm.track_count = 1;
    tm.max_control_points = 2;
    tm.control_point_count.resize(1);
    tm.control_point_count(1) = 2;
    tm.control_points.resize(1, 2, 7);
    tm.control_points(1, 2, 6) = 100.0f;
    tm.track_gauge.resize(1);
    tm.track_gauge(1) = 1.5f;
    tm.track_node_spacing = 1.0f;
    tm.track_node_count = 101;
    tm.modal_node_decimation = 1;
    tm.coarse_node_count = 101;
    tm.coarse_node_spacing = 1.0f;
    tm.track_nodes.resize(101, 15, 1);
    for (int k = 1; k <= 101; ++k) {
      tm.track_nodes(k, 1, 1) = static_cast<float>(k - 1);
      tm.track_nodes(k, 4, 1) = static_cast<float>(k - 1);
      tm.track_nodes(k, 12, 1) = 0.002f;  // curvature
      tm.track_nodes(k, 15, 1) = 0.01f;   // cant
    }
    t->bridge.bridge_mode_count = 1;
    tm.track_modal_vectors.resize(TrackModel::modal_vector_stride, 1, 101, 2, 1);

    test::make_fleet_trains(c, {1}, 20.0);
    t->layout.wheelset_position.resize(1, 1, 4);
    t->layout.wheelset_start_position.resize(1, 1, 4);
    place(50.0f, 40.0f);

    ResultBuffers& res = t->results;
    res.wheelset_result.resize(1, 1, 4, 5);
    res.wheelset_irregularity_displacement.resize(1, 1, 4, 3);
    res.wheelset_track_cant.resize(1, 1, 4);
    res.wheelset_track_curvature.resize(1, 1, 4);
    SolverState& st = t->solver;
    st.bridge_modal_state.resize(1, 3);
    st.bridge_modal_force.resize(1);
    st.vehicle_modal_state.resize(1, 1, 1, 3);
    st.vehicle_modal_force.resize(1, 1, 1);
    t->step.current_stage = 1;
  }
  void place(float first_pair, float second_pair) {
    for (int w = 1; w <= 4; ++w) t->layout.wheelset_position(1, 1, w) = w <= 2 ? first_pair : second_pair;
  }
  // Component c of the bridge mode on rail r, along the whole track.
  void rail_shape(int rail, int c, float value) {
    for (int k = 1; k <= 101; ++k) t->track.track_modal_vectors(c, 1, k, rail, 1) = value;
  }
  // Component c of the vehicle mode at the wheels of lateral coordinate z.
  void wheel_shape(float z, int c, float value) {
    for (int n = 4; n <= 7; ++n)
      if (t->vehicles.vehicle_node_coordinates(1, n, 3) == z) t->vehicles.vehicle_mode_shapes(1, 1, n, c) = value;
  }
  void interact(int phase) { compute_wheel_rail_interaction(*t, phase, 1, 0.0f); }
  float result(int w, int k) { return t->results.wheelset_result(1, 1, w, k); }
};

// A bridge mode that lifts rail 1 (at -gauge/2) by 1.0 and rail 2 by 0.6,
// with longitudinal, lateral and yaw parts, and a vehicle mode with the same
// shape at its wheels: the generalised forces of the two sides must cancel.
void matched_shapes(VehicleOverBridge& m) {
  const float vertical[2] = {1.0f, 0.6f};
  for (int rail = 1; rail <= 2; ++rail) {
    const float z = rail == 1 ? -0.75f : 0.75f;
    for (auto [c, value] : {std::pair{1, 0.1f}, {2, vertical[rail - 1]}, {3, 0.2f}, {5, 0.05f}}) {
      m.rail_shape(rail, c, value);
      m.wheel_shape(z, c, value);
    }
  }
  SolverState& st = m.t->solver;
  st.bridge_modal_state(1, 1) = 2.0E-5;
  st.bridge_modal_state(1, 2) = 1.0E-3;
  st.vehicle_modal_state(1, 1, 1, 1) = -1.0E-5;
  st.vehicle_modal_state(1, 1, 1, 2) = 5.0E-4;
  m.t->trains.brake_setting(1, 1) = -0.5f;  // a prescribed deceleration gives a longitudinal force
}

TEST(WheelRailInteraction, GeneralisedForcesOfBothSidesBalance) {
  const struct {
    const char* what;
    std::int32_t code, option;
    float load;
  } cases[] = {{"code 0, Hertz under a moving bridge", 0, 0, VehicleOverBridge::kLoad},
               {"code 0 with creep", 0, 1, VehicleOverBridge::kLoad},
               {"code 2", 2, 0, VehicleOverBridge::kLoad},
               {"code 3, supporting", 3, 0, VehicleOverBridge::kLoad},
               {"code 3, guidance", 3, 1, 2.0E-6f}};
  for (const auto& c : cases) {
    VehicleOverBridge m(c.code);
    if (c.code == 0 && c.option == 1) test::load_contact_tables(m.t);
    m.t->solution.contact_option = c.option;
    m.t->vehicles.wheelset_static_load.fill(c.load);
    matched_shapes(m);
    // Both sides from the same evaluation: the last evaluation's forces,
    // which the interaction reads back, are restored between them.
    const Array4<float> before = m.t->results.wheelset_result;
    m.interact(0);
    const float* kept = m.t->contact.caches.bridge_sum_shapes.data();
    m.t->results.wheelset_result.assign_from(before);
    m.interact(1);
    EXPECT_EQ(m.t->contact.caches.bridge_sum_shapes.data(), kept) << "the wheels' tables are sized once";
    const double vehicle = m.t->solver.vehicle_modal_force(1, 1, 1);
    const double bridge = m.t->solver.bridge_modal_force(1);
    EXPECT_NE(vehicle, 0.0) << c.what;
    EXPECT_DOUBLE_EQ(vehicle, -bridge) << c.what;
    // The pair's results: the derailment factor of the wheel with the larger
    // load, the pair's sums and its brake force.
    for (int w : {1, 3}) {
      const float n1 = m.result(w, 1), t1 = m.result(w, 2), n2 = m.result(w + 1, 1), t2 = m.result(w + 1, 2);
      const float q = n2 > n1 && n2 > 0.1f ? t2 / n2 : (n1 >= n2 && n1 > 0.1f ? t1 / n1 : 0.0f);
      EXPECT_EQ(m.result(w, 4), q) << c.what;
      EXPECT_EQ(m.result(w + 1, 3), n1 + n2) << c.what;
      EXPECT_EQ(m.result(w + 1, 4), t1 + t2) << c.what;
      EXPECT_FLOAT_EQ(m.result(w + 1, 5), 2.0f * -0.5f * (4.0f * c.load / 9.8f) / 4.0f) << c.what;
    }
    if (c.option == 1 && c.code == 0) {
      EXPECT_NE(m.result(1, 4), 0.0f) << "creep gives a derailment factor";
    }
    if (c.code == 3 && c.load < 100.0f) {  // only the first wheel of a pair touches its guide
      EXPECT_FLOAT_EQ(m.result(1, 2), 1.0E8f * (0.2f * 3.0E-5f - 2.0E-6f) + 1.0E5f * (0.2f * 5.0E-4f));
      EXPECT_EQ(m.result(2, 2), 0.0f);
      EXPECT_EQ(m.result(1, 1), 0.0f);
    }
  }
}

TEST(WheelRailInteraction, PerWheelResultsOfSpringDamperWheels) {
  VehicleOverBridge m(2);
  matched_shapes(m);
  m.interact(0);
  const float w = VehicleOverBridge::kLoad;
  // Rail minus wheel: 3.0E-5 m and 5.0E-4 m/s on rail 1, 0.6 of it on rail 2.
  const float n1 = 1.0E8f * (1.0f * 3.0E-5f + w / 1.0E8f) + 1.0E5f * 5.0E-4f;
  const float n2 = 1.0E8f * (0.6f * 3.0E-5f + w / 1.0E8f) + 1.0E5f * (0.6f * 5.0E-4f);
  const float fx = -0.5f * (4.0f * w / 9.8f) / 4.0f;
  for (int pair = 0; pair < 2; ++pair) {
    const int w1 = 2 * pair + 1;
    EXPECT_NEAR(m.result(w1, 1), n1, 0.01f);
    EXPECT_NEAR(m.result(w1 + 1, 1), n2, 0.01f);
    EXPECT_EQ(m.result(w1, 2), 0.0f);
    EXPECT_NEAR(m.result(w1, 3), 1.0f - n2 / w, 1.0E-6f);  // wheel-load reduction
    EXPECT_EQ(m.result(w1, 4), 0.0f);
    EXPECT_FLOAT_EQ(m.result(w1, 5), (pair == 0 ? 50.0f : 40.0f) + 0.1f * -1.0E-5f);  // where the second wheel is
    EXPECT_NEAR(m.result(w1 + 1, 3), n1 + n2, 0.01f);
    EXPECT_FLOAT_EQ(m.result(w1 + 1, 5), 2.0f * fx);
    // Rails under the pair, and the wheels relative to them.
    const Array4<float>& d = m.t->results.wheelset_irregularity_displacement;
    EXPECT_FLOAT_EQ(d(1, 1, w1, 1), 0.8f * 2.0E-5f);
    EXPECT_FLOAT_EQ(d(1, 1, w1, 2), 0.2f * 2.0E-5f);
    EXPECT_FLOAT_EQ(d(1, 1, w1, 3), 0.05f * 2.0E-5f);
    EXPECT_NEAR(d(1, 1, w1 + 1, 1), -0.8f * 3.0E-5f, 1.0E-11f);
    EXPECT_NEAR(d(1, 1, w1 + 1, 2), -0.2f * 3.0E-5f, 1.0E-11f);
  }
  for (int k = 1; k <= 4; ++k) {
    EXPECT_FLOAT_EQ(m.t->results.wheelset_track_curvature(1, 1, k), 0.002f);
    EXPECT_FLOAT_EQ(m.t->results.wheelset_track_cant(1, 1, k), 0.01f);
  }
  // The vehicle receives the brake force (0.1), normal forces (1.0, 0.6) at
  // its four wheels; the bridge nothing in phase 0.
  EXPECT_NEAR(m.t->solver.vehicle_modal_force(1, 1, 1), 2.0 * (2.0 * 0.1 * fx + 1.0 * n1 + 0.6 * n2), 0.1);
  EXPECT_EQ(m.t->solver.bridge_modal_force(1), 0.0);
  // Any other phase computes the same results and adds no force.
  m.t->solver.vehicle_modal_force(1, 1, 1) = 0.0;
  m.t->results.wheelset_result.fill(0.0f);
  m.interact(2);
  EXPECT_EQ(m.t->solver.vehicle_modal_force(1, 1, 1), 0.0);
  EXPECT_NEAR(m.result(1, 1), n1, 0.01f);
}

// Rail 1 lies at -gauge/2: a roll of the bridge lifts it and lowers rail 2,
// and the rails carry a cross level of +/-1 mm. Each wheel must meet the rail
// on its own side, whichever entry of the pair it is, and wherever the other
// nodes of the vehicle lie: with the couplers and the body 2 m off the track
// centre the side is still judged against the wheels alone.
TEST(WheelRailInteraction, EachWheelRunsOnTheRailOnItsSide) {
  const struct {
    float z1, body_z;
  } cases[] = {{-0.75f, 0.0f}, {0.75f, 0.0f}, {-0.75f, -2.0f}, {0.75f, 2.0f}};
  for (const auto [z1, body_z] : cases) {
    VehicleOverBridge m(2, z1);
    for (int n = 1; n <= 3; ++n) m.t->vehicles.vehicle_node_coordinates(1, n, 3) = body_z;
    m.t->vehicles.contact_stiffness.fill(1.0E7f);
    m.rail_shape(1, 2, 0.75f);
    m.rail_shape(2, 2, -0.75f);
    m.rail_shape(1, 4, 1.0f);
    m.rail_shape(2, 4, 1.0f);
    for (int k = 1; k <= 101; ++k) {
      m.t->track.track_nodes(k, 2, 1) = 0.001f;
      m.t->track.track_nodes(k, 5, 1) = -0.001f;
    }
    m.t->solver.bridge_modal_state(1, 1) = 1.0E-4;
    m.interact(1);
    const float on_rail_1 = VehicleOverBridge::kLoad + 1.0E7f * (0.75f * 1.0E-4f + 0.001f);
    const float on_rail_2 = VehicleOverBridge::kLoad - 1.0E7f * (0.75f * 1.0E-4f + 0.001f);
    for (int w = 1; w <= 4; ++w) {
      const bool left = (w % 2 == 1) == (z1 < 0.0f);
      EXPECT_NEAR(m.result(w, 1), left ? on_rail_1 : on_rail_2, 0.01f)
          << "z1 " << z1 << " body at " << body_z << " wheel " << w;
    }
  }
}

// The vehicle file may list the wheel on rail 2 first in its pairs: with the
// same motion at each wheel, the creep law gives every wheel the forces of
// its own rail, and the vehicle the same generalised force.
TEST(WheelRailInteraction, CreepForcesFollowTheRailsWhicheverWheelIsListedFirst) {
  VehicleOverBridge rail_1_first(0, -0.75f), rail_2_first(0, 0.75f);
  for (VehicleOverBridge* m : {&rail_1_first, &rail_2_first}) {
    test::load_contact_tables(m->t);
    m->t->solution.contact_option = 1;
    matched_shapes(*m);
    m->interact(0);
    m->interact(0);  // from the lateral forces of the first evaluation
  }
  for (int w = 1; w <= 3; w += 2) {
    for (int k = 1; k <= 2; ++k) {  // normal and lateral force of each wheel
      EXPECT_EQ(rail_2_first.result(w, k), rail_1_first.result(w + 1, k)) << "entry " << w << ", " << k;
      EXPECT_EQ(rail_2_first.result(w + 1, k), rail_1_first.result(w, k)) << "entry " << w + 1 << ", " << k;
    }
    for (int k = 3; k <= 5; ++k) {  // the pair's results
      EXPECT_EQ(rail_2_first.result(w, k), rail_1_first.result(w, k)) << "entry " << w << ", " << k;
      EXPECT_EQ(rail_2_first.result(w + 1, k), rail_1_first.result(w + 1, k)) << "entry " << w + 1 << ", " << k;
    }
  }
  EXPECT_EQ(rail_2_first.t->solver.vehicle_modal_force(1, 1, 1), rail_1_first.t->solver.vehicle_modal_force(1, 1, 1));
}

// Code 1 takes the vertical and roll parts of the vehicle mode at the
// wheelset's second node (node 1 for pair 1, node 3 for pair 2) and reports
// no vertical displacement of the wheels relative to the rails; code -2 loads the rails with the
// harmonic load at the stage start and gives the vehicle nothing. The bridge
// mode lifts rail 1 by 1.0 and rail 2 by 0.6; the vehicle mode moves the
// wheel nodes (0.3 vertical, 0.2 lateral, 0.7 roll) unlike the second nodes.
// No wheel-load reduction is formed for a static load of 0.1 N or less.
TEST(WheelRailInteraction, RailSpringAndHarmonicLoadCodes) {
  const struct {
    const char* what;
    std::int32_t code;
    float load, ratio, phase;  // ratio and phase of the load: code 1's spring and damper
  } cases[] = {{"code 1", 1, 50000.0f, 1.0E7f, 1.0E4f},
               {"code -2", -2, 50000.0f, 0.2f, 0.5f},
               {"code -2, W just above 0.1 N", -2, 0.11f, 0.2f, 0.5f},
               {"code -2, W = 0.1 N", -2, 0.1f, 0.2f, 0.5f}};
  const float qd = 1.0E-3f, qv = 1.0E-2f, qb = 2.0E-5f;  // vehicle and bridge modal states
  const float second_vertical[2] = {1.0f, 0.8f}, second_roll[2] = {0.5f, -0.5f};
  for (const auto& c : cases) {
    VehicleOverBridge m(c.code);
    VehicleTypeLibrary& lib = m.t->vehicles;
    lib.wheelset_static_load.fill(c.load);
    lib.load_amplitude_ratio.fill(c.ratio);
    lib.load_phase.fill(c.phase);
    lib.load_frequency(1) = 2.0f;  // code 1: the wheelset mass, idle without accelerations
    lib.type1_contact_param_a(1) = 300.0f;
    lib.type1_contact_param_b(1) = 0.6f;  // p = 0.8, q = 0.12 with the half spacing 0.75
    m.t->layout.wheelset_start_position.assign_from(m.t->layout.wheelset_position);
    for (int w = 1; w <= 4; ++w) lib.wheelset_second_nodes(1, w) = w <= 2 ? 1 : 3;
    for (float z : {-0.75f, 0.75f}) {
      m.wheel_shape(z, 2, 0.3f);
      m.wheel_shape(z, 3, 0.2f);
      m.wheel_shape(z, 4, 0.7f);
    }
    for (int pair = 0; pair < 2; ++pair) {
      const int node = pair == 0 ? 1 : 3;
      lib.vehicle_mode_shapes(1, 1, node, 2) = second_vertical[pair];
      lib.vehicle_mode_shapes(1, 1, node, 3) = 0.9f;
      lib.vehicle_mode_shapes(1, 1, node, 4) = second_roll[pair];
    }
    m.rail_shape(1, 2, 1.0f);
    m.rail_shape(2, 2, 0.6f);
    SolverState& st = m.t->solver;
    st.bridge_modal_state(1, 1) = qb;
    st.vehicle_modal_state(1, 1, 1, 1) = qd;
    st.vehicle_modal_state(1, 1, 1, 2) = qv;
    m.interact(0);
    m.interact(1);

    const float w_load = c.load, e2 = qb, i2 = 0.6f * qb, d1 = 0.5f * (e2 + i2);
    double vehicle = 0.0, bridge = 0.0;
    for (int pair = 0; pair < 2; ++pair) {
      const int w1 = 2 * pair + 1;
      float n1 = 0.0f, n2 = 0.0f;
      if (c.code == 1) {
        const float ks = c.ratio, cs = c.phase, p = 0.8f, q = 0.12f;
        const float z = second_vertical[pair], r = second_roll[pair];
        n1 = w_load + ks * (d1 + p * p * (e2 - d1) - z * qd + q * r * qd) + cs * (-z * qv + q * r * qv);
        n2 = w_load + ks * (d1 + p * p * (i2 - d1) - z * qd - q * r * qd) + cs * (-z * qv - q * r * qv);
        vehicle += z * ks * (d1 + p * (e2 - d1)) + z * ks * (d1 + p * (i2 - d1));
      } else {
        n1 = n2 = w_load * (1.0f + c.ratio * std::sin(c.phase));
      }
      bridge -= 1.0 * n1 + 0.6 * n2;
      EXPECT_NEAR(m.result(w1, 1), n1, 1.0E-5f * n1) << c.what << ", pair " << pair + 1;
      EXPECT_NEAR(m.result(w1 + 1, 1), n2, 1.0E-5f * n2) << c.what << ", pair " << pair + 1;
      const float reduction = w_load > 0.1f ? 1.0f - std::min(n1, n2) / w_load : 0.0f;
      EXPECT_NEAR(m.result(w1, 3), reduction, 1.0E-5f) << c.what << ", pair " << pair + 1;
      EXPECT_EQ(m.result(w1, 4), 0.0f) << c.what;
      // The rails' mean height, and the wheels relative to it: code 1 reports
      // none, the others the wheel nodes' motion; laterally the wheel nodes'
      // motion under both codes.
      const Array4<float>& d = m.t->results.wheelset_irregularity_displacement;
      EXPECT_FLOAT_EQ(d(1, 1, w1, 1), d1) << c.what;
      if (c.code == 1)
        EXPECT_EQ(d(1, 1, w1 + 1, 1), 0.0f) << c.what;
      else
        EXPECT_NEAR(d(1, 1, w1 + 1, 1), 0.3f * qd - d1, 1.0E-9f) << c.what;
      EXPECT_FLOAT_EQ(d(1, 1, w1 + 1, 2), 0.2f * qd) << c.what;
    }
    if (c.code == -2)
      EXPECT_EQ(st.vehicle_modal_force(1, 1, 1), 0.0) << c.what;
    else
      EXPECT_NEAR(st.vehicle_modal_force(1, 1, 1), vehicle, 1.0E-5 * std::fabs(vehicle)) << c.what;
    EXPECT_NEAR(st.bridge_modal_force(1), bridge, 1.0E-5 * std::fabs(bridge)) << c.what;
  }
}

// The train's position carries the longitudinal motion of its lead vehicle's
// node 1 (the train advance integrates its acceleration into the speed): a
// rigid longitudinal motion of the vehicle leaves the wheels where the train
// puts them, and only a wheel's motion relative to node 1 moves it along.
TEST(WheelRailInteraction, AWheelsLongitudinalModalMotionCountsRelativeToTheLeadVehicle) {
  const struct {
    const char* what;
    bool rigid;  // every node moves, or the wheels alone
    float shift;
  } cases[] = {{"rigid-body motion of the vehicle", true, 0.0f}, {"the wheels alone", false, 0.5f}};
  for (const auto& c : cases) {
    VehicleOverBridge m(2);
    for (int n = c.rigid ? 1 : 4; n <= 7; ++n) m.t->vehicles.vehicle_mode_shapes(1, 1, n, 1) = 1.0f;
    m.t->solver.vehicle_modal_state(1, 1, 1, 1) = 0.5;
    m.interact(0);
    EXPECT_FLOAT_EQ(m.result(1, 5), 50.0f + c.shift) << c.what;
    EXPECT_FLOAT_EQ(m.result(3, 5), 40.0f + c.shift) << c.what;
  }
}

// A wavy rail profile (not a polynomial, so that a polynomial carried past the
// last node would show), with a constant slope column, and a bridge mode that
// lifts both rails by 1 wherever the bridge is. A wheel beyond either end of
// the track, or past its last own node, sees the end node's values held and no
// bridge; a shorter track never reaches into the later rows of the shared
// tables, which hold another track's data (here garbage).
TEST(WheelRailInteraction, WheelsBeyondTheEndsSeeTheEndNodeHeld) {
  auto profile = [](float s) { return 1.0E-4f * std::sin(0.2f * s); };
  const struct {
    const char* what;
    float track_end;        // arc length of the last control point
    std::int32_t own_nodes;  // the track's own node rows
    float x;                // position of pair 1 (pair 2 stays at 40)
    int held_row;           // 0: interpolated inside the track
    bool on_bridge;
  } cases[] = {
      {"inside", 100.0f, 101, 37.3f, 0, true},
      {"beyond the last node and the track end", 100.0f, 101, 100.5f, 101, false},
      {"before the first node", 100.0f, 101, -0.5f, 1, false},
      {"past the last node, before the track end", 100.6f, 101, 100.4f, 101, true},
      {"past the last node of a shorter track", 50.6f, 51, 50.3f, 51, true},
  };
  for (const auto& c : cases) {
    VehicleOverBridge m(2);
    TrackModel& tm = m.t->track;
    tm.control_points(1, 2, 6) = c.track_end;
    tm.own_node_count.resize(1);
    tm.own_node_count(1) = c.own_nodes;
    for (int k = 1; k <= 101; ++k) {
      const bool own = k <= c.own_nodes;
      for (int col : {2, 5}) tm.track_nodes(k, col, 1) = own ? profile(static_cast<float>(k - 1)) : 1.0f;
      for (int col : {7, 9}) tm.track_nodes(k, col, 1) = own ? 1.0E-3f : 1.0f;
      tm.track_nodes(k, 12, 1) = own ? 0.002f : 1.0f;
      tm.track_nodes(k, 15, 1) = own ? 0.01f * static_cast<float>(k) : 1.0f;
      for (int rail : {1, 2}) tm.track_modal_vectors(2, 1, k, rail, 1) = own ? 1.0f : 0.0f;
    }
    m.place(c.x, 40.0f);
    m.interact(1);

    const float at = c.held_row > 0 ? static_cast<float>(c.held_row - 1) : c.x;
    const float rail = c.held_row > 0 ? profile(at) : profile(c.x);
    const float rails = m.t->results.wheelset_irregularity_displacement(1, 1, 1, 1);
    if (c.held_row > 0) {
      EXPECT_EQ(rails, rail) << c.what;
      EXPECT_EQ(m.t->results.wheelset_track_cant(1, 1, 1), 0.01f * static_cast<float>(c.held_row)) << c.what;
    } else {
      EXPECT_NEAR(rails, rail, 1.0E-8f) << c.what;
    }
    EXPECT_FLOAT_EQ(m.t->results.wheelset_track_curvature(1, 1, 1), 0.002f) << c.what;
    // The spring-damper wheel: static load plus the rail's rise and its rate
    // (speed times the slope column) under a vehicle at rest.
    const float k = 1.0E8f, d = 1.0E5f, v = 20.0f;
    EXPECT_NEAR(m.result(1, 1), VehicleOverBridge::kLoad + k * rail + d * v * 1.0E-3f, 0.1f) << c.what;
    // Pair 2 at s = 40 stands on the bridge; pair 1 only where the bridge
    // reaches it, with the whole shape of the last node past it.
    const double bridge = -2.0 * (VehicleOverBridge::kLoad + k * profile(40.0f) + d * v * 1.0E-3f) -
                          (c.on_bridge ? m.result(1, 1) + m.result(2, 1) : 0.0f);
    EXPECT_NEAR(m.t->solver.bridge_modal_force(1), bridge, 0.05) << c.what;
  }
}

// What the interaction keeps between evaluations is used only while all it
// came from is unchanged: after every change below an evaluation gives, bit
// for bit, what an evaluation with nothing kept gives. The bridge mode lifts
// the rails along the bridge part (s = 20 to 100) by a varying amount and
// the rails carry a wavy profile.
TEST(WheelRailInteraction, KeptValuesFollowEveryChangeOfStateAndPosition) {
  VehicleOverBridge kept(2), fresh(2);
  for (VehicleOverBridge* m : {&kept, &fresh}) {
    matched_shapes(*m);
    TrackModel& tm = m->t->track;
    for (int k = 1; k <= 101; ++k) {
      const float s = static_cast<float>(k - 1);
      for (int rail : {1, 2}) {
        tm.track_modal_vectors(2, 1, k, rail, 1) = std::sin(0.05f * s) * (rail == 1 ? 1.0f : 0.6f);
        tm.track_modal_vectors(7, 1, k, rail, 1) = 0.05f * std::cos(0.05f * s);
        if (k <= 21)
          for (int e = 1; e <= 9; ++e) tm.track_modal_vectors(e, 1, k, rail, 1) = 0.0f;
      }
      for (int col : {2, 5}) tm.track_nodes(k, col, 1) = 1.0E-3f * std::sin(0.3f * s);
    }
  }
  const struct {
    const char* what;
    void (*change)(VehicleOverBridge&);
  } changes[] = {
      {"nothing", [](VehicleOverBridge&) {}},
      {"the bridge displacement", [](VehicleOverBridge& m) { m.t->solver.bridge_modal_state(1, 1) = 3.0E-5; }},
      {"the bridge acceleration alone", [](VehicleOverBridge& m) { m.t->solver.bridge_modal_state(1, 3) = 0.2; }},
      {"the vehicle velocity", [](VehicleOverBridge& m) { m.t->solver.vehicle_modal_state(1, 1, 1, 2) = 1.0E-3; }},
      {"the vehicle acceleration alone",
       [](VehicleOverBridge& m) { m.t->solver.vehicle_modal_state(1, 1, 1, 3) = 0.3; }},
      {"the vehicle displacement, which moves the wheels",
       [](VehicleOverBridge& m) { m.t->solver.vehicle_modal_state(1, 1, 1, 1) = 2.0E-3; }},
      {"a train advance by one unit in the last place",
       [](VehicleOverBridge& m) {
         for (int w = 1; w <= 4; ++w) {
           double& x = m.t->layout.wheelset_position(1, 1, w);
           x = std::nextafter(static_cast<float>(x), 1000.0f);
         }
       }},
      {"pair 1 onto the approach without bridge", [](VehicleOverBridge& m) { m.place(8.3f, 40.0f); }},
      {"pair 1 off the track", [](VehicleOverBridge& m) { m.place(100.5f, 40.0f); }},
      {"pair 1 back on the bridge", [](VehicleOverBridge& m) { m.place(57.1f, 40.0f); }},
      {"the stage reset of the states",
       [](VehicleOverBridge& m) {
         m.t->solver.bridge_modal_state.fill(0.0);
         m.t->solver.vehicle_modal_state.fill(0.0);
         m.t->results.wheelset_result.fill(0.0f);
       }},
      {"nothing again", [](VehicleOverBridge&) {}},
  };
  int phase = 0;
  for (const auto& c : changes) {
    for (VehicleOverBridge* m : {&kept, &fresh}) {
      c.change(*m);
      m->t->solver.bridge_modal_force.fill(0.0);
      m->t->solver.vehicle_modal_force.fill(0.0);
    }
    fresh.t->contact.caches = {};
    kept.interact(phase);
    fresh.interact(phase);
    const ResultBuffers& a = kept.t->results;
    const ResultBuffers& b = fresh.t->results;
    for (std::size_t i = 0; i < a.wheelset_result.size(); ++i)
      EXPECT_EQ(a.wheelset_result.data()[i], b.wheelset_result.data()[i]) << c.what << ", value " << i;
    for (std::size_t i = 0; i < a.wheelset_irregularity_displacement.size(); ++i)
      EXPECT_EQ(a.wheelset_irregularity_displacement.data()[i], b.wheelset_irregularity_displacement.data()[i])
          << c.what;
    for (int w = 1; w <= 4; ++w) {
      EXPECT_EQ(a.wheelset_track_cant(1, 1, w), b.wheelset_track_cant(1, 1, w)) << c.what;
      EXPECT_EQ(a.wheelset_track_curvature(1, 1, w), b.wheelset_track_curvature(1, 1, w)) << c.what;
    }
    EXPECT_EQ(kept.t->solver.bridge_modal_force(1), fresh.t->solver.bridge_modal_force(1)) << c.what;
    EXPECT_EQ(kept.t->solver.vehicle_modal_force(1, 1, 1), fresh.t->solver.vehicle_modal_force(1, 1, 1)) << c.what;
    phase = 1 - phase;
  }
  EXPECT_NE(kept.t->solver.bridge_modal_force(1), 0.0);
}

TEST(TrackQuantityInterpolation, PolynomialThroughAllPointsAndTheEndHandling) {
  const float x[5] = {10.0f, 11.0f, 12.0f, 13.0f, 14.0f};
  auto quartic = [](float s) { return 0.5f + 0.1f * (s - 12.0f) - 0.02f * std::pow(s - 12.0f, 4.0f); };
  auto line = [](float s) { return 3.0f - s; };
  float y[10];  // two series, laid out (2, 5)
  for (int l = 0; l < 5; ++l) {
    y[2 * l] = quartic(x[l]);
    y[2 * l + 1] = line(x[l]);
  }
  const float xe[2] = {11.37f, 15.5f};  // inside, and beyond the last point
  float ye[4];
  interpolate_track_quantity(2, 5, 1, x, y, 2, xe, ye);
  for (int p = 0; p < 2; ++p) {
    EXPECT_NEAR(ye[2 * p], quartic(xe[p]), 1.0E-4f) << p;
    EXPECT_NEAR(ye[2 * p + 1], line(xe[p]), 1.0E-4f) << p;
  }
  float none[1] = {9.0f};
  interpolate_track_quantity(1, 0, 1, x, y, 1, xe, none);
  EXPECT_EQ(none[0], 0.0f);

  // The twin with end handling, on the first series alone.
  test::TestContext t;
  const float series[5] = {y[0], y[2], y[4], y[6], y[8]};
  float out[2] = {5.0f, 5.0f};
  const float near_start[2] = {10.005f, 12.0f}, near_end[2] = {13.995f, 12.0f};
  trackirr_modal_vector_interpolation_Largrange(*t, 5, 1, 1, 2, x, series, near_start, out);
  EXPECT_EQ(out[0], series[0]);
  EXPECT_EQ(out[1], 0.0f);
  trackirr_modal_vector_interpolation_Largrange(*t, 5, 1, 1, 2, x, series, near_end, out);
  EXPECT_EQ(out[0], series[4]);
  trackirr_modal_vector_interpolation_Largrange(*t, 5, 1, 1, 1, x, series, xe, out);
  EXPECT_NEAR(out[0], quartic(xe[0]), 2.0E-5f);
  EXPECT_EQ(t.console(), "");
  const float inside[2] = {11.5f, 12.5f};
  out[0] = out[1] = 5.0f;
  trackirr_modal_vector_interpolation_Largrange(*t, 5, 1, 1, 2, x, series, inside, out);
  EXPECT_EQ(out[0], 5.0f);
  EXPECT_EQ(t.console(), " Error in Subroutine trackirr_modal_vector_interpolation_Largrange\n");
}

}  // namespace
}  // namespace tb
