// Lagrange interpolation in windows of consecutive tabulated points, and two
// difference operators. Single precision throughout; the tables are plain
// contiguous runs of values, indexed from 1 in the descriptions below.
#pragma once

#include <cstdint>
#include <string_view>

#include "model/run_context.h"

namespace tb {

// The console line of an interpolation with fewer points than its window.
inline constexpr std::string_view too_few_interpolation_points = "Not sufficient number of points for interpolation!";

// The file and the record of the points that an interpolation runs through,
// for the stop of one with too few of them.
struct InterpolatedPoints {
  std::string_view label;
  std::int32_t unit;
  std::string_view record;
};

// ye(j), j = 1..m, := the Lagrange polynomial through the last window of k
// consecutive points of (x, y) (n points, x monotonic) whose abscissae enclose
// xe(j), bounds included. An abscissa that no window encloses keeps its ye.
// Two points give the straight line through them, extrapolated. n < k prints
// the line too_few_interpolation_points and stops the run, naming the points'
// file and record.
void lagrange_interpolate(RunContext& ctx, std::int32_t n, std::int32_t m, std::int32_t k, const float* x,
                          const float* y, const float* xe, float* ye, const InterpolatedPoints& points);

// The polynomial through all n points, evaluated (or extrapolated) at xe;
// 0 when n <= 0.
void lagrange_value_at_point(std::int32_t n, const float* x, const float* y, float xe, float& ye);

// d(1) = 0, d(i) = a(i) - a(i-1).
void first_difference(const float* a, float* d, std::int32_t n);

// The first difference, then d(i) := d(i) - d(i-1) in increasing i on the
// values already updated.
void first_difference_running(const float* a, float* d, std::int32_t n);

}  // namespace tb
