// External forces at bridge nodes, "ExternalForces.dat".
#pragma once

#include <cstdint>

#include "model/run_context.h"

namespace tb {

void read_external_forces(RunContext& ctx);

}  // namespace tb
