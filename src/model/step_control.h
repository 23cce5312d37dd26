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
};

}  // namespace tb
