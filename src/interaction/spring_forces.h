// Frame-less spring forces: each degree of freedom of an element acts along
// the global component of the mode shapes with the same number, with one of
// the history-free laws 1 to 6, straight into the modal forces.
#pragma once

#include "model/run_context.h"

namespace tb {

// Adds the spring forces of every spring of every vehicle of every train into
// vehicle_modal_force.
void compute_vehicle_spring_forces(RunContext& ctx);

// Adds the spring forces of every bridge spring element into
// bridge_modal_force; each element is oriented from its lower to its upper
// node.
void compute_bridge_spring_forces(RunContext& ctx);

}  // namespace tb
