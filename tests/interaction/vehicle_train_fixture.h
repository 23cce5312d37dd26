// A hand-made train for the vehicle force tests: trains of vehicles of one or
// two types, each type with seven nodes (1 front coupling, 2 body, 3 rear
// coupling, 4-7 the wheels of four wheel entries of 100000 N each), the given
// number of modes with all shapes zero, one speed stage, no brake mode, and a
// spring table of two vehicle ids with every law code 0.
#pragma once

#include <cstdint>
#include <vector>

#include "interaction/spring_parameters.h"
#include "test_support.h"

namespace tb::test {

struct VehicleTrain {
  TestContext t;
  static constexpr std::int32_t kNodes = 7;
  static constexpr std::int32_t kWheels = 4;
  static constexpr float kWheelLoad = 100000.0f;

  // Every train runs the fleet `types` (type numbers, front to rear).
  VehicleTrain(const std::vector<std::int32_t>& types, std::int32_t modes, std::int32_t trains = 1,
               std::int32_t type_count = 1) {
    RunContext& c = *t;
    VehicleTypeLibrary& lib = c.vehicles;
    lib.vehicle_type_count = type_count;
    lib.max_nodes_per_type = kNodes;
    lib.max_wheelsets_per_type = kWheels;
    lib.max_modes_per_type = modes;
    lib.max_springs_per_type = 2;
    for (Array1<std::int32_t>* a : {&lib.vehicle_node_count, &lib.vehicle_wheelset_count, &lib.vehicle_spring_count,
                                    &lib.vehicle_mode_count, &lib.contact_type}) {
      a->resize(type_count);
    }
    lib.vehicle_node_count.fill(kNodes);
    lib.vehicle_wheelset_count.fill(kWheels);
    lib.vehicle_mode_count.fill(modes);
    lib.contact_type.fill(2);
    lib.type3_contact_param_a.resize(type_count);
    lib.vehicle_node_coordinates.resize(type_count, kNodes, 3);
    const float node_x[kNodes] = {12.0f, 6.0f, 0.0f, 10.0f, 10.0f, 2.0f, 2.0f};
    const float node_z[kNodes] = {0.0f, 0.0f, 0.0f, -0.75f, 0.75f, -0.75f, 0.75f};
    lib.wheelset_nodes.resize(type_count, kWheels);
    lib.wheelset_static_load.resize(type_count, kWheels);
    lib.wheelset_static_load.fill(kWheelLoad);
    for (std::int32_t ty = 1; ty <= type_count; ++ty) {
      for (std::int32_t n = 1; n <= kNodes; ++n) {
        lib.vehicle_node_coordinates(ty, n, 1) = node_x[n - 1];
        lib.vehicle_node_coordinates(ty, n, 3) = node_z[n - 1];
      }
      for (std::int32_t w = 1; w <= kWheels; ++w) lib.wheelset_nodes(ty, w) = w + 3;
    }
    lib.vehicle_mode_shapes.resize(type_count, modes, kNodes, 6);
    lib.vehicle_spring_nodes.resize(type_count, 1, 4);

    const auto vehicles = static_cast<std::int32_t>(types.size());
    TrainOrganization& tr = c.trains;
    tr.fleet_count = 1;
    tr.max_vehicles_per_fleet = vehicles;
    tr.train_count = trains;
    tr.speed_stage_count = 1;
    tr.fleet_vehicle_count.resize(1);
    tr.fleet_vehicle_count(1) = vehicles;
    tr.fleet_vehicle_types.resize(1, vehicles);
    for (std::int32_t j = 1; j <= vehicles; ++j) tr.fleet_vehicle_types(1, j) = types[static_cast<std::size_t>(j - 1)];
    tr.train_fleet.resize(trains);
    tr.train_fleet.fill(1);
    tr.train_speed.resize(trains, 1);
    for (Array2<float>* a : {&tr.brake_setting, &tr.brake_time}) a->resize(trains, 1);
    tr.train_speed.fill(20.0f);
    tr.brake_state.resize(trains, 1);
    tr.vehicle_brake_state.resize(trains, vehicles);

    c.layout.vehicle_type_end_nodes.resize(type_count, 2);
    c.layout.vehicle_type_end_nodes.fill(3);
    ResultBuffers& r = c.results;
    r.wheelset_track_cant.resize(trains, vehicles, kWheels);
    r.wheelset_track_curvature.resize(trains, vehicles, kWheels);
    r.vehicle_track_acceleration.resize(trains, vehicles, 2);
    SolverState& s = c.solver;
    s.vehicle_modal_state.resize(trains, vehicles, modes, 3);
    s.vehicle_modal_state_prev_step.resize(trains, vehicles, modes, 3);
    s.vehicle_modal_force.resize(trains, vehicles, modes);

    // Brake set 1 of kind 0 for every type, no coupler.
    BrakeParameters& bp = c.brakes;
    bp.brake_set_count = 3;
    bp.brake_kind.resize(3);
    bp.brake_shoe_count.resize(3);
    bp.brake_shoe_force.resize(3);
    bp.type_brake_set.resize(type_count);
    bp.type_brake_set.fill(1);
    bp.type_coupler_spring.resize(type_count);

    c.springs.spring_id_count = 2;
    c.springs.spring_parameters.resize(2, 6, spring_law_value_count);
    set_spring_curve_table(c);
    c.step.current_stage = 1;
    c.step.current_stage_copy = 1;
  }

  void shape(std::int32_t type, std::int32_t mode, std::int32_t node, std::int32_t component, float value) {
    t->vehicles.vehicle_mode_shapes(type, mode, node, component) = value;
  }
  // The same cant and curvature at every wheel of every vehicle.
  void track(float cant, float curvature) {
    t->results.wheelset_track_cant.fill(cant);
    t->results.wheelset_track_curvature.fill(curvature);
  }
  double force(std::int32_t train, std::int32_t vehicle, std::int32_t mode) {
    return t->solver.vehicle_modal_force(train, vehicle, mode);
  }
};

}  // namespace tb::test
