// Reader of "SolutionParameters.dat".
#pragma once

#include "model/run_context.h"

namespace tb {

// Fills SolutionParameters from the open unit_solution_parameters, sets
// modal_node_decimation of the track model, lays out the file's rewrite in
// its commented layout (ctx.rewrites) and closes it unchanged. A time step
// not above 0, an output interval below 1 and a track-contact spring
// switched on without stiffness are data errors.
void read_solution_parameters(RunContext& ctx);

// Rewrites the file that read_solution_parameters read, with every value it
// read or took before its comment; called where the run opens its result
// files, once every input is read and checked. Nothing to do without a read.
void rewrite_solution_parameters(RunContext& ctx);

}  // namespace tb
