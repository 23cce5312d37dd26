#include "input/read_errors.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "input/input_paths.h"
#include "platform/list_read.h"
#include "platform/stop.h"
#include "platform/texts.h"

namespace tb {

namespace {

// The lines of a stop for bad input: its first line (the data-error or
// node-number line of label, or a message of its own), then the line that
// says what to fix, which every stop has; then the pause and the end of the
// run with exit status 1.
[[noreturn]] void report_and_stop(RunContext& ctx, std::string_view first_line, std::string_view detail) {
  ctx.console.list_line({first_line});
  ctx.console.list_line({detail});
  ctx.console.pause();
  stop_run(exit_error);
}

// A name for the console: a control character (a name taken from a damaged
// line of a file) as \xHH; "/" for "\" where `slashes`.
std::string shown_name(std::string_view name, bool slashes) {
  std::string shown;
  for (const char c : name) {
    const auto u = static_cast<unsigned char>(c);
    if (slashes && c == '\\')
      shown += '/';
    else if (u < 0x20 || u == 0x7F)
      shown += printable_text(std::string_view(&c, 1), 4);
    else
      shown += c;
  }
  return shown;
}

// " 错误:", the label without its trailing blanks and the message text.
std::string label_line(std::string_view label, std::string_view message) {
  return std::string(text::error_prefix) + shown_name(trim_trailing_blanks(label), false) + std::string(message);
}

// "<file> line L (record)" with the parts that are known.
std::string where(std::string_view file, std::size_t line, const std::string& record) {
  std::string w(file);
  if (line > 0) w += " line " + std::to_string(line);
  if (!record.empty()) w += " (" + record + ")";
  return w;
}

bool all_blank(const std::vector<std::string>& records) {
  for (const std::string& r : records)
    if (r.find_first_not_of(" \t") != std::string::npos) return false;
  return true;
}

// What went wrong with the last opening or read of `unit`, which returned
// `status`.
std::string describe_failure(const RunContext& ctx, std::int32_t status, std::string_view label, std::int32_t unit,
                             const RecordName& record) {
  const std::string file = unit_file_name(ctx, unit, label);
  const UnitTable::OpenAttempt* opened = ctx.units.last_open(unit);
  // A file that could not be opened: the record is named only when the
  // status is the opening's own (a read of the unopened unit names the file
  // alone).
  if (!ctx.units.is_open(unit) && opened && opened->status != io_status::ok)
    return where(file, 0, status == io_status::not_connected ? std::string{} : record.text()) +
           (opened->status == io_status::file_not_found ? ": file not found" : ": cannot be opened");
  const TextUnit* t = ctx.units.text(unit);
  const bool read_failed = t && (status == io_status::bad_value || status == io_status::end_of_file);
  const std::int64_t failed_item = read_failed ? static_cast<std::int64_t>(t->failed_item) : -1;
  const std::string name = record.text(failed_item);
  if (status == io_status::bad_value && t && t->bad_value_line > 0)
    return where(file, t->bad_value_line, name) + ": bad value \"" + t->bad_value_text + "\", " +
           (t->bad_value_problem.empty() ? "not a number" : t->bad_value_problem);
  if (status == io_status::end_of_file && t) {
    if (all_blank(t->records)) return file + ": the file is empty";
    return where(file, 0, name) + ": the file ends after line " + std::to_string(t->records.size()) +
           (name.empty() ? " before all values are read" : " before this record is complete");
  }
  if (status == io_status::end_of_file) return where(file, 0, name) + ": the file ends before this record";
  if (status == 101) return where(file, 0, name) + ": a node number outside the node list";
  return where(file, 0, name) + ": cannot be read (status " + std::to_string(status) + ")";
}

}  // namespace

std::string RecordName::text(std::int64_t failed_item) const {
  if (!is_counted_) return text_;
  const CountedRecord& c = counted_;
  std::int64_t entry = c.entry;
  if (entry == 0 && failed_item >= 0 && c.values_per_entry > 0)
    entry = std::clamp<std::int64_t>(failed_item / c.values_per_entry + 1, 1, std::max<std::int64_t>(c.count, 1));
  std::string t(c.singular);
  t += entry > 0 ? " " + std::to_string(entry) + " of " + std::to_string(c.count)
                 : " 1 to " + std::to_string(c.count);
  if (!c.part.empty()) t += ", " + std::string(c.part);
  if (c.count_line > 0) t += "; count on line " + std::to_string(c.count_line);
  return t;
}

std::string value_text(float v) {
  char buf[32];
  const auto r = std::to_chars(buf, buf + sizeof buf, v);
  return std::string(buf, r.ptr);
}

std::string unit_file_name(const RunContext& ctx, std::int32_t unit, std::string_view label) {
  std::string name;
  if (const UnitTable::OpenAttempt* opened = ctx.units.last_open(unit)) {
    name = opened->name;
  } else {
    // The label's file: without its leading backslash and its section.
    std::string_view l = trim_trailing_blanks(label);
    while (!l.empty() && l.front() == '\\') l.remove_prefix(1);
    name = std::string(l.substr(0, l.find(':')));
  }
  return shown_name(name, true);
}

void check_read_status(RunContext& ctx, std::int32_t status, std::string_view label, std::int32_t unit,
                       const RecordName& record) {
  if (status == 0) return;
  if (status >= 100 && status != 101) return;
  report_and_stop(ctx, label_line(label, status == 101 ? text::node_out_of_range : text::data_error),
                  describe_failure(ctx, status, label, unit, record));
}

void check_search_status(RunContext& ctx, std::int32_t status, std::string_view label, std::int32_t unit,
                         std::string_view line) {
  const TextUnit* t = ctx.units.text(unit);
  if (status == io_status::end_of_file && t)
    report_and_stop(ctx, label_line(label, text::data_error),
                    unit_file_name(ctx, unit, label) + ": the file ends after line " +
                        std::to_string(t->records.size()) + " without " + std::string(line));
  check_read_status(ctx, status, label, unit);
}

void stop_with_data_error(RunContext& ctx, std::string_view label, std::int32_t unit, const RecordName& record,
                          std::string_view problem) {
  report_and_stop(ctx, label_line(label, text::data_error),
                  where(unit_file_name(ctx, unit, label), 0, record.text()) + ": " + std::string(problem));
}

void stop_with_bad_value(RunContext& ctx, std::string_view label, std::int32_t unit, const RecordName& record,
                         std::string_view problem) {
  stop_with_data_error(ctx, label, unit, record, "bad value " + std::string(problem));
}

void stop_with_message(RunContext& ctx, std::string_view message, std::string_view label, std::int32_t unit,
                       const RecordName& record, std::string_view problem) {
  report_and_stop(ctx, message,
                  where(unit_file_name(ctx, unit, label), 0, record.text()) + ": " + std::string(problem));
}

void stop_with_too_few_points(RunContext& ctx, const InterpolatedPoints& points, std::int32_t n, std::int32_t k) {
  stop_with_message(ctx, too_few_interpolation_points, points.label, points.unit, points.record,
                    std::to_string(std::max(n, 0)) + " points, must be " + std::to_string(k) + " or more");
}

void check_count_fits_file(RunContext& ctx, std::string_view label, std::int32_t unit, const RecordName& record,
                           std::string_view count_name, std::int64_t count) {
  if (count <= kCountSlack) return;
  const std::int64_t left = values_left(ctx.units, unit);
  if (count <= left + kCountSlack) return;
  stop_with_bad_value(ctx, label, unit, record,
                      std::string(count_name) + " " + std::to_string(count) + ", more records than the " +
                          std::to_string(left) + " values that the rest of the file holds");
}

namespace {

std::string size_with_decimals(double bytes, int decimals) {
  char size[64];
  if (bytes >= 1.0e9)
    std::snprintf(size, sizeof size, "%.*f GB", decimals, bytes / 1.0e9);
  else
    std::snprintf(size, sizeof size, "%.*f MB", decimals, bytes / 1.0e6);
  return size;
}

std::string limit_with_decimals(int decimals) {
  const MemoryLimit limit = memory_limit();
  return (limit.address_space ? "the address-space limit of this run, " : "the memory of this machine, ") +
         size_with_decimals(static_cast<double>(limit.bytes), decimals);
}

// "<size>, more than <limit>", with as many decimals as tell the two apart.
std::string more_than_the_limit(double bytes) {
  const double limit = static_cast<double>(memory_limit_bytes());
  int decimals = 1;
  while (decimals < 4 && size_with_decimals(bytes, decimals) == size_with_decimals(limit, decimals)) ++decimals;
  return size_with_decimals(bytes, decimals) + "), more than " + limit_with_decimals(decimals);
}

}  // namespace

std::string memory_size_text(double bytes) { return size_with_decimals(bytes, 1); }

std::string memory_limit_text() { return limit_with_decimals(1); }

namespace {

[[noreturn]] void stop_for_memory(RunContext& ctx, const CountSource& source, const std::string& problem) {
  report_and_stop(ctx, label_line(source.label, text::data_error),
                  where(unit_file_name(ctx, source.unit, source.label), 0, std::string(source.record)) + ": " +
                      problem);
}

}  // namespace

void check_tables_fit_memory(RunContext& ctx, const CountSource& source, double bytes) {
  if (bytes > static_cast<double>(memory_limit_bytes()))
    stop_for_memory(ctx, source, "counts that ask for tables (" + more_than_the_limit(bytes));
}

void stop_with_table_too_large(RunContext& ctx, const CountSource& source, std::span<const std::int64_t> extents,
                               std::size_t value_bytes) {
  std::string table;
  double bytes = static_cast<double>(value_bytes);
  for (const std::int64_t e : extents) {
    table += (table.empty() ? "" : " x ") + std::to_string(std::max<std::int64_t>(e, 0));
    bytes *= static_cast<double>(std::max<std::int64_t>(e, 0));
  }
  const std::string asked = "counts that ask for a table of " + table + " values (";
  // Larger than the limit: refused before anything was allocated; within it,
  // the allocation itself failed, for the memory that the run already holds.
  stop_for_memory(ctx, source,
                  bytes > static_cast<double>(memory_limit_bytes())
                      ? asked + more_than_the_limit(bytes)
                      : asked + memory_size_text(bytes) + "), whose allocation failed within " + memory_limit_text());
}

void stop_with_unknown_node(RunContext& ctx, std::string_view label, std::int32_t unit, const RecordName& record,
                            std::int32_t node) {
  report_and_stop(ctx, label_line(label, text::node_out_of_range),
                  where(unit_file_name(ctx, unit, label), 0, record.text()) + ": node " + std::to_string(node) +
                      " is not in the node list");
}

}  // namespace tb
