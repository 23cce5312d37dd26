#include "integration/pending_interfaces.h"

namespace tb {

void compute_wheel_rail_interaction(RunContext&, std::int32_t, std::int32_t, float) {}
void assemble_vehicle_internal_forces(RunContext&) {}

}  // namespace tb
