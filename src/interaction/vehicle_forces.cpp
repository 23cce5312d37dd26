#include "interaction/vehicle_forces.h"

#include "interaction/coupler_forces.h"
#include "interaction/running_resistance.h"
#include "interaction/spring_elements.h"
#include "interaction/spring_forces.h"
#include "interaction/spring_parameters.h"
#include "interaction/track_geometry_loads.h"

namespace tb {

namespace {

// Every spring of every vehicle of every train through the element path,
// each from its committed state into its trial state.
void compute_vehicle_spring_elements(RunContext& ctx) {
  const VehicleTypeLibrary& lib = ctx.vehicles;
  SpringElementState& state = ctx.spring_state;
  ElementSpringRows rows;
  for_each_vehicle_spring(ctx, [&](std::int32_t t, std::int32_t v, std::int32_t type, std::int32_t s) {
    load_vehicle_spring_rows(state, t, v, s, rows);
    compute_spring_element_forces(ctx, lib.vehicle_spring_nodes(type, s, 1), lib.vehicle_spring_nodes(type, s, 2),
                                  lib.vehicle_spring_nodes(type, s, 3), v, t, lib.vehicle_spring_nodes(type, s, 4),
                                  rows.state_prev, rows.state, rows.force_prev, rows.force, rows.memory_prev,
                                  rows.memory);
    store_vehicle_spring_rows(state, t, v, s, rows);
  });
}

}  // namespace

void assemble_vehicle_internal_forces(RunContext& ctx) {
  if (ctx.springs.vehicle_springs_need_elements == 1) {
    compute_vehicle_spring_elements(ctx);
  } else {
    compute_vehicle_spring_forces(ctx);
  }
  compute_coupler_forces(ctx);
  apply_running_and_brake_forces(ctx);
  compute_track_geometry_loads(ctx);
}

}  // namespace tb
