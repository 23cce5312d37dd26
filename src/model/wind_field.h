// WindField: the along-wind and vertical turbulence histories at equally spaced wind points.
#pragma once

#include <cstdint>

#include "platform/array.h"

namespace tb {

struct WindField {};

}  // namespace tb
