// A hand-made model for the integration: one straight track, one train of
// one vehicle type (contact code -1, a moving load), a bridge with a few
// modes. Tests change what they need before the run.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "fixtures/train_builders.h"
#include "run/run_control.h"
#include "test_support.h"

namespace tb::test {

struct IntegrationModel {
  TestContext t;
  // Track from x1 to x2; a train of `vehicles` vehicles of one type with two
  // wheel entries, `modes` vehicle modes and the given contact code.
  IntegrationModel(float x1 = 0.0f, float x2 = 100.0f, std::int32_t vehicles = 1, std::int32_t bridge_modes = 2,
                   std::int32_t vehicle_modes = 1, std::int32_t contact = -1) {
    RunContext& c = *t;
    c.solution.time_step = 1.0E-3f;
    c.solution.output_interval = 10;
    c.solution.integration_method = method::newmark;
    c.solution.contact_option = -1;  // the moving constant load

    // A smooth, straight, level track without bridge shapes: 11 nodes.
    TrackModel& tr = c.track;
    tr.track_count = 1;
    tr.control_point_count.resize(1);
    tr.control_point_count(1) = 2;
    tr.control_points.resize(1, 2, 7);
    tr.control_points(1, 1, 1) = tr.control_points(1, 1, 6) = x1;
    tr.control_points(1, 2, 1) = tr.control_points(1, 2, 6) = x2;
    tr.track_node_count = tr.coarse_node_count = 11;
    tr.track_node_spacing = tr.coarse_node_spacing = std::fabs(x2 - x1) / 10.0f;
    tr.modal_node_decimation = 1;
    tr.track_nodes.resize(11, 15, 1);
    for (int k = 1; k <= 11; ++k)
      tr.track_nodes(k, 1, 1) = tr.track_nodes(k, 4, 1) = std::min(x1, x2) + tr.track_node_spacing * (k - 1);
    tr.track_modal_vectors.resize(TrackModel::modal_vector_stride, bridge_modes, 11, 2, 1);

    // Front coupling node, centre, rear coupling node, and the wheel node;
    // the wheel entries on the centre and the wheel node.
    make_vehicle_types(c, {{12.0f, 0.0f, 0.0f}, {6.0f, 0.0f, 0.0f}, {0.0f, 0.0f, 0.0f}, {3.0f, 0.0f, 0.0f}},
                       {{2, 1000.0f}, {4, 2000.0f}}, vehicle_modes, contact);
    VehicleTypeLibrary& v = c.vehicles;
    v.vehicle_output_count.resize(1);
    v.vehicle_mode_frequency.resize(1, vehicle_modes);
    v.vehicle_mode_damping_input.resize(1, vehicle_modes);
    v.vehicle_mode_damping.resize(1, vehicle_modes);
    v.vehicle_mode_shapes.resize(1, vehicle_modes, 4, 6);
    for (int m = 1; m <= vehicle_modes; ++m) {
      v.vehicle_mode_frequency(1, m) = 1.0f + m;
      v.vehicle_mode_damping_input(1, m) = 0.05f;
      for (int n = 1; n <= 4; ++n) v.vehicle_mode_shapes(1, m, n, 2) = 0.01f * n;
    }

    make_fleet_trains(c, std::vector<std::int32_t>(static_cast<std::size_t>(vehicles), 1), 50.0);

    TrainLayout& l = c.layout;
    l.vehicle_type_length.resize(1);
    l.vehicle_type_end_nodes.resize(1, 2);
    l.wheelset_front_offset.resize(1, 2);
    l.wheelset_start_position.resize(1, vehicles, 2);
    l.wheelset_position.resize(1, vehicles, 2);
    c.results.wheelset_result.resize(1, vehicles, 2, 5);
    c.results.wheelset_irregularity_displacement.resize(1, vehicles, 2, 3);
    c.results.wheelset_track_cant.resize(1, vehicles, 2);
    c.results.wheelset_track_curvature.resize(1, vehicles, 2);
    c.results.vehicle_track_acceleration.resize(1, vehicles, 2);

    BridgeModalModel& b = c.bridge;
    b.bridge_mode_count = bridge_modes;
    b.bridge_node_count = 2;
    b.node_coordinates.resize(2, 3);
    b.mode_frequency.resize(bridge_modes);
    b.mode_damping_ratio.resize(bridge_modes);
    b.mode_damping_ratio_work.resize(bridge_modes);
    b.mode_shapes.resize(bridge_modes, 2, 6);
    for (int m = 1; m <= bridge_modes; ++m) {
      b.mode_frequency(m) = 2.0f * m;
      b.mode_damping_ratio(m) = 0.02f;
      b.mode_shapes(m, 1, 2) = 1.0f / m;
      b.mode_shapes(m, 2, 2) = 0.5f;
    }

    // The result files in the scratch directory, as run control opens them.
    open_result_files(c);
  }

  // The wheel-rail interaction of contact option 0 for wheels of contact
  // code 2: contact springs of the given stiffness and no damping.
  void spring_damper_wheels(float stiffness) {
    RunContext& c = *t;
    c.solution.contact_option = 0;
    VehicleTypeLibrary& v = c.vehicles;
    v.contact_stiffness.resize(1, 2);
    v.contact_stiffness.fill(stiffness);
    v.contact_damping.resize(1, 2);
    v.vehicle_spring_count.resize(1);
    v.type3_contact_param_a.resize(1);
  }

  // Two speed stages, the second at the speed of the first.
  void two_stages() {
    TrainOrganization& o = t->trains;
    o.speed_stage_count = 2;
    for (Array2<float>* a : {&o.train_lead_in, &o.train_run_out, &o.brake_setting, &o.brake_time}) a->resize(1, 2);
    const double speed = o.train_speed(1, 1);
    o.train_speed.resize(1, 2);
    o.train_speed(1, 1) = o.train_speed(1, 2) = speed;
    o.brake_state.resize(1, 2);
  }

  // A harmonic (kind 0) or tabulated force on component `dof` of node `node`.
  void add_harmonic_force(std::int32_t node, std::int32_t dof, float amplitude, float frequency) {
    ExternalForceTable& x = t->external_forces;
    x.external_force_count = 1;
    for (auto* a : {&x.force_node, &x.force_dof, &x.force_kind, &x.force_point_count}) a->resize(1);
    for (auto* a : {&x.force_amplitude, &x.force_frequency, &x.force_phase}) a->resize(1);
    x.force_node(1) = node;
    x.force_dof(1) = dof;
    x.force_amplitude(1) = amplitude;
    x.force_frequency(1) = frequency;
  }
};

}  // namespace tb::test
