// Reader of the bridge modal master file "Modal_Substructure_Bridge.dat".
#include <algorithm>
#include <array>
#include <string>
#include <utility>
#include <vector>

#include "input/bridge_modal.h"
#include "input/input_paths.h"
#include "input/read_errors.h"
#include "model/file_names.h"
#include "platform/list_read.h"
#include "platform/stop.h"
#include "platform/texts.h"

namespace tb {

namespace {

constexpr std::int32_t kMaxExcludedRanges = 100;
constexpr std::size_t kTextLineWidth = 256;

// Leaves the array with the given extents and every element zero. Storage
// that already has these extents is kept; an array that does not exist yet,
// or whose extents no longer agree with the counts just read, is created anew.
template <class T, int R, class... N>
void create_or_zero(RunContext& ctx, const CountSource& source, Array<T, R>& a, N... counts) {
  const std::array<std::int64_t, R> c{static_cast<std::int64_t>(counts)...};
  bool keep = a.allocated();
  for (int d = 0; d < R && keep; ++d) keep = a.extent(d + 1) == std::max<std::int64_t>(0, c[d]);
  if (keep)
    a.fill(T{});
  else
    resize_from_counts(ctx, source, a, counts...);
}

// Every record up to the substructure list is needed: a value that does not
// read as a number, or a file that ends early, stops the run.
void check_master_read(RunContext& ctx, std::int32_t status, const RecordName& record) {
  check_read_status(ctx, status, bridge_master_file, ctx.control.unit_bridge_master, record);
}

[[noreturn]] void master_bad_value(RunContext& ctx, std::string_view record, const std::string& problem,
                                   std::string_view label = bridge_master_file) {
  stop_with_bad_value(ctx, label, ctx.control.unit_bridge_master, record, problem);
}

// The header: the five counts, the number of excluded ranges and that many
// (first mode, last mode) pairs, all one read statement. The pair count is
// known only once it has been read, so the statement is read once for the
// counts and then again from the same record with the pairs.
void read_master_header(RunContext& ctx, std::int32_t unit) {
  BridgeModalModel& b = ctx.bridge;
  std::int32_t n = b.bridge_node_count, ni = b.interface_node_count, k = b.spring_element_count,
               p = b.output_point_count, m = b.bridge_mode_count, ne = b.excluded_range_count;
  TextUnit* text = ctx.units.text(unit);
  const std::size_t start = text ? text->position : 0;
  constexpr std::string_view record = "header: counts and excluded mode ranges";
  check_master_read(ctx, read_list(ctx.units, unit, {n, ni, k, p, m, ne}), record);
  // A negative count is no model; the table holds 100 excluded ranges, and
  // more would be written past its end.
  const std::pair<const char*, std::int32_t> counts[] = {{"node count", n},         {"interface node count", ni},
                                                         {"spring element count", k}, {"output point count", p},
                                                         {"mode count", m},         {"excluded range count", ne}};
  for (const auto& [name, value] : counts)
    if (value < 0) master_bad_value(ctx, record, std::string(name) + " " + std::to_string(value) + ", must be 0 or more");
  if (ne > kMaxExcludedRanges)
    master_bad_value(ctx, record, "excluded range count " + std::to_string(ne) + ", must be at most 100");
  if (text) text->position = start;

  std::vector<ReadTarget> targets{b.bridge_node_count,  b.interface_node_count, b.spring_element_count,
                                  b.output_point_count, b.bridge_mode_count,    b.excluded_range_count};
  if (ne > 0)
    targets.push_back(ReadTarget::ints(b.excluded_mode_ranges.at_ptr(1, 1), static_cast<std::size_t>(2 * ne)));
  check_master_read(ctx, read_list(ctx.units, unit, targets), record);

  // The node table, the interface nodes, the spring elements and the output
  // points follow in this file: a count that the rest of it cannot hold is
  // refused before it sizes a table.
  const std::pair<const char*, std::int32_t> records[] = {
      {"node count", n}, {"interface node count", ni}, {"spring element count", k}, {"output point count", p}};
  for (const auto& [name, count] : records) check_count_fits_file(ctx, bridge_master_file, unit, record, name, count);
}

// One row of several values per entry i = 1..count: (i, 1..columns).
void read_rows(RunContext& ctx, std::int32_t unit, Array2<std::int32_t>& a, std::int32_t count, std::int32_t columns,
               const RecordName& record) {
  std::vector<ReadTarget> targets;
  targets.reserve(static_cast<std::size_t>(count));
  for (std::int32_t i = 1; i <= count; ++i)
    targets.push_back(ReadTarget::ints(a.at_ptr(i, 1), static_cast<std::size_t>(columns),
                                       static_cast<std::ptrdiff_t>(a.stride(2))));
  check_master_read(ctx, read_list(ctx.units, unit, targets), record);
}

// The first line that is not blank, taken as text (trailing blanks dropped).
// A file that ends before such a line is a truncated substructure list.
void read_text_line(RunContext& ctx, std::int32_t unit, std::string& text, const RecordName& record) {
  std::string line;
  for (;;) {
    const std::int32_t status = read_text_record(ctx.units, unit, line, kTextLineWidth);
    if (status != io_status::ok) check_master_read(ctx, status, record);
    const std::string_view t = trim_trailing_blanks(line);
    if (!t.empty()) {
      text.assign(t);
      return;
    }
  }
}

void read_substructure_list(RunContext& ctx, std::int32_t unit) {
  BridgeModalModel& b = ctx.bridge;
  check_master_read(ctx, read_list(ctx.units, unit, {b.substructure_count}), "substructure count");
  const std::int32_t s = b.substructure_count;
  if (s < 0) master_bad_value(ctx, "substructure count", std::to_string(s) + ", must be 0 or more");
  check_count_fits_file(ctx, bridge_master_file, unit, "substructure count", "substructure count", s);
  const std::size_t count_line = last_read_line(ctx.units, unit);
  b.substructure_dirs.resize(s);
  b.substructure_files.resize(s);
  b.substructure_mode_counts.resize(s);
  b.damping_frequency_1.resize(s);
  b.damping_frequency_2.resize(s);
  b.damping_ratio_1.resize(s);
  b.damping_ratio_2.resize(s);
  for (std::int32_t i = 1; i <= s; ++i) {
    b.modal_file_index = i;
    const std::string sub = "substructure " + std::to_string(i);
    const auto entry = [&](std::string_view part) { return counted_entry("substructure", i, s, count_line, part); };
    read_text_line(ctx, unit, b.substructure_dirs(i), entry("directory line"));
    read_text_line(ctx, unit, b.substructure_files(i), entry("file line"));
    check_master_read(ctx, read_list(ctx.units, unit, {b.substructure_mode_counts(i)}), entry("mode count"));
    // A negative count would shift the following substructures' modes.
    if (b.substructure_mode_counts(i) < 0)
      master_bad_value(ctx, sub + ", mode count",
                       std::to_string(b.substructure_mode_counts(i)) + ", must be 0 or more");
    check_master_read(
        ctx,
        read_list(ctx.units, unit,
                  {b.damping_frequency_1(i), b.damping_frequency_2(i), b.damping_ratio_1(i), b.damping_ratio_2(i)}),
        entry("damping frequencies and ratios"));
  }
  b.modal_file_index = s + 1;

  std::int64_t modes = 0;
  for (std::int32_t i = 1; i <= s; ++i) modes += b.substructure_mode_counts(i);
  if (modes > b.bridge_mode_count) {
    ctx.console.list_line({text::too_many_modes});
    master_bad_value(ctx, "substructure mode counts",
                     std::to_string(modes) + " modes in the substructures, must be at most " +
                         std::to_string(b.bridge_mode_count) + " (the header's mode count)");
  }
}

}  // namespace

void read_bridge_modal_master(RunContext& ctx) {
  BridgeModalModel& b = ctx.bridge;
  const std::int32_t unit = ctx.control.unit_bridge_master;
  ctx.units.close(unit);
  const std::int32_t opened =
      ctx.units.open(unit, input_file_name(ctx.control, bridge_master_file), OpenMode::old, UnitForm::text);
  check_read_status(ctx, opened, bridge_master_file, unit);

  read_master_header(ctx, unit);
  const std::size_t header_line = last_read_line(ctx.units, unit);
  const std::int32_t n = b.bridge_node_count, ni = b.interface_node_count, k = b.spring_element_count,
                     p = b.output_point_count, m = b.bridge_mode_count;

  const CountSource sized{bridge_master_file, unit, "header: counts and excluded mode ranges"};
  // The node, element and output tables, 3 values per mode and the mode
  // shapes of every node and of every interface node.
  check_tables_fit_memory(ctx, sized,
                          4.0 * (4.0 * n + 2.0 * ni + 4.0 * k + 5.0 * p + 3.0 * m + 6.0 * m * (double(n) + ni)));
  create_or_zero(ctx, sized, b.node_numbers, n);
  create_or_zero(ctx, sized, b.interface_nodes, ni);
  create_or_zero(ctx, sized, b.node_coordinates, n, 3);
  create_or_zero(ctx, sized, b.spring_elements, k, 4);
  create_or_zero(ctx, sized, b.output_points, p, 2);
  create_or_zero(ctx, sized, b.output_point_response, p, 3);
  create_or_zero(ctx, sized, b.mode_frequency, m);
  create_or_zero(ctx, sized, b.mode_damping_ratio_work, m);
  create_or_zero(ctx, sized, b.mode_damping_ratio, m);
  create_or_zero(ctx, sized, b.mode_shapes, m, n, 6);

  // Node table: number, x, y, z per node. With no nodes the read still
  // passes over one record.
  {
    std::vector<ReadTarget> targets;
    targets.reserve(2 * static_cast<std::size_t>(std::max(n, 0)));
    for (std::int32_t i = 1; i <= n; ++i) {
      targets.push_back(ReadTarget::ints(b.node_numbers.at_ptr(i), 1));
      targets.push_back(ReadTarget::reals(b.node_coordinates.at_ptr(i, 1), 3,
                                          static_cast<std::ptrdiff_t>(b.node_coordinates.stride(2))));
    }
    check_master_read(ctx, read_list(ctx.units, unit, targets), counted("node", n, header_line, 4));
  }
  if (ni >= 1)
    check_master_read(ctx, read_list(ctx.units, unit, {b.interface_nodes.span()}),
                      counted("interface node", ni, header_line));
  if (k >= 1) read_rows(ctx, unit, b.spring_elements, k, 4, counted("spring-damper element", k, header_line, 4));
  if (p >= 1) {
    read_rows(ctx, unit, b.output_points, p, 2, counted("output point", p, header_line, 2));
    // The direction code selects one of the six mode-shape components.
    for (std::int32_t q = 1; q <= p; ++q)
      if (b.output_points(q, 2) < 1 || b.output_points(q, 2) > 6)
        master_bad_value(ctx, "output points",
                         "direction " + std::to_string(b.output_points(q, 2)) + " of output point " +
                             std::to_string(q) + ", must be 1 to 6",
                         bridge_output_nodes_section);
  }

  create_or_zero(ctx, sized, b.interface_point_key, ni);
  create_or_zero(ctx, sized, b.interface_point_modes, ni, m, 6);

  if (ctx.solution.substructure_list_switch == 1) read_substructure_list(ctx, unit);
}

}  // namespace tb
