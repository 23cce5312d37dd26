// Bridge responses by modal superposition into the bulk-data result files.
#pragma once

#include <cstdint>

#include "model/run_context.h"

namespace tb {

void recover_bridge_responses(RunContext& ctx);

}  // namespace tb
