#include "results/output_responses.h"

namespace tb {

namespace {

bool is_component(std::int32_t d) { return d >= 1 && d <= 6; }

void compute_vehicle_responses(RunContext& ctx) {
  const TrainOrganization& tr = ctx.trains;
  const VehicleTypeLibrary& lib = ctx.vehicles;
  const SolverState& s = ctx.solver;
  ResultBuffers& r = ctx.results;
  const std::int32_t node_extent = lib.vehicle_mode_shapes.extent(3);
  for (std::int32_t t = 1; t <= tr.train_count; ++t) {
    const std::int32_t fleet = tr.train_fleet(t);
    for (std::int32_t v = 1; v <= tr.fleet_vehicle_count(fleet); ++v) {
      const std::int32_t type = tr.fleet_vehicle_types(fleet, v);
      const std::int32_t modes = lib.vehicle_mode_count(type);
      for (std::int32_t k = 1; k <= lib.vehicle_output_count(type); ++k) {
        const std::int32_t node = lib.vehicle_output_items(type, k, 1);
        const std::int32_t d = lib.vehicle_output_items(type, k, 2);
        if (modes > 0 && is_component(d) && node >= 1 && node <= node_extent) {
          const float* phi = lib.vehicle_mode_shapes.at_ptr(type, 1, node, d);
          const std::size_t phi_stride = lib.vehicle_mode_shapes.stride(2);
          for (std::int32_t c = 1; c <= 3; ++c) {
            const double* q = s.vehicle_modal_state.at_ptr(t, v, 1, c);
            const std::size_t q_stride = s.vehicle_modal_state.stride(3);
            float sum = 0.0f;
            for (std::int32_t j = 0; j < modes; ++j)
              sum += phi[j * phi_stride] * static_cast<float>(q[j * q_stride]);
            r.vehicle_output_response(t, v, k, c) = sum;
          }
        }
        if (d == 2) r.vehicle_output_response(t, v, k, 3) += r.vehicle_track_acceleration(t, v, 1);
        if (d == 3) r.vehicle_output_response(t, v, k, 3) += r.vehicle_track_acceleration(t, v, 2);
      }
    }
  }
}

void compute_bridge_responses(RunContext& ctx) {
  BridgeModalModel& b = ctx.bridge;
  const SolverState& s = ctx.solver;
  const std::int32_t m = b.bridge_mode_count;
  if (m <= 0) return;
  for (std::int32_t q = 1; q <= b.output_point_count; ++q) {
    const std::int32_t node = b.output_points(q, 1);
    const std::int32_t d = b.output_points(q, 2);
    if (!is_component(d) || node < 1 || node > b.mode_shapes.extent(2)) continue;
    // The shapes of one node and component, and each state column, run
    // contiguous over the modes.
    const float* phi = b.mode_shapes.at_ptr(1, node, d);
    for (std::int32_t c = 1; c <= 3; ++c) {
      const double* x = s.bridge_modal_state.at_ptr(1, c);
      float sum = 0.0f;
      for (std::int32_t i = 0; i < m; ++i) sum += phi[i] * static_cast<float>(x[i]);
      b.output_point_response(q, c) = sum;
    }
  }
}

}  // namespace

void compute_output_responses(RunContext& ctx) {
  ctx.results.vehicle_output_response.fill(0.0f);
  ctx.bridge.output_point_response.fill(0.0f);
  compute_vehicle_responses(ctx);
  compute_bridge_responses(ctx);
}

}  // namespace tb
