// Hand-made spring tables and models for the spring-damper tests.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <vector>

#include "fixtures/train_builders.h"
#include "interaction/spring_parameters.h"
#include "model/run_context.h"

namespace tb::test {

// A parameter table of the given rows, every law code 0.
inline void size_spring_table(RunContext& c, std::int32_t rows, std::int32_t dof_count) {
  c.springs.spring_id_count = rows;
  c.springs.spring_parameters.resize(rows, 6, spring_law_value_count);
  c.springs.spring_dof_count = dof_count;
  set_spring_curve_table(c);
}

// Law code and parameters p2, p3, ... of one row and degree of freedom.
inline void set_law(RunContext& c, std::int32_t row, std::int32_t dof, std::initializer_list<float> values) {
  std::int32_t k = 1;
  for (float v : values) c.springs.spring_parameters(row, dof, k++) = v;
}

// A bridge with the given node coordinates and mode count, all shapes zero,
// its modal tables and the state of its spring elements allocated.
inline void make_bridge(RunContext& c, const std::vector<std::array<float, 3>>& nodes, std::int32_t modes,
                        const std::vector<std::array<std::int32_t, 4>>& elements) {
  BridgeModalModel& b = c.bridge;
  const auto n = static_cast<std::int32_t>(nodes.size());
  b.bridge_node_count = n;
  b.bridge_mode_count = modes;
  b.node_coordinates.resize(n, 3);
  for (std::int32_t i = 1; i <= n; ++i)
    for (std::int32_t x = 1; x <= 3; ++x) b.node_coordinates(i, x) = nodes[static_cast<std::size_t>(i - 1)][static_cast<std::size_t>(x - 1)];
  b.mode_shapes.resize(modes, n, 6);
  const auto e = static_cast<std::int32_t>(elements.size());
  b.spring_element_count = e;
  b.spring_elements.resize(e, 4);
  for (std::int32_t i = 1; i <= e; ++i)
    for (std::int32_t x = 1; x <= 4; ++x) b.spring_elements(i, x) = elements[static_cast<std::size_t>(i - 1)][static_cast<std::size_t>(x - 1)];
  c.solver.bridge_modal_state.resize(modes, 3);
  c.solver.bridge_modal_state_prev_step.resize(modes, 3);
  c.solver.bridge_modal_force.resize(modes);
  SpringElementState& s = c.spring_state;
  for (auto* a : {&s.bridge_spring_state_prev, &s.bridge_spring_state}) {
    a->resize(e, 6);
    a->fill(1);
  }
  for (auto* a : {&s.bridge_spring_force_prev, &s.bridge_spring_force, &s.bridge_spring_memory_prev,
                  &s.bridge_spring_memory})
    a->resize(e, 6);
}

// One vehicle type with the given nodes, modes and spring rows and no wheels,
// run by one train of `vehicles` vehicles of that type.
inline void make_vehicle_train(RunContext& c, const std::vector<std::array<float, 3>>& nodes, std::int32_t modes,
                               const std::vector<std::array<std::int32_t, 4>>& springs, std::int32_t vehicles = 1) {
  make_vehicle_types(c, nodes, {}, modes, 0);
  VehicleTypeLibrary& lib = c.vehicles;
  const auto ns = static_cast<std::int32_t>(springs.size());
  lib.max_springs_per_type = ns;
  lib.vehicle_spring_count.resize(1);
  lib.vehicle_spring_count(1) = ns;
  lib.vehicle_spring_nodes.resize(1, ns, 4);
  for (std::int32_t s = 1; s <= ns; ++s)
    for (std::int32_t x = 1; x <= 4; ++x)
      lib.vehicle_spring_nodes(1, s, x) = springs[static_cast<std::size_t>(s - 1)][static_cast<std::size_t>(x - 1)];
  make_fleet_trains(c, std::vector<std::int32_t>(static_cast<std::size_t>(vehicles), 1));

  c.solver.vehicle_modal_state.resize(1, vehicles, modes, 3);
  c.solver.vehicle_modal_state_prev_step.resize(1, vehicles, modes, 3);
  c.solver.vehicle_modal_force.resize(1, vehicles, modes);
}

}  // namespace tb::test
