#include "interaction/coupler_forces.h"

#include <array>
#include <string>

#include "input/read_errors.h"
#include "interaction/running_resistance.h"
#include "model/file_names.h"

namespace tb {

namespace {

constexpr std::int32_t kFrontCoupling = 1;
constexpr std::int32_t kRearCoupling = 3;

// Motion (column 1 displacement, 2 velocity) of node position `node` along
// direction d of the vehicle at position j of train t: the sum over the
// type's modes in ascending order.
float node_motion(const RunContext& ctx, std::int32_t t, std::int32_t j, std::int32_t type, std::int32_t node,
                  std::int32_t d, std::int32_t column) {
  const VehicleTypeLibrary& lib = ctx.vehicles;
  float sum = 0.0f;
  for (std::int32_t m = 1; m <= lib.vehicle_mode_count(type); ++m)
    sum += lib.vehicle_mode_shapes(type, m, node, d) *
           static_cast<float>(ctx.solver.vehicle_modal_state(t, j, m, column));
  return sum;
}

}  // namespace

void check_coupler_springs(RunContext& ctx) {
  const Array1<std::int32_t>& coupler = ctx.brakes.type_coupler_spring;
  const std::int32_t vehicle_ids = ctx.vehicles.max_springs_per_type;
  for (std::int32_t type = 1; type <= coupler.extent(1); ++type)
    if (coupler(type) > vehicle_ids)
      stop_with_bad_value(ctx, bare_file_name(brake_parameters_file), ctx.control.unit_brake_parameters,
                          "coupler spring of vehicle type " + std::to_string(type),
                          std::to_string(coupler(type)) + ", must be 0 (no coupler) to " + std::to_string(vehicle_ids) +
                              " (the vehicle spring ids)");
}

void compute_coupler_forces(RunContext& ctx) {
  if (!brake_mode_active(ctx)) return;
  const TrainOrganization& tr = ctx.trains;
  const VehicleTypeLibrary& lib = ctx.vehicles;
  const Array3<float>& p = ctx.springs.spring_parameters;
  SolverState& solver = ctx.solver;

  for (std::int32_t t = 1; t <= tr.train_count; ++t) {
    const std::int32_t f = tr.train_fleet(t);
    for (std::int32_t j = 1; j < tr.fleet_vehicle_count(f); ++j) {
      const std::int32_t lead = tr.fleet_vehicle_types(f, j);
      const std::int32_t follow = tr.fleet_vehicle_types(f, j + 1);
      const std::int32_t id = ctx.brakes.type_coupler_spring(lead);
      if (id <= 0) continue;
      // A positive force pulls the leading vehicle's rear coupling node along
      // +d and the following vehicle's front coupling node along -d.
      std::array<float, 3> force{};
      for (std::int32_t d = 1; d <= 3; ++d) {
        const float uf = node_motion(ctx, t, j, lead, kRearCoupling, d, 1);
        const float ur = node_motion(ctx, t, j + 1, follow, kFrontCoupling, d, 1);
        const float vf = node_motion(ctx, t, j, lead, kRearCoupling, d, 2);
        const float vr = node_motion(ctx, t, j + 1, follow, kFrontCoupling, d, 2);
        force[static_cast<std::size_t>(d - 1)] = p(id, d, 2) * (ur - uf) + p(id, d, 3) * (vr - vf);
      }
      for (std::int32_t m = 1; m <= lib.vehicle_mode_count(lead); ++m)
        solver.vehicle_modal_force(t, j, m) += static_cast<double>(
            lib.vehicle_mode_shapes(lead, m, kRearCoupling, 1) * force[0] +
            lib.vehicle_mode_shapes(lead, m, kRearCoupling, 2) * force[1] +
            lib.vehicle_mode_shapes(lead, m, kRearCoupling, 3) * force[2]);
      for (std::int32_t m = 1; m <= lib.vehicle_mode_count(follow); ++m)
        for (std::int32_t d = 1; d <= 3; ++d)
          solver.vehicle_modal_force(t, j + 1, m) -= static_cast<double>(
              lib.vehicle_mode_shapes(follow, m, kFrontCoupling, d) * force[static_cast<std::size_t>(d - 1)]);
    }
  }
}

}  // namespace tb
