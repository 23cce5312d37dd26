// Spring-damper parameter files and the first-order spring list.
#pragma once

#include <cstdint>

#include "model/run_context.h"

namespace tb {

// Reads "NonlinearSpringParameters_Vehicletypes.dat" (unit_vehicle_springs)
// and "NonlinearSpringParameters_Bridge.dat" (unit_bridge_springs) into
// SpringParameterTable, creates SpringElementState, sets the two element-path
// flags, turns column 4 of spring_elements into rows of the table (bridge id b
// becomes NV + b), closes both units and fills the curve of law 104. Bad input
// stops with the label "\NonlinearSpringParameters.dat".
void read_nonlinear_spring_parameters(RunContext& ctx);

// The force-rotation curve of law 104.
void set_spring_curve_table(RunContext& ctx);

// Lists the (row, dof) pairs whose force the Runge-Kutta path integrates as a
// state, and counts the bridge element and train vehicle spring degrees of
// freedom that carry them.
void list_first_order_spring_dofs(RunContext& ctx);

}  // namespace tb
