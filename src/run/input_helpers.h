// Helpers that every reader and driver shares: the input-status check with its
// error stop, the node-number search and the remaining-time estimate.
#pragma once

#include <array>
#include <cstdint>
#include <new>
#include <span>
#include <string>
#include <string_view>

#include "model/run_context.h"
#include "platform/array.h"
#include "platform/clock.h"

namespace tb {

// Status 0 returns; 101 reports a node number outside the definition and
// stops; any other status of 100 or more returns silently; every other status
// reports a data error in the file named by label and stops.
void check_read_status(RunContext& ctx, std::int32_t status, std::string_view label);

// check_read_status for an opening or a read of `unit`. A status that stops
// the run prints, after the line of label, one line that says what to fix:
// the file as opened, and whether it was not found, could not be opened,
// ended before the record was complete or held a value that is not a number
// (that value and its line); `record` names the record being read, when the
// reader knows it.
void check_read_status(RunContext& ctx, std::int32_t status, std::string_view label, std::int32_t unit,
                       std::string_view record = {});

// check_read_status for the status of a search for a line of `unit` that
// holds a marker: a file that ends before such a line says so ("the file ends
// after line N without <line>").
void check_search_status(RunContext& ctx, std::int32_t status, std::string_view label, std::int32_t unit,
                         std::string_view line);

// The data-error stop of the file named by label, for a value that its
// reader finds unusable: check_read_status with an error status.
[[noreturn]] void stop_with_data_error(RunContext& ctx, std::string_view label);

// The same for a value of `unit` that reads as a number but cannot be used:
// the data-error line of label, then "<file> (<record>): bad value <problem>",
// where problem gives the value and what it must be.
[[noreturn]] void stop_with_bad_value(RunContext& ctx, std::string_view label, std::int32_t unit,
                                      std::string_view record, std::string_view problem);

// Refuses, with the data-error line of label, a count of records of `unit`
// that the rest of the file cannot hold: more records than the values that
// the reads can still take (values_left), while every record gives at least
// one. Made before the count sizes any table, so that an absurd count stops
// with the file and the count instead of exhausting the memory. A count at
// most kCountSlack records beyond it (a file cut short, a count a few too
// large) sizes small tables and reads on to the record where the file ends,
// whose message says where.
inline constexpr std::int64_t kCountSlack = 1000;
void check_count_fits_file(RunContext& ctx, std::string_view label, std::int32_t unit, std::string_view record,
                           std::string_view count_name, std::int64_t count);

// The file (label, unit) and the record whose counts size a table.
struct CountSource {
  std::string_view label;
  std::int32_t unit;
  std::string_view record;
};

// Refuses, before any of them is created, tables that the counts of
// `source` make larger than the memory of the machine: `bytes` in all. For
// extents that no record count of the file bounds (largest counts, mode
// counts); the stop names the record and the size asked for.
void check_tables_fit_memory(RunContext& ctx, const CountSource& source, double bytes);

// The data-error stop of a table that the counts of `source` make larger than
// the memory of the run: the record and the table's extents.
[[noreturn]] void stop_with_table_too_large(RunContext& ctx, const CountSource& source,
                                            std::span<const std::int64_t> extents, std::size_t value_bytes);

// a.resize(extents...) for a table sized by counts read from a file; a table
// that cannot be created stops with the data-error line of that file.
template <class T, int R, class... N>
void resize_from_counts(RunContext& ctx, const CountSource& source, Array<T, R>& a, N... extents) {
  try {
    a.resize(extents...);
  } catch (const std::bad_alloc&) {
    const std::array<std::int64_t, R> e{static_cast<std::int64_t>(extents)...};
    stop_with_table_too_large(ctx, source, e, sizeof(T));
  }
}

// The node-number stop (status 101) of label for a node that its list does
// not hold, with a line naming the file of `unit`, the record and the node.
[[noreturn]] void stop_with_unknown_node(RunContext& ctx, std::string_view label, std::int32_t unit,
                                         std::string_view record, std::int32_t node);

// A value for a message: the shortest text that reads back as the value.
std::string value_text(float v);

// The file that `unit` was last opened on, as opened, with "/" between
// directories; the label's file when the unit was never opened.
std::string unit_file_name(const RunContext& ctx, std::int32_t unit, std::string_view label);

// 1-based position of the first element of list(1..n) equal to value; 0 when
// there is none or n <= 0.
std::int32_t find_node_index(std::int32_t value, const std::int32_t* list, std::int32_t n);

// Remaining wall-clock time of a speed stage (hours, minutes, seconds,
// milliseconds) from the mean duration of its steps so far: the time from
// `stage_start` (the clock when the stage's first step began) to `now`,
// divided by the steps done, times the steps still to do. Zero before the
// first step is done; a figure beyond the integer range is clamped.
void estimate_remaining_time(const ClockReading& stage_start, const ClockReading& now,
                             std::array<std::int32_t, 4>& remaining, std::int32_t steps_done, std::int32_t steps_total);

// The name under which a file of the input directory is opened: input_path
// without its trailing blanks, then the name (which begins with a backslash);
// every backslash is this platform's directory separator. An empty input path
// is the working directory.
std::string input_file_name(const RunControl& control, std::string_view name);

// A text without its trailing blanks.
std::string_view trim_trailing_blanks(std::string_view s);

}  // namespace tb
