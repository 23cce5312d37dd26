// A hand-made train for the vehicle force tests: trains of vehicles of one or
// two types, each type with seven nodes (1 front coupling, 2 body, 3 rear
// coupling, 4-7 the wheels of four wheel entries of 100000 N each), the given
// number of modes with all shapes zero, one speed stage, no brake mode, and a
// spring table of two vehicle ids with every law code 0.
#pragma once

#include <cstdint>
#include <vector>

#include "fixtures/train_builders.h"
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
    make_vehicle_types(c,
                       {{12.0f, 0.0f, 0.0f}, {6.0f, 0.0f, 0.0f}, {0.0f, 0.0f, 0.0f}, {10.0f, 0.0f, -0.75f},
                        {10.0f, 0.0f, 0.75f}, {2.0f, 0.0f, -0.75f}, {2.0f, 0.0f, 0.75f}},
                       {{4, kWheelLoad}, {5, kWheelLoad}, {6, kWheelLoad}, {7, kWheelLoad}}, modes, 2, type_count);
    VehicleTypeLibrary& lib = c.vehicles;
    lib.max_springs_per_type = 2;
    lib.vehicle_spring_count.resize(type_count);
    lib.type3_contact_param_a.resize(type_count);
    lib.vehicle_spring_nodes.resize(type_count, 1, 4);

    const auto vehicles = static_cast<std::int32_t>(types.size());
    make_fleet_trains(c, types, 20.0, trains);

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
    make_brake_table(c, std::vector<BrakeSet>(3), 1, type_count);

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
