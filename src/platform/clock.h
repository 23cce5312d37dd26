// The wall clock, the monotonic clock, the remaining-time estimate of a speed
// stage and the floating-point mode of the run.
#pragma once

#include <array>
#include <cstdint>

namespace tb {

// Year, month, day, offset from UTC in minutes, hour, minute, second,
// millisecond.
using ClockReading = std::array<std::int32_t, 8>;

namespace clock_field {
inline constexpr int year = 0, month = 1, day = 2, utc_offset = 3, hour = 4, minute = 5, second = 6,
                     millisecond = 7;
}

using ClockSource = ClockReading (*)();

// The local date and time with milliseconds.
ClockReading read_system_clock();

// Seconds of a clock that never goes back (not the time of day): for the
// time that a piece of work takes, whatever the wall clock does meanwhile.
double monotonic_seconds();

// Remaining wall-clock time of a speed stage (hours, minutes, seconds,
// milliseconds) from the mean duration of its steps so far: the time from
// `stage_start` (the clock when the stage's first step began) to `now`,
// divided by the steps done, times the steps still to do. Zero before the
// first step is done; a figure beyond the integer range is clamped.
void estimate_remaining_time(const ClockReading& stage_start, const ClockReading& now,
                             std::array<std::int32_t, 4>& remaining, std::int32_t steps_done, std::int32_t steps_total);

// Sets flush-to-zero for denormal results and denormals-are-zero for
// denormal operands on this thread.
void set_flush_to_zero_mode();

}  // namespace tb
