// Running resistance and the vehicles' brake force shares: while a brake mode
// acts in the current stage, every moving vehicle whose train has passed its
// brake time takes one longitudinal force at node position 2.
#pragma once

#include <cstdint>

#include "model/run_context.h"

namespace tb {

// True when some train has a brake mode active in the current stage: the
// coupler forces and the running resistance act only then, on every train.
bool brake_mode_active(const RunContext& ctx);

// Basic running resistance (N per 1000 N of weight) of a vehicle of brake set
// brake_set at the speed V (km/h, either sign).
float running_resistance_per_weight(std::int32_t brake_set, float speed_kmh);

// Adds to vehicle_modal_force, at node position 2 along x, the running
// resistance against the motion (brake kinds below 2; the notch brakes of
// kinds 2 and more contain it) plus the vehicle's brake force share
// vehicle_brake_state.
void apply_running_and_brake_forces(RunContext& ctx);

}  // namespace tb
