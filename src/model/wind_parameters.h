// WindParameters: mean wind, turbulence-field parameters, aerodynamic coefficient sets, loaded vehicles and bridge node groups.
#pragma once

#include <cstdint>

#include "platform/array.h"

namespace tb {

struct WindParameters {};

}  // namespace tb
