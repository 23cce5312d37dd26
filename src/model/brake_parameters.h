// BrakeParameters: brake parameter sets and, per vehicle type, its brake set and coupler spring.
#pragma once

#include <cstdint>

#include "platform/array.h"

namespace tb {

struct BrakeParameters {};

}  // namespace tb
