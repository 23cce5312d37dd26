// FirstOrderSpringList: the spring degrees of freedom that the Runge-Kutta path integrates as first-order states.
#pragma once

#include <cstdint>

#include "platform/array.h"

namespace tb {

struct FirstOrderSpringList {};

}  // namespace tb
