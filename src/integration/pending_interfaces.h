// Routines of the force chain that the drivers call, and the result writer.
#pragma once

#include <cstdint>

#include "model/run_context.h"
#include "results/output_responses.h"
#include "results/result_writer.h"

namespace tb {

void compute_wheel_rail_interaction(RunContext& ctx, std::int32_t phase, std::int32_t stage, float step);
void assemble_vehicle_internal_forces(RunContext& ctx);

}  // namespace tb
