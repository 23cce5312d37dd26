// The wheel-rail interaction: every wheel of every vehicle placed on its rail
// over the moving bridge, the contact forces of each wheel pair, and their
// generalised forces on the vehicle modes (phase 0) or the bridge modes
// (phase 1), with the per-wheel results.
#pragma once

#include <cstdint>

#include "model/run_context.h"

namespace tb {

// Recomputes every contact from the modal states of SolverState and adds the
// generalised forces of the phase (0 vehicles, 1 bridge, any other none) to
// the modal forces. stage is the current speed stage; step is not read.
// Fills wheelset_result, wheelset_irregularity_displacement and the track
// curvature and cant at every wheel on its track.
//
// What depends only on a wheel's position (the rail geometry and the bridge
// mode shapes under it) is kept per wheel until the position changes; the
// sums of the bridge shapes over the bridge modes until the position or the
// bridge state changes, and the vehicle's motion at its wheels until that
// vehicle's state changes (ctx.contact.caches). The model records are taken
// as fixed once a run has started: a caller that changes the track, vehicle
// or train data in place between two calls clears ctx.contact.caches.
void compute_wheel_rail_interaction(RunContext& ctx, std::int32_t phase, std::int32_t stage, float step);

// The rail (1 at negative lateral coordinate, 2 at positive) of wheelset
// entry w of a vehicle type: 1 when the wheel's node lies at or below the
// mean lateral coordinate of the type's wheel nodes.
std::int32_t rail_of_wheel(const VehicleTypeLibrary& lib, std::int32_t type, std::int32_t w);

// The rail geometry, irregularity, curvature and cant at position x of a
// rail of a track (smin the track's smaller end arc length) by the
// five-point Lagrange formula over the track's own nodes around x; beyond
// either end the end node's values.
TrackValuesAtWheel track_values_at_wheel(const TrackModel& tm, std::int32_t track, std::int32_t rail, float x,
                                         float smin);

// Lagrange polynomial through all n points (x, y), evaluated at the m points
// xe, for d1*d2 series at once: y is laid out (d1, n, d2) and ye (d1, m, d2),
// first index fastest. No window and no range check: outside x it
// extrapolates; n = 0 gives zeros.
void interpolate_track_quantity(std::int32_t d1, std::int32_t n, std::int32_t d2, const float* x, const float* y,
                                std::int32_t m, const float* xe, float* ye);

// The same with end handling (no run path calls it): an xe(1) within 0.01 of
// either end or beyond it takes that end point's values (other results 0);
// inside, one evaluation point is interpolated, several are refused with a
// console line and ye unchanged.
void trackirr_modal_vector_interpolation_Largrange(RunContext& ctx, std::int32_t n, std::int32_t d1,
                                                  std::int32_t d2, std::int32_t m, const float* x,
                                                  const float* y, const float* xe, float* ye);

}  // namespace tb
