#include "run/external_forces.h"

namespace tb {

void read_external_forces(RunContext&) {}

}  // namespace tb
