#include "wind/self_excited_forces.h"

#include <cmath>

namespace tb {

namespace {

// Coefficient (row, column) of the self-excited coefficient table; 0 when the
// table does not reach it.
float selfexcited_coefficient(const WindParameters& wind, std::int32_t row, std::int32_t column) {
  const Array2<float>& k = wind.selfexcited_coefficients;
  if (row > k.extent(1) || column > k.extent(2)) return 0.0f;
  return k(row, column);
}

}  // namespace

float deck_reference_width(const WindParameters& wind) {
  if (wind.coefficient_set_count < 2 || wind.set_width.extent(1) < 2) return 0.0f;
  return wind.set_width(2);
}

void build_section_transfer_matrices(RunContext& ctx) {
  BuffetingWindData& b = ctx.buffeting;
  b.section_transfer.resize(6, 6 * b.max_panel_count, b.deck_section_count);
  for (std::int32_t i = 1; i <= b.deck_section_count; ++i) {
    const std::int32_t s = b.section_ids(i);
    const std::int32_t n = b.section_panel_count(s);
    if (n <= 0) continue;
    float perimeter = 0.0f;
    for (std::int32_t j = 1; j <= n; ++j) perimeter = perimeter + b.panel_length(j, s);
    // A vertex straight above or below the reference point tells nothing of
    // the rotation; the rotation is the mean over the vertices with an arm,
    // so that nodal forces w2 M times their arms give the moment M back.
    std::int32_t with_arm = 0;
    for (std::int32_t k = 1; k <= n; ++k)
      if (b.panel_start_arm_x(k, s) != 0.0f) ++with_arm;
    for (std::int32_t k = 1; k <= n; ++k) {
      // Vertex k joins panel k-1 (panel n for k = 1) and panel k.
      const std::int32_t before = k > 1 ? k - 1 : n;
      const float share = ((b.panel_length(before, s) + b.panel_length(k, s)) * 0.5f) / perimeter;
      const float arm = b.panel_start_arm_x(k, s);
      const float rotation = arm != 0.0f ? 1.0f / (arm * static_cast<float>(with_arm)) : 0.0f;
      const std::int32_t c = 6 * (k - 1);
      b.section_transfer(2, c + 2, s) = share;
      b.section_transfer(3, c + 3, s) = share;
      b.section_transfer(4, c + 3, s) = rotation;
      b.section_transfer(2, c + 3, s) = 0.0f;
    }
  }
}

void compute_bridge_selfexcited_forces(RunContext& ctx, float force[6], float length, const float m1[6],
                                       const float m2[6], const float m3[6], const float[6], std::int32_t station) {
  const WindParameters& wind = ctx.wind;
  BuffetingWindData& b = ctx.buffeting;
  const std::int32_t k = station;

  // The memory states take the change of section value 1 over the step.
  const float change = m1[0] - m3[0];
  for (std::int32_t i = 1; i <= 4; ++i) b.station_memory(i, k) = b.station_prev_memory(i, k) + change;

  const float rho = wind.air_density;
  const float u = wind.mean_wind_speed;
  const float width = deck_reference_width(wind);
  const float lift_displacement = selfexcited_coefficient(wind, 2, 1);
  const float lift_velocity = selfexcited_coefficient(wind, 2, 2);
  const float lift_memory = selfexcited_coefficient(wind, 2, 4);
  const float moment_displacement = selfexcited_coefficient(wind, 1, 1);
  const float moment_velocity = selfexcited_coefficient(wind, 1, 2);
  const float moment_memory = selfexcited_coefficient(wind, 1, 4);

  for (int c = 0; c < 6; ++c) force[c] = 0.0f;
  force[2] = rho * u * u * length * lift_displacement * m1[2] + rho * u * width * length * lift_velocity * m2[2] +
             rho * u * u * width * width * lift_memory * b.station_memory(4, k);
  force[3] = rho * u * u * width * width * length * moment_displacement * m1[3] +
             rho * u * width * width * width * length * moment_velocity * m2[3] +
             rho * u * u * width * width * moment_memory * b.station_memory(2, k);
}

void update_indicial_state(const RunContext& ctx, float decay, float time_step, float driving_new,
                           float driving_old, float& state_new, float state_old) {
  const float width = deck_reference_width(ctx.wind);
  if (!(width > 0.0f)) {
    state_new = (driving_new - driving_old) + state_old;
    return;
  }
  // Decay rate in the reduced time of the deck: b U / B.
  const float rate = decay * ctx.wind.mean_wind_speed / width;
  const float e1 = std::exp(-rate * time_step);
  const float e2 = std::exp(-(rate * 0.5f) * time_step);
  state_new = e2 * (driving_new - driving_old) + e1 * state_old;
}

}  // namespace tb
