// Reader of "SolutionParameters.dat".
#pragma once

#include "model/run_context.h"

namespace tb {

// Fills SolutionParameters from the open unit_solution_parameters, sets
// modal_node_decimation of the track model, rewrites the file in its commented
// layout and closes it. A time step not above 0, an output interval below 1
// and a track-contact spring switched on without stiffness are data errors.
void read_solution_parameters(RunContext& ctx);

}  // namespace tb
