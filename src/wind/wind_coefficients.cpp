#include "wind/wind_coefficients.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <string_view>
#include <vector>

#include "input/node_search.h"
#include "input/read_errors.h"
#include "model/file_names.h"
#include "platform/list_read.h"
#include "platform/stop.h"
#include "platform/texts.h"
#include "wind/wind_field.h"

namespace tb {

namespace {

// A record that the wind needs: a file that ends before it, or a value in it
// that does not read as a number, stops the run.
void check_wind_read(RunContext& ctx, std::int32_t status, const RecordName& record) {
  check_read_status(ctx, status, wind_coefficients_file, ctx.control.unit_wind_coefficients, record);
}

// A record that may be missing at the end of the file (the stations of the
// vehicles, the node groups): true when it was read, false at the end of the
// file; a value that does not read as a number stops the run.
bool read_optional_record(RunContext& ctx, std::int32_t status, const std::string& record) {
  if (status == io_status::end_of_file) return false;
  check_wind_read(ctx, status, record);
  return true;
}

[[noreturn]] void wind_bad_value(RunContext& ctx, const std::string& record, const std::string& problem) {
  stop_with_bad_value(ctx, wind_coefficients_file, ctx.control.unit_wind_coefficients, record, problem);
}

// A check whose own message line stands in place of the data-error line.
[[noreturn]] void wind_message_stop(RunContext& ctx, std::string_view message, const std::string& record,
                                    const std::string& problem) {
  stop_with_message(ctx, message, wind_coefficients_file, ctx.control.unit_wind_coefficients, record, problem);
}

// Field parameters that the generation and the turbulence lookup divide by,
// take the logarithm of or size arrays with; then the smoothing lengths
// against the generated field, checked before anything is generated.
void check_field_parameters(RunContext& ctx) {
  const WindParameters& w = ctx.wind;
  const std::string record = "row 4, field parameters";
  const auto positive = [&](float v, const char* name) {
    if (!(v > 0.0f)) wind_bad_value(ctx, record, std::string(name) + " " + value_text(v) + ", must be above 0");
  };
  positive(w.roughness_length, "roughness length");
  positive(w.reference_height, "reference height");
  if (w.wind_point_count <= 0)
    wind_bad_value(ctx, record, "number of points " + std::to_string(w.wind_point_count) + ", must be 1 or more");
  positive(w.wind_field_length, "field length");
  positive(w.cutoff_frequency, "cut-off frequency");
  const float profile_log =
      std::log(((w.reference_height - w.height_offset) + w.roughness_length / 0.4f) / w.roughness_length);
  if (!std::isfinite(0.4f * w.mean_wind_speed / profile_log))
    wind_bad_value(
        ctx, record,
        "height offset " + value_text(w.height_offset) + ", the wind profile has no logarithm at the reference height");

  const WindFieldGrid grid = plan_wind_field_grid(w);
  if (!grid.fits_int32 || wind_field_bytes(w, grid) > static_cast<double>(memory_limit_bytes()))
    wind_bad_value(ctx, record,
                   "duration " + value_text(w.wind_duration) + " s with " + std::to_string(w.wind_point_count) +
                       " points, a field beyond 32-bit sample counts or the memory");
  if (w.smoothing_distance > w.wind_field_length / 3.0f || w.smoothing_time > grid.duration / 3.0f)
    wind_message_stop(ctx, text::wind_smoothing_unsuitable, record,
                      "smoothing distance " + value_text(w.smoothing_distance) + " m and time " +
                          value_text(w.smoothing_time) + " s, must be at most a third of the field, " +
                          value_text(w.wind_field_length / 3.0f) + " m and " + value_text(grid.duration / 3.0f) +
                          " s");
}

void read_coefficient_sets(RunContext& ctx, std::int32_t unit) {
  WindParameters& w = ctx.wind;
  UnitTable& units = ctx.units;
  check_wind_read(ctx, read_list(units, unit, {w.coefficient_set_count}), "row 5, number of coefficient sets");
  const std::int32_t ns = w.coefficient_set_count;
  if (ns < 0) wind_bad_value(ctx, "row 5, number of coefficient sets", std::to_string(ns) + ", must be 0 or more");
  check_count_fits_file(ctx, wind_coefficients_file, unit, "row 5, number of coefficient sets", "coefficient set count",
                        ns);
  const std::size_t sets_line = last_read_line(units, unit);
  const CountSource sets{wind_coefficients_file, unit, "row 5, number of coefficient sets"};
  resize_from_counts(ctx, sets, w.set_depth, ns);
  resize_from_counts(ctx, sets, w.set_width, ns);
  resize_from_counts(ctx, sets, w.set_third_dimension, ns);
  resize_from_counts(ctx, sets, w.coef_poly_counts, ns, 6);
  resize_from_counts(ctx, sets, w.coef_polys, ns, kMaxPolynomialTerms, 6);
  for (std::int32_t s = 1; s <= ns; ++s) {
    const std::string set = "coefficient set " + std::to_string(s);
    check_wind_read(ctx, read_list(units, unit, {w.set_depth(s), w.set_width(s), w.set_third_dimension(s)}),
                    counted_entry("coefficient set", s, ns, sets_line, "dimensions"));
    for (std::int32_t p = 1; p <= 6; ++p) {
      const std::string poly = set + ", polynomial " + std::to_string(p);
      const std::string part = "polynomial " + std::to_string(p) + ", number of terms";
      check_wind_read(ctx, read_list(units, unit, {w.coef_poly_counts(s, p)}),
                      counted_entry("coefficient set", s, ns, sets_line, part));
      const std::size_t terms_line = last_read_line(units, unit);
      const std::int32_t terms = w.coef_poly_counts(s, p);
      if (terms < 0 || terms > kMaxPolynomialTerms)
        wind_bad_value(ctx, poly + ", number of terms",
                       std::to_string(terms) + ", must be 0 to " + std::to_string(kMaxPolynomialTerms));
      // A count of 0 still takes its (empty) coefficient record.
      const ReadTarget row =
          ReadTarget::reals(w.coef_polys.at_ptr(s, 1, p), static_cast<std::size_t>(terms),
                            static_cast<std::ptrdiff_t>(w.coef_polys.stride(2)));
      check_wind_read(ctx, read_list(units, unit, std::span<const ReadTarget>(&row, terms > 0 ? 1 : 0)),
                      counted("coefficient", terms, terms_line, 1, poly));
    }
  }
}

// A set number that a force reads must name one of the sets.
bool names_a_set(const WindParameters& w, std::int32_t set) { return set >= 1 && set <= w.coefficient_set_count; }

void read_vehicle_stations(RunContext& ctx, std::int32_t unit) {
  WindParameters& w = ctx.wind;
  UnitTable& units = ctx.units;
  const TrainOrganization& tr = ctx.trains;
  if (!read_optional_record(ctx, read_list(units, unit, {w.vehicle_station_count}),
                            "row 9, number of vehicle stations"))
    w.vehicle_station_count = 0;
  const std::int32_t m = w.vehicle_station_count;
  if (m < 0) wind_bad_value(ctx, "row 9, number of vehicle stations", std::to_string(m) + ", must be 0 or more");
  if (m == 0) return;
  check_count_fits_file(ctx, wind_coefficients_file, unit, "row 9, number of vehicle stations", "vehicle station count",
                        m);
  const std::size_t stations_line = last_read_line(units, unit);
  const CountSource stations{wind_coefficients_file, unit, "row 9, number of vehicle stations"};
  resize_from_counts(ctx, stations, w.vehicle_station_positions, m);
  resize_from_counts(ctx, stations, w.station_coefficient_work, m);
  resize_from_counts(ctx, stations, w.vehicle_station_sets, tr.train_count, tr.max_vehicles_per_fleet, m);
  check_wind_read(
      ctx, read_list(units, unit, {std::span<float>(w.vehicle_station_positions.data(), static_cast<std::size_t>(m))}),
      counted("station position", m, stations_line, 1, "row 10"));
  const auto stride = static_cast<std::ptrdiff_t>(w.vehicle_station_sets.stride(3));
  for (std::int32_t r = 1; r <= tr.train_count; ++r)
    for (std::int32_t j = 1; j <= tr.fleet_vehicle_count(tr.train_fleet(r)); ++j)
      check_wind_read(
          ctx,
          read_list(units, unit,
                    {ReadTarget::ints(w.vehicle_station_sets.at_ptr(r, j, 1), static_cast<std::size_t>(m), stride)}),
          counted("station set", m, stations_line, 1,
                  "row 11, train " + std::to_string(r) + ", vehicle " + std::to_string(j)));

  const auto& sets = w.vehicle_station_sets;
  if (!sets.empty() && *std::max_element(sets.data(), sets.data() + sets.size()) > w.coefficient_set_count)
    for (std::int32_t r = 1; r <= tr.train_count; ++r)
      for (std::int32_t j = 1; j <= sets.extent(2); ++j)
        for (std::int32_t k = 1; k <= m; ++k)
          if (sets(r, j, k) > w.coefficient_set_count)
            wind_message_stop(ctx, text::wind_vehicle_coefficients_out_of_range,
                              "row 11, station sets of train " + std::to_string(r) + ", vehicle " + std::to_string(j),
                              "set " + std::to_string(sets(r, j, k)) + " at station " + std::to_string(k) +
                                  ", must be at most " + std::to_string(w.coefficient_set_count) +
                                  " (row 5's number of coefficient sets)");

  // The coefficients are interpolated along the stations: their positions
  // must be distinct and in order.
  const float* x = w.vehicle_station_positions.data();
  for (std::int32_t k = 2; k <= m; ++k) {
    const bool ascending = x[1] > x[0];
    if (ascending ? !(x[k - 1] > x[k - 2]) : !(x[k - 1] < x[k - 2]))
      wind_bad_value(ctx, "row 10, station positions",
                     "position " + value_text(x[k - 1]) + " of station " + std::to_string(k) +
                         ", the positions must be distinct and in order");
  }
  for (std::int32_t r = 1; r <= tr.train_count; ++r) {
    for (std::int32_t j = 1; j <= tr.fleet_vehicle_count(tr.train_fleet(r)); ++j) {
      for (std::int32_t k = 1; k <= m; ++k)
        if (!names_a_set(w, sets(r, j, k)))
          wind_bad_value(ctx, "row 11, station sets of train " + std::to_string(r) + ", vehicle " + std::to_string(j),
                         "set " + std::to_string(sets(r, j, k)) + " at station " + std::to_string(k) +
                             ", must be 1 to " + std::to_string(w.coefficient_set_count));
      // The station-1 set scales the vehicle's forces by A1 / A3.
      if (w.set_third_dimension(sets(r, j, 1)) == 0.0f)
        wind_bad_value(ctx, "coefficient set " + std::to_string(sets(r, j, 1)) + ", dimensions",
                       "third dimension 0 of the first station's set of a vehicle, must not be 0");
    }
  }
}

void read_node_groups(RunContext& ctx, std::int32_t unit) {
  WindParameters& w = ctx.wind;
  UnitTable& units = ctx.units;
  if (!read_optional_record(ctx, read_list(units, unit, {w.wind_group_count, w.wind_group_max_nodes}),
                            "row 12, number of node groups and largest group")) {
    w.wind_group_count = 0;
    w.wind_group_max_nodes = 0;
  }
  const std::int32_t nw = w.wind_group_count;
  const std::string counts = "row 12, number of node groups and largest group";
  if (nw < 0) wind_bad_value(ctx, counts, "number of node groups " + std::to_string(nw) + ", must be 0 or more");
  if (w.wind_group_max_nodes < 0)
    wind_bad_value(ctx, counts, "largest group " + std::to_string(w.wind_group_max_nodes) + ", must be 0 or more");
  check_count_fits_file(ctx, wind_coefficients_file, unit, "row 12, number of node groups and largest group",
                        "node group count", nw);
  const std::size_t groups_line = last_read_line(units, unit);
  const CountSource groups{wind_coefficients_file, unit, "row 12, number of node groups and largest group"};
  resize_from_counts(ctx, groups, w.wind_group_node_count, nw);
  resize_from_counts(ctx, groups, w.wind_group_set, nw);
  resize_from_counts(ctx, groups, w.wind_group_nodes, nw, w.wind_group_max_nodes);
  for (std::int32_t g = 1; g <= nw; ++g) {
    const std::string group = "node group " + std::to_string(g);
    check_wind_read(ctx, read_list(units, unit, {w.wind_group_set(g), w.wind_group_node_count(g)}),
                    counted_entry("node group", g, nw, groups_line, "set and number of nodes"));
    const std::size_t nodes_line = last_read_line(units, unit);
    const std::int32_t n = w.wind_group_node_count(g);
    if (n < 0 || n > w.wind_group_max_nodes)
      wind_bad_value(ctx, group + ", set and number of nodes",
                     "number of nodes " + std::to_string(n) + ", must be 0 to " +
                         std::to_string(w.wind_group_max_nodes) + " (row 12's largest)");
    // A count of 0 still takes its (empty) node record.
    const ReadTarget row = ReadTarget::ints(n > 0 ? w.wind_group_nodes.at_ptr(g, 1) : nullptr,
                                            static_cast<std::size_t>(n),
                                            static_cast<std::ptrdiff_t>(w.wind_group_nodes.stride(2)));
    check_wind_read(ctx, read_list(units, unit, std::span<const ReadTarget>(&row, n > 0 ? 1 : 0)),
                    counted("node", n, nodes_line, 1, group));
  }

  for (std::int32_t g = 1; g <= nw; ++g)
    if (w.wind_group_set(g) > w.coefficient_set_count)
      wind_message_stop(ctx, text::wind_bridge_coefficients_out_of_range,
                        "node group " + std::to_string(g) + ", set and number of nodes",
                        "set " + std::to_string(w.wind_group_set(g)) + ", must be at most " +
                            std::to_string(w.coefficient_set_count) + " (row 5's number of coefficient sets)");
  // A group with elements loads them with its set's drag and lift, whose
  // cross terms divide by the set's depth and width.
  for (std::int32_t g = 1; g <= nw; ++g) {
    if (w.wind_group_node_count(g) < 2) continue;
    const std::int32_t s = w.wind_group_set(g);
    const std::string group = "node group " + std::to_string(g) + ", set and number of nodes";
    if (!names_a_set(w, s))
      wind_bad_value(ctx, group,
                     "set " + std::to_string(s) + ", must be 1 to " + std::to_string(w.coefficient_set_count));
    if (w.set_depth(s) == 0.0f || w.set_width(s) == 0.0f)
      wind_bad_value(ctx, "coefficient set " + std::to_string(s) + ", dimensions",
                     "depth or width 0 of a node group's set, must not be 0");
  }
}

}  // namespace

void sort_pairs_ascending(std::int32_t* values, float* keys, std::int32_t n) {
  for (std::int32_t q = n - 1; q >= 1; --q) {
    for (std::int32_t i = 0; i < q; ++i) {
      if (keys[i] > keys[i + 1]) {
        std::swap(keys[i], keys[i + 1]);
        std::swap(values[i], values[i + 1]);
      }
    }
  }
}

void map_and_sort_wind_node_groups(RunContext& ctx) {
  WindParameters& w = ctx.wind;
  const BridgeModalModel& b = ctx.bridge;
  const std::int32_t nodes =
      std::min<std::int32_t>(b.bridge_node_count, static_cast<std::int32_t>(b.node_numbers.size()));
  std::vector<std::int32_t> positions;
  std::vector<float> keys;
  for (std::int32_t g = 1; g <= w.wind_group_count; ++g) {
    const std::int32_t n = std::max(w.wind_group_node_count(g), 0);
    positions.resize(static_cast<std::size_t>(n));
    keys.resize(static_cast<std::size_t>(n));
    for (std::int32_t j = 1; j <= n; ++j) {
      const std::int32_t position = find_node_index(w.wind_group_nodes(g, j), b.node_numbers.data(), nodes);
      if (position == 0)
        stop_with_unknown_node(ctx, wind_nodes_section, ctx.control.unit_wind_coefficients,
                               "node group " + std::to_string(g), w.wind_group_nodes(g, j));
      positions[j - 1] = position;
      keys[j - 1] = b.node_coordinates(position, 1);
    }
    sort_pairs_ascending(positions.data(), keys.data(), n);
    for (std::int32_t j = 1; j <= n; ++j) w.wind_group_nodes(g, j) = positions[j - 1];
  }
}

void read_wind_coefficients(RunContext& ctx, std::int32_t& unit) {
  WindParameters& w = ctx.wind;
  UnitTable& units = ctx.units;
  // A file that is not there (the console has said so) or that is empty
  // has no wind; so has one without a positive mean wind speed and air
  // density. A first row that does not read as numbers is an error.
  if (!units.is_open(unit)) return;
  units.rewind(unit);
  const std::int32_t status = read_list(units, unit, {w.air_density, w.mean_wind_speed, w.wind_direction});
  if (status != io_status::end_of_file)
    check_wind_read(ctx, status, "row 1, air density, mean wind speed and direction");
  if (status != io_status::ok || !(w.mean_wind_speed > 0.0f) || !(w.air_density > 0.0f)) {
    units.close(unit);
    return;
  }
  w.wind_on = 1;

  check_wind_read(ctx, read_list(units, unit, {w.wind_field_start}), "row 2, start of the wind field");
  check_wind_read(ctx, read_list(units, unit, {w.turbulence_option}), "row 3, turbulence option");
  if (w.turbulence_option != 0 && w.turbulence_option != 1)
    wind_bad_value(ctx, "row 3, turbulence option",
                   std::to_string(w.turbulence_option) + ", must be 1 (turbulence) or 0 (the mean wind only)");
  std::int32_t not_kept = 0;
  check_wind_read(
      ctx,
      read_list(units, unit,
                {w.roughness_length, w.height_offset, w.reference_height, w.wind_point_count, w.wind_field_length,
                 w.cutoff_frequency, not_kept, w.wind_duration, w.smoothing_distance, w.smoothing_time}),
      "row 4, field parameters");
  check_field_parameters(ctx);
  generate_turbulent_wind_field(ctx);

  read_coefficient_sets(ctx, unit);
  read_vehicle_stations(ctx, unit);
  read_node_groups(ctx, unit);
  w.selfexcited_coefficients.resize(0, 6);
  units.close(unit);

  map_and_sort_wind_node_groups(ctx);
}

}  // namespace tb
