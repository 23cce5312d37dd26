// Train layout at the start of a speed stage, the stage's step count and the
// advance of every train along its track at each time step.
#pragma once

#include <cstdint>

#include "model/run_context.h"

namespace tb {

// Vehicle type lengths and end nodes, wheelset offsets behind the vehicle
// front, and every wheelset's distance behind its train's front.
void layout_train_wheelsets(RunContext& ctx);

// Turns the distances into track coordinates of the stage start (negating the
// stage speed of a train on a reversed track) and gives the largest number of
// steps any train needs to leave its track by its run-out distance.
void compute_stage_step_count(RunContext& ctx, std::int32_t stage, std::int32_t& step_count);

// Step 1 places every wheelset at its start coordinate; every later step adds
// the lead vehicle's longitudinal acceleration to the train's speed and moves
// its wheelsets by speed * dt.
void advance_train_positions(RunContext& ctx, std::int32_t stage, float step);

}  // namespace tb
