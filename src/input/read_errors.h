// The stops for bad input that every reader and every check of a value read
// from a file shares, and the texts of their messages.
//
// A stop for bad input prints its first line (" 错误:" with the file's label
// and " 数据有误！ " or " 节点号超出定义！ ", or the check's own message),
// then one line that says what to fix: the file as opened, the record or the
// line, and the value with what it must be; then it pauses and ends the run
// with exit status 1. Every stop for bad input goes through the functions
// below, and each of them takes what that line needs: there is no stop that
// names a label alone.
#pragma once

#include <array>
#include <cstdint>
#include <new>
#include <span>
#include <string>
#include <string_view>
#include <utility>

#include "model/run_context.h"
#include "platform/array.h"

namespace tb {

// An entry of a counted record: a list whose length a count earlier in the
// file gives (the interface nodes of the bridge, the control points of a
// track, the trains). Its name tells the entry, the count and the line that
// holds the count, "interface node 32 of 33; count on line 1", so that a
// count larger (or smaller) than the entries given points at the count to
// check rather than at the value far down the file where the records ran out.
// Its texts are views: a counted record is made for the call it names.
struct CountedRecord {
  std::string_view singular;          // one entry: "interface node", "train"
  std::int64_t count = 0;             // the entries the count asks for
  std::size_t count_line = 0;         // the line holding the count; 0 when the reader does not know it
  std::int64_t values_per_entry = 1;  // values that one entry takes in the read statement
  // The entry, when each entry is read by a statement of its own; 0 when the
  // statement reads the whole list and the entry follows from the value at
  // which it stopped.
  std::int64_t entry = 0;
  std::string_view part = {};  // what of the entry the statement reads, for instance "vehicle types"
};

// The record that a read or a check names in its stop: a text ("header",
// "train 3, speeds") or an entry of a counted record.
class RecordName {
 public:
  RecordName() = default;
  RecordName(const char* text) : text_(text) {}
  RecordName(std::string_view text) : text_(text) {}
  RecordName(std::string text) : text_(std::move(text)) {}
  RecordName(const CountedRecord& counted) : counted_(counted), is_counted_(true) {}

  bool empty() const { return !is_counted_ && text_.empty(); }
  // The name; failed_item is the position in its statement of the value at
  // which a read stopped (TextUnit::failed_item), or -1 when no read failed.
  std::string text(std::int64_t failed_item = -1) const;

 private:
  std::string text_;
  CountedRecord counted_{};
  bool is_counted_ = false;
};

// A counted record, each of whose `count` entries takes values_per_entry
// values of one read statement; count_line is the line that holds the count,
// `part` what the list belongs to (for instance "fleet 2").
inline CountedRecord counted(std::string_view singular, std::int64_t count, std::size_t count_line,
                             std::int64_t values_per_entry = 1, std::string_view part = {}) {
  return {singular, count, count_line, values_per_entry, 0, part};
}
// Entry `entry` of a counted record whose entries are read one statement
// each, and the part of it that the statement reads.
inline CountedRecord counted_entry(std::string_view singular, std::int64_t entry, std::int64_t count,
                                   std::size_t count_line, std::string_view part = {}) {
  return {singular, count, count_line, 1, entry, part};
}

// The input-status check of an opening or a read of `unit`: status 0
// returns; any other status of 100 or more but 101 returns; every other
// status stops the run with the data-error line of label (101: the
// node-number line) and the line that says what to fix: the file as opened,
// and whether it was not found, could not be opened, ended before the record
// was complete or held a value that is not a number (that value and its
// line); `record` names the record being read, when the reader knows it.
void check_read_status(RunContext& ctx, std::int32_t status, std::string_view label, std::int32_t unit,
                       const RecordName& record = {});

// check_read_status for the status of a search for a line of `unit` that
// holds a marker: a file that ends before such a line says so ("the file ends
// after line N without <line>").
void check_search_status(RunContext& ctx, std::int32_t status, std::string_view label, std::int32_t unit,
                         std::string_view line);

// The data-error stop of label for what a check of its own finds wrong in
// the file of `unit`: the data-error line, then "<file> (<record>): <problem>".
[[noreturn]] void stop_with_data_error(RunContext& ctx, std::string_view label, std::int32_t unit,
                                       const RecordName& record, std::string_view problem);

// The stop for a value of `unit` that reads as a number but cannot be used:
// the data-error line of label, then "<file> (<record>): bad value <problem>",
// where problem gives the value and what it must be.
[[noreturn]] void stop_with_bad_value(RunContext& ctx, std::string_view label, std::int32_t unit,
                                      const RecordName& record, std::string_view problem);

// The node-number stop (status 101) of label for a node that its list does
// not hold, with a line naming the file of `unit`, the record and the node.
[[noreturn]] void stop_with_unknown_node(RunContext& ctx, std::string_view label, std::int32_t unit,
                                         const RecordName& record, std::int32_t node);

// The stop of a check that prints a message of its own (a Chinese message
// line, or an English one) in place of the data-error line: the message, then
// "<file> (<record>): <problem>" for the file of `unit` (label's file when the
// unit was never opened).
[[noreturn]] void stop_with_message(RunContext& ctx, std::string_view message, std::string_view label,
                                    std::int32_t unit, const RecordName& record, std::string_view problem);

// The console line of an interpolation through fewer points than its window.
inline constexpr std::string_view too_few_interpolation_points = "Not sufficient number of points for interpolation!";

// The file and the record of the points that an interpolation runs through,
// for the stop of one with too few of them.
struct InterpolatedPoints {
  std::string_view label;
  std::int32_t unit;
  std::string_view record;
};

// The stop of an interpolation in windows of k points through only n points
// (lagrange_interpolate refuses it): the line too_few_interpolation_points,
// then "<file> (<record>): n points, must be k or more".
[[noreturn]] void stop_with_too_few_points(RunContext& ctx, const InterpolatedPoints& points, std::int32_t n,
                                           std::int32_t k);

// Refuses, with the data-error line of label, a count of records of `unit`
// that the rest of the file cannot hold: more records than the values that
// the reads can still take (values_left), while every record gives at least
// one. Made before the count sizes any table, so that an absurd count stops
// with the file and the count instead of exhausting the memory. A count at
// most kCountSlack records beyond it (a file cut short, a count a few too
// large) sizes small tables and reads on to the record where the file ends,
// whose message says where.
inline constexpr std::int64_t kCountSlack = 1000;
void check_count_fits_file(RunContext& ctx, std::string_view label, std::int32_t unit, const RecordName& record,
                           std::string_view count_name, std::int64_t count);

// The file (label, unit) and the record whose counts size a table.
struct CountSource {
  std::string_view label;
  std::int32_t unit;
  std::string_view record;
};

// Refuses, before any of them is created, tables that the counts of
// `source` make larger than the memory this run can have (the machine's, or
// the address-space limit of the process when that is lower): `bytes` in all.
// For extents that no record count of the file bounds (largest counts, mode
// counts); the stop names the record, the size asked for and the limit.
void check_tables_fit_memory(RunContext& ctx, const CountSource& source, double bytes);

// The data-error stop of a table that the counts of `source` ask for and
// that could not be created: the record, the table's extents, its size and
// the memory limit that applies.
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

// A size of memory for a message: gigabytes from 1 GB, megabytes below.
std::string memory_size_text(double bytes);

// The memory limit that applies to this run, for a message: "the memory of
// this machine, 25.3 GB", or "the address-space limit of this run, 4.1 GB"
// when that is lower.
std::string memory_limit_text();

// A value for a message: the shortest text that reads back as the value.
std::string value_text(float v);

// The file that `unit` was last opened on, as opened, with "/" between
// directories and control characters as \xHH; the label's file when the
// unit was never opened.
std::string unit_file_name(const RunContext& ctx, std::int32_t unit, std::string_view label);

}  // namespace tb
