#include "wind/wind_forces.h"

#include <cmath>

#include "input/read_errors.h"
#include "model/file_names.h"
#include "numerics/interpolation.h"
#include "numerics/wind_math.h"

namespace tb {

namespace {

// Ramp of the wind forces over the smoothing time:
// (1 - cos(pi/2 t / Ts))^2 before Ts, 1 afterwards.
float start_ramp(float time, float ramp_time) {
  if (!(time < ramp_time)) return 1.0f;
  const float c = 1.0f - std::cos((1.5707963f * time) / ramp_time);
  return c * c;
}

// -1 when the wind blows from the negative lateral side (cos beta < 0).
float wind_side(float direction) { return std::cos(direction) < 0.0f ? -1.0f : 1.0f; }

// Zero-based sample index INT(v) when 0 <= v and INT(v) + 1 < count, else -1.
std::int64_t sample_below(float v, std::int32_t count) {
  if (!(v >= 0.0f) || v >= 2147483648.0f) return -1;
  const std::int64_t c = static_cast<std::int64_t>(v);
  return c + 1 < count ? c : -1;
}

void clear(float force[6]) {
  for (int c = 0; c < 6; ++c) force[c] = 0.0f;
}

}  // namespace

float coefficient_polynomial(const WindParameters& wind, std::int32_t set, std::int32_t p, float angle) {
  float v = 0.0f;
  for (std::int32_t j = 1; j <= wind.coef_poly_counts(set, p); ++j)
    v = v + wind.coef_polys(set, j, p) * integer_power(angle, j - 1);
  return v;
}

float coefficient_polynomial_slope(const WindParameters& wind, std::int32_t set, std::int32_t p, float angle) {
  float v = 0.0f;
  for (std::int32_t j = 2; j <= wind.coef_poly_counts(set, p); ++j)
    v = v + (static_cast<float>(j - 1) * wind.coef_polys(set, j, p)) * integer_power(angle, j - 2);
  return v;
}

void look_up_turbulence(const RunContext& ctx, float time, float offset, float& u, float& w) {
  const WindField& f = ctx.wind_field;
  u = 0.0f;
  w = 0.0f;
  const float dt = f.wind_time_step;
  const float dx = f.wind_point_spacing;
  const std::int64_t c = sample_below(time / dt, f.along_wind_turbulence.extent(1));
  const std::int64_t d = sample_below(offset / dx, f.along_wind_turbulence.extent(2));
  if (c < 0 || d < 0) return;
  const float dt1 = time - static_cast<float>(c + 1) * dt;
  const float dt2 = time - static_cast<float>(c + 2) * dt;
  const float dx1 = offset - static_cast<float>(d + 1) * dx;
  const float dx2 = offset - static_cast<float>(d + 2) * dx;
  const float area = dt * dx;
  float w1 = 1.0f - (dt1 * dx1) / area;
  float w2 = 1.0f + (dt1 * dx2) / area;
  float w3 = 1.0f - (dx2 * dt2) / area;
  float w4 = 1.0f + (dx1 * dt2) / area;
  const float sum = ((w1 + w2) + w3) + w4;
  w1 = w1 / sum;
  w2 = w2 / sum;
  w3 = w3 / sum;
  w4 = w4 / sum;
  const std::int32_t n1 = static_cast<std::int32_t>(c + 1), n2 = n1 + 1;
  const std::int32_t j1 = static_cast<std::int32_t>(d + 1), j2 = j1 + 1;
  const Array2<float>& a = f.along_wind_turbulence;
  const Array2<float>& v = f.vertical_wind_turbulence;
  u = ((w1 * a(n1, j1) + w2 * a(n1, j2)) + w3 * a(n2, j2)) + w4 * a(n2, j1);
  w = ((w1 * v(n1, j1) + w2 * v(n1, j2)) + w3 * v(n2, j2)) + w4 * v(n2, j1);
}

void compute_bridge_wind_forces(RunContext& ctx, float length, float attack_angle, float time, float mid_point,
                                std::int32_t coefficient_set, float force[6]) {
  const WindParameters& wind = ctx.wind;
  clear(force);
  const float offset = mid_point - wind.wind_field_start;
  if (offset <= 0.0f) return;
  float u = 0.0f, w = 0.0f;
  if (wind.turbulence_option == 1) look_up_turbulence(ctx, time, offset, u, w);

  const std::int32_t s = coefficient_set;
  const float drag = coefficient_polynomial(wind, s, 1, attack_angle);
  const float drag_slope = coefficient_polynomial_slope(wind, s, 1, attack_angle);
  const float lift = coefficient_polynomial(wind, s, 2, attack_angle);
  const float lift_slope = coefficient_polynomial_slope(wind, s, 2, attack_angle);
  const float moment = coefficient_polynomial(wind, s, 3, attack_angle);
  const float moment_slope = coefficient_polynomial_slope(wind, s, 3, attack_angle);

  const float ramp = start_ramp(time, wind.smoothing_time);
  const float side = wind_side(wind.wind_direction);
  const float U = wind.mean_wind_speed;
  const float a1 = wind.set_depth(s);
  const float a2 = wind.set_width(s);
  const float q = 0.5f * ramp * wind.air_density * U * U;
  force[1] = q * length * a2 * (lift + (2.0f * lift / U) * u + ((lift_slope + drag * a1 / a2) / U) * w);
  force[2] = side * q * a1 * length * (drag + (2.0f * drag / U) * u + ((drag_slope - lift * a2 / a1) / U) * w);
  force[3] = q * (moment + (2.0f * moment / U) * u + (moment_slope / U) * w) * length * a2 * a2 * side;
}

void compute_vehicle_wind_forces(RunContext& ctx, float length, std::int32_t train, std::int32_t slot, float speed,
                                 float time, float load_point, float force[6]) {
  WindParameters& wind = ctx.wind;
  clear(force);
  const std::int32_t m = wind.vehicle_station_count;
  const float offset = load_point - wind.wind_field_start;
  if (m <= 0 || offset <= 0.0f) return;
  float u = 0.0f, w = 0.0f;
  if (wind.turbulence_option == 1) look_up_turbulence(ctx, time, offset, u, w);

  // Wind relative to the vehicle: the lateral component, and along the track
  // the wind's component less the train speed when the lateral-force
  // coefficient depends on the angle.
  const std::int32_t s1 = wind.vehicle_station_sets(train, slot, 1);
  const float gust = wind.mean_wind_speed + u;
  const float vz = gust * std::cos(wind.wind_direction);
  float vx = gust * std::sin(wind.wind_direction);
  if (wind.coef_poly_counts(s1, 1) >= 2) vx = vx - speed;
  float angle;
  if (std::fabs(vz) > 1e-9f)
    angle = std::atan(vx / vz);
  else
    angle = vz > 0.0f ? 1.5707964f : -1.5707964f;

  // Coefficients at the load point: linear between neighbouring stations,
  // along the line through both with two stations, and the nearest end
  // station's value outside the range of three or more.
  const float* positions = wind.vehicle_station_positions.data();
  float* values = wind.station_coefficient_work.data();
  const bool nearer_first = std::fabs(load_point - positions[0]) <= std::fabs(load_point - positions[m - 1]);
  float poly[7] = {};
  for (const std::int32_t p : {1, 2, 3, 5, 6}) {
    float v = 0.0f;
    for (std::int32_t e = 1; e <= wind.coef_poly_counts(s1, p); ++e) {
      float coefficient = wind.coef_polys(s1, e, p);
      if (m >= 2) {
        for (std::int32_t k = 1; k <= m; ++k) values[k - 1] = wind.coef_polys(wind.vehicle_station_sets(train, slot, k), e, p);
        coefficient = nearer_first ? values[0] : values[m - 1];
        const InterpolatedPoints stations{wind_coefficients_file, ctx.control.unit_wind_coefficients,
                                          "row 9, vehicle stations"};
        if (!lagrange_interpolate(m, 1, 2, positions, values, &load_point, &coefficient))
          stop_with_too_few_points(ctx, stations, m, 2);
      }
      v = v + coefficient * integer_power(angle, e - 1);
    }
    poly[p] = v;
  }

  const float ramp = start_ramp(time, wind.smoothing_time);
  const float a1 = wind.set_depth(s1);
  const float a3 = wind.set_third_dimension(s1);
  const float q = ramp * ((((0.5f * wind.air_density) * length) * (vz * vz + vx * vx)) * a1 / a3);
  const float side = wind_side(wind.wind_direction);
  force[1] = poly[2] * q;
  force[2] = side * poly[1] * q;
  force[3] = side * poly[3] * q * a1;
  force[4] = poly[6] * q * a1;
  force[5] = side * poly[5] * q * a1;
}

}  // namespace tb
