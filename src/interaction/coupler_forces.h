// Coupler forces: while a brake mode acts, each coupler is a linear
// spring-damper in the three translations between the rear coupling node
// (node position 3) of a vehicle and the front coupling node (node position
// 1) of the vehicle behind it.
#pragma once

#include "model/run_context.h"

namespace tb {

// Stops with the data-error line of "BrakePara.dat" when a vehicle type's
// coupler spring (type_coupler_spring; 0 or below: no coupler) is none of the
// vehicle spring ids 1..NV. Run control calls it once the spring parameters
// are read; without brake parameters there is nothing to check.
void check_coupler_springs(RunContext& ctx);

// Adds the coupler forces of every pair of consecutive vehicles of every
// train to vehicle_modal_force, when some train has a brake mode active in
// the current stage. The coupler behind a vehicle is the spring of its type:
// values 2 and 3 of its degrees of freedom 1-3 are the stiffness and damping
// along x, y and z, whatever law the row names.
void compute_coupler_forces(RunContext& ctx);

}  // namespace tb
