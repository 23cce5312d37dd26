// Readers of the contact tables "Geometry.dat" and "WormCoeefficient.dat".
#pragma once

#include <cstdint>

#include "model/run_context.h"

namespace tb {

void read_contact_geometry_table(RunContext& ctx);
void read_contact_coefficient_table(RunContext& ctx);

}  // namespace tb
