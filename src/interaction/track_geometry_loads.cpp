#include "interaction/track_geometry_loads.h"

#include <cmath>

namespace tb {

namespace {

constexpr float kGravity = 9.8f;
// Below this mean curvature (1/m) the track counts as straight for the roll
// restoring load.
constexpr float kRollCurvature = 1.0E-4f;

// vehicle_modal_force(t, j, m) += phi(m, node, 2) * vertical + phi(m, node, 3) * lateral.
void add_node_load(RunContext& ctx, std::int32_t t, std::int32_t j, std::int32_t type, std::int32_t node,
                   float vertical, float lateral) {
  const Array4<float>& shapes = ctx.vehicles.vehicle_mode_shapes;
  const std::int32_t modes = ctx.vehicles.vehicle_mode_count(type);
  if (modes < 1) return;
  // The shapes of the node and the vehicle's forces lie at fixed distances
  // (checked in test builds).
  (void)shapes(type, modes, node, 3);
  (void)ctx.solver.vehicle_modal_force(t, j, modes);
  const float* phi = shapes.at_ptr(type, 1, node, 2);
  const std::size_t mode_stride = shapes.stride(2), component_stride = shapes.stride(4);
  double* force = ctx.solver.vehicle_modal_force.at_ptr(t, j, 1);
  const std::size_t force_stride = ctx.solver.vehicle_modal_force.stride(3);
  for (std::int32_t m = 0; m < modes; ++m) {
    const float* at = phi + m * mode_stride;
    force[m * force_stride] += static_cast<double>(at[0] * vertical + at[component_stride] * lateral);
  }
}

}  // namespace

TrackPlaneLoad track_plane_load(float mass_g, float s, float c, float centrifugal) {
  // Gravity (0, -mass_g, 0) and the centrifugal load (0, 0, centrifugal) in
  // the axes of the track plane, whose lateral axis is (0, -s, c) and whose
  // normal is (0, c, s); the static weight -mass_g along the normal is
  // carried by the static wheel loads. At the balanced speed the lateral load
  // vanishes and the normal load is the weight over c.
  return {(1.0f - c) * mass_g + s * centrifugal, s * mass_g + centrifugal * c};
}

void compute_track_geometry_loads(RunContext& ctx) {
  const TrainOrganization& tr = ctx.trains;
  const VehicleTypeLibrary& lib = ctx.vehicles;
  ResultBuffers& res = ctx.results;
  const std::int32_t stage = ctx.step.current_stage_copy;

  for (std::int32_t t = 1; t <= tr.train_count; ++t) {
    const std::int32_t f = tr.train_fleet(t);
    // The sign of the speed plays no part.
    const float v = static_cast<float>(tr.train_speed(t, stage));
    const float v2 = v * v;
    for (std::int32_t j = 1; j <= tr.fleet_vehicle_count(f); ++j) {
      const std::int32_t type = tr.fleet_vehicle_types(f, j);
      const std::int32_t n = lib.vehicle_wheelset_count(type);
      const float mass = lib.type3_contact_param_a(type);
      float weight = 0.0f;
      for (std::int32_t w = 1; w <= lib.max_wheelsets_per_type; ++w) weight += lib.wheelset_static_load(type, w);

      // Mean cant and curvature under the vehicle; a type without wheels
      // stands on no track geometry.
      float cant = 0.0f;
      float curvature = 0.0f;
      if (n >= 1) {
        for (std::int32_t w = 1; w <= n; ++w) cant += res.wheelset_track_cant(t, j, w);
        for (std::int32_t w = 1; w <= n; ++w) curvature += res.wheelset_track_curvature(t, j, w);
        cant = cant / static_cast<float>(n);
        curvature = curvature / static_cast<float>(n);
      }
      const float s_mean = std::sin(cant);
      const float c_mean = std::sqrt(1.0f - s_mean * s_mean);
      res.vehicle_track_acceleration(t, j, 1) = (1.0f - c_mean) * kGravity;
      res.vehicle_track_acceleration(t, j, 2) = -(curvature * v2);

      // The mass M at node position 2, from the mean geometry.
      const TrackPlaneLoad body = track_plane_load(mass * kGravity, s_mean, c_mean, -(mass * v2) * curvature);
      add_node_load(ctx, t, j, type, 2, body.vertical, body.lateral);

      // The rest of the vehicle's mass, shared by its wheel entries, from the
      // geometry at each; here the cant angle itself serves as the sine.
      if (n >= 1) {
        const float wheel_mass = (weight / kGravity - mass) / static_cast<float>(n);
        for (std::int32_t w = 1; w <= n; ++w) {
          const float s = res.wheelset_track_cant(t, j, w);
          const float c = std::sqrt(1.0f - s * s);
          const TrackPlaneLoad load = track_plane_load(wheel_mass * kGravity, s, c,
                                                       -(v2 * wheel_mass) * res.wheelset_track_curvature(t, j, w));
          add_node_load(ctx, t, j, type, lib.wheelset_nodes(type, w), load.vertical, load.lateral);
        }
      }

      // Contact type 3 in a curve: gravity restores the roll of the node of
      // smallest x (a curvature that is not a number fails the test).
      if (lib.contact_type(type) == 3 && std::fabs(curvature) >= kRollCurvature) {
        const std::int32_t e = ctx.layout.vehicle_type_end_nodes(type, 1);
        float roll = 0.0f;
        for (std::int32_t m = 1; m <= lib.vehicle_mode_count(type); ++m)
          roll += static_cast<float>(ctx.solver.vehicle_modal_state(t, j, m, 1)) *
                  lib.vehicle_mode_shapes(type, m, e, 4);
        const float mass_g = mass * kGravity;
        add_node_load(ctx, t, j, type, e, mass_g * (1.0f - std::cos(roll)), std::sin(roll) * mass_g);
      }
    }
  }
}

}  // namespace tb
