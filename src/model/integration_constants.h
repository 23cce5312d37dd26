// IntegrationConstants: the step constants of the step-by-step schemes.
#pragma once

#include <cstdint>

#include "platform/array.h"

namespace tb {

struct IntegrationConstants {};

}  // namespace tb
