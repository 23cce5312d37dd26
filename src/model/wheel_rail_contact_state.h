// WheelRailContactState: contact points and forces of the wheel pair being handled, rebuilt at every evaluation.
#pragma once

#include <cstdint>

#include "platform/array.h"

namespace tb {

struct WheelRailContactState {};

}  // namespace tb
