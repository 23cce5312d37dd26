// StepControl: the current time, speed stage and pass count of the
// integration. The time is double precision, so that summing the steps keeps
// it on step * dt; the force routines read it as float.
#pragma once

#include <cstdint>

namespace tb {

struct StepControl {
  double current_time = 0.0;            // s since the stage start: the sum of the steps
  std::int32_t current_stage = 0;       // 1-based speed stage
  std::int32_t current_stage_copy = 0;  // the same index, held twice
  std::int32_t iteration_count = 0;     // passes made in the current step

  // The blow-up watch of the step-by-step schemes: a state value above the
  // limit prints the warning once per stage, waits for Enter once per run,
  // and the steps that met one are counted for the line at the stage's end.
  bool step_beyond_limit = false;       // a pass of the current step met one
  std::int32_t steps_beyond_limit = 0;  // steps of the current stage that did
  bool blow_up_paused = false;          // the run has waited at the warning

  // Steps of the current stage that reached the pass limit with a change
  // above the tolerance: the first prints a warning, the stage's end counts
  // them with the largest change.
  std::int32_t steps_unconverged = 0;
  float largest_unconverged_change = 0.0f;
};

}  // namespace tb
