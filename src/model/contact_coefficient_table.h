// ContactCoefficientTable: the Hertz and creep coefficients against their argument.
#pragma once

#include <cstdint>

#include "platform/array.h"

namespace tb {

struct ContactCoefficientTable {};

}  // namespace tb
