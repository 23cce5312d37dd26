#include "wind/wind_coefficients.h"

#include <algorithm>
#include <cmath>
#include <string_view>
#include <vector>

#include "platform/list_read.h"
#include "platform/stop.h"
#include "platform/texts.h"
#include "run/input_helpers.h"
#include "wind/wind_field.h"

namespace tb {

namespace {

constexpr std::string_view kWindLabel = "\\Wind_Coefficients.dat";
constexpr std::string_view kWindNodeLabel = "\\Wind_Coefficients.dat:Nodeonwind";

[[noreturn]] void wind_message_stop(RunContext& ctx, std::string_view message) {
  ctx.console.list_line({message});
  error_stop(ctx.console);
}

// Field parameters that the generation and the turbulence lookup divide by,
// take the logarithm of or size arrays with; then the smoothing lengths
// against the generated field, checked before anything is generated.
void check_field_parameters(RunContext& ctx) {
  const WindParameters& w = ctx.wind;
  if (!(w.roughness_length > 0.0f) || !(w.cutoff_frequency > 0.0f) || w.wind_point_count <= 0 ||
      !(w.wind_field_length > 0.0f) || !(w.reference_height > 0.0f))
    stop_with_data_error(ctx, kWindLabel);
  const float profile_log =
      std::log(((w.reference_height - w.height_offset) + w.roughness_length / 0.4f) / w.roughness_length);
  if (!std::isfinite(0.4f * w.mean_wind_speed / profile_log)) stop_with_data_error(ctx, kWindLabel);

  const WindFieldGrid grid = plan_wind_field_grid(w);
  if (!grid.fits_int32 || wind_field_bytes(w, grid) > static_cast<double>(physical_memory_bytes()))
    stop_with_data_error(ctx, kWindLabel);
  if (w.smoothing_distance > w.wind_field_length / 3.0f || w.smoothing_time > grid.duration / 3.0f)
    wind_message_stop(ctx, text::wind_smoothing_unsuitable);
}

void read_coefficient_sets(RunContext& ctx, std::int32_t unit) {
  WindParameters& w = ctx.wind;
  UnitTable& units = ctx.units;
  read_list(units, unit, {w.coefficient_set_count});
  const std::int32_t ns = w.coefficient_set_count;
  w.set_depth.resize(ns);
  w.set_width.resize(ns);
  w.set_third_dimension.resize(ns);
  w.coef_poly_counts.resize(ns, 6);
  w.coef_polys.resize(ns, kMaxPolynomialTerms, 6);
  for (std::int32_t s = 1; s <= ns; ++s) {
    read_list(units, unit, {w.set_depth(s), w.set_width(s), w.set_third_dimension(s)});
    for (std::int32_t p = 1; p <= 6; ++p) {
      read_list(units, unit, {w.coef_poly_counts(s, p)});
      const std::int32_t terms = w.coef_poly_counts(s, p);
      if (terms > kMaxPolynomialTerms) stop_with_data_error(ctx, kWindLabel);
      // A count of 0 or less still takes its (empty) coefficient record.
      const ReadTarget row =
          ReadTarget::reals(w.coef_polys.at_ptr(s, 1, p), static_cast<std::size_t>(std::max(terms, 0)),
                            static_cast<std::ptrdiff_t>(w.coef_polys.stride(2)));
      read_list(units, unit, std::span<const ReadTarget>(&row, terms > 0 ? 1 : 0));
    }
  }
}

// A set number that a force reads must name one of the sets.
bool names_a_set(const WindParameters& w, std::int32_t set) { return set >= 1 && set <= w.coefficient_set_count; }

void read_vehicle_stations(RunContext& ctx, std::int32_t unit) {
  WindParameters& w = ctx.wind;
  UnitTable& units = ctx.units;
  const TrainOrganization& tr = ctx.trains;
  if (read_list(units, unit, {w.vehicle_station_count}) != io_status::ok) w.vehicle_station_count = 0;
  const std::int32_t m = w.vehicle_station_count;
  if (m < 0) stop_with_data_error(ctx, kWindLabel);
  if (m == 0) return;
  w.vehicle_station_positions.resize(m);
  w.station_coefficient_work.resize(m);
  w.vehicle_station_sets.resize(tr.train_count, tr.max_vehicles_per_fleet, m);
  read_list(units, unit, {std::span<float>(w.vehicle_station_positions.data(), static_cast<std::size_t>(m))});
  const auto stride = static_cast<std::ptrdiff_t>(w.vehicle_station_sets.stride(3));
  for (std::int32_t r = 1; r <= tr.train_count; ++r)
    for (std::int32_t j = 1; j <= tr.fleet_vehicle_count(tr.train_fleet(r)); ++j)
      read_list(units, unit, {ReadTarget::ints(w.vehicle_station_sets.at_ptr(r, j, 1), static_cast<std::size_t>(m), stride)});

  const auto& sets = w.vehicle_station_sets;
  if (!sets.empty() && *std::max_element(sets.data(), sets.data() + sets.size()) > w.coefficient_set_count)
    wind_message_stop(ctx, text::wind_vehicle_coefficients_out_of_range);

  // The coefficients are interpolated along the stations: their positions
  // must be distinct and in order.
  const float* x = w.vehicle_station_positions.data();
  for (std::int32_t k = 2; k <= m; ++k) {
    const bool ascending = x[1] > x[0];
    if (ascending ? !(x[k - 1] > x[k - 2]) : !(x[k - 1] < x[k - 2])) stop_with_data_error(ctx, kWindLabel);
  }
  for (std::int32_t r = 1; r <= tr.train_count; ++r) {
    for (std::int32_t j = 1; j <= tr.fleet_vehicle_count(tr.train_fleet(r)); ++j) {
      for (std::int32_t k = 1; k <= m; ++k)
        if (!names_a_set(w, sets(r, j, k))) stop_with_data_error(ctx, kWindLabel);
      // The station-1 set scales the vehicle's forces by A1 / A3.
      if (w.set_third_dimension(sets(r, j, 1)) == 0.0f) stop_with_data_error(ctx, kWindLabel);
    }
  }
}

void read_node_groups(RunContext& ctx, std::int32_t unit) {
  WindParameters& w = ctx.wind;
  UnitTable& units = ctx.units;
  if (read_list(units, unit, {w.wind_group_count, w.wind_group_max_nodes}) != io_status::ok) {
    w.wind_group_count = 0;
    w.wind_group_max_nodes = 0;
  }
  const std::int32_t nw = w.wind_group_count;
  w.wind_group_node_count.resize(nw);
  w.wind_group_set.resize(nw);
  w.wind_group_nodes.resize(nw, w.wind_group_max_nodes);
  for (std::int32_t g = 1; g <= nw; ++g) {
    read_list(units, unit, {w.wind_group_set(g), w.wind_group_node_count(g)});
    const std::int32_t n = w.wind_group_node_count(g);
    if (n > w.wind_group_max_nodes) stop_with_data_error(ctx, kWindLabel);
    // A count of 0 or less still takes its (empty) node record.
    const ReadTarget row = ReadTarget::ints(n > 0 ? w.wind_group_nodes.at_ptr(g, 1) : nullptr,
                                            static_cast<std::size_t>(std::max(n, 0)),
                                            static_cast<std::ptrdiff_t>(w.wind_group_nodes.stride(2)));
    read_list(units, unit, std::span<const ReadTarget>(&row, n > 0 ? 1 : 0));
  }

  for (std::int32_t g = 1; g <= nw; ++g)
    if (w.wind_group_set(g) > w.coefficient_set_count)
      wind_message_stop(ctx, text::wind_bridge_coefficients_out_of_range);
  // A group with elements loads them with its set's drag and lift, whose
  // cross terms divide by the set's depth and width.
  for (std::int32_t g = 1; g <= nw; ++g) {
    if (w.wind_group_node_count(g) < 2) continue;
    const std::int32_t s = w.wind_group_set(g);
    if (!names_a_set(w, s) || w.set_depth(s) == 0.0f || w.set_width(s) == 0.0f) stop_with_data_error(ctx, kWindLabel);
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
      if (position == 0) check_read_status(ctx, 101, kWindNodeLabel);
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
  units.rewind(unit);

  // Without a positive mean wind speed and air density there is no wind.
  const std::int32_t status = read_list(units, unit, {w.air_density, w.mean_wind_speed, w.wind_direction});
  if (status != io_status::ok || !(w.mean_wind_speed > 0.0f) || !(w.air_density > 0.0f)) {
    units.close(unit);
    return;
  }
  w.wind_on = 1;

  read_list(units, unit, {w.wind_field_start});
  read_list(units, unit, {w.turbulence_option});
  std::int32_t not_kept = 0;
  read_list(units, unit,
            {w.roughness_length, w.height_offset, w.reference_height, w.wind_point_count, w.wind_field_length,
             w.cutoff_frequency, not_kept, w.wind_duration, w.smoothing_distance, w.smoothing_time});
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
