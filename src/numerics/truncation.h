// Conversion of single-precision values read or derived from input files into
// counts and indices: truncation toward zero that never converts an infinite,
// undefined or out-of-range value.
#pragma once

#include <cstdint>
#include <limits>

namespace tb {

// int(v) truncated toward zero; values beyond the 32-bit range give its
// nearest bound, an undefined value gives `otherwise`.
inline std::int32_t truncate_to_int32(float v, std::int32_t otherwise = 0) {
  if (v != v) return otherwise;
  if (v >= 2147483648.0f) return std::numeric_limits<std::int32_t>::max();
  if (v <= -2147483648.0f) return std::numeric_limits<std::int32_t>::min();
  return static_cast<std::int32_t>(v);
}

}  // namespace tb
