#include "integration/pending_interfaces.h"

namespace tb {

void compute_wheel_rail_interaction(RunContext&, std::int32_t, std::int32_t, float) {}
void assemble_vehicle_internal_forces(RunContext&) {}
void compute_output_responses(RunContext&) {}
void write_step_results(RunContext&, std::int32_t, float, std::int32_t) {}
void end_stage_results(RunContext&, std::int32_t, std::int32_t) {}

}  // namespace tb
