// Spring-damper parameter files and the first-order spring list.
#pragma once

#include <cstdint>

#include "model/run_context.h"

namespace tb {

void read_nonlinear_spring_parameters(RunContext& ctx);
void list_first_order_spring_dofs(RunContext& ctx);

}  // namespace tb
