#include "wind/buffeting_forces.h"

#include <string_view>
#include <vector>

#include "input/read_errors.h"
#include "model/file_names.h"
#include "numerics/wind_math.h"
#include "platform/units.h"
#include "wind/buffeting_parameters.h"
#include "wind/self_excited_forces.h"
#include "wind/wind_forces.h"

namespace tb {

namespace {

// Every visit of the walk along the span takes station column 1 + 4i and
// the row-1 node number first + 4i; the two must name the same station (the
// row-1 numbering runs on from group to group without gaps).
void check_station_walk(RunContext& ctx) {
  const BuffetingWindData& b = ctx.buffeting;
  const std::int64_t first = b.group_first_nodes(1, 1);
  const std::int64_t last = b.group_last_nodes(1, b.span_group_count);
  std::int64_t station = 1;
  for (std::int64_t node = first; node <= last; node += kBuffetingStationStep, station += kBuffetingStationStep) {
    const std::int32_t g = buffeting_station_group(b, station);
    if (g == 0 || b.group_first_nodes(1, g) + (station - b.group_station_offset(g)) - 1 != node)
      stop_with_data_error(ctx, buffeting_parameters_file, ctx.control.unit_parameter_input,
                           "span groups, first and last nodes",
                           "row-1 node " + std::to_string(node) + " at station " + std::to_string(station) +
                               ": the row-1 node numbers of the groups must run on without gaps from " +
                               std::to_string(first) + " to " + std::to_string(last));
  }
}

// First call: the deck panel model, the station nodes and the transfer
// matrices. The forces take the deck's dimensions and polynomials from
// coefficient set 2 of the wind input.
void set_up_buffeting(RunContext& ctx) {
  if (ctx.wind.coefficient_set_count < kBuffetingCoefficientSet)
    stop_with_data_error(ctx, wind_coefficients_file, ctx.control.unit_wind_coefficients,
                         "row 5, number of coefficient sets",
                         std::to_string(ctx.wind.coefficient_set_count) + " sets, the buffeting forces need set " +
                             std::to_string(kBuffetingCoefficientSet) + " for the deck");
  read_buffeting_wind_parameters(ctx);
  locate_buffeting_wind_node(ctx);
  check_station_walk(ctx);
  build_section_transfer_matrices(ctx);
}

void allocate_station_arrays(RunContext& ctx) {
  BuffetingWindData& b = ctx.buffeting;
  const std::int32_t rows = 6 * b.max_panel_count;
  const std::int32_t n = b.buffeting_station_count;
  const CountSource sized{buffeting_parameters_file, ctx.control.unit_parameter_input,
                          "header and span groups: the panels and stations"};
  for (Array2<float>* a : {&b.station_displacements, &b.station_velocities, &b.station_prev_displacements,
                           &b.station_prev_velocities})
    resize_from_counts(ctx, sized, *a, rows, n);
  resize_from_counts(ctx, sized, b.station_memory, 4, n);
  resize_from_counts(ctx, sized, b.station_prev_memory, 4, n);
}

// Panel part (1, 2 or 3) from a panel's part code; 0 for any other code.
std::int32_t panel_part(float code) {
  if (code == 1.0f) return 1;
  if (code == 2.0f) return 2;
  if (code == 3.0f) return 3;
  return 0;
}

// Section values T_s v of a station's nodal vector (column k of `nodal`).
void section_values(const BuffetingWindData& b, std::int32_t s, const Array2<float>& nodal, std::int32_t k,
                    float out[6]) {
  const std::int32_t columns = 6 * b.max_panel_count;
  for (std::int32_t c = 1; c <= 6; ++c) {
    float v = 0.0f;
    for (std::int32_t j = 1; j <= columns; ++j) v = v + b.section_transfer(c, j, s) * nodal(j, k);
    out[c - 1] = v;
  }
}

// Scaled force shares of every panel of the current station.
struct PanelShares {
  std::vector<float> x_start, x_end, y_start, y_end;
  explicit PanelShares(std::int32_t n)
      : x_start(static_cast<std::size_t>(n)), x_end(static_cast<std::size_t>(n)),
        y_start(static_cast<std::size_t>(n)), y_end(static_cast<std::size_t>(n)) {}
};

}  // namespace

void compute_element_buffeting_forces(RunContext& ctx, float length, float& deck_width, float attack_angle,
                                      float time, float position, std::int32_t coefficient_set, float force[3],
                                      float& u, float& w) {
  const WindParameters& wind = ctx.wind;
  const std::int32_t s = coefficient_set;
  const float offset = position - wind.wind_field_start;
  const float mean = wind.mean_wind_speed;
  // No force at or before the start of the wind; without a mean wind there
  // is nothing to linearise the gusts about.
  if (offset <= 0.0f || !(mean > 0.0f)) {
    force[0] = force[1] = force[2] = 0.0f;
    deck_width = wind.set_width(s);
    return;
  }
  if (wind.turbulence_option == 1) {
    look_up_turbulence(ctx, time, offset, u, w);
  } else {
    u = 0.0f;
    w = 0.0f;
  }
  const float drag = coefficient_polynomial(wind, s, 1, attack_angle);
  const float drag_slope = coefficient_polynomial_slope(wind, s, 1, attack_angle);
  const float lift = coefficient_polynomial(wind, s, 2, attack_angle);
  const float lift_slope = coefficient_polynomial_slope(wind, s, 2, attack_angle);
  const float moment = coefficient_polynomial(wind, s, 3, attack_angle);
  const float moment_slope = coefficient_polynomial_slope(wind, s, 3, attack_angle);

  const float q = 0.5f * wind.air_density * mean * mean;
  const float depth = wind.set_depth(s);
  const float width = wind.set_width(s);
  force[0] = q * width * (2.0f * lift * u / mean + (drag + lift_slope) * w / mean) * length;
  force[1] = q * depth * (2.0f * drag * u / mean + drag_slope * w / mean) * length;
  force[2] = q * width * width * (2.0f * moment * u / mean + moment_slope * w / mean) * length;
  deck_width = width;
}

void compute_bridge_buffeting_modal_forces(RunContext& ctx, float time, float* modal_force) {
  const std::int32_t modes = ctx.bridge.bridge_mode_count;
  for (std::int32_t m = 0; m < modes; ++m) modal_force[m] = 0.0f;
  if (ctx.wind.wind_on != 1) return;

  BuffetingWindData& b = ctx.buffeting;
  if (!b.panel_ends.allocated()) set_up_buffeting(ctx);
  const std::int64_t first = b.group_first_nodes(1, 1);
  const std::int64_t last = b.group_last_nodes(1, b.span_group_count);
  if (last < first) return;

  const WindParameters& wind = ctx.wind;
  const BridgeModalModel& bridge = ctx.bridge;
  const Array2<double>& state = ctx.solver.bridge_modal_state;
  // Before the integration has created the modal state the deck is at rest.
  const bool moving = state.extent(1) >= modes && state.extent(2) >= 2;
  const float width = deck_reference_width(wind);
  float* element = b.element_buffeting_forces.data();
  float* section_force = b.section_selfexcited_forces.data();
  float m1[6], m2[6], m3[6], m4[6];

  float position = 0.0f;
  std::int64_t column = 1;
  for (std::int64_t node = first; node <= last; node += kBuffetingStationStep, column += kBuffetingStationStep) {
    // The set-up has checked that every visited column lies in the table.
    const auto station = static_cast<std::int32_t>(column);
    position = position + kBuffetingElementLength;
    b.buffeting_element_length = kBuffetingElementLength;
    const std::int32_t s = buffeting_node_section(b, node);
    const std::int32_t n = b.section_panel_count(s);

    // Turbulence forces of the station's element (0 before the wind, where
    // u and w keep the values of the previous visit).
    float set_width = 0.0f;
    compute_element_buffeting_forces(ctx, kBuffetingElementLength, set_width, 0.0f, time, position,
                                     kBuffetingCoefficientSet, element, b.buffeting_u, b.buffeting_w);
    const float u = b.buffeting_u;
    const float w = b.buffeting_w;

    // Panel forces of the gust pressure, and the x force, y force and moment
    // about the reference point of each of the three panel parts.
    const float pressure = width * (u + w);
    PanelShares shares(n);
    float resultant[3][3] = {};  // [row][part]
    for (std::int32_t j = 1; j <= n; ++j) {
      const float start = pressure * b.panel_start_load(j, s);
      const float end = pressure * b.panel_end_load(j, s);
      const float fxs = b.panel_normal_x(j, s) * start;
      const float fys = b.panel_normal_y(j, s) * start;
      const float fxe = b.panel_normal_x(j, s) * end;
      const float fye = b.panel_normal_y(j, s) * end;
      shares.x_start[j - 1] = fxs;
      shares.y_start[j - 1] = fys;
      shares.x_end[j - 1] = fxe;
      shares.y_end[j - 1] = fye;
      const std::int32_t c = panel_part(b.panel_pressures(j, 3, s));
      if (c == 0) continue;
      resultant[0][c - 1] = resultant[0][c - 1] + (fxs + fxe);
      resultant[1][c - 1] = resultant[1][c - 1] + (fys + fye);
      resultant[2][c - 1] = resultant[2][c - 1] + (fxs * b.panel_start_arm_y(j, s) - fys * b.panel_start_arm_x(j, s) +
                                                   fxe * b.panel_end_arm_y(j, s) - fye * b.panel_end_arm_x(j, s));
    }
    float factor[3] = {0.0f, 0.0f, 0.0f};
    if (u != 0.0f || w != 0.0f)
      for (int i = 0; i < 3; ++i)
        factor[i] = resultant[i][0] * element[0] + resultant[i][1] * element[1] + resultant[i][2] * element[2];
    for (std::int32_t j = 1; j <= n; ++j) {
      const std::int32_t c = panel_part(b.panel_pressures(j, 3, s));
      const float r = c == 0 ? 0.0f : factor[c - 1];
      shares.x_start[j - 1] = c == 0 ? 0.0f : shares.x_start[j - 1] * r;
      shares.x_end[j - 1] = c == 0 ? 0.0f : shares.x_end[j - 1] * r;
      shares.y_start[j - 1] = c == 0 ? 0.0f : shares.y_start[j - 1] * r;
      shares.y_end[j - 1] = c == 0 ? 0.0f : shares.y_end[j - 1] * r;
    }

    // Motion of the station's nodes from the bridge modes.
    if (!b.station_displacements.allocated()) allocate_station_arrays(ctx);
    for (std::int32_t r = 1; r <= n; ++r) {
      const std::int32_t g = b.station_nodes(r, station);
      for (std::int32_t d = 1; d <= 6; ++d) {
        float displacement = 0.0f, velocity = 0.0f;
        if (moving) {
          for (std::int32_t m = 1; m <= modes; ++m) {
            displacement = displacement + bridge.mode_shapes(m, g, d) * static_cast<float>(state(m, 1));
            velocity = velocity + bridge.mode_shapes(m, g, d) * static_cast<float>(state(m, 2));
          }
        }
        b.station_displacements(6 * (r - 1) + d, station) = displacement;
        b.station_velocities(6 * (r - 1) + d, station) = velocity;
      }
    }

    // Self-excited section forces, spread back onto the nodes.
    section_values(b, s, b.station_displacements, station, m1);
    section_values(b, s, b.station_velocities, station, m2);
    section_values(b, s, b.station_prev_displacements, station, m3);
    section_values(b, s, b.station_prev_velocities, station, m4);
    compute_bridge_selfexcited_forces(ctx, section_force, b.buffeting_element_length, m1, m2, m3, m4, station);
    for (std::int32_t j = 1; j <= 6 * b.max_panel_count; ++j) {
      float v = 0.0f;
      for (std::int32_t c = 1; c <= 6; ++c) v = v + b.section_transfer(c, j, s) * section_force[c - 1];
      b.station_selfexcited_forces(j, station) = v;
    }

    // Node r is the start point of panel r and the end point of panel r-1
    // (panel n for r = 1): it takes the start share of the one and the end
    // share of the other. Panel x goes with mode-shape component 2, panel y
    // with component 3.
    for (std::int32_t m = 1; m <= modes; ++m) {
      float sum = 0.0f;
      for (std::int32_t r = 1; r <= n; ++r) {
        const std::int32_t before = r > 1 ? r - 1 : n;
        const float x = shares.x_start[r - 1] + shares.x_end[before - 1];
        const float y = shares.y_start[r - 1] + shares.y_end[before - 1];
        const std::int32_t g = b.station_nodes(r, station);
        sum = sum + ((x + b.station_selfexcited_forces(6 * (r - 1) + 2, station)) * bridge.mode_shapes(m, g, 2) +
                     (y + b.station_selfexcited_forces(6 * (r - 1) + 3, station)) * bridge.mode_shapes(m, g, 3));
      }
      modal_force[m - 1] = modal_force[m - 1] + sum;
    }
  }
}

}  // namespace tb
