// Motion-dependent (self-excited) aerodynamic forces of the bridge deck on
// the buffeting path: the section transfer matrices between a station's nodal
// values and its section values, the self-excited section forces of one
// station with its aerodynamic memory, and one recursive-convolution step of
// a memory state.
#pragma once

#include <cstdint>

#include "model/run_context.h"

namespace tb {

// Reference width B of the deck: the width of coefficient set 2; 0 when the
// wind input has no second set.
float deck_reference_width(const WindParameters& wind);

// Creates ctx.buffeting.section_transfer (6, 6 np, sections) and fills, for
// every section, row 2 with the vertices' tributary shares of the perimeter
// on component 2, row 3 the same on component 3, and row 4 the rotation
// (component 3 over the vertex's horizontal arm, averaged over the vertices
// that have an arm). Rows 1, 5 and 6 stay 0.
void build_section_transfer_matrices(RunContext& ctx);

// Self-excited section forces of station column `station` (the station
// arrays must exist) from its section values: m1 current displacements,
// m2 current velocities, m3 previous-step displacements, m4 previous-step
// velocities (not used). Updates the station's four memory states and writes
// force[0..5]: lift (component 3) and moment (component 4), the others 0.
// The coefficients are rows 1 (moment) and 2 (lift) of
// selfexcited_coefficients; a table without them gives no force.
void compute_bridge_selfexcited_forces(RunContext& ctx, float force[6], float length, const float m1[6],
                                       const float m2[6], const float m3[6], const float m4[6],
                                       std::int32_t station);

// One step of a decaying memory state: state_new = E2 (driving_new -
// driving_old) + E1 state_old with E1 = exp(-(decay U / B) time_step) and
// E2 = exp(-(decay U / B) time_step / 2), the increment decayed over half a
// step. Without a deck width the state adds the increment undecayed.
void update_indicial_state(const RunContext& ctx, float decay, float time_step, float driving_new,
                           float driving_old, float& state_new, float state_old);

}  // namespace tb
