// SolverState: modal states and modal forces of bridge and vehicles with their copies.
#pragma once

#include <cstdint>

#include "platform/array.h"

namespace tb {

struct SolverState {};

}  // namespace tb
