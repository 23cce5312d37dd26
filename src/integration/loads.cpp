#include "integration/loads.h"

#include <cmath>

#include "wind/wind_forces.h"

namespace tb {

namespace {

// G(m) = sum over c of P(c) * shape(m, c), added to the vehicle's modes.
void add_vehicle_load(RunContext& ctx, std::int32_t t, std::int32_t j, std::int32_t k, const float p[6],
                      std::int32_t node_a, std::int32_t node_b) {
  const Array4<float>& shapes = ctx.vehicles.vehicle_mode_shapes;
  const std::int32_t modes = ctx.vehicles.vehicle_mode_count(k);
  if (modes < 1) return;
  // The shapes (type, mode, node, component) and the forces (train, slot,
  // mode) of one vehicle lie at fixed distances (checked in test builds).
  (void)shapes(k, modes, node_a, 6);
  if (node_b != 0) (void)shapes(k, modes, node_b, 6);
  (void)ctx.solver.vehicle_modal_force(t, j, modes);
  const std::size_t mode_stride = shapes.stride(2), component_stride = shapes.stride(4);
  const float* a = shapes.at_ptr(k, 1, node_a, 1);
  const float* b = node_b == 0 ? nullptr : shapes.at_ptr(k, 1, node_b, 1);
  double* force = ctx.solver.vehicle_modal_force.at_ptr(t, j, 1);
  const std::size_t force_stride = ctx.solver.vehicle_modal_force.stride(3);
  // A zero load component at a single node adds 0 times a mode shape read
  // from the vehicle file (a finite number), which leaves the sum as it is:
  // the static wheel loads touch the vertical component alone.
  bool acts[6];
  for (std::int32_t c = 0; c < 6; ++c) acts[c] = b != nullptr || p[c] != 0.0f;
  for (std::int32_t m = 0; m < modes; ++m) {
    float g = 0.0f;
    for (std::int32_t c = 0; c < 6; ++c) {
      if (!acts[c]) continue;
      const std::size_t at = m * mode_stride + c * component_stride;
      const float phi = b == nullptr ? a[at] : (a[at] + b[at]) * 0.5f;
      g = g + p[c] * phi;
    }
    force[m * force_stride] += g;
  }
}

}  // namespace

void compute_vehicle_loads(RunContext& ctx, std::int32_t stage, float step, bool from_time_zero) {
  const TrainOrganization& tr = ctx.trains;
  const VehicleTypeLibrary& lib = ctx.vehicles;
  const bool wind = ctx.wind.wind_on == 1 && (step > 0.0f || (from_time_zero && step == 0.0f));
  for (std::int32_t t = 1; t <= tr.train_count; ++t) {
    const std::int32_t f = tr.train_fleet(t);
    for (std::int32_t j = 1; j <= tr.fleet_vehicle_count(f); ++j) {
      const std::int32_t k = tr.fleet_vehicle_types(f, j);
      const std::int32_t loaded = lib.contact_type(k) == 1 ? 0 : lib.vehicle_wheelset_count(k);
      for (std::int32_t w = 1; w <= loaded; ++w) {
        const float p[6] = {0.0f, -lib.wheelset_static_load(k, w), 0.0f, 0.0f, 0.0f, 0.0f};
        add_vehicle_load(ctx, t, j, k, p, lib.wheelset_nodes(k, w), 0);
      }
      const std::int32_t n = lib.vehicle_wheelset_count(k);
      if (!wind || n < 1) continue;
      const float x1 = static_cast<float>(ctx.layout.wheelset_position(t, j, 1));
      const float xn = static_cast<float>(ctx.layout.wheelset_position(t, j, n));
      const float xv = (x1 + xn) * 0.5f;
      const float speed = static_cast<float>(tr.train_speed(t, stage));
      float force[6] = {};
      compute_vehicle_wind_forces(ctx, ctx.layout.vehicle_type_length(k), t, j, speed, ctx.solution.time_step * step,
                                  xv, force);
      add_vehicle_load(ctx, t, j, k, force, ctx.layout.vehicle_type_end_nodes(k, 1),
                       ctx.layout.vehicle_type_end_nodes(k, 2));
    }
  }
}

float external_force_value(const RunContext& ctx, std::int32_t f, float step) {
  const ExternalForceTable& x = ctx.external_forces;
  const float dt = ctx.solution.time_step;
  if (x.force_kind(f) == 0)
    return x.force_amplitude(f) * std::sin((dt * (step * 6.283185f)) * x.force_frequency(f) + x.force_phase(f));
  const float t = step * dt;
  float v = 0.0f;
  for (std::int32_t j = 1; j <= x.force_point_count(f) - 1; ++j) {
    const float t0 = x.force_table_time(j, f);
    const float t1 = x.force_table_time(j + 1, f);
    if (t0 <= t && t < t1 && v == 0.0f) {
      const float v0 = x.force_table_value(j, f);
      const float v1 = x.force_table_value(j + 1, f);
      v = (v1 - v0) / (t1 - t0) * (t - t0) + v0;
    }
  }
  return v;
}

void apply_external_and_wind_forces(RunContext& ctx, std::int32_t, float step, bool from_time_zero) {
  const BridgeModalModel& br = ctx.bridge;
  Array1<double>& force = ctx.solver.bridge_modal_force;
  const WindParameters& wind = ctx.wind;
  if (wind.wind_on == 1 && (step > 0.0f || (from_time_zero && step == 0.0f)) && wind.wind_group_count > 0) {
    const float time = step * ctx.solution.time_step;
    // Each element's load acts where its nodes' shapes are: the track build
    // has carried an interface node's shapes to the track's centre line at
    // rail height (and its first coordinate is its arc length), so a group
    // on interface nodes loads the bridge at rail level; a group on the
    // girder's own nodes loads it at the girder. The same holds for the
    // external forces below.
    for (std::int32_t g = 1; g <= wind.wind_group_count; ++g) {
      for (std::int32_t e = 1; e <= wind.wind_group_node_count(g) - 1; ++e) {
        const std::int32_t a = wind.wind_group_nodes(g, e);
        const std::int32_t b = wind.wind_group_nodes(g, e + 1);
        const float xa = br.node_coordinates(a, 1);
        const float xb = br.node_coordinates(b, 1);
        float w[6] = {};
        compute_bridge_wind_forces(ctx, std::fabs(xb - xa), 0.0f, time, (xa + xb) * 0.5f, wind.wind_group_set(g), w);
        for (std::int32_t i = 1; i <= br.bridge_mode_count; ++i) {
          float p = 0.0f;
          for (std::int32_t c = 1; c <= 6; ++c)
            p = p + w[c - 1] * ((br.mode_shapes(i, b, c) + br.mode_shapes(i, a, c)) * 0.5f);
          force(i) += p;
        }
      }
    }
  }
  const ExternalForceTable& x = ctx.external_forces;
  for (std::int32_t f = 1; f <= x.external_force_count; ++f) {
    const std::int32_t n = x.force_node(f);
    const std::int32_t d = x.force_dof(f);
    const float value = external_force_value(ctx, f, step);
    for (std::int32_t i = 1; i <= br.bridge_mode_count; ++i) {
      float p = 0.0f;
      for (std::int32_t c = 1; c <= 6; ++c) p = p + br.mode_shapes(i, n, c) * (c == d ? value : 0.0f);
      force(i) += p;
    }
  }
}

}  // namespace tb
