// The fourth-order Runge-Kutta integration.
#pragma once

#include <cstdint>

#include "model/run_context.h"

namespace tb {

void run_runge_kutta_integration(RunContext& ctx);

}  // namespace tb
