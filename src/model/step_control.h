// StepControl: the current time, speed stage and iteration count.
#pragma once

#include <cstdint>

#include "platform/array.h"

namespace tb {

struct StepControl {};

}  // namespace tb
