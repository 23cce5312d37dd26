// Reset of the dynamic state between speed stages, and the Aitken
// extrapolation of stored iterates.
#pragma once

#include <cstdint>

#include "model/run_context.h"

namespace tb {

// Zeroes every modal state and force table that the run created and the
// per-wheelset results, and puts the spring-damper element states back to
// the values they had when the integration began, so every stage starts from
// rest.
void reset_dynamic_state(RunContext& ctx);

// slot 0, 1, 2: stores the current states as iterate 1, 2, 3; any other slot
// extrapolates the states from the three stored iterates. Only when enabled
// is 1.
void copy_spare_state(RunContext& ctx, std::int32_t slot, std::int32_t enabled, std::int32_t a, std::int32_t b);

// Aitken's delta-squared step on n elements: out = x3 - (x3 - x2)^2 / d with
// d = x3 - 2*x2 + x1 where |d| >= 1e-12, then the history shifts by one.
void apply_vector_operation(double* x1, double* x2, double* x3, double* out, std::int32_t n);

}  // namespace tb
