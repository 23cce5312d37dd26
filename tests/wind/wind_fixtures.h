// Helpers shared by the wind tests.
#pragma once

#include <cstdint>
#include <initializer_list>

#include "model/wind_parameters.h"

namespace tb::test {

// Sets the coefficients of polynomial p of coefficient set s, constant term
// first.
inline void set_polynomial(WindParameters& w, int s, int p, std::initializer_list<float> c) {
  w.coef_poly_counts(s, p) = static_cast<std::int32_t>(c.size());
  int j = 1;
  for (const float v : c) w.coef_polys(s, j++, p) = v;
}

}  // namespace tb::test
