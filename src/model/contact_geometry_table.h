// ContactGeometryTable: the twenty contact quantities of a wheel pair against its lateral offset.
#pragma once

#include <cstdint>

#include "platform/array.h"

namespace tb {

struct ContactGeometryTable {};

}  // namespace tb
