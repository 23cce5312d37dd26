// Lagrange interpolation in windows of consecutive tabulated points, and two
// difference operators. Single precision throughout; the tables are plain
// contiguous runs of values, indexed from 1 in the descriptions below.
#pragma once

#include <cstdint>

namespace tb {

// ye(j), j = 1..m, := the Lagrange polynomial through the last window of k
// consecutive points of (x, y) (n points, x monotonic) whose abscissae enclose
// xe(j), bounds included. An abscissa that no window encloses keeps its ye.
// Two points give the straight line through them, extrapolated. With n < k no
// window can be formed: nothing is written and the result is false, and the
// caller stops the run naming the file of the points
// (stop_with_too_few_points).
[[nodiscard]] bool lagrange_interpolate(std::int32_t n, std::int32_t m, std::int32_t k, const float* x,
                                        const float* y, const float* xe, float* ye);

// The polynomial through all n points, evaluated (or extrapolated) at xe;
// 0 when n <= 0.
void lagrange_value_at_point(std::int32_t n, const float* x, const float* y, float xe, float& ye);

// d(1) = 0, d(i) = a(i) - a(i-1).
void first_difference(const float* a, float* d, std::int32_t n);

// The first difference, then d(i) := d(i) - d(i-1) in increasing i on the
// values already updated.
void first_difference_running(const float* a, float* d, std::int32_t n);

}  // namespace tb
