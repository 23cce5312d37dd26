#include "interaction/creep_forces.h"

#include <algorithm>
#include <cmath>

namespace tb {

namespace {

using G = ContactGeometryTable;
using C = ContactCoefficientTable;

constexpr std::int32_t kLastUsableRow = G::geometry_offset_count - 1;  // the lookup reads the next row too
constexpr std::int32_t kMiddleYawColumn = (G::geometry_yaw_count + 1) / 2;
constexpr float kCreepModulus = 1.4609375E11f;
constexpr float kConicalModulus = 7.692308E10f;
constexpr float kConicity = 0.05f;
constexpr float kConicalWheelRadius = 1.0E6f;  // transverse radius of a conical tread
constexpr float kConicalRailRadius = 0.3f;
constexpr float kRestSpeed = 1.0E-6f;  // below it the creepages, which divide by the speed, are undefined

// Column col of the coefficient table at argument x by the three-point
// Lagrange polynomial of the last window of rows that contains x (the
// argument column is strictly ascending and x lies within it).
float interpolate_coefficient(const Array2<float>& table, std::int32_t col, float x) {
  const float* arg = table.data();  // column 1
  const std::int32_t n = C::coefficient_row_count;
  std::int32_t l = static_cast<std::int32_t>(std::upper_bound(arg, arg + n, x) - arg);
  l = std::clamp(l, 1, n - 2);
  float value = 0.0f;
  for (std::int32_t i = l; i <= l + 2; ++i) {
    float term = table(i, col);
    for (std::int32_t p = l; p <= l + 2; ++p) {
      if (p == i) continue;
      term = term * (x - arg[p - 1]);
      term = term / (arg[i - 1] - arg[p - 1]);
    }
    value += term;
  }
  return value;
}

CreepCoefficients kalker_coefficients(const RunContext& ctx, float r, float wheel_radius, float rail_radius,
                                      float nc, float modulus) {
  if (!(nc > 0.0f)) return {};
  const Array2<float>& table = ctx.contact_coefficients.contact_coefficients;
  float g = 4.0f / (r / wheel_radius + 1.0f + r / rail_radius);
  const float lowest = table(1, 1);
  const float highest = table(C::coefficient_row_count, 1);
  if (!(g >= lowest)) g = lowest;  // also an undefined argument
  if (g > highest) g = highest;
  // The ellipse size needs a positive rolling radius; a table whose rolling
  // radius falls to zero or below has no contact ellipse.
  const float rn = r * nc;
  if (!(rn > 0.0f)) return {};
  const float m = interpolate_coefficient(table, 2, g);
  const float n = interpolate_coefficient(table, 3, g);
  const float c11 = interpolate_coefficient(table, 4, g);
  const float c22 = interpolate_coefficient(table, 5, g);
  const float c23 = interpolate_coefficient(table, 6, g);
  const float c33 = interpolate_coefficient(table, 7, g);
  const float ab = std::pow(rn, 2.0f / 3.0f) * 1.0E-6f * m * n;  // product of the ellipse semi-axes
  CreepCoefficients f;
  f.f11 = c11 * modulus * ab;
  f.f22 = c22 * modulus * ab;
  f.f23 = c23 * modulus * std::sqrt(ab) * ab;
  f.f33 = c33 * modulus * ab * ab;
  return f;
}

// Lateral force in track axes and yaw moment of one wheel (side s = +1 first
// wheel, -1 second) from its contact-plane normal force and creep forces.
struct WheelCreepResult {
  float lateral_force;
  float moment;
};

WheelCreepResult wheel_forces(float s, float b, float yaw, float nc, float sin_d, float cos_d, float fx, float fy,
                              float mz) {
  const float t = nc * s * sin_d + fy * cos_d;
  const float m = s * b * (fx + t * yaw) + mz;
  return {t, m};
}

}  // namespace

ContactGeometryRow lookup_contact_geometry_row(const RunContext& ctx, float lateral_offset) {
  const G& g = ctx.contact_geometry;
  const float x = (lateral_offset - g.geometry_offsets(1)) / G::geometry_offset_step + 1.0f;
  std::int32_t r = 1;  // also for an undefined offset
  if (x >= static_cast<float>(kLastUsableRow))
    r = kLastUsableRow;
  else if (x >= 1.0f)
    r = static_cast<std::int32_t>(x);
  auto q = [&](std::int32_t row, std::int32_t quantity) { return g.contact_geometry(row, kMiddleYawColumn, quantity); };
  ContactGeometryRow row;
  row.roll = q(r, 1);
  row.roll_slope = (q(r + 1, 1) - q(r, 1)) / G::geometry_offset_step;
  row.quantity_4 = q(r, 4);
  row.rolling_radius_deviation_1 = q(r, 10);
  row.contact_angle_1 = q(r, 11);
  row.wheel_profile_radius_1 = q(r, 12);
  row.rail_profile_radius_1 = q(r, 13);
  row.rolling_radius_deviation_2 = q(r, 17);
  row.contact_angle_2 = q(r, 18);
  row.wheel_profile_radius_2 = q(r, 19);
  row.rail_profile_radius_2 = q(r, 20);
  return row;
}

CreepCoefficients compute_creep_forces_short(const RunContext& ctx, float rolling_radius,
                                             float wheel_profile_radius, float rail_profile_radius,
                                             float contact_normal_force) {
  return kalker_coefficients(ctx, rolling_radius, wheel_profile_radius, rail_profile_radius, contact_normal_force,
                             kCreepModulus);
}

CreepCoefficients compute_wheel_creep_forces_short(const RunContext& ctx, float p, float q,
                                                   float nominal_radius, float contact_normal_force,
                                                   float& rolling_radius) {
  if (!(contact_normal_force > 0.0f)) return {};
  rolling_radius = kConicity * p * q + nominal_radius;
  return kalker_coefficients(ctx, rolling_radius, kConicalWheelRadius, kConicalRailRadius, contact_normal_force,
                             kConicalModulus);
}

void saturate_creep_forces(float friction, float contact_normal_force, float& fx, float& fy, float& mz) {
  if (contact_normal_force < 0.0f) return;
  const float resultant = std::sqrt(fx * fx + fy * fy);
  if (!(resultant > 1.0E-6f)) return;
  const float limit_force = friction * contact_normal_force;
  float limit = limit_force;
  if (!(resultant > 3.0f * friction * contact_normal_force)) {
    const float e = resultant / limit_force;
    limit = limit_force * (e - e * e / 3.0f + e * e * e / 27.0f);
  }
  const float scale = limit / resultant;
  fx *= scale;
  fy *= scale;
  mz *= scale;
}

void compute_creep_forces(const RunContext& ctx, float curvature, float lateral, float lateral_rate,
                          float yaw, float yaw_rate, float nominal_radius, float contact_spacing,
                          float speed, float friction, float normal_1, float normal_2, float& lateral_force_1,
                          float& lateral_force_2, float& moment_1, float& moment_2) {
  const ContactGeometryRow row = lookup_contact_geometry_row(ctx, lateral);
  const float roll_rate = row.roll_slope * lateral_rate;
  const float b = contact_spacing / 2.0f;
  const float va = std::fabs(speed);
  const bool rolling = va > kRestSpeed;
  // Direction of travel: -1 toward decreasing track coordinate.
  const float sigma = speed < 0.0f ? -1.0f : 1.0f;

  for (std::int32_t wheel = 1; wheel <= 2; ++wheel) {
    const bool first = wheel == 1;
    const float s = first ? 1.0f : -1.0f;
    const float rho = first ? row.rolling_radius_deviation_1 : row.rolling_radius_deviation_2;
    const float delta0 = first ? row.contact_angle_1 : row.contact_angle_2;
    const float rw = first ? row.wheel_profile_radius_1 : row.wheel_profile_radius_2;
    const float rr = first ? row.rail_profile_radius_1 : row.rail_profile_radius_2;
    const float normal = first ? normal_1 : normal_2;
    float& lateral_force = first ? lateral_force_1 : lateral_force_2;
    float& moment = first ? moment_1 : moment_2;

    const float delta = s * row.roll + delta0;
    const float sin_d = std::sin(delta);
    const float cos_d = std::cos(delta);
    const float nc = normal * cos_d + s * lateral_force * sin_d;
    const float r = rho + nominal_radius;

    float fx = 0.0f, fy = 0.0f, mz = 0.0f;
    if (rolling) {
      const CreepCoefficients f = kalker_coefficients(ctx, r, rw, rr, nc, kCreepModulus);
      // Creepages: slip velocities over the rolling speed |V|. The slips that
      // come from the travel itself turn with its direction: the yaw angle's
      // lateral slip V*yaw, the rolling-radius slip (1 - r/r0)*V, and the
      // slips of the track turning at V*curvature in a curve and of the
      // wheel's spin V/r0. Those of the wheel's own motion (yaw rate,
      // lateral and roll rates) do not.
      const float eta = roll_rate * b * sin_d / va + (roll_rate * r + yaw * speed + lateral_rate) * cos_d / va;
      const float xi = (-s * b * yaw_rate - (1.0f - r / nominal_radius) * speed) / va +
                       sigma * s * curvature * (r * sin_d * cos_d * std::cos(yaw) - b);
      const float omega = (-yaw_rate / va + sigma * s * curvature) * cos_d - sigma * s * sin_d / nominal_radius;
      // Kalker's coefficients hold for rolling toward increasing coordinate:
      // rolling the other way is its mirror image, in which the coupling of
      // spin and lateral creep changes sign.
      const float f23 = sigma * f.f23;
      fx = f.f11 * xi;
      fy = f.f22 * eta + f23 * omega;
      mz = f.f33 * omega - f23 * eta;
      saturate_creep_forces(friction, nc, fx, fy, mz);
    }
    const WheelCreepResult out = wheel_forces(s, b, yaw, nc, sin_d, cos_d, fx, fy, mz);
    lateral_force = out.lateral_force;
    moment = -out.moment;
  }
}

void compute_wheel_creep_forces_variant(const RunContext& ctx, std::int32_t wheel, float lateral,
                                        float lateral_rate, float lateral_acceleration, float yaw,
                                        float yaw_rate, float& roll, float& roll_rate, float& roll_acceleration,
                                        float nominal_radius, float contact_spacing, float speed, float friction,
                                        float normal_force, float& lateral_force, float& moment) {
  const float va = std::fabs(speed);
  if (!(va > kRestSpeed)) return;
  const float mirror = speed < 0.0f ? -1.0f : 1.0f;
  const float y = mirror * lateral;
  const float y_rate = mirror * lateral_rate;
  const float s = wheel == 1 ? 1.0f : -1.0f;
  const float b = contact_spacing / 2.0f;

  const float r = nominal_radius + s * kConicity * y;
  const float delta = s * (kConicity * y + roll) + kConicity;
  const float sin_d = std::sin(delta);
  const float cos_d = std::cos(delta);
  const float nc = normal_force * cos_d + s * (mirror * lateral_force) * sin_d;
  const CreepCoefficients f = kalker_coefficients(ctx, r, kConicalWheelRadius, kConicalRailRadius, nc, kConicalModulus);
  const float eta = roll_rate * b * sin_d / va + (roll_rate * r + yaw * va + y_rate) * cos_d / va;
  const float xi = (-s * b * yaw_rate - (1.0f - r / nominal_radius) * va) / va;
  const float omega = (-yaw_rate / va) * cos_d - s * sin_d / nominal_radius;
  float fx = f.f11 * xi;
  float fy = f.f22 * eta + f.f23 * omega;
  float mz = f.f33 * omega - f.f23 * eta;
  saturate_creep_forces(friction, nc, fx, fy, mz);
  const WheelCreepResult out = wheel_forces(s, b, yaw, nc, sin_d, cos_d, fx, fy, mz);
  lateral_force = mirror * out.lateral_force;
  moment = -out.moment;

  const float roll_per_offset = kConicity / b;
  roll += roll_per_offset * lateral;
  roll_rate += roll_per_offset * lateral_rate;
  roll_acceleration += roll_per_offset * lateral_acceleration;
}

}  // namespace tb
