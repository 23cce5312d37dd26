// Spring-damper parameter files and the first-order spring list.
#pragma once

#include <cstdint>

#include "model/run_context.h"

namespace tb {

// Calls fn(train, vehicle, type, spring) for every spring row of the type of
// every vehicle of every train, trains and vehicles front to rear: the
// springs that the vehicle tables of SpringElementState hold a row for.
template <class Fn>
void for_each_vehicle_spring(const RunContext& ctx, Fn&& fn) {
  const TrainOrganization& trains = ctx.trains;
  const VehicleTypeLibrary& lib = ctx.vehicles;
  for (std::int32_t t = 1; t <= trains.train_count; ++t) {
    const std::int32_t f = trains.train_fleet(t);
    for (std::int32_t v = 1; v <= trains.fleet_vehicle_count(f); ++v) {
      const std::int32_t type = trains.fleet_vehicle_types(f, v);
      for (std::int32_t s = 1; s <= lib.vehicle_spring_count(type); ++s) fn(t, v, type, s);
    }
  }
}

// Reads "NonlinearSpringParameters_Vehicletypes.dat" (unit_vehicle_springs)
// and "NonlinearSpringParameters_Bridge.dat" (unit_bridge_springs) into
// SpringParameterTable, creates SpringElementState, sets the two element-path
// flags, turns column 4 of spring_elements into rows of the table (bridge id b
// becomes NV + b), closes both units and fills the curve of law 104. Bad input
// stops with the label "\NonlinearSpringParameters.dat".
void read_nonlinear_spring_parameters(RunContext& ctx);

// The force-rotation curve of law 104.
void set_spring_curve_table(RunContext& ctx);

// Lists the (row, dof) pairs whose force the Runge-Kutta path integrates as a
// state, and counts the bridge element and train vehicle spring degrees of
// freedom that carry them.
void list_first_order_spring_dofs(RunContext& ctx);

}  // namespace tb
