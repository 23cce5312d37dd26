// Per-pass loads: static wheel loads and wind on the vehicles, wind and
// external forces on the bridge, projected onto the modes.
#pragma once

#include <cstdint>

#include "model/run_context.h"

namespace tb {

// Adds the static wheel loads (downward at each wheelset node) and, with the
// wind on, the vehicle wind loads to vehicle_modal_force. `step` is the step
// value of the caller; time-dependent loads act at step * dt. The wind acts
// from step values above 0, or from 0 on with `from_time_zero` (the
// Runge-Kutta stages, whose first evaluation is at the stage start).
void compute_vehicle_loads(RunContext& ctx, std::int32_t stage, float step, bool from_time_zero = false);

// Adds the bridge wind forces (wind on) and the external forces at bridge
// nodes, at time step * dt, to bridge_modal_force; `from_time_zero` as above.
void apply_external_and_wind_forces(RunContext& ctx, std::int32_t stage, float step, bool from_time_zero = false);

// Value at time t of external force f (harmonic or tabulated).
float external_force_value(const RunContext& ctx, std::int32_t f, float step);

}  // namespace tb
