// Train layout at the start of a speed stage, the stage's step count and the
// advance of every train along its track at each time step.
#pragma once

#include <cstdint>

#include "model/run_context.h"

namespace tb {

// Vehicle type lengths and end nodes, wheelset offsets behind the vehicle
// front, and every wheelset's distance behind its train's front.
void layout_train_wheelsets(RunContext& ctx);

// The passage of one train over its track in a speed stage, from the
// layout's distances behind the train's front (after layout_train_wheelsets,
// before compute_stage_step_count turns them into coordinates). A train
// whose track number is not a track of the model stops the run.
struct TrainPassage {
  double front = 0.0;     // track coordinate of the train's front at the stage's start
  bool reversed = false;  // the track's first control point has the larger coordinate
  float speed = 0.0f;     // the stage speed as read, m/s (before a reversed track negates it)
  // The distance the rearmost wheelset travels until it is the run-out
  // beyond the track's last point: lead-in, track, run-out and the train's
  // length to that wheelset, summed in single precision.
  float length = 0.0f;
  float steps = 0.0f;  // length / speed / dt in single precision: the time steps the passage takes
};
TrainPassage train_passage(RunContext& ctx, std::int32_t train, std::int32_t stage);

// The track coordinate at the stage's start of a wheelset `distance` behind
// the front.
inline double start_coordinate(const TrainPassage& p, double distance) {
  return p.reversed ? distance + p.front : p.front - distance;
}

// The whole number of steps that a passage's quotient gives: its integer
// part, or 0 when it is not a finite value of the 32-bit range (a train at
// rest, a speed against the track's direction).
std::int32_t passage_step_count(float steps);

// Turns the distances into track coordinates of the stage start (negating the
// stage speed of a train on a reversed track) and gives the largest number of
// steps any train needs to leave its track by its run-out distance.
void compute_stage_step_count(RunContext& ctx, std::int32_t stage, std::int32_t& step_count);

// The steps a stage runs: its step count cut to whole output intervals of n
// steps.
inline std::int32_t whole_output_intervals(std::int32_t steps, std::int32_t n) { return (steps / n) * n; }

// Step 1 places every wheelset at its start coordinate; every later step adds
// the lead vehicle's longitudinal acceleration to the train's speed and moves
// its wheelsets by speed * dt.
void advance_train_positions(RunContext& ctx, std::int32_t stage, float step);

}  // namespace tb
