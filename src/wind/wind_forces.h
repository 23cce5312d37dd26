// Quasi-steady aerodynamic forces on bridge elements and on vehicles from the
// mean wind and the simulated turbulence.
#pragma once

#include <cstdint>

#include "model/run_context.h"

namespace tb {

// Polynomial p of coefficient set `set` at attack angle `angle` (rad), and its
// derivative with respect to the angle; terms added in order, both 0 without
// terms.
float coefficient_polynomial(const WindParameters& wind, std::int32_t set, std::int32_t p, float angle);
float coefficient_polynomial_slope(const WindParameters& wind, std::int32_t set, std::int32_t p, float angle);

// Six-component load (forces along x, y, z, moments about x, y, z) on a
// bridge element of the given length, attack angle, time, mid-point
// coordinate and coefficient set: drag (z), lift (y) and torsional moment
// (about x) from polynomials 1, 2 and 3 of the set.
void compute_bridge_wind_forces(RunContext& ctx, float length, float attack_angle, float time, float mid_point,
                                std::int32_t coefficient_set, float force[6]);

// Six-component load on the vehicle in slot `slot` of train `train`, of length
// `length`, running at `speed`, at time `time` and load-point coordinate
// `load_point`, from the wind relative to the vehicle and the coefficients of
// its stations, interpolated at the load point.
void compute_vehicle_wind_forces(RunContext& ctx, float length, std::int32_t train, std::int32_t slot, float speed,
                                 float time, float load_point, float force[6]);

// Along-wind u and vertical w turbulence at `time` and at `offset` (> 0)
// beyond the start of the field, weighted from the four samples around the
// point; 0 outside the field (beyond its last point pair or sample pair).
void look_up_turbulence(const RunContext& ctx, float time, float offset, float& u, float& w);

}  // namespace tb
