// The step-by-step time integration (Wilson-theta, Newmark, explicit two-step).
#pragma once

#include <cstdint>

#include "model/run_context.h"

namespace tb {

void run_time_integration(RunContext& ctx);

}  // namespace tb
