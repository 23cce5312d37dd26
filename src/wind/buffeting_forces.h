// Buffeting of the bridge deck: the turbulent wind field turned into
// generalised forces on the bridge modes through the deck panel model, with
// the self-excited forces of the deck's motion.
#pragma once

#include <cstdint>

#include "model/run_context.h"

namespace tb {

// Deck length that one buffeting station stands for, one station in four
// visited, 18 m apart.
inline constexpr float kBuffetingElementLength = 18.0f;
inline constexpr std::int32_t kBuffetingStationStep = 4;
inline constexpr std::int32_t kBuffetingCoefficientSet = 2;

// Turbulence parts of the quasi-steady forces on a deck element of `length`
// at `position` along the line and `time`, from polynomials 1 to 3 of
// `coefficient_set` (1..coefficient_set_count) at `attack_angle`:
// force[0] lift share, force[1] drag share, force[2] moment share. u and w
// receive the turbulence used; at or before the start of the wind (or without
// a mean wind) the forces are 0 and u, w are left as they were. deck_width
// receives the set's width.
void compute_element_buffeting_forces(RunContext& ctx, float length, float& deck_width, float attack_angle,
                                      float time, float position, std::int32_t coefficient_set, float force[3],
                                      float& u, float& w);

// Buffeting and self-excited forces on the bridge modes at `time`, written
// into modal_force[0 .. bridge_mode_count-1] (what it held is discarded).
// The first call reads "ParameterInput.dat", locates the station nodes and
// builds the section transfer matrices. Every fourth station along the span
// is visited; the deck motion is taken from the bridge modal state when the
// integration has created it. Without wind the forces are 0.
void compute_bridge_buffeting_modal_forces(RunContext& ctx, float time, float* modal_force);

}  // namespace tb
