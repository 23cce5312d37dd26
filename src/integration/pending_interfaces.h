// Routines of the force chain and of the result writer that the drivers call.
#pragma once

#include <cstdint>

#include "model/run_context.h"

namespace tb {

void compute_wheel_rail_interaction(RunContext& ctx, std::int32_t phase, std::int32_t stage, float step);
void assemble_vehicle_internal_forces(RunContext& ctx);
void compute_output_responses(RunContext& ctx);
void write_step_results(RunContext& ctx, std::int32_t stage, float step, std::int32_t step_count);
void end_stage_results(RunContext& ctx, std::int32_t stage, std::int32_t step_count);

}  // namespace tb
