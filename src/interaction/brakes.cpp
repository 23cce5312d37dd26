#include "interaction/brakes.h"

namespace tb {

void read_brake_parameters(RunContext&) {}

}  // namespace tb
