// Brake parameters "BrakePara.dat" and the wheelset brake forces.
#pragma once

#include <cstdint>

#include "model/run_context.h"

namespace tb {

void read_brake_parameters(RunContext& ctx);

}  // namespace tb
