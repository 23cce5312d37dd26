#include "numerics/interpolation.h"


namespace tb {

namespace {

// The value at xe of the polynomial through the points first..last (0-based,
// inclusive): each ordinate is multiplied by (xe - x(p)) and then divided by
// (x(i) - x(p)) for every other point p in increasing order, and the terms
// are summed in increasing i.
float window_value(const float* x, const float* y, std::int32_t first, std::int32_t last, float xe) {
  float sum = 0.0f;
  for (std::int32_t i = first; i <= last; ++i) {
    float term = y[i];
    for (std::int32_t p = first; p <= last; ++p) {
      if (p == i) continue;
      term = term * (xe - x[p]);
      term = term / (x[i] - x[p]);
    }
    sum += term;
  }
  return sum;
}

// True when x(1..n) never turns against the direction of the first pair.
bool runs_one_way(const float* x, std::int32_t n, bool ascending) {
  for (std::int32_t i = 1; i < n; ++i)
    if (ascending ? !(x[i] >= x[i - 1]) : !(x[i] <= x[i - 1])) return false;
  return true;
}

}  // namespace

bool lagrange_interpolate(std::int32_t n, std::int32_t m, std::int32_t k, const float* x, const float* y,
                          const float* xe, float* ye) {
  if (n < k) return false;
  if (m <= 0) return true;
  if (n == 2) {
    for (std::int32_t j = 0; j < m; ++j) {
      ye[j] = 0.0f;
      ye[j] += y[0] * ((xe[j] - x[1]) / (x[0] - x[1]));
      ye[j] += y[1] * ((xe[j] - x[0]) / (x[1] - x[0]));
    }
    return true;
  }
  // A window needs at least one point; none fits otherwise.
  if (k < 1 || n < 1) return true;

  const bool ascending = n >= 2 && x[1] > x[0];
  const std::int32_t last_start = n - k;  // 0-based first point of the last window
  auto encloses = [&](std::int32_t l, float v) {
    return ascending ? (x[l] <= v && v <= x[l + k - 1]) : (x[l] >= v && v >= x[l + k - 1]);
  };
  // On a table that runs one way the windows enclosing an abscissa are
  // consecutive, and the last of them starts at the last point on the near
  // side of it (or at the last window): a bisection finds it. Any other table
  // is searched window by window from the end, which gives the same winner.
  const bool ordered = runs_one_way(x, n, ascending);
  for (std::int32_t j = 0; j < m; ++j) {
    const float v = xe[j];
    std::int32_t start = -1;
    if (ordered) {
      std::int32_t lo = 0, hi = n;  // count of points on the near side of v
      while (lo < hi) {
        const std::int32_t mid = lo + (hi - lo) / 2;
        if (ascending ? x[mid] <= v : x[mid] >= v)
          lo = mid + 1;
        else
          hi = mid;
      }
      if (lo > 0) {
        const std::int32_t l = lo - 1 < last_start ? lo - 1 : last_start;
        if (encloses(l, v)) start = l;
      }
    } else {
      for (std::int32_t l = last_start; l >= 0; --l)
        if (encloses(l, v)) {
          start = l;
          break;
        }
    }
    if (start >= 0) ye[j] = window_value(x, y, start, start + k - 1, v);
  }
  return true;
}

void lagrange_value_at_point(std::int32_t n, const float* x, const float* y, float xe, float& ye) {
  ye = n <= 0 ? 0.0f : window_value(x, y, 0, n - 1, xe);
}

void first_difference(const float* a, float* d, std::int32_t n) {
  if (n < 1) return;
  d[0] = 0.0f;
  for (std::int32_t i = 1; i < n; ++i) d[i] = a[i] - a[i - 1];
}

void first_difference_running(const float* a, float* d, std::int32_t n) {
  first_difference(a, d, n);
  for (std::int32_t i = 1; i < n; ++i) d[i] = d[i] - d[i - 1];
}

}  // namespace tb
