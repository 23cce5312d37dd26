// Ending the run from wherever a failure is found.
//
// A stop unwinds to the program's entry as a RunStop, which closes every unit
// (so result files keep exactly what this run wrote) and ends the process with
// the stop's exit status: 1 after an error, 0 for the normal end of the
// post-processing run, 128 + the signal number after a stop signal
// (platform/signals.h).
#pragma once

#include <cstdint>

#include "platform/console.h"

namespace tb {

struct RunStop {
  std::int32_t exit_status;
};

inline constexpr std::int32_t exit_error = 1;

[[noreturn]] inline void stop_run(std::int32_t exit_status) { throw RunStop{exit_status}; }

// A stop for bad input is made by the stops of input/read_errors.h alone,
// which print the line that says what to fix before they pause and end the
// run with exit_error.

// The warning of a response that is no longer a number (or overflows single
// precision), then the error stop: the result files keep the records written
// before it. A run waits for Enter at most once for a blown-up response:
// `pause` is false when it has already waited at the blow-up warning.
[[noreturn]] inline void blow_up_stop(Console& console, bool pause = true) {
  console.line("");
  console.line(" Warning:System response blow out!");
  if (pause) console.pause();
  stop_run(exit_error);
}

}  // namespace tb
