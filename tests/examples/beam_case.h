// A whole-program case of a simply supported beam under a straight, level,
// smooth track, for the validations against closed form: the bridge files of
// the beam's vertical bending modes, written as a modal analysis writes them,
// and the other input files of the case (solution parameters, rails, a zero
// irregularity, no wind, no external forces) in a copy of the example case.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <numbers>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "test_support.h"

namespace tb::test {

inline std::string num(double v) {
  char b[32];
  std::snprintf(b, sizeof b, "%.9g", v);
  return b;
}

// The beam: span, mass per length and first vertical frequency; modes
// n = 1..modes of vertical bending, phi_n(x) = sqrt(2/(m L)) sin(n pi x / L)
// (unit modal mass) with omega_n = n^2 omega_1; nodes on the axis every
// span / node_intervals, all of them interface nodes under the track.
struct SimpleBeam {
  double span;
  double mass_per_length;  // kg/m
  double first_frequency;  // Hz
  int modes;
  int node_intervals;

  double mode_amplitude() const { return std::sqrt(2.0 / (mass_per_length * span)); }
  double wave_number(int n) const { return n * std::numbers::pi / span; }
  double mode_shape(int n, double x) const { return mode_amplitude() * std::sin(wave_number(n) * x); }
  double mode_slope(int n, double x) const {
    return mode_amplitude() * wave_number(n) * std::cos(wave_number(n) * x);
  }
  double omega(int n) const { return 2.0 * std::numbers::pi * first_frequency * n * n; }
  double bending_stiffness() const {
    const double w1 = omega(1) / (wave_number(1) * wave_number(1));
    return mass_per_length * w1 * w1;
  }
};

// Output point of the master file: node and direction.
struct BeamOutput {
  int node;
  int direction;
};

// Damping of the master file: Rayleigh through (f1, xi) and (f2, xi), or xi
// for every mode when f1 is 0.
struct BeamDamping {
  double f1, f2, xi;
};

// The bridge: master file and the modal file of one substructure, written as
// the text output of a modal analysis (frequency table, then the six
// displacement components of every node, mode by mode).
inline void write_beam_bridge(const std::filesystem::path& input, const SimpleBeam& beam,
                              const std::vector<BeamOutput>& outputs, BeamDamping damping) {
  const int nodes = beam.node_intervals + 1;
  const double h = beam.span / beam.node_intervals;
  std::string m = "  " + std::to_string(nodes) + " " + std::to_string(nodes) + " 0 " +
                  std::to_string(outputs.size()) + " " + std::to_string(beam.modes) + " 0\n";
  for (int i = 1; i <= nodes; ++i) m += "  " + std::to_string(i) + " " + num((i - 1) * h) + " 0.0 0.0\n";
  for (int i = 1; i <= nodes; ++i) m += " " + std::to_string(i) + (i % 10 == 0 || i == nodes ? "\n" : "");
  for (const BeamOutput& o : outputs) m += "  " + std::to_string(o.node) + " " + std::to_string(o.direction) + "\n";
  m += "  1\ninput\nBeam_Modes.out\n  " + std::to_string(beam.modes) + "\n  " + num(damping.f1) + " " +
       num(damping.f2) + " " + num(damping.xi) + " " + num(damping.xi) + "\n Post\n  0\n  0\n";
  write_file(input / "Modal_Substructure_Bridge.dat", m);

  std::string s =
      " NATURAL VIBRATION ANALYSIS - SIMPLY SUPPORTED BEAM\n\n"
      "  MODE   CIRCULAR FREQUENCY (rad/s)   FREQUENCY (cycle/sec)   PERIOD (s)\n";
  for (int n = 1; n <= beam.modes; ++n) {
    const double f = beam.first_frequency * n * n;
    s += "  " + std::to_string(n) + "  " + num(beam.omega(n)) + "  " + num(f) + "  " + num(1.0 / f) + "\n";
  }
  s += "\n DISPLACEMENT MODE SHAPES, UNITS (N,m)\n"
       "  NODE  MODE   UX   UY   UZ   RX   RY   RZ      (N,m)\n";
  for (int n = 1; n <= beam.modes; ++n)
    for (int i = 1; i <= nodes; ++i) {
      const double x = (i - 1) * h;
      // sin(n pi) at the bearings is written as an exact zero.
      const double uy = (i == 1 || i == nodes) ? 0.0 : beam.mode_shape(n, x);
      s += "  " + std::to_string(i) + "  " + std::to_string(n) + "  0.0 " + num(uy) + " 0.0 0.0 0.0 " +
           num(beam.mode_slope(n, x)) + "\n";
    }
  write_file(input / "Beam_Modes.out", s);
}

// The rest of the case in a copy of the example case: the solution
// parameters, one straight level track from `track_start` to `track_end`
// with nodes `track_spacing` apart, a smooth track (the generated profile
// scaled to nothing), no wind and no external forces. The caller writes the
// bridge, the vehicle and the train.
struct BeamRun {
  std::int32_t method;
  double time_step;
  int output_interval;
  int contact_option;
  double track_start, track_end, track_spacing;
};

inline void write_beam_case(const std::filesystem::path& dir, const BeamRun& run) {
  namespace fs = std::filesystem;
  fs::copy(fs::path(TRAINBRIDGE_SOURCE_DIR) / "examples/case", dir, fs::copy_options::recursive);
  const fs::path input = dir / "input";
  fs::remove(input / "Girder32m_Modes.out");
  write_file(input / "SolutionParameters.dat", "  " + std::to_string(run.method) + "\n  " + num(run.time_step) +
                                                   "\n  " + std::to_string(run.output_interval) + "\n  " +
                                                   std::to_string(run.contact_option) + "\n  0\n  0 0.0 0.0\n");
  write_file(input / "Rails_Location.dat", "  " + num(run.track_spacing) + " 2\n  1\n  2 1.5\n  " +
                                               num(run.track_start) + " 1.6 0.0 0.0 0.0 " + num(run.track_start) +
                                               " 0.0\n  " + num(run.track_end) + " 1.6 0.0 0.0 0.0 " +
                                               num(run.track_end) + " 0.0\n  0\n");
  write_file(input / "Irregularity.dat", " irregularity\n  1 7 2718 1.0 80.0 200.0 0.25 0.0\n taper\n  10.0\n"
                                         " scale factors\n  0.0 0.0 0.0\n");
  write_file(input / "Wind_Coefficients.dat", "  1.225 0.0 0.0\n");
  write_file(input / "ExternalForces.dat", "  0\n");
}

inline ClockReading frozen_clock() { return {2026, 12, 10, 0, 8, 0, 0, 0}; }

}  // namespace tb::test
