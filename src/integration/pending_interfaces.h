// Routines of the force chain that the drivers call, and the result writer.
#pragma once

#include <cstdint>

#include "interaction/wheel_rail_interaction.h"
#include "model/run_context.h"
#include "results/output_responses.h"
#include "results/result_writer.h"

namespace tb {

void assemble_vehicle_internal_forces(RunContext& ctx);

}  // namespace tb
