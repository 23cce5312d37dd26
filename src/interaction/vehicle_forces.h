// The forces inside the vehicles and between the vehicles of a train, added
// to the vehicles' generalised forces once per vehicle-side force evaluation.
#pragma once

#include "model/run_context.h"

namespace tb {

// Adds to vehicle_modal_force, in this order: the spring-damper elements of
// every vehicle (the element path when vehicle_springs_need_elements is 1,
// else the frame-less path), the coupler forces, the running resistance and
// brake force shares, and the track-geometry loads. The drivers call it after
// zeroing vehicle_modal_force and after the vehicle side of the wheel-rail
// interaction.
void assemble_vehicle_internal_forces(RunContext& ctx);

}  // namespace tb
