// Physical responses at the output points of the bridge and at the output
// items of every vehicle, by modal superposition of the current modal states.
#pragma once

#include "model/run_context.h"

namespace tb {

// Rebuilds output_point_response and vehicle_output_response (columns 1
// displacement, 2 velocity, 3 acceleration) from zero. The vehicle
// accelerations in the vertical (code 2) and lateral (code 3) directions also
// receive the quasi-static accelerations of the track geometry. A component
// code outside 1 to 6, or a node position outside the node list, selects no
// mode-shape component: the response is 0.
void compute_output_responses(RunContext& ctx);

}  // namespace tb
