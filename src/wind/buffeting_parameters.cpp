#include "wind/buffeting_parameters.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <initializer_list>
#include <span>
#include <string_view>

#include "input/node_search.h"
#include "input/read_errors.h"
#include "model/file_names.h"
#include "platform/list_read.h"
#include "platform/stop.h"

namespace tb {

namespace {

// The file lies in the working directory: its name carries no backslash.

// One record; the panel model is only usable whole, so a read that fails
// (also at the end of the file) stops the run, naming the record.
void read_record(RunContext& ctx, const RecordName& record, std::initializer_list<ReadTarget> targets) {
  BuffetingWindData& b = ctx.buffeting;
  b.buffeting_read_status = read_list(ctx.units, ctx.control.unit_parameter_input, targets);
  check_read_status(ctx, b.buffeting_read_status, buffeting_parameters_file, ctx.control.unit_parameter_input, record);
}

// A value of the file that the panel model cannot use.
[[noreturn]] void parameter_bad_value(RunContext& ctx, const RecordName& record, const std::string& problem) {
  stop_with_bad_value(ctx, buffeting_parameters_file, ctx.control.unit_parameter_input, record, problem);
}

// Section records: ids 1, 2, 3 in record order, each with its reference point
// and 1 to max_panel_count panels (ends, then pressures and part code).
void read_sections(RunContext& ctx) {
  BuffetingWindData& b = ctx.buffeting;
  const std::int32_t ns = b.deck_section_count;
  const std::int32_t np = b.max_panel_count;
  const CountSource sized{buffeting_parameters_file, ctx.control.unit_parameter_input,
                          "header: number of sections and largest number of panels"};
  b.section_ids.resize(kMaxDeckSections);
  b.section_reference_x.resize(kMaxDeckSections);
  b.section_reference_y.resize(kMaxDeckSections);
  b.section_panel_count.resize(kMaxDeckSections);
  resize_from_counts(ctx, sized, b.panel_ends, np, 4, ns);
  resize_from_counts(ctx, sized, b.panel_pressures, np, 3, ns);
  for (std::int32_t i = 1; i <= ns; ++i) {
    const std::string section = "section " + std::to_string(i);
    read_record(ctx, section + ", id", {b.section_ids(i)});
    // A section's panel count is kept at its record position and looked up
    // by its id, so record i must be section i.
    const std::int32_t id = b.section_ids(i);
    if (id != i)
      parameter_bad_value(ctx, section + ", id", "id " + std::to_string(id) + ", must be " + std::to_string(i));
    read_record(ctx, section + ", reference point", {b.section_reference_x(id), b.section_reference_y(id)});
    read_record(ctx, section + ", number of panels", {b.section_panel_count(i)});
    const std::int32_t n = b.section_panel_count(i);
    if (n < 1 || n > np)
      parameter_bad_value(ctx, section + ", number of panels",
                          std::to_string(n) + ", must be 1 to " + std::to_string(np) + " (the header's largest)");
    for (std::int32_t j = 1; j <= n; ++j) {
      read_record(ctx, counted_entry("panel", j, n, 0, section + ", ends"),
                  {ReadTarget::reals(b.panel_ends.at_ptr(j, 1, id), 4,
                                     static_cast<std::ptrdiff_t>(b.panel_ends.stride(2)))});
      read_record(ctx, counted_entry("panel", j, n, 0, section + ", pressures"),
                  {ReadTarget::reals(b.panel_pressures.at_ptr(j, 1, id), 3,
                                     static_cast<std::ptrdiff_t>(b.panel_pressures.stride(2)))});
    }
  }
}

// Span groups: the section, then one node row per panel of that section,
// first node numbers and last node numbers.
void read_span_groups(RunContext& ctx) {
  BuffetingWindData& b = ctx.buffeting;
  const std::int32_t np = b.max_panel_count;
  read_record(ctx, "number of span groups", {b.span_group_count});
  const std::size_t count_line = last_read_line(ctx.units, ctx.control.unit_parameter_input);
  const std::int32_t ng = b.span_group_count;
  if (ng < 1) parameter_bad_value(ctx, "number of span groups", std::to_string(ng) + ", must be 1 or more");
  check_count_fits_file(ctx, buffeting_parameters_file, ctx.control.unit_parameter_input, "number of span groups",
                        "span group count", ng);
  const CountSource sized{buffeting_parameters_file, ctx.control.unit_parameter_input, "number of span groups"};
  resize_from_counts(ctx, sized, b.group_section, ng);
  resize_from_counts(ctx, sized, b.group_row_count, ng);
  resize_from_counts(ctx, sized, b.group_first_nodes, np, ng);
  resize_from_counts(ctx, sized, b.group_last_nodes, np, ng);
  for (std::int32_t i = 1; i <= ng; ++i) {
    const auto group = [&](std::string_view part) { return counted_entry("span group", i, ng, count_line, part); };
    read_record(ctx, group("section"), {b.group_section(i)});
    const std::int32_t s = b.group_section(i);
    if (s < 1 || s > b.deck_section_count)
      parameter_bad_value(ctx, group("section"),
                          "section " + std::to_string(s) + ", must be 1 to " + std::to_string(b.deck_section_count));
    read_record(ctx, group("number of node rows"), {b.group_row_count(i)});
    const std::int32_t rows = b.group_row_count(i);
    if (rows != b.section_panel_count(s))
      parameter_bad_value(ctx, group("number of node rows"),
                          std::to_string(rows) + " node rows, must be " + std::to_string(b.section_panel_count(s)) +
                              ", the panels of section " + std::to_string(s));
    read_record(ctx, group("first nodes"),
                {std::span<std::int32_t>(b.group_first_nodes.at_ptr(1, i), static_cast<std::size_t>(rows))});
    read_record(ctx, group("last nodes"),
                {std::span<std::int32_t>(b.group_last_nodes.at_ptr(1, i), static_cast<std::size_t>(rows))});
  }
}

// Stations of every group from its row 1 (the other rows' last node numbers
// are not consulted), and the node number of every row at every station.
void build_station_table(RunContext& ctx) {
  BuffetingWindData& b = ctx.buffeting;
  const std::int32_t ng = b.span_group_count;
  b.group_station_count.resize(ng);
  b.group_station_offset.resize(ng);
  std::int64_t total = 0;
  for (std::int32_t i = 1; i <= ng; ++i) {
    const std::int64_t count =
        static_cast<std::int64_t>(b.group_last_nodes(1, i)) - static_cast<std::int64_t>(b.group_first_nodes(1, i)) + 1;
    const std::string group = "span group " + std::to_string(i) + ", first and last nodes";
    if (count < 1)
      parameter_bad_value(ctx, group,
                          "last node " + std::to_string(b.group_last_nodes(1, i)) +
                              " of row 1, must not be below its first node " +
                              std::to_string(b.group_first_nodes(1, i)));
    // Every row runs over consecutive node numbers, which must stay numbers.
    for (std::int32_t r = 1; r <= b.group_row_count(i); ++r)
      if (static_cast<std::int64_t>(b.group_first_nodes(r, i)) + count - 1 > INT32_MAX)
        parameter_bad_value(ctx, group,
                            "first node " + std::to_string(b.group_first_nodes(r, i)) + " of row " + std::to_string(r) +
                                " with " + std::to_string(count) + " stations, node numbers beyond 2147483647");
    b.group_station_offset(i) = static_cast<std::int32_t>(total);
    total += count;
    if (total > INT32_MAX)
      parameter_bad_value(ctx, group, std::to_string(total) + " stations in all, more than 2147483647");
    b.group_station_count(i) = static_cast<std::int32_t>(count);
  }
  b.buffeting_station_count = static_cast<std::int32_t>(total);
  const std::int32_t np = b.max_panel_count;
  const CountSource sized{buffeting_parameters_file, ctx.control.unit_parameter_input,
                          "span groups: the stations of their first and last nodes"};
  resize_from_counts(ctx, sized, b.station_nodes, np, b.buffeting_station_count);
  resize_from_counts(ctx, sized, b.station_selfexcited_forces, 6 * np, b.buffeting_station_count);
  for (std::int32_t i = 1; i <= ng; ++i)
    for (std::int32_t r = 1; r <= b.group_row_count(i); ++r)
      for (std::int32_t k = 1; k <= b.group_station_count(i); ++k)
        b.station_nodes(r, b.group_station_offset(i) + k) = b.group_first_nodes(r, i) + k - 1;
}

// Length, unit normal (-dy, dx) / length, arms about the reference point and
// the end shares of the linear pressure of every panel. The outline is closed
// through the panels' start points: a panel's end arm is the next panel's
// start arm.
void derive_panel_geometry(RunContext& ctx) {
  BuffetingWindData& b = ctx.buffeting;
  const std::int32_t np = b.max_panel_count;
  const std::int32_t ns = b.deck_section_count;
  for (Array2<float>* a : {&b.panel_start_arm_x, &b.panel_start_arm_y, &b.panel_end_arm_x, &b.panel_end_arm_y,
                           &b.panel_length, &b.panel_normal_x, &b.panel_normal_y, &b.panel_start_load,
                           &b.panel_end_load})
    resize_from_counts(ctx, {buffeting_parameters_file, ctx.control.unit_parameter_input,
                             "header: number of sections and largest number of panels"},
                       *a, np, ns);
  for (std::int32_t i = 1; i <= ns; ++i) {
    const std::int32_t id = b.section_ids(i);
    const std::int32_t n = b.section_panel_count(i);
    for (std::int32_t j = 1; j <= n; ++j) {
      const float x1 = b.panel_ends(j, 1, id), y1 = b.panel_ends(j, 2, id);
      const float x2 = b.panel_ends(j, 3, id), y2 = b.panel_ends(j, 4, id);
      const float p1 = b.panel_pressures(j, 1, id), p2 = b.panel_pressures(j, 2, id);
      const float dx = x2 - x1;
      const float dy = y2 - y1;
      const float length = std::sqrt(dx * dx + dy * dy);
      // A panel without a length has no direction.
      if (!(length > 0.0f) || !std::isfinite(length))
        parameter_bad_value(ctx, "section " + std::to_string(i) + ", panel " + std::to_string(j) + ", ends",
                            "ends (" + value_text(x1) + ", " + value_text(y1) + ") and (" + value_text(x2) + ", " +
                                value_text(y2) + "), a panel of length " + value_text(length) + ", must be apart");
      b.panel_start_arm_x(j, id) = x1 - b.section_reference_x(id);
      b.panel_start_arm_y(j, id) = y1 - b.section_reference_y(id);
      b.panel_length(j, id) = length;
      b.panel_normal_y(j, id) = dx / length;
      b.panel_normal_x(j, id) = -(dy / length);
      if (p2 == p1) {
        b.panel_start_load(j, id) = (0.5f * p1) * length;
        b.panel_end_load(j, id) = (0.5f * p1) * length;
      } else {
        // L (2 p1 + p2) / 6 at the start, L (p1 + 2 p2) / 6 at the end.
        const float slope = (p2 - p1) / length;
        b.panel_start_load(j, id) = (length * 0.16666667f * slope + 0.5f * p1) * length;
        b.panel_end_load(j, id) = (0.5f * p1 + length * 0.33333334f * slope) * length;
      }
    }
  }
  for (std::int32_t i = 1; i <= ns; ++i) {
    const std::int32_t id = b.section_ids(i);
    const std::int32_t n = b.section_panel_count(i);
    for (std::int32_t j = 1; j <= n; ++j) {
      const std::int32_t next = j < n ? j + 1 : 1;
      b.panel_end_arm_x(j, id) = b.panel_start_arm_x(next, id);
      b.panel_end_arm_y(j, id) = b.panel_start_arm_y(next, id);
    }
  }
}

}  // namespace

std::int32_t buffeting_node_section(const BuffetingWindData& b, std::int64_t node_number) {
  std::int32_t section = 0;
  for (std::int32_t g = 1; g <= b.span_group_count; ++g)
    if (b.group_first_nodes(1, g) <= node_number && node_number <= b.group_last_nodes(1, g))
      section = b.group_section(g);
  return section;
}

std::int32_t buffeting_station_group(const BuffetingWindData& b, std::int64_t station) {
  for (std::int32_t g = 1; g <= b.span_group_count; ++g) {
    const std::int64_t offset = b.group_station_offset(g);
    if (station > offset && station <= offset + b.group_station_count(g)) return g;
  }
  return 0;
}

void read_buffeting_wind_parameters(RunContext& ctx) {
  BuffetingWindData& b = ctx.buffeting;
  const std::int32_t unit = ctx.control.unit_parameter_input;
  b.buffeting_read_status =
      ctx.units.open(unit, std::string(buffeting_parameters_file), OpenMode::unknown, UnitForm::text);
  check_read_status(ctx, b.buffeting_read_status, buffeting_parameters_file, unit);

  const std::string header = "header: number of sections and largest number of panels";
  read_record(ctx, header, {b.deck_section_count, b.max_panel_count});
  // Three section records at most; six values per panel row must stay
  // countable.
  if (b.deck_section_count < 1 || b.deck_section_count > kMaxDeckSections)
    parameter_bad_value(ctx, header,
                        std::to_string(b.deck_section_count) + " sections, must be 1 to " +
                            std::to_string(kMaxDeckSections));
  if (b.max_panel_count < 1 || b.max_panel_count > INT32_MAX / 6)
    parameter_bad_value(ctx, header,
                        "largest number of panels " + std::to_string(b.max_panel_count) + ", must be 1 to " +
                            std::to_string(INT32_MAX / 6));

  read_sections(ctx);
  read_span_groups(ctx);
  build_station_table(ctx);
  derive_panel_geometry(ctx);
}

void locate_buffeting_wind_node(RunContext& ctx) {
  BuffetingWindData& b = ctx.buffeting;
  const BridgeModalModel& bridge = ctx.bridge;
  const std::int32_t nodes =
      std::min<std::int32_t>(bridge.bridge_node_count, static_cast<std::int32_t>(bridge.node_numbers.size()));
  for (std::int32_t k = 1; k <= b.buffeting_station_count; ++k) {
    const std::int32_t section = buffeting_node_section(b, b.station_nodes(1, k));
    const std::int32_t own_group = buffeting_station_group(b, k);
    // The section that the row-1 node selects (the last group holding it)
    // must find a node row for each of its panels in the station's own group.
    if (section == 0 || own_group == 0 || b.section_panel_count(section) > b.group_row_count(own_group))
      parameter_bad_value(ctx, "span groups, first and last nodes",
                          "node " + std::to_string(b.station_nodes(1, k)) + " of station " + std::to_string(k) +
                              (section == 0 ? ", which no span group holds"
                                            : ", whose section " + std::to_string(section) +
                                                  " has more panels than its group has node rows"));
    for (std::int32_t r = 1; r <= b.section_panel_count(section); ++r) {
      const std::int32_t position = find_node_index(b.station_nodes(r, k), bridge.node_numbers.data(), nodes);
      if (position == 0)
        stop_with_unknown_node(ctx, bridge_buffeting_nodes_section, ctx.control.unit_parameter_input,
                               "span groups, node row " + std::to_string(r) + " of station " + std::to_string(k),
                               b.station_nodes(r, k));
      b.station_nodes(r, k) = position;
    }
  }
}

}  // namespace tb
