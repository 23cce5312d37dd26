#include "integration/runge_kutta.h"

namespace tb {

void run_runge_kutta_integration(RunContext&) {}

}  // namespace tb
