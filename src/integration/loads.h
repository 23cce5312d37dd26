// Per-pass loads: static wheel loads and wind on the vehicles, wind and
// external forces on the bridge, projected onto the modes.
#pragma once

#include <cstdint>

#include "model/run_context.h"

namespace tb {

// Adds the static wheel loads (downward at each wheelset node) and, with the
// wind on, the vehicle wind loads to vehicle_modal_force. `step` is the step
// value of the caller; time-dependent loads act at step * dt.
void compute_vehicle_loads(RunContext& ctx, std::int32_t stage, float step);

// Adds the bridge wind forces (wind on) and the external forces at bridge
// nodes, at time step * dt, to bridge_modal_force.
void apply_external_and_wind_forces(RunContext& ctx, std::int32_t stage, float step);

// Value at time t of external force f (harmonic or tabulated).
float external_force_value(const RunContext& ctx, std::int32_t f, float step);

}  // namespace tb
