#include "interaction/spring_parameters.h"

namespace tb {

void read_nonlinear_spring_parameters(RunContext&) {}

void list_first_order_spring_dofs(RunContext&) {}

}  // namespace tb
