#include "interaction/spring_forces.h"

#include <algorithm>

#include "interaction/spring_laws.h"

namespace tb {

void compute_vehicle_spring_forces(RunContext& ctx) {
  const SpringParameterTable& table = ctx.springs;
  const VehicleTypeLibrary& lib = ctx.vehicles;
  const TrainOrganization& trains = ctx.trains;
  SolverState& solver = ctx.solver;
  SpringForceScratch& w = ctx.spring_state.scratch;
  const std::int32_t dofs = std::min<std::int32_t>(table.spring_dof_count, 6);

  for (std::int32_t t = 1; t <= trains.train_count; ++t) {
    const std::int32_t f = trains.train_fleet(t);
    for (std::int32_t v = 1; v <= trains.fleet_vehicle_count(f); ++v) {
      const std::int32_t ty = trains.fleet_vehicle_types(f, v);
      const std::int32_t modes = lib.vehicle_mode_count(ty);
      if (modes < 1) continue;
      w.reserve_modes(modes);
      float* phi = w.relative_shape.data();
      for (std::int32_t s = 1; s <= lib.vehicle_spring_count(ty); ++s) {
        const std::int32_t ni = lib.vehicle_spring_nodes(ty, s, 1);
        const std::int32_t nj = lib.vehicle_spring_nodes(ty, s, 2);
        const std::int32_t row = lib.vehicle_spring_nodes(ty, s, 4);
        for (std::int32_t d = 1; d <= dofs; ++d) {
          if (table.spring_parameters(row, d, 1) == 0.0f) continue;
          float du = 0.0f;
          float dv = 0.0f;
          for (std::int32_t k = 1; k <= modes; ++k) {
            const float fk = lib.vehicle_mode_shapes(ty, k, nj, d) - lib.vehicle_mode_shapes(ty, k, ni, d);
            phi[k - 1] = fk;
            du += fk * static_cast<float>(solver.vehicle_modal_state(t, v, k, 1));
            dv += fk * static_cast<float>(solver.vehicle_modal_state(t, v, k, 2));
          }
          // A law that gives no value exerts no force.
          float e = 0.0f;
          evaluate_spring_force_scalar(ctx, du, dv, row, d, e);
          if (e == 0.0f) continue;
          // A tension e pulls node I along +d and node J along -d.
          for (std::int32_t k = 1; k <= modes; ++k)
            solver.vehicle_modal_force(t, v, k) -= static_cast<double>(e * phi[k - 1]);
        }
      }
    }
  }
}

void compute_bridge_spring_forces(RunContext& ctx) {
  const SpringParameterTable& table = ctx.springs;
  const BridgeModalModel& bridge = ctx.bridge;
  SolverState& solver = ctx.solver;
  const std::int32_t modes = bridge.bridge_mode_count;
  if (modes < 1) return;
  SpringForceScratch& w = ctx.spring_state.scratch;
  w.reserve_modes(modes);
  float* phi = w.relative_shape.data();
  const float* q = w.displacement.data();
  const float* qv = w.velocity.data();
  for (std::int32_t j = 1; j <= modes; ++j) {
    w.displacement[static_cast<std::size_t>(j - 1)] = static_cast<float>(solver.bridge_modal_state(j, 1));
    w.velocity[static_cast<std::size_t>(j - 1)] = static_cast<float>(solver.bridge_modal_state(j, 2));
  }
  const std::int32_t dofs = std::min<std::int32_t>(table.spring_dof_count, 6);

  for (std::int32_t e = 1; e <= bridge.spring_element_count; ++e) {
    const std::int32_t ni = bridge.spring_elements(e, 1);
    const std::int32_t nj = bridge.spring_elements(e, 2);
    const std::int32_t row = bridge.spring_elements(e, 4);
    // Oriented from the lower node to the upper one.
    const float sigma = bridge.node_coordinates(nj, 2) - bridge.node_coordinates(ni, 2) >= 0.0f ? 1.0f : -1.0f;
    for (std::int32_t d = 1; d <= dofs; ++d) {
      if (table.spring_parameters(row, d, 1) == 0.0f) continue;
      const float* shape_i = bridge.mode_shapes.at_ptr(1, ni, d);
      const float* shape_j = bridge.mode_shapes.at_ptr(1, nj, d);
      float du = 0.0f;
      float dv = 0.0f;
      for (std::int32_t j = 0; j < modes; ++j) {
        phi[j] = shape_j[j] - shape_i[j];
        du += phi[j] * q[j];
        dv += phi[j] * qv[j];
      }
      float e_force = 0.0f;
      evaluate_spring_force_scalar(ctx, sigma * du, sigma * dv, row, d, e_force);
      e_force *= sigma;
      if (e_force == 0.0f) continue;
      for (std::int32_t j = 0; j < modes; ++j) solver.bridge_modal_force(j + 1) -= static_cast<double>(e_force * phi[j]);
    }
  }
}

}  // namespace tb
