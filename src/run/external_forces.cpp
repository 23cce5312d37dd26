#include "run/external_forces.h"

#include <algorithm>

#include "platform/list_read.h"
#include "run/input_helpers.h"

namespace tb {

namespace {

// This reader's name carries no leading backslash.
constexpr std::string_view kForcesLabel = "ExternalForces.dat";

void forces_data_error(RunContext& ctx) { check_read_status(ctx, -1, kForcesLabel); }

}  // namespace

void read_external_forces(RunContext& ctx) {
  ExternalForceTable& e = ctx.external_forces;
  UnitTable& units = ctx.units;
  const std::int32_t unit = ctx.control.unit_external_forces;

  units.rewind(unit);
  // An empty file, or one whose first record is no count, gives no forces.
  e.external_force_count = 0;
  if (read_list(units, unit, {e.external_force_count}) != io_status::ok) return;

  // Zeroed, so that whatever a short file leaves unread is 0.
  const std::int32_t n = e.external_force_count;
  e.force_node.resize(n);
  e.force_dof.resize(n);
  e.force_kind.resize(n);
  e.force_point_count.resize(n);
  e.force_amplitude.resize(n);
  e.force_frequency.resize(n);
  e.force_phase.resize(n);

  std::int32_t status = io_status::ok;
  for (std::int32_t i = 1; i <= n; ++i) {
    read_list(units, unit, {e.force_node(i), e.force_dof(i), e.force_kind(i)});
    // The force is one component of a six-component nodal load.
    if (e.force_dof(i) < 1 || e.force_dof(i) > 6) forces_data_error(ctx);

    if (e.force_kind(i) == 0) {
      status = read_list(units, unit, {e.force_amplitude(i), e.force_frequency(i), e.force_phase(i)});
      continue;
    }
    std::int32_t table_length = 0;
    status = read_list(units, unit, {table_length, e.force_point_count(i)});
    // The points of a table whose header cannot be read have no place to go.
    if (status != io_status::ok) forces_data_error(ctx);
    // The first tabulated force sizes the tables of all forces.
    if (!e.force_table_time.allocated()) {
      e.force_table_time.resize(table_length, n);
      e.force_table_value.resize(table_length, n);
    }
    if (e.force_point_count(i) > e.force_table_time.extent(1)) forces_data_error(ctx);
    for (std::int32_t j = 1; j <= e.force_point_count(i); ++j)
      status = read_list(units, unit, {e.force_table_time(j, i), e.force_table_value(j, i)});
  }
  if (status != io_status::ok) forces_data_error(ctx);

  const BridgeModalModel& b = ctx.bridge;
  const std::int32_t nodes =
      std::min<std::int32_t>(b.bridge_node_count, static_cast<std::int32_t>(b.node_numbers.size()));
  for (std::int32_t i = 1; i <= n; ++i) {
    const std::int32_t position = find_node_index(e.force_node(i), b.node_numbers.data(), nodes);
    if (position == 0) check_read_status(ctx, 101, kForcesLabel);
    e.force_node(i) = position;
  }
}

}  // namespace tb
