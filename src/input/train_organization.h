// The train organisation "VehicleOrganization.dat".
#pragma once

#include <cstdint>

#include "model/run_context.h"

namespace tb {

void read_train_organization(RunContext& ctx);

}  // namespace tb
