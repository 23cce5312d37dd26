// The whole program against the moving sprung mass: a mass on a spring and a
// damper rolls at constant speed over a simply supported beam (the published
// verification case of a 25 m concrete span: E = 3.5E10 Pa, I = 1.3901 m^4,
// 18 358 kg/m; 5750 kg on 1595 kN/m and 4.0E5 N s/m at 90 km/h; ten modes).
// The mass's vertical acceleration, which the run writes to
// Res_AccResults_Vehicles.bin, follows the modal superposition of the coupled
// system within 3 % of its peak over the passage and over its last 0.125 m,
// where the damper sees the rail velocity v w' at its largest, under the
// Newmark and the fourth-order Runge-Kutta schemes; the mid-span deflection
// follows it within 1 %. After the exit the mass rings down on the approach
// within 3 % as well, from the bearing on: the rail velocity v w' under the
// damper drops from its largest value to 0 at the bearing, and so does the
// mass's acceleration, by a tenth of its peak. At the one record whose
// instant falls on that drop (the wheel within a time step of the bearing)
// the program's value is that of either side of it, as the position of the
// wheel in single precision and the scheme's placement of the wheel within
// the step decide.
//
// The reference is written here from the formulas of the beam alone, modes
// phi_n(x) = sqrt(2/(m L)) sin(n pi x / L) without damping, coupled to the
// mass through the contact force N = W + k (w - y) + c (w' - y') at the
// contact point x = v t, where the rail moves as w = sum phi_n(x) q_n with
// the velocity sum (phi_n(x) q_n' + v phi_n'(x) q_n); integrated by
// fourth-order Runge-Kutta at a step a tenth of the program's finest.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
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

// ---------------------------------------------------------------------------
// The case
// ---------------------------------------------------------------------------

constexpr double kSpan = 25.0;
constexpr double kBendingStiffness = 3.5E10 * 1.3901;  // N m^2
constexpr double kMassPerLength = 18358.0;             // kg/m
constexpr int kModes = 10;
// Nodes on the axis every 0.125 m, the spacing of the track nodes.
constexpr int kNodeIntervals = 200;
// Mid-span output point, vertical displacement.
constexpr int kMidSpanNode = kNodeIntervals / 2 + 1;

double first_frequency() {
  const double k1 = std::numbers::pi / kSpan;
  return k1 * k1 * std::sqrt(kBendingStiffness / kMassPerLength) / (2.0 * std::numbers::pi);
}
const test::SimpleBeam kBeam{kSpan, kMassPerLength, first_frequency(), kModes, kNodeIntervals};

// The sprung mass: its weight on the beam, spring and damper; split over the
// two wheels of one wheel pair (contact code 2) under the mass.
constexpr double kMass = 5750.0;
constexpr double kWeight = kMass * 9.81;
constexpr double kStiffness = 1.595E6, kDamping = 4.0E5;
constexpr float kSpeedKmh = 90.0f;

// Track from 5 m before the span to 5 m after it; the front of the vehicle
// (its front coupling node, 0.5 m ahead of the mass) starts at the track's
// start, and the stage runs until the mass reaches the track's end, 0.2 s
// after it has left the span.
constexpr double kTrackStart = -5.0, kTrackEnd = kSpan + 5.0, kTrackSpacing = 0.125;
constexpr double kFrontAhead = 0.5;

double speed() { return static_cast<double>(kSpeedKmh / 3.6f); }

// ---------------------------------------------------------------------------
// The reference solution
// ---------------------------------------------------------------------------

// Modal coordinates and velocities of the beam, then the mass's displacement
// (up, from its static position) and velocity.
using State = std::array<double, 2 * kModes + 2>;

// Upward acceleration of the mass: the spring and damper force over the
// mass, with the rail under it at w, w_dot (0 off the span).
double mass_acceleration(const State& s, double w, double w_dot) {
  const double y = s[2 * kModes], y_dot = s[2 * kModes + 1];
  return (kStiffness * (w - y) + kDamping * (w_dot - y_dot)) / kMass;
}

// Rail displacement and velocity under the mass at position x on the span.
void rail_motion(const State& s, double x, double& w, double& w_dot) {
  w = w_dot = 0.0;
  for (int n = 1; n <= kModes; ++n) {
    const double q = s[n - 1], q_dot = s[kModes + n - 1];
    w += kBeam.mode_shape(n, x) * q;
    w_dot += kBeam.mode_shape(n, x) * q_dot + speed() * kBeam.mode_slope(n, x) * q;
  }
}

// d/dt of the state at time tau after the entry, the mass on the span or
// (on_span false) beyond it.
State derivative(const State& s, double tau, bool on_span) {
  State d{};
  double w = 0.0, w_dot = 0.0;
  const double x = speed() * tau;
  if (on_span) rail_motion(s, x, w, w_dot);
  const double a = mass_acceleration(s, w, w_dot);
  // The contact force: the weight and the spring and damper force.
  const double contact = on_span ? kWeight + kMass * a : 0.0;
  for (int n = 1; n <= kModes; ++n) {
    const double q = s[n - 1], q_dot = s[kModes + n - 1], omega = kBeam.omega(n);
    d[n - 1] = q_dot;
    d[kModes + n - 1] = -omega * omega * q - (on_span ? kBeam.mode_shape(n, x) * contact : 0.0);
  }
  d[2 * kModes] = s[2 * kModes + 1];
  d[2 * kModes + 1] = a;
  return d;
}

// The reference every `step` seconds from the entry (tau = 0, all at rest)
// for `count` steps, the exit falling on step `exit_step`: per step the
// mass's acceleration and the mid-span deflection.
struct ReferenceSample {
  double acceleration;
  double mid_span;
};

std::vector<ReferenceSample> reference_solution(double step, int exit_step, int count) {
  std::vector<ReferenceSample> out;
  out.reserve(static_cast<std::size_t>(count) + 1);
  State s{};
  const auto sample = [&](int i) {
    const bool on_span = i <= exit_step;
    double w = 0.0, w_dot = 0.0;
    if (on_span) rail_motion(s, speed() * step * i, w, w_dot);
    double mid = 0.0;
    for (int n = 1; n <= kModes; ++n) mid += kBeam.mode_shape(n, kSpan / 2.0) * s[n - 1];
    out.push_back({mass_acceleration(s, w, w_dot), mid});
  };
  const auto axpy = [](const State& a, double f, const State& b) {
    State r;
    for (std::size_t j = 0; j < r.size(); ++j) r[j] = a[j] + f * b[j];
    return r;
  };
  sample(0);
  for (int i = 0; i < count; ++i) {
    const bool on_span = i < exit_step;
    const double tau = step * i;
    const State k1 = derivative(s, tau, on_span);
    const State k2 = derivative(axpy(s, step / 2.0, k1), tau + step / 2.0, on_span);
    const State k3 = derivative(axpy(s, step / 2.0, k2), tau + step / 2.0, on_span);
    const State k4 = derivative(axpy(s, step, k3), tau + step, on_span);
    for (std::size_t j = 0; j < s.size(); ++j) s[j] += step / 6.0 * (k1[j] + 2.0 * k2[j] + 2.0 * k3[j] + k4[j]);
    sample(i + 1);
  }
  return out;
}

// ---------------------------------------------------------------------------
// The input files
// ---------------------------------------------------------------------------

// One vehicle type of contact code 2: front coupling node, the mass's node
// and the rear coupling node on the vehicle's axis, and the two wheels of one
// pair under the mass; one rigid vertical mode of the mass, output at its
// node.
void write_vehicle(const fs::path& input) {
  using test::num;
  std::string s = "  1 1 5 2 0 1 1\n  1 5 2 0 1 1\n";
  s += "  1 " + num(kFrontAhead) + " 0.0 0.0\n  2 0.0 0.0 0.0\n  3 " + num(-kFrontAhead) + " 0.0 0.0\n";
  s += "  11 0.0 0.0 -0.75\n  12 0.0 0.0 0.75\n  11 12\n";
  s += "  " + num(kWeight / 2.0) + " " + num(kWeight / 2.0) + "  2\n";
  s += "  " + num(kStiffness / 2.0) + " " + num(kStiffness / 2.0) + " " + num(kDamping / 2.0) + " " +
       num(kDamping / 2.0) + " 0.43 0.3\n";
  s += "  2 2\n  0.0\n  0.0\n";
  for (int n = 0; n < 5; ++n) s += "  0.0 " + num(1.0 / std::sqrt(kMass)) + " 0.0 0.0 0.0 0.0\n";
  test::write_file(input / "Modal_Substructure_Vehicletypes.dat", s);
}

void write_case(const fs::path& dir, std::int32_t method, double time_step) {
  test::write_beam_case(dir, {method, time_step, 1, 0, kTrackStart, kTrackEnd, kTrackSpacing});
  const fs::path input = dir / "input";
  test::write_beam_bridge(input, kBeam, {{kMidSpanNode, 2}}, {0.0, 0.0, 0.0});
  write_vehicle(input);
  test::write_file(input / "VehicleOrganization.dat",
                   "  1 1\n  1\n  1\n  1 1\n  1 1 " + test::num(kSpeedKmh) + " 0.0 0.0 0.0 0.0\n");
}

// ---------------------------------------------------------------------------
// The comparison
// ---------------------------------------------------------------------------

void run_and_compare(std::int32_t method, double time_step) {
  test::TestContext t;
  write_case(t.dir.path(), method, time_step);
  t->clock = test::frozen_clock;
  ASSERT_EQ(run_program(*t), 0) << t.console().substr(0, 2000);
  EXPECT_EQ(t.console().find("Warning"), std::string::npos);

  const test::SeriesFile acc = test::decode_series(t.dir / "input" / "Res_AccResults_Vehicles.bin");
  const test::SeriesFile dis = test::decode_series(t.dir / "input" / "Res_DisResults_Bridge.bin");
  ASSERT_EQ(acc.blocks.size(), 1u);
  ASSERT_EQ(dis.blocks.size(), 1u);
  const test::SeriesBlock& a = acc.blocks[0];
  const test::SeriesBlock& d = dis.blocks[0];
  ASSERT_EQ(a.channel_count, 1.0f);
  ASSERT_EQ(a.labels[1], 2.0f);
  ASSERT_EQ(d.records.size(), a.records.size());

  // Record r is the state at r dt, when the mass stands v (r - 1) dt beyond
  // its start, kFrontAhead before the track's start: it enters the span at
  // record 1 + entry and leaves it at record 1 + entry + exit.
  const double v = speed();
  const int entry = static_cast<int>(std::lround((kFrontAhead - kTrackStart) / (v * time_step)));
  const int exit = static_cast<int>(std::lround(kSpan / (v * time_step)));
  const int element = static_cast<int>(std::lround(kTrackSpacing / (v * time_step)));
  const int after = static_cast<int>(a.records.size()) - 1 - entry;
  ASSERT_GT(after, exit + static_cast<int>(0.15 / time_step));
  // The reference at a tenth of the program's step, sampled at its records.
  constexpr int kFiner = 10;
  const std::vector<ReferenceSample> ref = reference_solution(time_step / kFiner, exit * kFiner, after * kFiner);

  double peak = 0.0, deflection_peak = 0.0;
  for (int i = 0; i <= after; ++i) {
    peak = std::max(peak, std::fabs(ref[static_cast<std::size_t>(i * kFiner)].acceleration));
    deflection_peak = std::max(deflection_peak, std::fabs(ref[static_cast<std::size_t>(i * kFiner)].mid_span));
  }
  // Largest |program - reference| in parts of the peak: over the passage,
  // its last track element, the first element beyond the bearing, and the
  // rest of the ring-down; and of the mid-span deflection.
  double passage = 0.0, last_element = 0.0, first_element = 0.0, beyond = 0.0, deflection = 0.0;
  for (int i = 0; i <= after; ++i) {
    const ReferenceSample& r = ref[static_cast<std::size_t>(i * kFiner)];
    const std::size_t record = static_cast<std::size_t>(entry + i);
    double diff = std::fabs(a.records[record][0] - r.acceleration) / peak;
    if (i == exit || i == exit + 1) {
      // The record at the drop: against the reference just before or just
      // after it, whichever is nearer.
      const double before = ref[static_cast<std::size_t>((exit)*kFiner)].acceleration;
      const double after_drop = ref[static_cast<std::size_t>((exit + 1) * kFiner)].acceleration;
      diff = std::min(std::fabs(a.records[record][0] - before), std::fabs(a.records[record][0] - after_drop)) / peak;
    }
    double& stretch = i <= exit ? passage : i <= exit + element ? first_element : beyond;
    stretch = std::max(stretch, diff);
    if (i <= exit && i >= exit - element) last_element = std::max(last_element, diff);
    deflection = std::max(deflection, std::fabs(d.records[record][0] - r.mid_span) / deflection_peak);
  }
  char where[400];
  std::snprintf(where, sizeof where,
                "method %d, dt %g s: peak acceleration %.4f m/s^2; deviation in %% of it: %.2f over the passage, "
                "%.2f over its last %.3f m, %.2f over the first track element beyond the bearing, %.2f after "
                "it; mid-span deflection peak %.4e m, deviation %.3f %%",
                method, time_step, peak, 100.0 * passage, 100.0 * last_element, kTrackSpacing, 100.0 * first_element,
                100.0 * beyond, deflection_peak, 100.0 * deflection);
  EXPECT_LE(passage, 0.03) << where;
  EXPECT_LE(last_element, 0.03) << where;
  EXPECT_LE(first_element, 0.03) << where;
  EXPECT_LE(beyond, 0.03) << where;
  EXPECT_LE(deflection, 0.01) << where;
}

TEST(SprungMassValidation, NewmarkFollowsTheCoupledModalSolutionThroughTheExit) {
  run_and_compare(method::newmark, 1.0E-4);
}

TEST(SprungMassValidation, RungeKuttaFollowsTheCoupledModalSolutionThroughTheExit) {
  run_and_compare(method::runge_kutta, 5.0E-4);
}

}  // namespace
}  // namespace tb
