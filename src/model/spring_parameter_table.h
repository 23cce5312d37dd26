// SpringParameterTable: spring-damper law codes and parameters of all vehicle and bridge spring ids.
#pragma once

#include <cstdint>

#include "platform/array.h"

namespace tb {

struct SpringParameterTable {};

}  // namespace tb
