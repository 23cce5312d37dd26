// Small single-precision helpers of the wind loading.
#pragma once

#include <cstdint>

namespace tb {

// x^n for n >= 0 by repeated squaring in single precision (x^0 = 1, also for
// x = 0).
inline float integer_power(float x, std::int32_t n) {
  std::uint32_t m = static_cast<std::uint32_t>(n);
  float y = (m % 2u) != 0u ? x : 1.0f;
  while ((m >>= 1u) != 0u) {
    x = x * x;
    if ((m % 2u) != 0u) y = y * x;
  }
  return y;
}

}  // namespace tb
