// ContactCoefficientTable: the Hertz ellipse factors and Kalker's creep
// coefficients against one argument, read from "WormCoeefficient.dat".
//
// Columns: 1 the argument 4/(r/Rw + 1 + r/Rr) (strictly ascending), 2 and 3
// the Hertz factors m and n, 4 to 7 Kalker's C11, C22, C23, C33.
#pragma once

#include <cstdint>

#include "platform/array.h"

namespace tb {

struct ContactCoefficientTable {
  static constexpr std::int32_t coefficient_row_count = 56;
  static constexpr std::int32_t coefficient_column_count = 7;

  Array2<float> contact_coefficients;  // (56, 7)
};

}  // namespace tb
