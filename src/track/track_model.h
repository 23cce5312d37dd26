// The track model built from "Rails_Location.dat".
#pragma once

#include <cstdint>

#include "model/run_context.h"

namespace tb {

void build_track_model(RunContext& ctx);

}  // namespace tb
