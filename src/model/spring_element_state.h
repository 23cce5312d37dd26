// SpringElementState: trial and committed state of every spring-damper element.
#pragma once

#include <cstdint>

#include "platform/array.h"

namespace tb {

struct SpringElementState {};

}  // namespace tb
