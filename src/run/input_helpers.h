// Helpers that every reader and driver shares: the input-status check with its
// error stop, the node-number search and the remaining-time estimate.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "model/run_context.h"
#include "platform/clock.h"

namespace tb {

// Status 0 returns; 101 reports a node number outside the definition and
// stops; any other status of 100 or more returns silently; every other status
// reports a data error in the file named by label and stops.
void check_read_status(RunContext& ctx, std::int32_t status, std::string_view label);

// The data-error stop of the file named by label, for a value that its
// reader finds unusable: check_read_status with an error status.
[[noreturn]] void stop_with_data_error(RunContext& ctx, std::string_view label);

// 1-based position of the first element of list(1..n) equal to value; 0 when
// there is none or n <= 0.
std::int32_t find_node_index(std::int32_t value, const std::int32_t* list, std::int32_t n);

// Remaining wall-clock time (hours, minutes, seconds, milliseconds of the
// last step) from the duration of the last step, in single precision.
void estimate_remaining_time(const ClockReading& first, const ClockReading& second,
                             std::array<std::int32_t, 4>& remaining, float steps_done,
                             std::int32_t steps_total);

// The name under which a file of the input directory is opened: input_path
// without its trailing blanks, then the name (which begins with a backslash);
// every backslash is this platform's directory separator. An empty input path
// is the working directory.
std::string input_file_name(const RunControl& control, std::string_view name);

// A text without its trailing blanks.
std::string_view trim_trailing_blanks(std::string_view s);

}  // namespace tb
