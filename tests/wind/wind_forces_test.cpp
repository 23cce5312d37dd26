#include "wind/wind_forces.h"

#include <gtest/gtest.h>

#include <cmath>
#include <initializer_list>
#include <vector>

#include "test_support.h"
#include "wind/wind_fixtures.h"

namespace tb {
namespace {

constexpr double kRho = 1.25, kU = 20.0;

using test::set_polynomial;

// Wind of 20 m/s at air density 1.25 from x = 10 on, ramp time 2 s, and
// three coefficient sets; set 1 carries the bridge deck's polynomials.
void set_wind(RunContext& c, float direction = 0.0f) {
  WindParameters& w = c.wind;
  w.wind_on = 1;
  w.air_density = static_cast<float>(kRho);
  w.mean_wind_speed = static_cast<float>(kU);
  w.wind_direction = direction;
  w.wind_field_start = 10.0f;
  w.smoothing_time = 2.0f;
  w.coefficient_set_count = 3;
  w.set_depth.resize(3);
  w.set_width.resize(3);
  w.set_third_dimension.resize(3);
  w.coef_poly_counts.resize(3, 6);
  w.coef_polys.resize(3, 10, 6);
  for (int s = 1; s <= 3; ++s) {
    w.set_depth(s) = 3.0f;
    w.set_width(s) = 4.0f;
    w.set_third_dimension(s) = 5.0f;
  }
  set_polynomial(w, 1, 1, {1.2f, 0.5f, -2.0f});
  set_polynomial(w, 1, 2, {0.3f, 4.0f});
  set_polynomial(w, 1, 3, {0.1f, 1.5f});
  set_polynomial(w, 1, 4, {100.0f});  // used by no force
  set_polynomial(w, 1, 5, {0.05f});
  set_polynomial(w, 1, 6, {0.02f, 0.3f});
}

// A field of N samples dt = 0.5 s apart at P points dx = 10 m apart with
// along(n, j) = value(n, j) and vertical = -along / 2.
template <class F>
void set_field(RunContext& c, int samples, int points, F value) {
  WindField& f = c.wind_field;
  f.wind_time_step = 0.5f;
  f.wind_point_spacing = 10.0f;
  f.wind_sample_count = samples;
  f.along_wind_turbulence.resize(samples, points);
  f.vertical_wind_turbulence.resize(samples, points);
  for (int n = 1; n <= samples; ++n)
    for (int j = 1; j <= points; ++j) {
      f.along_wind_turbulence(n, j) = value(n, j);
      f.vertical_wind_turbulence(n, j) = -0.5f * value(n, j);
    }
}

double poly(std::initializer_list<double> c, double a, bool slope = false) {
  double v = 0.0;
  int j = 0;
  for (const double x : c) {
    if (!slope) v += x * std::pow(a, j);
    else if (j >= 1) v += j * x * std::pow(a, j - 1);
    ++j;
  }
  return v;
}

void expect_force(const float force[6], const double expected[6], const char* what) {
  for (int k = 0; k < 6; ++k) {
    if (expected[k] == 0.0)
      EXPECT_EQ(force[k], 0.0f) << what << " component " << k + 1;
    else
      EXPECT_NEAR(force[k] / expected[k], 1.0, 2e-6) << what << " component " << k + 1;
  }
}

// Quasi-steady drag, lift and moment of an element 8 m long in the steady
// mean wind, polynomials taken at an attack angle of 0.1 rad; with
// turbulence the linearised gust terms 2 P u / U and (P' +- cross) w / U.
TEST(BridgeWindForces, QuasiSteadyLoadOfTheMeanWindAndItsGusts) {
  const double a = 0.1, length = 8.0, a1 = 3.0, a2 = 4.0;
  const double drag = poly({1.2, 0.5, -2.0}, a), drag_slope = poly({1.2, 0.5, -2.0}, a, true);
  const double lift = poly({0.3, 4.0}, a), lift_slope = 4.0;
  const double moment = poly({0.1, 1.5}, a), moment_slope = 1.5;
  const double q = 0.5 * kRho * kU * kU;
  const struct {
    const char* what;
    float direction;
    int option;
    double u, w;
  } cases[] = {
      {"mean wind", 0.0f, 0, 0.0, 0.0},
      {"wind from the other side", 3.0f, 0, 0.0, 0.0},
      {"turbulence switched off ignores the field", 0.0f, 2, 0.0, 0.0},
      {"uniform gust", 0.0f, 1, 2.0, -1.0},
      {"uniform gust from the other side", 3.0f, 1, 2.0, -1.0},
  };
  for (const auto& cs : cases) {
    test::TestContext t;
    set_wind(*t, cs.direction);
    t->wind.turbulence_option = cs.option;
    set_field(*t, 16, 8, [](int, int) { return 2.0f; });
    const double side = std::cos(cs.direction) < 0.0 ? -1.0 : 1.0;
    float force[6] = {9, 9, 9, 9, 9, 9};
    compute_bridge_wind_forces(*t, 8.0f, 0.1f, 3.3f, 32.0f, 1, force);
    const double expected[6] = {
        0.0,
        q * length * a2 * (lift + 2.0 * lift / kU * cs.u + (lift_slope + drag * a1 / a2) / kU * cs.w),
        side * q * a1 * length * (drag + 2.0 * drag / kU * cs.u + (drag_slope - lift * a2 / a1) / kU * cs.w),
        side * q * length * a2 * a2 * (moment + 2.0 * moment / kU * cs.u + moment_slope / kU * cs.w),
        0.0,
        0.0};
    expect_force(force, expected, cs.what);
  }
}

TEST(BridgeWindForces, NoForceBeforeTheWindAndARampOverTheSmoothingTime) {
  test::TestContext t;
  set_wind(*t);
  const double full = 0.5 * kRho * kU * kU * 8.0 * 4.0 * 0.3;  // lift at angle 0
  const double quarter = 1.0 - std::cos(3.14159265358979 / 4.0);
  const struct {
    float time, mid_point, ramp_time;
    double lift;
  } cases[] = {
      {3.0f, 10.0f, 2.0f, 0.0},                         // at the start of the wind
      {3.0f, 9.0f, 2.0f, 0.0},
      {0.0f, 30.0f, 2.0f, 0.0},                         // ramp starts at 0
      {1.0f, 30.0f, 2.0f, full * quarter * quarter},    // half-way up the ramp
      {2.0f, 30.0f, 2.0f, full},
      {0.001f, 30.0f, 0.0f, full},                      // no ramp
  };
  for (const auto& cs : cases) {
    t->wind.smoothing_time = cs.ramp_time;
    float force[6];
    compute_bridge_wind_forces(*t, 8.0f, 0.0f, cs.time, cs.mid_point, 1, force);
    if (cs.lift == 0.0) {
      for (int k = 0; k < 6; ++k) EXPECT_EQ(force[k], 0.0f) << cs.time << " " << cs.mid_point;
    } else {
      EXPECT_NEAR(force[1] / cs.lift, 1.0, 2e-6) << cs.time;
    }
  }
}

// The four samples around (t, a) with the normalised weights
// (1 - (1-tau)(1-xi))/3, (1 + (1-tau)(2-xi))/3, (1 - (2-tau)(2-xi))/3 and
// (1 + (2-tau)(1-xi))/3; no turbulence in the last point or sample interval.
TEST(TurbulenceLookup, FourSamplesWeightedAroundThePoint) {
  test::TestContext t;
  auto value = [](int n, int j) { return static_cast<float>(7 * n * n + j * j * j); };
  set_field(*t, 6, 4, value);
  const struct {
    float time, offset;
    bool inside;
  } cases[] = {
      {0.5f, 10.0f, true},    // on a sample and a point: U2 - U3 + U4
      {0.8f, 13.0f, true},
      {2.2f, 29.5f, true},    // last point pair
      {0.1f, 0.5f, true},
      {2.4f, 30.0f, false},   // point interval 4 of 4 points
      {2.6f, 15.0f, false},   // sample interval 6 of 6 samples
      {-0.2f, 15.0f, false},
  };
  for (const auto& cs : cases) {
    float u = 99.0f, w = 99.0f;
    look_up_turbulence(*t, cs.time, cs.offset, u, w);
    if (!cs.inside) {
      EXPECT_EQ(u, 0.0f) << cs.time;
      EXPECT_EQ(w, 0.0f) << cs.time;
      continue;
    }
    const int c = static_cast<int>(cs.time / 0.5f), d = static_cast<int>(cs.offset / 10.0f);
    const double tau = cs.time / 0.5 - c, xi = cs.offset / 10.0 - d;
    const double expected = ((1 - (1 - tau) * (1 - xi)) * value(c + 1, d + 1) +
                             (1 + (1 - tau) * (2 - xi)) * value(c + 1, d + 2) +
                             (1 - (2 - tau) * (2 - xi)) * value(c + 2, d + 2) +
                             (1 + (2 - tau) * (1 - xi)) * value(c + 2, d + 1)) / 3.0;
    EXPECT_NEAR(u, expected, 1e-4 * std::fabs(expected)) << cs.time << " " << cs.offset;
    EXPECT_NEAR(w, -0.5 * expected, 1e-4 * std::fabs(expected)) << cs.time << " " << cs.offset;
  }
  float u, w;
  look_up_turbulence(*t, 0.5f, 10.0f, u, w);
  EXPECT_NEAR(u, value(2, 3) - value(3, 3) + value(3, 2), 1e-3);
  // A single point never finds a pair of points.
  set_field(*t, 6, 1, value);
  look_up_turbulence(*t, 0.8f, 3.0f, u, w);
  EXPECT_EQ(u, 0.0f);
}

// Train 1 with two vehicles; every station names set 1 unless a test sets
// other sets.
void set_stations(RunContext& c, std::initializer_list<float> positions) {
  WindParameters& w = c.wind;
  const int m = static_cast<int>(positions.size());
  w.vehicle_station_count = m;
  w.vehicle_station_positions.resize(m);
  w.station_coefficient_work.resize(m);
  w.vehicle_station_sets.resize(1, 2, m);
  int k = 1;
  for (const float x : positions) w.vehicle_station_positions(k++) = x;
  w.vehicle_station_sets.fill(1);
}

// Relative wind of a vehicle 25 m long at 30 m/s: lateral (U + u) cos beta,
// along the track (U + u) sin beta - V when the lateral-force coefficient
// has two terms or more (else without V); angle atan(Vx / Vz);
// Q = 0.5 rho Lv (Vz^2 + Vx^2) A1 / A3.
TEST(VehicleWindForces, QuasiSteadyLoadOfTheRelativeWind) {
  const double lv = 25.0, v = 30.0, a1 = 3.0, a3 = 5.0;
  const struct {
    const char* what;
    float direction;
    bool one_term;
    float gust;  // uniform along-wind turbulence (turbulence on when not 0)
  } cases[] = {
      {"square to the track", 0.0f, false, 0.0f},
      {"lateral coefficient of one term ignores the speed", 0.0f, true, 0.0f},
      {"oblique wind from the other side", 2.5f, false, 0.0f},
      {"gust", 0.4f, false, 4.0f},
      {"gust cancelling the mean wind", 0.0f, false, -20.0f},
  };
  for (const auto& cs : cases) {
    test::TestContext t;
    set_wind(*t, cs.direction);
    set_stations(*t, {0.0f});
    if (cs.one_term) set_polynomial(t->wind, 1, 1, {1.2f});
    if (cs.gust != 0.0f) {
      t->wind.turbulence_option = 1;
      set_field(*t, 16, 8, [&](int, int) { return cs.gust; });
    }
    float force[6] = {9, 9, 9, 9, 9, 9};
    compute_vehicle_wind_forces(*t, 25.0f, 1, 2, 30.0f, 3.0f, 40.0f, force);  // on a sample and a point

    const double beta = cs.direction, wind = kU + cs.gust;
    const double vz = wind * std::cos(beta);
    const double vx = wind * std::sin(beta) - (cs.one_term ? 0.0 : v);
    const double angle = std::fabs(vz) > 1e-9 ? std::atan(vx / vz) : -1.5707963267948966;
    const double q = 0.5 * kRho * lv * (vz * vz + vx * vx) * a1 / a3;
    const double side = std::cos(beta) < 0.0 ? -1.0 : 1.0;
    const double lateral = cs.one_term ? 1.2 : poly({1.2, 0.5, -2.0}, angle);
    const double expected[6] = {0.0,
                                poly({0.3, 4.0}, angle) * q,
                                side * lateral * q,
                                side * poly({0.1, 1.5}, angle) * q * a1,
                                poly({0.02, 0.3}, angle) * q * a1,
                                side * 0.05 * q * a1};
    expect_force(force, expected, cs.what);
  }
}

TEST(VehicleWindForces, NoStationsOrNoWindAtTheVehicleGiveNoForce) {
  test::TestContext t;
  set_wind(*t);
  float force[6] = {9, 9, 9, 9, 9, 9};
  compute_vehicle_wind_forces(*t, 25.0f, 1, 1, 30.0f, 3.0f, 40.0f, force);  // no stations
  for (int k = 0; k < 6; ++k) EXPECT_EQ(force[k], 0.0f);
  set_stations(*t, {0.0f});
  compute_vehicle_wind_forces(*t, 25.0f, 1, 1, 30.0f, 3.0f, 10.0f, force);  // at the start of the wind
  for (int k = 0; k < 6; ++k) EXPECT_EQ(force[k], 0.0f);
  compute_vehicle_wind_forces(*t, 25.0f, 1, 1, 30.0f, 0.0f, 40.0f, force);  // start of the ramp
  for (int k = 0; k < 6; ++k) EXPECT_EQ(force[k], 0.0f);
}

// The coefficients of a vehicle follow its stations: linear between
// neighbours, along the line through two stations beyond them, and the
// nearest end station's value outside three or more, whatever was
// interpolated before.
TEST(VehicleWindForces, CoefficientsInterpolatedBetweenStations) {
  test::TestContext t;
  set_wind(*t);
  WindParameters& w = t->wind;
  for (int s = 1; s <= 3; ++s) {
    for (int p = 1; p <= 6; ++p) w.coef_poly_counts(s, p) = 0;
    set_polynomial(w, s, 1, {1.0f});  // one term: no train speed, angle 0
    set_polynomial(w, s, 2, {static_cast<float>(2 * s - 1)});  // lift 1, 3, 5
  }
  const double q = 0.5 * kRho * 25.0 * kU * kU * 3.0 / 5.0;
  auto lift_at = [&](int slot, float x) {
    float force[6];
    compute_vehicle_wind_forces(*t, 25.0f, 1, slot, 30.0f, 3.0f, x, force);
    return force[1] / q;
  };

  set_stations(*t, {100.0f});
  w.vehicle_station_sets(1, 1, 1) = 2;
  EXPECT_NEAR(lift_at(1, 500.0f), 3.0, 1e-6);  // one station: its set everywhere

  set_stations(*t, {100.0f, 200.0f});
  w.vehicle_station_sets(1, 1, 2) = 2;  // lift 1 at 100, 3 at 200
  EXPECT_NEAR(lift_at(1, 150.0f), 2.0, 1e-6);
  EXPECT_NEAR(lift_at(1, 250.0f), 4.0, 1e-6);
  EXPECT_NEAR(lift_at(1, 50.0f), 0.0, 1e-6);

  set_stations(*t, {300.0f, 200.0f, 100.0f});  // descending
  w.vehicle_station_sets(1, 1, 1) = 3;         // vehicle 1: 5, 1, 3
  w.vehicle_station_sets(1, 1, 3) = 2;
  w.vehicle_station_sets(1, 2, 2) = 3;         // vehicle 2: 1, 5, 1
  EXPECT_NEAR(lift_at(1, 250.0f), 3.0, 1e-6);
  EXPECT_NEAR(lift_at(1, 200.0f), 1.0, 1e-6);
  EXPECT_NEAR(lift_at(1, 125.0f), 2.5, 1e-6);
  EXPECT_NEAR(lift_at(1, 350.0f), 5.0, 1e-6);
  EXPECT_NEAR(lift_at(1, 50.0f), 3.0, 1e-6);
  EXPECT_NEAR(lift_at(2, 250.0f), 3.0, 1e-6);
  EXPECT_NEAR(lift_at(2, 20.0f), 1.0, 1e-6);
  EXPECT_NEAR(lift_at(2, 400.0f), 1.0, 1e-6);
}

}  // namespace
}  // namespace tb
