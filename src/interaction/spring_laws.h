// Spring-damper force laws: one law per local degree of freedom of an element,
// from the relative motion of its end J against its end I.
#pragma once

#include <array>
#include <cstdint>

#include "model/run_context.h"

namespace tb {

// End motions of one element in its own frame: entries 1-6 (index 0-5) are
// the six degrees of freedom of node I, entries 7-12 those of node J.
using EndVector = std::array<float, 12>;
// One element's entries of a SpringElementState table, degree of freedom 1-6.
using DofStates = std::array<std::int32_t, 6>;
using DofValues = std::array<float, 6>;

inline constexpr float maxwell_law_code = 102.0f;

// True when a code names a law: 0 to 6, 99 and 100 to 105.
bool is_known_spring_law(float code);

// True when a law's parameters leave every divisor of its formula non-zero
// and finite; p[k] is parameter p_k (p[1] the code itself, k up to 10).
bool spring_law_parameters_usable(const std::array<float, 11>& p, float time_step);

// The Maxwell element integrates its force as a first-order state under the
// Runge-Kutta method exactly when its spring p2 and damper p3 are non-zero.
inline bool maxwell_force_is_state(float p2, float p3) { return p2 != 0.0f && p3 != 0.0f; }

// Evaluates the law of every degree of freedom 1..spring_dof_count of the
// element whose row of spring_parameters is spring_id, from the local end
// displacements u, velocities v and committed displacements uc. Reads the
// committed state (s0, F0, M0) and writes the trial state (s, F, M); entries
// a law does not write keep their values. A code no law handles stops the run.
void evaluate_spring_force_law(RunContext& ctx, std::int32_t spring_id, const EndVector& u, const EndVector& v,
                               const EndVector& uc, const DofStates& s0, DofStates& s, const DofValues& F0,
                               DofValues& F, const DofValues& M0, DofValues& M);

// The history-free laws 0 to 6 for one degree of freedom with relative
// displacement d and velocity dv; code 6 at rest and every other code leave F
// as it was.
void evaluate_spring_force_scalar(const RunContext& ctx, float d, float dv, std::int32_t r, std::int32_t dof,
                                  float& F);

// The Van der Pol damper force -(1 - x^2) * 0.1 * y.
float compute_van_der_pol_term(float x, float y);

}  // namespace tb
