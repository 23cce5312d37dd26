// The whole program against closed form: constant wheel loads (the moving
// load solution, contact option -1) cross a simply supported beam at three
// speeds, one of them at the speed of the largest dynamic amplification. The
// mid-span and quarter-span deflections that the run writes to
// Res_DisResults_Bridge.bin follow the modal series solution of the beam under
// moving forces at every output instant, through the passage and through the
// free vibration after the last wheel has left, within 1 % of the peak, under
// the Newmark and the fourth-order Runge-Kutta schemes.
//
// The reference is written here from the formulas of the beam alone: modes
// phi_n(x) = sqrt(2/(m L)) sin(n pi x / L) with omega_n = n^2 omega_1, Rayleigh
// damping through two (frequency, ratio) points, and for each mode and wheel
// pair the exact response of the damped oscillator to the half-sine force
// P phi_n(v t) while the pair is on the span, then its free vibration.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numbers>
#include <string>
#include <vector>

#include "../results/series_reader.h"
#include "beam_case.h"
#include "run/run_control.h"

namespace tb {
namespace {

namespace fs = std::filesystem;
using std::numbers::pi;

// ---------------------------------------------------------------------------
// The case
// ---------------------------------------------------------------------------

// Beam: span, mass per length, first vertical frequency, modes n = 1..5 of
// vertical bending, nodes on the axis every 0.5 m (all of them interface
// nodes under the track).
constexpr double kSpan = 20.0;
constexpr int kModes = 5;
constexpr test::SimpleBeam kBeam{kSpan, 1.0E4, 3.0, kModes, 40};  // nodes at 0, 0.5, ..., 20 m
// Rayleigh damping through (f1, 2 %) and (f3, 2 %).
constexpr double kDampingF1 = 3.0, kDampingF2 = 9.0 * kDampingF1, kDampingXi = 0.02;

// Output points: mid-span (node 21, x = 10 m) and quarter span (node 11,
// x = 5 m), vertical displacement.
struct OutputPoint {
  int node;
  double x;
};
constexpr OutputPoint kOutputs[] = {{21, 10.0}, {11, 5.0}};

// Track: straight and level from -8 m to 24 m, nodes every 0.1 m.
constexpr double kTrackStart = -8.0, kTrackEnd = kSpan + 4.0;
// The train's front stands 4 m before the span at the first step.
constexpr double kLeadIn = -4.0;

// Vehicle: two wheel pairs 2.5 m apart, each wheel of a pair carrying the
// pair's static load (the moving load solution applies the load of a pair's
// second wheel to both wheels).
struct Axle {
  double x;           // in the vehicle's frame; the front end is the largest x
  double wheel_load;  // N, per wheel
};
constexpr Axle kAxles[] = {{1.25, 60000.0}, {-1.25, 50000.0}};
constexpr double kVehicleFront = 1.25;

// Integration. The Newmark scheme loads the end of a step with the wheels
// where the step put them, as the reference does (to about 0.01 % of the
// peak here); the Runge-Kutta scheme holds them there through all four
// evaluations of the step, half a step ahead of the reference on average,
// which costs it about omega_1 dt / 2 = 0.25 % of the peak at this step.
constexpr double kTimeStep = 2.5E-4;  // s
constexpr int kOutputInterval = 10;
// Recorded time after the rear pair has left the span.
constexpr double kFreeVibrationTime = 1.0;  // s

// Speeds (km/h): speed parameters alpha = pi v / (omega_1 L) of 0.25, 0.4 and
// 0.6; the last is the speed of the largest mid-span amplification of this
// pair of loads (checked against a sweep of the reference below). At each of
// them the beam keeps vibrating after the loads have left, by more than a
// fifth of the peak.
constexpr float kSpeedsKmh[] = {108.0f, 172.8f, 259.2f};
constexpr int kResonantStage = 3;

// ---------------------------------------------------------------------------
// The reference solution
// ---------------------------------------------------------------------------

// Damping ratio of mode n from the Rayleigh curve xi(w) = a/(2w) + b w/2
// through the two points: a + b w_i^2 = 2 xi_i w_i.
double damping_ratio(int n) {
  const double w1 = 2.0 * pi * kDampingF1, w2 = 2.0 * pi * kDampingF2;
  const double b = 2.0 * (kDampingXi * w2 - kDampingXi * w1) / (w2 * w2 - w1 * w1);
  const double a = 2.0 * kDampingXi * w1 - b * w1 * w1;
  const double w = kBeam.omega(n);
  return a / (2.0 * w) + b * w / 2.0;
}

// q'' + 2 z w q' + w^2 q = f sin(W s) for 0 <= s <= s1 (sin(W s1) = 0: the
// force ends where it started, at zero), q = q' = 0 at s = 0; free vibration
// after s1; 0 before s = 0. Exact: the steady harmonic part plus the damped
// homogeneous solution that starts the oscillator from rest.
double oscillator_response(double w, double z, double f, double W, double s1, double s) {
  if (s <= 0.0) return 0.0;
  const double wd = w * std::sqrt(1.0 - z * z);
  const double k = w * w - W * W, c = 2.0 * z * w * W;
  const double den = k * k + c * c;
  const double C = f * k / den, D = -f * c / den;
  const double E = -D, G = (z * w * E - C * W) / wd;
  const auto q = [&](double u) {
    return C * std::sin(W * u) + D * std::cos(W * u) +
           std::exp(-z * w * u) * (E * std::cos(wd * u) + G * std::sin(wd * u));
  };
  const auto qd = [&](double u) {
    return C * W * std::cos(W * u) - D * W * std::sin(W * u) +
           std::exp(-z * w * u) * ((wd * G - z * w * E) * std::cos(wd * u) - (z * w * G + wd * E) * std::sin(wd * u));
  };
  if (s <= s1) return q(s);
  const double q1 = q(s1), v1 = qd(s1), u = s - s1;
  return std::exp(-z * w * u) * (q1 * std::cos(wd * u) + (v1 + z * w * q1) / wd * std::sin(wd * u));
}

// A force P (N, downward) that enters the span at time `enter` and crosses it
// at speed v.
struct MovingForce {
  double force;
  double enter;
};

// Vertical deflection (m, up positive) at x and time t under the forces.
double beam_deflection(const std::vector<MovingForce>& forces, double v, double x, double t) {
  double w = 0.0;
  for (const MovingForce& p : forces)
    for (int n = 1; n <= kModes; ++n) {
      const double f = -p.force * kBeam.mode_amplitude();  // generalised force amplitude of the half sine
      w += kBeam.mode_shape(n, x) *
           oscillator_response(kBeam.omega(n), damping_ratio(n), f, n * pi * v / kSpan, kSpan / v, t - p.enter);
    }
  return w;
}

// The program's wheel pairs as moving forces: the run places the front at
// lead-in before the track start at the first step (time dt) and moves every
// wheel by v dt per step.
std::vector<MovingForce> program_forces(double v) {
  std::vector<MovingForce> forces;
  for (const Axle& a : kAxles) {
    const double start = kTrackStart - kLeadIn - (kVehicleFront - a.x);
    forces.push_back({2.0 * a.wheel_load, kTimeStep + (0.0 - start) / v});
  }
  return forces;
}

double speed_ms(float kmh) { return static_cast<double>(kmh / 3.6f); }
double last_exit(const std::vector<MovingForce>& forces, double v) {
  double t = 0.0;
  for (const MovingForce& p : forces) t = std::max(t, p.enter + kSpan / v);
  return t;
}

// Largest |deflection| at x over the passage and the free vibration, sampled
// every millisecond.
double reference_peak(const std::vector<MovingForce>& forces, double v, double x) {
  double peak = 0.0;
  for (double t = 0.0; t < last_exit(forces, v) + kFreeVibrationTime; t += 1.0E-3)
    peak = std::max(peak, std::fabs(beam_deflection(forces, v, x, t)));
  return peak;
}

// ---------------------------------------------------------------------------
// The input files
// ---------------------------------------------------------------------------

// One vehicle type of contact code -1 (a moving load: the integration leaves
// the vehicle out): four wheel nodes, one output item, one mode without shape.
void write_vehicle(const fs::path& input) {
  std::string s = "  1 1 4 4 0 1 1\n  1 4 4 0 1 1\n";
  std::string wheels, loads;
  int node = 10;
  for (const Axle& a : kAxles) {
    for (double z : {-0.75, 0.75}) {
      ++node;
      s += "  " + std::to_string(node) + " " + test::num(a.x) + " 0.43 " + test::num(z) + "\n";
      wheels += " " + std::to_string(node);
      loads += " " + test::num(a.wheel_load);
    }
    node += 8;
  }
  s += wheels + "\n" + loads + "  -1\n";
  s += "  0 0 0 0  0 0 0 0  0 0 0.75 0 0.43 0.3\n" + wheels + "\n";
  s += "  11 2\n  1.0\n  0.0\n";
  for (int n = 0; n < 4; ++n) s += "  0 0 0 0 0 0\n";
  test::write_file(input / "Modal_Substructure_Vehicletypes.dat", s);
}

// The speed stages: one train of one vehicle; each stage runs until the rear
// pair has been off the span for the free-vibration time.
void write_train(const fs::path& input) {
  std::string speeds, lead_in, run_out, zeros;
  for (float kmh : kSpeedsKmh) {
    const double v = speed_ms(kmh);
    speeds += " " + test::num(kmh);
    lead_in += " " + test::num(kLeadIn);
    run_out += " " + test::num(v * kFreeVibrationTime - (kTrackEnd - kSpan) + 0.05);
    zeros += " 0.0";
  }
  test::write_file(input / "VehicleOrganization.dat", "  1 1\n  1\n  1\n  1 " + std::to_string(std::size(kSpeedsKmh)) +
                                                          "\n  1 1" + speeds + lead_in + run_out + zeros + zeros +
                                                          "\n");
}

void write_case(const fs::path& dir, std::int32_t method) {
  test::write_beam_case(dir, {method, kTimeStep, kOutputInterval, -1, kTrackStart, kTrackEnd, 0.1});
  const fs::path input = dir / "input";
  test::write_beam_bridge(input, kBeam, {{kOutputs[0].node, 2}, {kOutputs[1].node, 2}},
                          {kDampingF1, kDampingF2, kDampingXi});
  write_vehicle(input);
  write_train(input);
}

// ---------------------------------------------------------------------------
// The comparison
// ---------------------------------------------------------------------------

struct Comparison {
  double peak = 0.0;           // largest |reference|
  double program_peak = 0.0;   // largest |program|
  double worst = 0.0;          // largest |program - reference|
  double worst_free = 0.0;     // the same over the free vibration
  double free_amplitude = 0.0; // largest |reference| over the free vibration
  double last_time = 0.0;
};

void run_and_compare(std::int32_t method) {
  test::TestContext t;
  write_case(t.dir.path(), method);
  t->clock = test::frozen_clock;
  ASSERT_EQ(run_program(*t), 0) << t.console().substr(0, 2000);
  const std::string out = t.console();
  EXPECT_EQ(out.find("Warning"), std::string::npos);

  const test::SeriesFile f = test::decode_series(t.dir / "input" / "Res_DisResults_Bridge.bin");
  ASSERT_FALSE(f.truncated);
  ASSERT_EQ(f.blocks.size(), std::size(kSpeedsKmh));
  for (std::size_t stage = 0; stage < std::size(kSpeedsKmh); ++stage) {
    const test::SeriesBlock& b = f.blocks[stage];
    ASSERT_EQ(b.channel_count, static_cast<float>(std::size(kOutputs)));
    for (std::size_t c = 0; c < std::size(kOutputs); ++c) {
      ASSERT_EQ(b.labels[2 * c], static_cast<float>(kOutputs[c].node));
      ASSERT_EQ(b.labels[2 * c + 1], 2.0f);
    }
    const double dt_out = kTimeStep * kOutputInterval;
    ASSERT_NEAR(b.interval, dt_out, 1.0E-9);

    const double v = speed_ms(kSpeedsKmh[stage]);
    const std::vector<MovingForce> forces = program_forces(v);
    const double exit = last_exit(forces, v);
    for (std::size_t c = 0; c < std::size(kOutputs); ++c) {
      Comparison cmp;
      for (std::size_t r = 0; r < b.records.size(); ++r) {
        const double time = static_cast<double>(r + 1) * dt_out;
        const double ref = beam_deflection(forces, v, kOutputs[c].x, time);
        const double got = b.records[r][c];
        const double diff = std::fabs(got - ref);
        cmp.peak = std::max(cmp.peak, std::fabs(ref));
        cmp.program_peak = std::max(cmp.program_peak, std::fabs(got));
        cmp.worst = std::max(cmp.worst, diff);
        if (time > exit) {
          cmp.worst_free = std::max(cmp.worst_free, diff);
          cmp.free_amplitude = std::max(cmp.free_amplitude, std::fabs(ref));
        }
        cmp.last_time = time;
      }
      char where[200];
      std::snprintf(where, sizeof where,
                    "method %d, %.1f km/h, x = %g m: peak %.4e m, worst error %.3f %% of it (%.3f %% in the free "
                    "vibration)",
                    method, static_cast<double>(kSpeedsKmh[stage]), kOutputs[c].x, cmp.peak,
                    100.0 * cmp.worst / cmp.peak, 100.0 * cmp.worst_free / cmp.peak);
      // The record holds the whole free vibration, and it is not negligible.
      EXPECT_GE(cmp.last_time, exit + 0.99 * kFreeVibrationTime) << where;
      EXPECT_GT(cmp.free_amplitude, 0.2 * cmp.peak) << where;
      EXPECT_LE(cmp.worst, 0.01 * cmp.peak) << where;
      EXPECT_NEAR(cmp.program_peak, cmp.peak, 0.01 * cmp.peak) << where;
    }
  }
}

// The reference itself: at a crawling speed one force at mid-span deflects
// the beam by P L^3 / (48 EI) (five modes carry all but 0.1 % of it), and at
// the speed of the third stage the vehicle's two pairs deflect mid-span within
// 2 % as much as at the worst speed of a sweep over alpha = 0.1 to 1.2.
TEST(MovingLoadValidation, TheReferenceHasTheStaticLimitAndItsLargestAmplificationAtTheThirdSpeed) {
  const double p = 100000.0, v_slow = 0.05;
  const std::vector<MovingForce> one = {{p, 0.0}};
  double slow_peak = 0.0;
  for (double t = 0.45 * kSpan / v_slow; t < 0.55 * kSpan / v_slow; t += 0.01)
    slow_peak = std::max(slow_peak, -beam_deflection(one, v_slow, kSpan / 2.0, t));
  const double static_deflection = p * kSpan * kSpan * kSpan / (48.0 * kBeam.bending_stiffness());
  EXPECT_NEAR(slow_peak, static_deflection, 0.002 * static_deflection);

  double best = 0.0, best_v = 0.0;
  for (double alpha = 0.1; alpha <= 1.2; alpha += 0.01) {
    const double v = alpha * kBeam.omega(1) * kSpan / pi;
    const double peak = reference_peak(program_forces(v), v, kSpan / 2.0);
    if (peak > best) best = peak, best_v = v;
  }
  const double v3 = speed_ms(kSpeedsKmh[kResonantStage - 1]);
  EXPECT_GE(reference_peak(program_forces(v3), v3, kSpan / 2.0), 0.98 * best) << best_v;
}

TEST(MovingLoadValidation, NewmarkFollowsTheModalSeriesSolution) { run_and_compare(method::newmark); }

TEST(MovingLoadValidation, RungeKuttaFollowsTheModalSeriesSolution) { run_and_compare(method::runge_kutta); }

}  // namespace
}  // namespace tb
