// Aerodynamic forces on bridge elements and on vehicles.
#pragma once

#include <cstdint>

#include "model/run_context.h"

namespace tb {

// Six-component load (forces along x, y, z, moments about x, y, z) on a
// bridge element of the given length, attack angle, time, mid-point
// coordinate and coefficient set.
void compute_bridge_wind_forces(RunContext& ctx, float length, float attack_angle, float time, float mid_point,
                                std::int32_t coefficient_set, float force[6]);

// Six-component load on the vehicle in slot `slot` of train `train`, of length
// `length`, running at `speed`, at time `time` and load-point coordinate
// `load_point`.
void compute_vehicle_wind_forces(RunContext& ctx, float length, std::int32_t train, std::int32_t slot, float speed,
                                 float time, float load_point, float force[6]);

}  // namespace tb
