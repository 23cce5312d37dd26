#include "interaction/creep_forces.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "interaction/contact_table_files.h"
#include "test_support.h"

namespace tb {
namespace {

constexpr double kModulus = 1.4609375E11;

struct Tables {
  test::TestContext t;
  Tables() { test::load_contact_tables(t); }
  const RunContext& ctx() { return *t; }
  float q(int row, int quantity) { return t->contact_geometry.contact_geometry(row, 11, quantity); }
};

TEST(ContactGeometryRow, LookupAtAndBeyondBothEnds) {
  Tables tab;
  const float first = tab.t->contact_geometry.geometry_offsets(1);
  const float last = tab.t->contact_geometry.geometry_offsets(241);
  const struct {
    float dy;
    int row;
  } cases[] = {{first, 1},          {first - 0.01f, 1}, {last + 0.1f, 240}, {last, 240},
               {0.0f, 121},         {first + 2.5E-4f, 3}, {std::numeric_limits<float>::quiet_NaN(), 1}};
  for (const auto& c : cases) {
    const ContactGeometryRow r = lookup_contact_geometry_row(tab.ctx(), c.dy);
    EXPECT_EQ(r.roll, tab.q(c.row, 1)) << c.dy;
    EXPECT_EQ(r.roll_slope, (tab.q(c.row + 1, 1) - tab.q(c.row, 1)) / 1.0E-4f) << c.dy;
    EXPECT_EQ(r.quantity_4, tab.q(c.row, 4));
    EXPECT_EQ(r.rolling_radius_deviation_1, tab.q(c.row, 10));
    EXPECT_EQ(r.contact_angle_1, tab.q(c.row, 11));
    EXPECT_EQ(r.wheel_profile_radius_1, tab.q(c.row, 12));
    EXPECT_EQ(r.rail_profile_radius_1, tab.q(c.row, 13));
    EXPECT_EQ(r.rolling_radius_deviation_2, tab.q(c.row, 17));
    EXPECT_EQ(r.contact_angle_2, tab.q(c.row, 18));
    EXPECT_EQ(r.wheel_profile_radius_2, tab.q(c.row, 19));
    EXPECT_EQ(r.rail_profile_radius_2, tab.q(c.row, 20));
  }
  // The conical profile of the table, centred: equal radii, the cone angle.
  const ContactGeometryRow centre = lookup_contact_geometry_row(tab.ctx(), 0.0f);
  EXPECT_NEAR(centre.rolling_radius_deviation_1, 0.0f, 1.0E-7f);
  EXPECT_NEAR(centre.contact_angle_1, std::atan(0.05), 1.0E-7);
  EXPECT_NEAR(centre.roll_slope, 0.05 / 0.75, 1.0E-3);
}

// Kalker's coefficients in closed form, with the table's columns
// interpolated through the three rows of the last window holding g.
CreepCoefficients expected_coefficients(const Array2<float>& c, double r, double rw, double rr, double nc) {
  if (nc <= 0.0) return {};
  double g = 4.0 / (r / rw + 1.0 + r / rr);
  g = std::min(std::max(g, double(c(1, 1))), double(c(56, 1)));
  int l = 1;
  while (l < 56 && c(l + 1, 1) <= g) ++l;
  l = std::min(l, 54);
  auto col = [&](int k) {
    double sum = 0.0;
    for (int i = l; i <= l + 2; ++i) {
      double term = c(i, k);
      for (int p = l; p <= l + 2; ++p)
        if (p != i) term *= (g - c(p, 1)) / (c(i, 1) - c(p, 1));
      sum += term;
    }
    return sum;
  };
  const double ab = std::pow(r * nc, 2.0 / 3.0) * 1.0E-6 * col(2) * col(3);
  return {float(col(4) * kModulus * ab), float(col(5) * kModulus * ab), float(col(6) * kModulus * std::sqrt(ab) * ab),
          float(col(7) * kModulus * ab * ab)};
}

void expect_coefficients(const CreepCoefficients& got, const CreepCoefficients& want, const char* what) {
  for (auto [g, w] : {std::pair{got.f11, want.f11}, {got.f22, want.f22}, {got.f23, want.f23}, {got.f33, want.f33}})
    EXPECT_NEAR(g, w, 2.0E-5 * std::fabs(w)) << what;
}

TEST(CreepCoefficients, HertzAndKalkerFromTheTable) {
  Tables tab;
  const Array2<float>& c = tab.t->contact_coefficients.contact_coefficients;
  const struct {
    const char* what;
    float r, rw, rr, nc;
  } cases[] = {
      {"conical tread on a 0.3 m rail head", 0.42f, 1.0E6f, 0.3f, 50000.0f},
      {"worn tread close to the rail head", 0.43f, -0.6f, 0.3f, 80000.0f},
      {"flange root, below the first argument", 0.42f, 1.0E6f, 0.001f, 50000.0f},
      {"conformal contact, beyond the last argument", 0.42f, -0.3021f, 0.3f, 50000.0f},
      {"unloaded", 0.42f, 1.0E6f, 0.3f, 0.0f},
      {"pulled away", 0.42f, 1.0E6f, 0.3f, -5.0f},
  };
  for (const auto& k : cases)
    expect_coefficients(compute_creep_forces_short(tab.ctx(), k.r, k.rw, k.rr, k.nc),
                        expected_coefficients(c, k.r, k.rw, k.rr, k.nc), k.what);
  // At both ends of the argument the table row itself.
  const float ab = std::pow(0.42f * 50000.0f, 2.0f / 3.0f) * 1.0E-6f * c(1, 2) * c(1, 3);
  EXPECT_FLOAT_EQ(compute_creep_forces_short(tab.ctx(), 0.42f, 1.0E6f, 0.001f, 50000.0f).f11,
                  c(1, 4) * 1.4609375E11f * ab);
}

TEST(CreepSaturation, LimitsOfTheShenHedrickElkinsLaw) {
  const float mu = 0.3f, n = 10000.0f, limit = 3000.0f;
  const struct {
    const char* what;
    float fx, fy, normal, resultant;  // resultant expected after the saturation
  } cases[] = {
      {"below 1.0E-6: unscaled", 6.0E-7f, 8.0E-7f, 1.0E-12f, 1.0E-6f},
      {"above 3 mu N: exactly mu N", 30000.0f, 40000.0f, n, limit},
      {"at the corner e = 3: mu N", 3.0f * limit * 0.6f, 3.0f * limit * 0.8f, n, limit},
      {"e = 1", limit * 0.6f, limit * 0.8f, n, limit * (1.0f - 1.0f / 3.0f + 1.0f / 27.0f)},
      {"negative normal force: unscaled", 600.0f, 800.0f, -1.0f, 1000.0f},
  };
  for (const auto& c : cases) {
    float fx = c.fx, fy = c.fy, mz = 2.0f * c.fx;
    saturate_creep_forces(mu, c.normal, fx, fy, mz);
    EXPECT_NEAR(std::hypot(fx, fy), c.resultant, 1.0E-6f * c.resultant) << c.what;
    EXPECT_NEAR(fy / fx, c.fy / c.fx, 1.0E-6f) << c.what;  // the direction is kept
    EXPECT_NEAR(mz / fx, 2.0f, 1.0E-6f) << c.what;         // the spin moment scales with it
  }
  // Continuous through the corner.
  float below_x = 0.0f, below_y = 3.0f * limit * 0.9999f, m = 0.0f;
  saturate_creep_forces(mu, n, below_x, below_y, m);
  EXPECT_NEAR(below_y, limit, 1.0E-3f);
}

// The creep law's returned lateral force and moment, by hand, for a wheel of
// side s with the given normal force on the contact plane, creep forces and
// yaw.
struct Wheel {
  float lateral, moment;
};
Wheel by_hand(float s, float b, float yaw, float nc, float delta, float fx, float fy, float mz) {
  const float t = nc * s * std::sin(delta) + fy * std::cos(delta);
  return {t, -(s * b * (fx + t * yaw) + mz)};
}

TEST(CreepForces, PureSpinOnAStraightTrackWithTheWheelsCentred) {
  Tables tab;
  const float n = 60000.0f, mu = 0.3f, r0 = 0.42f, b = 0.75f;
  float t1 = 0.0f, t2 = 0.0f, m1 = 0.0f, m2 = 0.0f;
  compute_creep_forces(tab.ctx(), 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, r0, 2.0f * b, 30.0f, mu, n, n, t1, t2, m1, m2);
  const float delta = tab.q(121, 11);
  const float nc = n * std::cos(delta);
  const CreepCoefficients f = compute_creep_forces_short(tab.ctx(), r0, 1.0E6f, 0.3f, nc);
  // Only the spin creepage -s*sin(delta)/r0 is left.
  const float omega = -std::sin(delta) / r0;
  float fx = 0.0f, fy = f.f23 * omega, mz = f.f33 * omega;
  saturate_creep_forces(mu, nc, fx, fy, mz);
  const Wheel w = by_hand(1.0f, b, 0.0f, nc, delta, fx, fy, mz);
  EXPECT_NEAR(t1, w.lateral, 1.0E-4f * std::fabs(w.lateral));
  EXPECT_NEAR(m1, w.moment, 1.0E-4f * std::fabs(w.moment));
  EXPECT_NE(m1, 0.0f);
  EXPECT_FLOAT_EQ(t2, -t1);
  EXPECT_FLOAT_EQ(m2, -m1);
}

// A train running toward decreasing track coordinate is the mirror image of
// one running forward: with the yaw angle and the yaw rate reversed, its
// wheels get the same lateral forces and reversed yaw moments.
TEST(CreepForces, AReversedRunMirrorsAForwardOne) {
  Tables tab;
  const struct {
    const char* what;
    float curvature, lateral, lateral_rate, yaw, yaw_rate;
  } cases[] = {
      {"yawed on a straight track", 0.0f, 0.003f, 0.0f, 0.002f, 0.0f},
      {"yawing, centred", 0.0f, 0.0f, 0.0f, 0.0f, 0.05f},
      {"centred in a curve", 0.002f, 0.0f, 0.0f, 0.0f, 0.0f},
      {"displaced, moving and yawed in a curve", -0.002f, -0.004f, 0.02f, -0.001f, 0.01f},
  };
  struct Forces {
    float t1 = 800.0f, t2 = -700.0f, m1 = 0.0f, m2 = 0.0f;
  };
  for (const auto& c : cases) {
    Forces ahead, back;
    compute_creep_forces(tab.ctx(), c.curvature, c.lateral, c.lateral_rate, c.yaw, c.yaw_rate, 0.42f, 1.5f, 30.0f,
                         0.3f, 60000.0f, 55000.0f, ahead.t1, ahead.t2, ahead.m1, ahead.m2);
    compute_creep_forces(tab.ctx(), c.curvature, c.lateral, c.lateral_rate, -c.yaw, -c.yaw_rate, 0.42f, 1.5f, -30.0f,
                         0.3f, 60000.0f, 55000.0f, back.t1, back.t2, back.m1, back.m2);
    EXPECT_FLOAT_EQ(back.t1, ahead.t1) << c.what;
    EXPECT_FLOAT_EQ(back.t2, ahead.t2) << c.what;
    EXPECT_FLOAT_EQ(back.m1, -ahead.m1) << c.what;
    EXPECT_FLOAT_EQ(back.m2, -ahead.m2) << c.what;
    EXPECT_NE(ahead.m1, 0.0f) << c.what;
  }
}

TEST(CreepForces, TrainAtRestAndUnloadedWheelsHaveNoCreep) {
  Tables tab;
  const float b = 0.75f, yaw = 0.002f;
  for (float speed : {0.0f, 1.0E-7f, -1.0E-7f}) {
    float t1 = 500.0f, t2 = -500.0f, m1 = 0.0f, m2 = 0.0f;
    compute_creep_forces(tab.ctx(), 0.001f, 0.003f, 0.1f, yaw, 0.05f, 0.42f, 2.0f * b, speed, 0.3f, 60000.0f,
                         60000.0f, t1, t2, m1, m2);
    const ContactGeometryRow row = lookup_contact_geometry_row(tab.ctx(), 0.003f);
    const float d1 = row.roll + row.contact_angle_1;
    const Wheel w1 = by_hand(1.0f, b, yaw, 60000.0f * std::cos(d1) + 500.0f * std::sin(d1), d1, 0, 0, 0);
    EXPECT_FLOAT_EQ(t1, w1.lateral) << speed;
    EXPECT_FLOAT_EQ(m1, w1.moment) << speed;
    EXPECT_TRUE(std::isfinite(t2) && std::isfinite(m2)) << speed;
  }
  // A wheel pressed away by its lateral force: no creep coefficients, only
  // the normal force's lateral part.
  float t1 = -1.0E6f, t2 = 0.0f, m1 = 0.0f, m2 = 0.0f;
  compute_creep_forces(tab.ctx(), 0.0f, 0.0f, 0.0f, yaw, 0.0f, 0.42f, 2.0f * b, 30.0f, 0.3f, 0.0f, 0.0f, t1, t2, m1,
                       m2);
  const float delta = tab.q(121, 11);
  const float nc = -1.0E6f * std::sin(delta);
  EXPECT_FLOAT_EQ(t1, nc * std::sin(delta));
  EXPECT_FLOAT_EQ(m1, -(b * t1 * yaw));
}

TEST(CreepForces, ConicalWheelOperations) {
  Tables tab;
  float r = 0.0f;
  const CreepCoefficients f = compute_wheel_creep_forces_short(tab.ctx(), 0.004f, 2.0f, 0.43f, 50000.0f, r);
  EXPECT_FLOAT_EQ(r, 0.05f * 0.004f * 2.0f + 0.43f);
  const CreepCoefficients g = compute_creep_forces_short(tab.ctx(), r, 1.0E6f, 0.3f, 50000.0f);
  EXPECT_NEAR(f.f22, g.f22 * (7.692308E10 / 1.4609375E11), 1.0E-5 * f.f22);
  float unset = -1.0f;
  EXPECT_EQ(compute_wheel_creep_forces_short(tab.ctx(), 1, 1, 0.43f, 0.0f, unset).f11, 0.0f);
  EXPECT_EQ(unset, -1.0f);

  // One wheel: at rest nothing changes; running backwards mirrors the
  // lateral force of the mirrored wheel; the roll follows the cone.
  auto run = [&](float speed, float y, float& roll, float& lateral) {
    float roll_rate = 0.0f, roll_acc = 0.0f, moment = 0.0f;
    compute_wheel_creep_forces_variant(tab.ctx(), 1, y, 3.0f * y, 0.0f, 0.001f, 0.0f, roll, roll_rate, roll_acc, 0.42f,
                                       1.5f, speed, 0.3f, 60000.0f, lateral, moment);
  };
  float roll = 0.0f, lateral = 7.0f;
  run(0.0f, 0.003f, roll, lateral);
  EXPECT_EQ(roll, 0.0f);
  EXPECT_EQ(lateral, 7.0f);
  float roll_f = 0.0f, lateral_f = 0.0f, roll_b = 0.0f, lateral_b = 0.0f;
  run(30.0f, 0.003f, roll_f, lateral_f);
  run(-30.0f, -0.003f, roll_b, lateral_b);
  EXPECT_FLOAT_EQ(lateral_b, -lateral_f);
  EXPECT_FLOAT_EQ(roll_f, 0.05f / 0.75f * 0.003f);
}

}  // namespace
}  // namespace tb
