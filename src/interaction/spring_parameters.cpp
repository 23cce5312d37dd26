#include "interaction/spring_parameters.h"

#include <algorithm>
#include <array>
#include <limits>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "input/read_errors.h"
#include "interaction/spring_laws.h"
#include "model/file_names.h"
#include "platform/list_read.h"
#include "platform/stop.h"
#include "platform/texts.h"

namespace tb {

namespace {

constexpr std::string_view kLabel = spring_parameters_label;

// Prints the message (if any), then the data-error line and the line that
// names the file of `unit` (one of the two spring files), the record and the
// value, and stops.
[[noreturn]] void reject(RunContext& ctx, std::int32_t unit, const std::string& record, const std::string& problem,
                         std::initializer_list<FmtArg> message = {}) {
  if (message.size() > 0) ctx.console.list_line(message);
  stop_with_bad_value(ctx, kLabel, unit, record, problem);
}

// A bridge file given with the vertical axis as z: its DOFs 2 and 3, and 5
// and 6, change places (the same table turns them back).
constexpr std::int32_t kSwappedDof[7] = {0, 1, 3, 2, 4, 6, 5};

// The value count (law code included) a record of a law must give; 0 for the
// laws whose records are not checked.
std::int32_t required_value_count(float code) {
  if (code == 1.0f) return 3;
  if (code == 2.0f || code == 3.0f) return 5;
  if (code == 4.0f || code == 100.0f) return 4;
  if (code == 5.0f || code == 6.0f) return 2;
  return 0;
}

// What differs between the two files.
struct SpringFile {
  std::int32_t unit;
  std::int32_t id_count;    // N of the header
  std::int32_t row_offset;  // 0 for vehicle ids, NV for bridge ids
  bool swap_axes;           // bridge file given with the vertical axis as z
  std::string_view id_above_count;
  std::string_view values_above_max;
  std::string_view count_mismatch;
  std::string_view type4_count_mismatch;
  std::vector<char>* ids_given;  // vehicle file: which ids have a block
};

// Reads the N id blocks of one file into the table. Once the file is at its
// end every further read would leave everything as it is, so reading stops
// (after the checks of an id record whose id the end cut short); a file that
// ends inside a block, after its id record announced degrees of freedom, is
// cut short and stops with the data-error line: its spring would otherwise
// exert no force without a word.
void read_spring_blocks(RunContext& ctx, const SpringFile& file) {
  SpringParameterTable& table = ctx.springs;
  Array3<float>& values = table.spring_parameters;
  const float time_step = ctx.solution.time_step;
  std::int32_t dof = 0;
  std::int32_t n = 0;
  if (!ctx.units.is_open(file.unit)) return;
  // The header, whose count of ids the blocks follow, was the last read.
  const std::size_t header_line = last_read_line(ctx.units, file.unit);
  for (std::int32_t i = 1; i <= file.id_count; ++i) {
    std::int32_t id = 0;
    std::int32_t ndof = 0;
    const std::string block = "block " + std::to_string(i);
    const std::int32_t id_status = read_list(ctx.units, file.unit, {id, ndof});
    if (id_status == io_status::end_of_file && id == 0) return;
    const std::string id_record = block + ", id and number of degrees of freedom";
    const std::string id_range = ", must be 1 to " + std::to_string(file.id_count) + " (the header's count)";
    if (id > file.id_count)
      reject(ctx, file.unit, id_record, "id " + std::to_string(id) + id_range, {file.id_above_count});
    check_read_status(ctx, id_status, kLabel, file.unit,
                      counted_entry("block", i, file.id_count, header_line, "id and number of degrees of freedom"));
    const std::size_t id_line = last_read_line(ctx.units, file.unit);
    // A block "0 0" is empty.
    if (id < 1 && (id != 0 || ndof > 0)) reject(ctx, file.unit, id_record, "id " + std::to_string(id) + id_range);
    if (ndof < 0)
      reject(ctx, file.unit, id_record, "number of degrees of freedom " + std::to_string(ndof) + ", must be 0 or more");
    if (id >= 1 && file.ids_given) (*file.ids_given)[static_cast<std::size_t>(id)] = 1;
    const std::int32_t row = file.row_offset + id;
    for (std::int32_t j = 1; j <= ndof; ++j) {
      const std::string group = block + ", degree of freedom group " + std::to_string(j);
      check_read_status(ctx, read_list(ctx.units, file.unit, {dof, n}), kLabel, file.unit,
                        counted_entry("degree of freedom group", j, ndof, id_line,
                                      block + ", degree of freedom and value count"));
      const std::size_t values_line = last_read_line(ctx.units, file.unit);
      const std::string count_record = group + ", value count";
      if (n < 0) reject(ctx, file.unit, count_record, std::to_string(n) + ", must be 0 or more");
      if (n > table.max_spring_values)
        reject(ctx, file.unit, count_record,
               std::to_string(n) + ", must be at most " + std::to_string(table.max_spring_values) +
                   " (the headers' largest)",
               {file.values_above_max});
      if (dof < 1 || dof > 6)
        reject(ctx, file.unit, group + ", degree of freedom", std::to_string(dof) + ", must be 1 to 6");
      if (file.swap_axes) dof = kSwappedDof[dof];
      // The law code is always read; its parameters p2..pn follow it.
      const std::size_t count = static_cast<std::size_t>(std::max<std::int32_t>(n, 1));
      check_read_status(ctx,
                        read_list(ctx.units, file.unit,
                                  {ReadTarget::reals(values.at_ptr(row, dof, 1), count,
                                                     static_cast<std::ptrdiff_t>(values.stride(3)))}),
                        kLabel, file.unit, counted("value", static_cast<std::int64_t>(count), values_line, 1, group));
      table.spring_dof_count = std::max(table.spring_dof_count, dof);

      std::array<float, 11> p{};
      for (std::int32_t k = 1; k <= spring_law_value_count; ++k) p[static_cast<std::size_t>(k)] = values(row, dof, k);
      const float code = p[1];
      const std::int32_t required = required_value_count(code);
      if (required != 0 && n != required)
        reject(ctx, file.unit, count_record,
               std::to_string(n) + ", law " + value_text(code) + " takes " + std::to_string(required) + " values",
               {code == 4.0f ? file.type4_count_mismatch : file.count_mismatch, i, j});
      const std::string law_record = group + ", law code and parameters";
      if (!is_known_spring_law(code))
        reject(ctx, file.unit, law_record, "law code " + value_text(code) + ", not a law of the program",
               {text::unknown_spring_type});
      if (!spring_law_parameters_usable(p, time_step))
        reject(ctx, file.unit, law_record, "parameters of law " + value_text(code) + ", the law cannot use them");
    }
  }
}

// Reads both headers (NV, NB and their largest value counts) and sizes the table.
void read_spring_headers(RunContext& ctx) {
  SpringParameterTable& table = ctx.springs;
  VehicleTypeLibrary& lib = ctx.vehicles;
  const std::int32_t vehicle_unit = ctx.control.unit_vehicle_springs;
  const std::int32_t bridge_unit = ctx.control.unit_bridge_springs;

  table = SpringParameterTable{};
  // A file that is not there (the console has said so) or that is empty
  // gives no spring laws: the vehicle file then keeps the spring count of the
  // vehicle type library. A header that does not read as numbers is an error.
  for (std::int32_t unit : {vehicle_unit, bridge_unit}) {
    if (!ctx.units.is_open(unit)) continue;
    ctx.units.rewind(unit);
    const std::int32_t status =
        unit == vehicle_unit ? read_list(ctx.units, unit, {lib.max_springs_per_type, table.vehicle_max_values})
                             : read_list(ctx.units, unit, {table.bridge_spring_id_count, table.bridge_max_values});
    if (status != io_status::end_of_file)
      check_read_status(ctx, status, kLabel, unit, "header: number of spring ids and largest value count");
  }
  const std::int32_t nv = lib.max_springs_per_type;
  const std::int32_t nb = table.bridge_spring_id_count;
  if (nv < 0 || nb < 0 || std::int64_t{nv} + nb > std::numeric_limits<std::int32_t>::max())
    reject(ctx, nv < 0 ? vehicle_unit : bridge_unit, "header: number of spring ids",
           std::to_string(nv < 0 ? nv : nb) + ", must be 0 or more");
  for (const auto& [unit, largest] : {std::pair{vehicle_unit, table.vehicle_max_values},
                                      std::pair{bridge_unit, table.bridge_max_values}})
    if (largest < 0)
      reject(ctx, unit, "header: largest value count", std::to_string(largest) + ", must be 0 or more");
  table.spring_id_count = nv + nb;
  table.max_spring_values = std::max(table.vehicle_max_values, table.bridge_max_values);
  const CountSource header{kLabel, nv >= nb ? vehicle_unit : bridge_unit,
                           "header: number of spring ids and largest value count"};
  resize_from_counts(ctx, header, table.spring_parameters, table.spring_id_count, 6,
                     std::max(table.max_spring_values, spring_law_value_count));
}

// Reads the id blocks of both files into the table; returns which vehicle ids have a block.
std::vector<char> read_spring_files(RunContext& ctx) {
  const std::int32_t nv = ctx.vehicles.max_springs_per_type;
  const std::int32_t nb = ctx.springs.bridge_spring_id_count;
  const std::int32_t vehicle_unit = ctx.control.unit_vehicle_springs;
  const std::int32_t bridge_unit = ctx.control.unit_bridge_springs;
  std::vector<char> vehicle_ids_given(static_cast<std::size_t>(nv) + 1, 0);
  read_spring_blocks(ctx, {vehicle_unit, nv, 0, false, text::vehicle_spring_id_count_above_max,
                           text::vehicle_spring_value_count_above_max, text::vehicle_spring_value_count_mismatch,
                           text::spring_value_count_mismatch, &vehicle_ids_given});
  read_spring_blocks(ctx, {bridge_unit, nb, nv, ctx.solution.Coordination_sys_bridge == 1,
                           text::bridge_spring_id_count_above_max, text::bridge_spring_value_count_above_max,
                           text::bridge_spring_value_count_mismatch, text::bridge_spring_value_count_mismatch,
                           nullptr});
  return vehicle_ids_given;
}

// Sizes the state tables of the bridge's elements, their branch states preset to 1.
void size_bridge_spring_state(RunContext& ctx) {
  SpringElementState& state = ctx.spring_state;
  const std::int32_t elements = ctx.bridge.spring_element_count;
  state.bridge_spring_state_prev.resize(elements, 6);
  state.bridge_spring_state.resize(elements, 6);
  state.bridge_spring_force_prev.resize(elements, 6);
  state.bridge_spring_force.resize(elements, 6);
  state.bridge_spring_memory_prev.resize(elements, 6);
  state.bridge_spring_memory.resize(elements, 6);
  state.bridge_spring_state_prev.fill(1);
  state.bridge_spring_state.fill(1);
}

// Checks the bridge elements' spring ids and reference nodes against the bridge file.
void check_bridge_spring_ids(RunContext& ctx) {
  const BridgeModalModel& bridge = ctx.bridge;
  const std::int32_t bridge_unit = ctx.control.unit_bridge_springs;
  const std::int32_t nb = ctx.springs.bridge_spring_id_count;
  const std::int32_t elements = bridge.spring_element_count;
  // Elements whose laws would come from a file that is not there.
  if (elements > 0 && !ctx.units.is_open(bridge_unit))
    check_read_status(ctx, io_status::file_not_found, kLabel, bridge_unit,
                      "the laws of the bridge's spring-damper elements");
  for (std::int32_t e = 1; e <= elements; ++e) {
    const std::int32_t id = bridge.spring_elements(e, 4);
    const std::string element = "spring-damper element " + std::to_string(e) + " of the bridge master file";
    if (id > nb || id < 1)
      reject(ctx, bridge_unit, element,
             "spring id " + std::to_string(id) + ", must be 1 to " + std::to_string(nb) + " (the ids of this file)",
             id > nb ? std::initializer_list<FmtArg>{text::bridge_spring_id_count_above_max}
                     : std::initializer_list<FmtArg>{});
    if (bridge.spring_elements(e, 3) < 0)
      reject(ctx, bridge_unit, element,
             "reference node " + std::to_string(bridge.spring_elements(e, 3)) + ", must be 0 (none) or a node");
  }
}

// Turns each bridge element's spring id b into its row NV + b of the table.
void renumber_bridge_spring_ids(RunContext& ctx) {
  BridgeModalModel& bridge = ctx.bridge;
  const std::int32_t nv = ctx.vehicles.max_springs_per_type;
  for (std::int32_t e = 1; e <= bridge.spring_element_count; ++e) bridge.spring_elements(e, 4) += nv;
}

// Sizes the state tables of the vehicle springs, their branch states preset to 1.
void size_vehicle_spring_state(RunContext& ctx) {
  SpringElementState& state = ctx.spring_state;
  const VehicleTypeLibrary& lib = ctx.vehicles;
  const TrainOrganization& trains = ctx.trains;
  // Vehicle springs: one state row per spring row of every vehicle of every
  // train, as many as the type with the most spring rows has (springs may
  // share ids, so a type may have more rows than there are ids, or fewer):
  // the step commits these tables, so their size follows the springs that
  // the vehicles have, not the number of ids of the file.
  std::int32_t springs = 0;
  for (std::int32_t ty = 1; ty <= lib.vehicle_type_count; ++ty) springs = std::max(springs, lib.vehicle_spring_count(ty));
  const std::int32_t nt = trains.train_count;
  const std::int32_t nvf = trains.max_vehicles_per_fleet;
  const std::string vehicle_springs = "train header: " + std::to_string(nt) + " trains of up to " +
                                      std::to_string(nvf) + " vehicles, whose types have up to " +
                                      std::to_string(springs) + " spring rows";
  const CountSource state_counts{vehicle_organization_file, ctx.control.unit_vehicle_organization, vehicle_springs};
  check_tables_fit_memory(ctx, state_counts, 6.0 * 6.0 * 4.0 * nt * nvf * springs);
  for (Array4<std::int32_t>* a : {&state.vehicle_spring_state_prev, &state.vehicle_spring_state})
    resize_from_counts(ctx, state_counts, *a, nt, nvf, springs, 6);
  for (Array4<float>* a : {&state.vehicle_spring_force_prev, &state.vehicle_spring_force,
                           &state.vehicle_spring_memory_prev, &state.vehicle_spring_memory})
    resize_from_counts(ctx, state_counts, *a, nt, nvf, springs, 6);
  state.vehicle_spring_state_prev.fill(1);
  state.vehicle_spring_state.fill(1);
}

// Checks the vehicle types' spring ids and reference nodes against the vehicle file.
void check_vehicle_spring_ids(RunContext& ctx, const std::vector<char>& vehicle_ids_given) {
  const VehicleTypeLibrary& lib = ctx.vehicles;
  const std::int32_t vehicle_unit = ctx.control.unit_vehicle_springs;
  const std::int32_t nv = lib.max_springs_per_type;
  for (std::int32_t ty = 1; ty <= lib.vehicle_type_count; ++ty) {
    for (std::int32_t s = 1; s <= lib.vehicle_spring_count(ty); ++s) {
      const std::int32_t id = lib.vehicle_spring_nodes(ty, s, 4);
      const std::string row = "spring row " + std::to_string(s) + " of vehicle type " + std::to_string(ty);
      if (id > nv || id < 1)
        reject(ctx, vehicle_unit, row,
               "spring id " + std::to_string(id) + ", must be 1 to " + std::to_string(nv) + " (the ids of this file)",
               id > nv ? std::initializer_list<FmtArg>{text::vehicle_spring_id_above_max}
                       : std::initializer_list<FmtArg>{});
      if (lib.vehicle_spring_nodes(ty, s, 3) < 0)
        reject(ctx, vehicle_unit, row,
               "reference node " + std::to_string(lib.vehicle_spring_nodes(ty, s, 3)) + ", must be 0 (none) or a node");
    }
  }
  for_each_vehicle_spring(ctx, [&](std::int32_t, std::int32_t, std::int32_t ty, std::int32_t s) {
    const std::int32_t row = lib.vehicle_spring_nodes(ty, s, 4);
    // A suspension element whose law the file never gives is an input
    // error; so is one whose file is not there.
    if (!ctx.units.is_open(vehicle_unit))
      check_read_status(ctx, io_status::file_not_found, kLabel, vehicle_unit,
                        "the laws of the vehicles' spring-damper elements");
    if (!vehicle_ids_given[static_cast<std::size_t>(row)])
      reject(ctx, vehicle_unit, "spring row " + std::to_string(s) + " of vehicle type " + std::to_string(ty),
             "spring id " + std::to_string(row) + ": the file gives no block for it");
  });
}

// Starts each law 100's memory at its yield force p4 and picks each side's path (element or frame-less).
void preset_memory_and_element_paths(RunContext& ctx) {
  SpringParameterTable& table = ctx.springs;
  SpringElementState& state = ctx.spring_state;
  const VehicleTypeLibrary& lib = ctx.vehicles;
  const BridgeModalModel& bridge = ctx.bridge;
  const Array3<float>& p = table.spring_parameters;
  const std::int32_t dofs = table.spring_dof_count;
  // A side takes the element path when one of its springs has a law of 100
  // or more or a reference node; the vehicle side counts only the springs of
  // the vehicles that the trains run.
  for (std::int32_t e = 1; e <= bridge.spring_element_count; ++e) {
    const std::int32_t row = bridge.spring_elements(e, 4);
    for (std::int32_t d = 1; d <= dofs; ++d) {
      const float c = p(row, d, 1);
      if (c == 100.0f) state.bridge_spring_memory_prev(e, d) = p(row, d, 4);
      if (c >= 100.0f) table.bridge_springs_need_elements = 1;
    }
    if (bridge.spring_elements(e, 3) != 0) table.bridge_springs_need_elements = 1;
  }
  for_each_vehicle_spring(ctx, [&](std::int32_t t, std::int32_t v, std::int32_t ty, std::int32_t s) {
    const std::int32_t row = lib.vehicle_spring_nodes(ty, s, 4);
    for (std::int32_t d = 1; d <= dofs; ++d) {
      const float c = p(row, d, 1);
      if (c == 100.0f) state.vehicle_spring_memory_prev(t, v, s, d) = p(row, d, 4);
      if (c >= 100.0f) table.vehicle_springs_need_elements = 1;
    }
    if (lib.vehicle_spring_nodes(ty, s, 3) != 0) table.vehicle_springs_need_elements = 1;
  });
}

// Refuses a Van der Pol damper on a side that takes the frame-less path.
// That path evaluates only the laws without history, 1 to 6, along the
// global components; a Van der Pol damper (law 99) is evaluated by the
// element path alone, so on such a side it would exert no force. The stop
// names its id and its degree of freedom as the file gives them.
void refuse_frameless_van_der_pol_dampers(RunContext& ctx) {
  const SpringParameterTable& table = ctx.springs;
  const VehicleTypeLibrary& lib = ctx.vehicles;
  const BridgeModalModel& bridge = ctx.bridge;
  const Array3<float>& p = table.spring_parameters;
  const std::int32_t dofs = table.spring_dof_count;
  const std::int32_t nv = lib.max_springs_per_type;
  constexpr float van_der_pol_law_code = 99.0f;
  if (table.bridge_springs_need_elements != 1) {
    const bool swapped = ctx.solution.Coordination_sys_bridge == 1;
    for (std::int32_t e = 1; e <= bridge.spring_element_count; ++e) {
      const std::int32_t row = bridge.spring_elements(e, 4);
      for (std::int32_t d = 1; d <= dofs; ++d) {
        if (p(row, d, 1) != van_der_pol_law_code) continue;
        const std::int32_t file_dof = swapped ? kSwappedDof[d] : d;
        reject(ctx, ctx.control.unit_bridge_springs,
               "id " + std::to_string(row - nv) + ", degree of freedom " + std::to_string(file_dof),
               "law code 99, a Van der Pol damper, which only the element path evaluates",
               {text::bridge_spring_law_needs_element_frame, row - nv, file_dof});
      }
    }
  }
  if (table.vehicle_springs_need_elements != 1) {
    for_each_vehicle_spring(ctx, [&](std::int32_t, std::int32_t, std::int32_t ty, std::int32_t s) {
      const std::int32_t row = lib.vehicle_spring_nodes(ty, s, 4);
      for (std::int32_t d = 1; d <= dofs; ++d)
        if (p(row, d, 1) == van_der_pol_law_code)
          reject(ctx, ctx.control.unit_vehicle_springs,
                 "id " + std::to_string(row) + ", degree of freedom " + std::to_string(d),
                 "law code 99, a Van der Pol damper, which only the element path evaluates",
                 {text::vehicle_spring_law_needs_element_frame, row, d});
    });
  }
}

}  // namespace

void read_nonlinear_spring_parameters(RunContext& ctx) {
  read_spring_headers(ctx);
  const std::vector<char> vehicle_ids_given = read_spring_files(ctx);
  size_bridge_spring_state(ctx);
  check_bridge_spring_ids(ctx);
  renumber_bridge_spring_ids(ctx);
  size_vehicle_spring_state(ctx);
  check_vehicle_spring_ids(ctx, vehicle_ids_given);
  preset_memory_and_element_paths(ctx);
  refuse_frameless_van_der_pol_dampers(ctx);

  ctx.units.close(ctx.control.unit_vehicle_springs);
  ctx.units.close(ctx.control.unit_bridge_springs);
  set_spring_curve_table(ctx);
  ctx.spring_state.scratch.reserve_modes(std::max(ctx.bridge.bridge_mode_count, ctx.vehicles.max_modes_per_type));
}

void set_spring_curve_table(RunContext& ctx) {
  ctx.springs.spring_curve_table = {0.1f,    0.2f,    0.3f,    0.4f,    0.5f,    0.6f,    0.7f,
                                    0.8f,    0.9f,    1.0f,    87800.0f, 42702.0f, 27595.0f, 21081.0f,
                                    17729.0f, 15405.0f, 13243.0f, 11621.0f, 10000.0f, 8918.0f};
}

void list_first_order_spring_dofs(RunContext& ctx) {
  FirstOrderSpringList& list = ctx.first_order_springs;
  const SpringParameterTable& table = ctx.springs;
  const Array3<float>& p = table.spring_parameters;
  const std::int64_t room = std::int64_t{table.spring_id_count} * table.spring_dof_count;
  list.first_order_spring_ids.resize(room);
  list.first_order_spring_dofs.resize(room);

  list.first_order_count = 0;
  for (std::int32_t row = 1; row <= table.spring_id_count; ++row) {
    for (std::int32_t d = 1; d <= table.spring_dof_count; ++d) {
      if (p(row, d, 1) == maxwell_law_code && maxwell_force_is_state(p(row, d, 2), p(row, d, 3))) {
        const std::int32_t k = ++list.first_order_count;
        list.first_order_spring_ids(k) = row;
        list.first_order_spring_dofs(k) = d;
      }
    }
  }
  auto listed_pairs = [&](std::int32_t row) {
    std::int32_t n = 0;
    for (std::int32_t k = 1; k <= list.first_order_count; ++k) n += list.first_order_spring_ids(k) == row;
    return n;
  };

  list.first_order_bridge_count = 0;
  for (std::int32_t e = 1; e <= ctx.bridge.spring_element_count; ++e)
    list.first_order_bridge_count += listed_pairs(ctx.bridge.spring_elements(e, 4));

  list.first_order_vehicle_count = 0;
  for_each_vehicle_spring(ctx, [&](std::int32_t, std::int32_t, std::int32_t ty, std::int32_t s) {
    list.first_order_vehicle_count += listed_pairs(ctx.vehicles.vehicle_spring_nodes(ty, s, 4));
  });
}

}  // namespace tb
