#include "input/external_forces.h"

#include <algorithm>
#include <string>

#include "input/node_search.h"
#include "input/read_errors.h"
#include "model/file_names.h"
#include "platform/list_read.h"

namespace tb {

namespace {

// This reader's name carries no leading backslash.
constexpr std::string_view kForcesLabel = bare_file_name(external_forces_file);

// Every record after the count is needed.
void check_forces_read(RunContext& ctx, std::int32_t status, const RecordName& record) {
  check_read_status(ctx, status, kForcesLabel, ctx.control.unit_external_forces, record);
}

[[noreturn]] void forces_bad_value(RunContext& ctx, const std::string& record, const std::string& problem) {
  stop_with_bad_value(ctx, kForcesLabel, ctx.control.unit_external_forces, record, problem);
}

}  // namespace

void read_external_forces(RunContext& ctx) {
  ExternalForceTable& e = ctx.external_forces;
  UnitTable& units = ctx.units;
  const std::int32_t unit = ctx.control.unit_external_forces;

  // A file that is not there (the console has said so) or that is empty
  // gives no forces; a count that does not read as a number is an error.
  e.external_force_count = 0;
  if (!units.is_open(unit)) return;
  units.rewind(unit);
  const std::int32_t count_status = read_list(units, unit, {e.external_force_count});
  if (count_status == io_status::end_of_file) return;
  check_forces_read(ctx, count_status, "number of forces");

  // Zeroed, so that whatever a short file leaves unread is 0.
  const std::int32_t n = e.external_force_count;
  if (n < 0) forces_bad_value(ctx, "number of forces", std::to_string(n) + ", must be 0 or more");
  check_count_fits_file(ctx, kForcesLabel, unit, "number of forces", "force count", n);
  const std::size_t count_line = last_read_line(units, unit);
  e.force_node.resize(n);
  e.force_dof.resize(n);
  e.force_kind.resize(n);
  e.force_point_count.resize(n);
  e.force_amplitude.resize(n);
  e.force_frequency.resize(n);
  e.force_phase.resize(n);

  for (std::int32_t i = 1; i <= n; ++i) {
    const std::string force = "force " + std::to_string(i);
    check_forces_read(ctx, read_list(units, unit, {e.force_node(i), e.force_dof(i), e.force_kind(i)}),
                      counted_entry("force", i, n, count_line, "node, component and kind"));
    // The force is one component of a six-component nodal load.
    if (e.force_dof(i) < 1 || e.force_dof(i) > 6)
      forces_bad_value(ctx, force + ", node, component and kind",
                       "component " + std::to_string(e.force_dof(i)) + ", must be 1 to 6");

    if (e.force_kind(i) == 0) {
      check_forces_read(ctx, read_list(units, unit, {e.force_amplitude(i), e.force_frequency(i), e.force_phase(i)}),
                        counted_entry("force", i, n, count_line, "amplitude, frequency and phase"));
      continue;
    }
    std::int32_t table_length = 0;
    const std::string table = force + ", table length and point count";
    check_forces_read(ctx, read_list(units, unit, {table_length, e.force_point_count(i)}),
                      counted_entry("force", i, n, count_line, "table length and point count"));
    const std::size_t point_count_line = last_read_line(units, unit);
    if (table_length < 0 || e.force_point_count(i) < 0)
      forces_bad_value(ctx, table,
                       table_length < 0 ? "table length " + std::to_string(table_length) + ", must be 0 or more"
                                        : "point count " + std::to_string(e.force_point_count(i)) +
                                              ", must be 0 or more");
    // The first tabulated force sizes the tables of all forces.
    if (!e.force_table_time.allocated()) {
      const CountSource sized{kForcesLabel, unit, table};
      check_tables_fit_memory(ctx, sized, 8.0 * table_length * n);
      resize_from_counts(ctx, sized, e.force_table_time, table_length, n);
      resize_from_counts(ctx, sized, e.force_table_value, table_length, n);
    }
    if (e.force_point_count(i) > e.force_table_time.extent(1))
      forces_bad_value(ctx, table,
                       "point count " + std::to_string(e.force_point_count(i)) + ", must be at most " +
                           std::to_string(e.force_table_time.extent(1)) + " (the first table's length)");
    for (std::int32_t j = 1; j <= e.force_point_count(i); ++j)
      check_forces_read(ctx, read_list(units, unit, {e.force_table_time(j, i), e.force_table_value(j, i)}),
                        counted_entry("point", j, e.force_point_count(i), point_count_line, force));
  }

  const BridgeModalModel& b = ctx.bridge;
  const std::int32_t nodes =
      std::min<std::int32_t>(b.bridge_node_count, static_cast<std::int32_t>(b.node_numbers.size()));
  for (std::int32_t i = 1; i <= n; ++i) {
    const std::int32_t position = find_node_index(e.force_node(i), b.node_numbers.data(), nodes);
    if (position == 0)
      stop_with_unknown_node(ctx, kForcesLabel, unit, "force " + std::to_string(i) + ", bridge node", e.force_node(i));
    e.force_node(i) = position;
  }
}

}  // namespace tb
