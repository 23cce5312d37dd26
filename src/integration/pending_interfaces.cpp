#include "integration/pending_interfaces.h"

namespace tb {

void assemble_vehicle_internal_forces(RunContext&) {}

}  // namespace tb
