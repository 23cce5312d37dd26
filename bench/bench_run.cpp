// Benchmark of the coupled train-bridge integration on a large case.
//
//     bench_run [--dir DIR] [--examples DIR] [--spans N] [--modes-per-span N]
//               [--cars N] [--contact OPTION] [--speed KMH] [--keep]
//
// The case is written into a scratch directory (DIR, or a fresh directory
// under the system's temporary directory that is removed afterwards unless
// --keep is given):
//
// * the bridge is a chain of simply supported 32 m box girders on piers, one
//   substructure modal file per span, each with the analytic modes of its
//   span (vertical bending, lateral bending, Saint-Venant torsion), mass
//   normalised, the same girder as the shipped example case; 5 spans of 21
//   modes (9 vertical, 6 lateral, 6 torsional) give 105 bridge modes, and
//   --modes-per-span N takes floor(6N/21) lateral and as many torsional
//   modes and the rest vertical (11 per span: 55 modes, 42: 210);
// * the train is a fleet of 8 high-speed cars of the example's vehicle type
//   (4 wheel pairs, 8 wheel entries per car), crossing at 250 km/h;
// * Newmark integration with a time step of 2.0E-4 s and the wheel-rail
//   contact of the chosen option (default 0, vertical contact);
// * the contact geometry table, the creep coefficient table and the vehicle
//   type file are copied from the example case (examples/case of the source
//   tree, or --examples DIR).
//
// The program's run is timed as a whole (start-up, integration, result files
// and bridge response recovery) with its console kept in memory. The console
// lines tell the steps (one progress line per step) and the iteration passes
// (one line per pass after the first of a step). The printout gives the model
// size, the steps, the passes, the wall time, the time per pass and the time
// per (wheel entry x bridge mode x pass), and the time per pass against a
// bound of what the arithmetic of a pass needs:
//
// * per wheel entry and bridge mode 35 multiply-adds: 9 to interpolate the
//   mode shape's nine values at the contact point, 21 for the bridge motion
//   under the wheel (nine sums over the displacements, six over the
//   velocities, six over the accelerations), 5 to project the rail forces
//   onto the mode;
// * per wheel entry and vehicle mode 21 multiply-adds (15 sums of the
//   vehicle's motion at the wheel, 6 to project the wheel forces), in both
//   evaluations of the interaction in a pass;
// * at the single-precision peak of one core with two 8-lane fused
//   multiply-add units (16 a cycle) and 3.0 GHz.
//
// For 64 wheel entries, 105 bridge modes and 32 vehicle modes that is
// 235 200 + 86 016 multiply-adds, about 20 000 cycles or 6.7 us a pass.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <sstream>
#include <streambuf>
#include <string>
#include <vector>

#include "model/run_context.h"
#include "run/run_control.h"

namespace fs = std::filesystem;

namespace {

// ---------------------------------------------------------------------------
// Case parameters (the girder, track and run of the example case)
// ---------------------------------------------------------------------------

constexpr double kPi = 3.14159265358979323846;

constexpr double kSpan = 32.0;                 // m between bearings
constexpr double kConcreteE = 3.55e10;         // Pa
constexpr double kConcreteG = kConcreteE / (2.0 * 1.2);
constexpr double kMassPerLength = 2.0e4;       // kg/m
constexpr double kInertiaVertical = 5.0;       // m^4
constexpr double kInertiaLateral = 35.0;       // m^4
constexpr double kTorsionConstant = 10.0;      // m^4
constexpr double kMassPolarInertia = 2.4e5;    // kg m^2/m
constexpr double kRailHeight = 1.6;            // m above the girder axis
constexpr double kSoffitDepth = 1.2;           // m below the girder axis
constexpr int kNodesPerSpan = 32;              // axis nodes every 1 m
constexpr int kModesPerSpan = 21;              // 9 vertical, 6 lateral, 6 torsional
constexpr double kApproach = 40.0;             // m of track before and after the bridge
constexpr double kContactSpacing = 1.493;      // m between the contact points
constexpr double kTimeStep = 2.0e-4;
constexpr int kOutputInterval = 10;
constexpr int kWheelEntriesPerCar = 8;         // the example's vehicle type
constexpr int kSoffitNodeBase = 1000;          // soffit node of span s: 1000 + s

struct Options {
  fs::path dir;
  fs::path examples;
  int spans = 5;
  int modes_per_span = kModesPerSpan;
  int cars = 8;
  int contact = 0;
  double speed_kmh = 250.0;
  bool keep = false;
};

[[noreturn]] void fail(const std::string& what) {
  std::cerr << "bench_run: " << what << "\n";
  std::exit(2);
}

// A compact number that reads back as the same single-precision value.
std::string num(double v) {
  if (v == 0.0) return "0.0";
  char b[32];
  std::snprintf(b, sizeof b, "%.7g", v);
  return b;
}

std::string sci(double v, int width) {
  char b[40];
  std::snprintf(b, sizeof b, "%*.7e", width, v);
  return b;
}

void write_file(const fs::path& p, const std::string& text) {
  std::ofstream f(p, std::ios::binary);
  f << text;
  if (!f) fail("cannot write " + p.string());
}

// ---------------------------------------------------------------------------
// Bridge: simply supported spans in a row, one modal file per span
// ---------------------------------------------------------------------------

enum class Kind { vertical, lateral, torsion };

struct Mode {
  Kind kind;
  int n;
  double omega;  // rad/s
  double k;      // n pi / span
  double amp;    // mass-normalising amplitude
};

const char* kind_name(Kind k) {
  switch (k) {
    case Kind::vertical: return "vertical bending";
    case Kind::lateral: return "lateral bending";
    default: return "torsion";
  }
}

std::vector<Mode> span_modes(int per_span) {
  const int lateral_modes = 6 * per_span / 21;
  const int torsional_modes = lateral_modes;
  const int vertical_modes = per_span - lateral_modes - torsional_modes;
  const double ei_v = kConcreteE * kInertiaVertical;
  const double ei_l = kConcreteE * kInertiaLateral;
  const double gj = kConcreteG * kTorsionConstant;
  const double bend_amp = std::sqrt(2.0 / (kMassPerLength * kSpan));
  const double torsion_amp = std::sqrt(2.0 / (kMassPolarInertia * kSpan));
  std::vector<Mode> modes;
  for (int n = 1; n <= vertical_modes; ++n) {
    const double k = n * kPi / kSpan;
    modes.push_back({Kind::vertical, n, k * k * std::sqrt(ei_v / kMassPerLength), k, bend_amp});
  }
  for (int n = 1; n <= lateral_modes; ++n) {
    const double k = n * kPi / kSpan;
    modes.push_back({Kind::lateral, n, k * k * std::sqrt(ei_l / kMassPerLength), k, bend_amp});
  }
  for (int n = 1; n <= torsional_modes; ++n) {
    const double k = n * kPi / kSpan;
    modes.push_back({Kind::torsion, n, k * std::sqrt(gj / kMassPolarInertia), k, torsion_amp});
  }
  std::stable_sort(modes.begin(), modes.end(), [](const Mode& a, const Mode& b) { return a.omega < b.omega; });
  return modes;
}

// Six components at a node (x local to the span, y and z from the girder
// axis): the axis motion carried rigidly to the node.
void node_shape(const Mode& m, double x, double y, double z, double out[6]) {
  const double s = std::sin(m.k * x), c = std::cos(m.k * x);
  double ty = 0, tz = 0, rx = 0, ry = 0, rz = 0;
  switch (m.kind) {
    case Kind::vertical: ty = m.amp * s; rz = m.amp * m.k * c; break;
    case Kind::lateral: tz = m.amp * s; ry = -m.amp * m.k * c; break;
    case Kind::torsion: rx = m.amp * s; break;
  }
  const double v[6] = {ry * z - rz * y, ty - rx * z, tz + rx * y, rx, ry, rz};
  for (int i = 0; i < 6; ++i) out[i] = std::fabs(v[i]) < 1e-12 ? 0.0 : v[i];
}

// Stress resultants N, Vy, Vz, T, My, Mz at x (local to the span).
void element_forces(const Mode& m, double x, double out[6]) {
  const double s = std::sin(m.k * x), c = std::cos(m.k * x);
  const double ei_v = kConcreteE * kInertiaVertical;
  const double ei_l = kConcreteE * kInertiaLateral;
  const double gj = kConcreteG * kTorsionConstant;
  for (int i = 0; i < 6; ++i) out[i] = 0.0;
  const double k = m.k, a = m.amp;
  switch (m.kind) {
    case Kind::vertical: out[1] = ei_v * a * k * k * k * c; out[5] = ei_v * a * k * k * s; break;
    case Kind::lateral: out[2] = ei_l * a * k * k * k * c; out[4] = ei_l * a * k * k * s; break;
    case Kind::torsion: out[3] = gj * a * k * c; break;
  }
}

int axis_node_count(int spans) { return spans * kNodesPerSpan + 1; }

// The modal file of span s (1-based): its axis nodes, shared with the
// neighbouring spans at the piers, and its mid-span soffit node.
void write_span_modal_file(const fs::path& path, int s, const std::vector<Mode>& modes) {
  const int first = (s - 1) * kNodesPerSpan + 1;
  std::ostringstream o;
  o << " NATURAL VIBRATION ANALYSIS - SPAN " << s << " OF A CHAIN OF SIMPLY SUPPORTED BOX GIRDERS, SPAN 32.0 m\n"
    << " Euler-Bernoulli beam, mode shapes normalised to unit modal mass. Written by bench_run\n\n"
    << "  MODE   CIRCULAR FREQUENCY (rad/s)   FREQUENCY (cycle/sec)   PERIOD (s)   TYPE\n";
  char b[160];
  for (std::size_t q = 0; q < modes.size(); ++q) {
    const double f = modes[q].omega / (2.0 * kPi);
    std::snprintf(b, sizeof b, "  %4zu   %14.6f   %14.6f   %12.6f   %s %d\n", q + 1, modes[q].omega, f, 1.0 / f,
                  kind_name(modes[q].kind), modes[q].n);
    o << b;
  }
  o << "\n DISPLACEMENT MODE SHAPES, UNITS (N,m)\n"
    << "  NODE  MODE            UX              UY              UZ              RX              RY"
       "              RZ      (N,m)\n";
  double v[6];
  for (std::size_t q = 0; q < modes.size(); ++q) {
    auto row = [&](int node) {
      std::snprintf(b, sizeof b, "  %4d  %4zu  ", node, q + 1);
      o << b;
      for (int i = 0; i < 6; ++i) o << (i ? " " : "") << sci(v[i], 15);
      o << "\n";
    };
    for (int i = 0; i <= kNodesPerSpan; ++i) {
      node_shape(modes[q], i, 0.0, 0.0, v);
      row(first + i);
    }
    node_shape(modes[q], 0.5 * kSpan, -kSoffitDepth, 0.0, v);
    row(kSoffitNodeBase + s);
  }
  o << "\n ELEMENT INTERNAL FORCES AT MID-LENGTH: N, Vy, Vz, T, My, Mz  (Stress resultants, N and N*m)\n";
  for (std::size_t q = 0; q < modes.size(); ++q)
    for (int e = 1; e <= kNodesPerSpan; ++e) {
      element_forces(modes[q], e - 0.5, v);
      std::snprintf(b, sizeof b, "  %4d  %4zu  ", (s - 1) * kNodesPerSpan + e, q + 1);
      o << b;
      for (int i = 0; i < 6; ++i) o << (i ? " " : "") << sci(v[i], 15);
      o << "\n";
    }
  write_file(path, o.str());
}

struct BridgeSize {
  int nodes = 0;
  int modes = 0;
  double length = 0.0;
};

BridgeSize write_bridge(const fs::path& input, int spans, int modes_per_span) {
  const std::vector<Mode> modes = span_modes(modes_per_span);
  const int per_span = static_cast<int>(modes.size());
  const int axis = axis_node_count(spans);
  BridgeSize size{axis + spans, per_span * spans, spans * kSpan};

  std::ostringstream o;
  o << "  " << size.nodes << " " << axis << " 0 " << 3 * spans << " " << size.modes << " 0\n";
  for (int i = 0; i < axis; ++i) o << "  " << i + 1 << " " << num(i) << " 0.0 0.0\n";
  for (int s = 1; s <= spans; ++s)
    o << "  " << kSoffitNodeBase + s << " " << num((s - 0.5) * kSpan) << " " << num(-kSoffitDepth) << " 0.0\n";
  for (int i = 1; i <= axis; ++i) o << (i % 11 == 1 ? "  " : " ") << i << (i % 11 == 0 || i == axis ? "\n" : "");
  // Output points: per span the soffit at mid-span, vertical and lateral, and
  // the rotation about the axis at mid-span.
  for (int s = 1; s <= spans; ++s)
    o << "  " << kSoffitNodeBase + s << " 2\n  " << kSoffitNodeBase + s << " 3\n  "
      << (s - 1) * kNodesPerSpan + kNodesPerSpan / 2 + 1 << " 4\n";
  // Rayleigh damping of 2 % at the first vertical frequency and at 30 Hz.
  double f1 = 0.0;
  for (const Mode& m : modes)
    if (m.kind == Kind::vertical && m.n == 1) f1 = m.omega / (2.0 * kPi);
  o << "  " << spans << "\n";
  for (int s = 1; s <= spans; ++s)
    o << "input\nSpan" << s << "_Modes.out\n  " << per_span << "\n  " << num(f1) << " 30 0.02 0.02\n";
  o << " Bridge response recovery: girder axis nodes every 4 m and the soffit nodes, and the six\n"
    << " internal forces of every element, requested after the next line.\n"
    << " Post\n  2\n  1 " << axis << " 4\n  " << kSoffitNodeBase + 1 << " " << kSoffitNodeBase + spans << " 1\n"
    << "  1\n  1 " << axis - 1 << " 1 6\n";
  write_file(input / "Modal_Substructure_Bridge.dat", o.str());

  for (int s = 1; s <= spans; ++s)
    write_span_modal_file(input / ("Span" + std::to_string(s) + "_Modes.out"), s, modes);
  return size;
}

// ---------------------------------------------------------------------------
// The other input files
// ---------------------------------------------------------------------------

void write_inputs(const fs::path& input, const Options& opt, double bridge_length) {
  const double start = -kApproach, end = bridge_length + kApproach;
  write_file(input / "SolutionParameters.dat",
             "    1                   !Integral Method (Newmark)\n"
             "  " + num(kTimeStep) + "   !Time step for integration\n"
             "   " + std::to_string(kOutputInterval) + "                   !Output Result Every N Steps\n"
             "    " + std::to_string(opt.contact) + "                   !Option for wheel-rail contact\n"
             "    0                   !Coordination_sys_bridge (Y axis upward)\n"
             "    0 0.0 0.0           !IsContact,StiContact and DamContact\n");

  std::ostringstream r;
  r << "  0.25 4           track node spacing (m), largest number of control points\n"
    << "  1                  number of tracks\n"
    << "  4 " << num(kContactSpacing) << "          control points of track 1, gauge (m)\n";
  for (double x : {start, 0.0, bridge_length, end})
    r << "  " << num(x) << " " << num(kRailHeight) << " 0.0 0.0 0.0 " << num(x) << " 0.0\n";
  r << "  0                  rail geometry option\n";
  write_file(input / "Rails_Location.dat", r.str());

  // The generated profile covers the whole track.
  write_file(input / "Irregularity.dat",
             " source, spectrum code, seed, shortest and longest wavelength, length, spacing, filter wavelength\n"
             "  1 7 2718 1.0 80.0 " + num(end - start + 20.0) + " 0.25 0.0\n"
             " taper length at both ends of the track (m)\n  10.0\n"
             " scale factors of vertical profile, alignment and cross level\n  1.0 1.0 1.0\n");

  std::ostringstream v;
  v << "  1 " << opt.cars << "\n  " << opt.cars << "\n ";
  for (int j = 0; j < opt.cars; ++j) v << " 1";
  v << "\n  1 1\n  1 1  " << num(opt.speed_kmh) << "  0.0  0.0  0.0  0.0\n";
  write_file(input / "VehicleOrganization.dat", v.str());

  write_file(input / "ExternalForces.dat", "  0\n");
  write_file(input / "NonlinearSpringParameters_Vehicletypes.dat", "  0 0\n");
  write_file(input / "NonlinearSpringParameters_Bridge.dat", "  0 0\n");
  write_file(input / "BrakePara.dat", "  1\n  0\n  0.254 4.0E5 0.2 0.9 4.0\n  1\n  0\n");

  // Wind coefficients as in the example case, with no mean wind.
  const int axis = static_cast<int>(std::lround(bridge_length)) + 1;
  std::ostringstream w;
  w << "  1.225 0.0 0.0\n  " << num(start) << "\n  1\n  0.05 0.0 12.0 32 " << num(end - start)
    << " 10.0 0 12.8 10.0 1.0\n  2\n"
    << "  3 7 1\n  2\n  1.3 0.0\n  2\n  -0.15 3.5\n  2\n  0.05 1.1\n  1\n  0.0\n  1\n  0.0\n  1\n  0.0\n"
    << "  3.7 3.3 1\n  2\n  1.68 1.07\n  2\n  0.785 0.5\n  2\n  0.47 0.3\n  1\n  0.0\n  1\n  0.0\n  2\n  0.16 0.1\n"
    << "  1\n  " << num(start) << "\n";
  for (int j = 0; j < opt.cars; ++j) w << "  2\n";
  w << "  1 " << axis << "\n  1 " << axis << "\n";
  for (int i = 1; i <= axis; ++i) w << (i % 11 == 1 ? "  " : " ") << i << (i % 11 == 0 || i == axis ? "\n" : "");
  write_file(input / "Wind_Coefficients.dat", w.str());
}

BridgeSize write_case(const fs::path& dir, const Options& opt) {
  const fs::path input = dir / "input";
  fs::create_directories(input);
  write_file(dir / "QEL.PATH", "input\n");
  for (const char* name : {"Geometry.dat", "WormCoeefficient.dat"})
    fs::copy_file(opt.examples / name, dir / name, fs::copy_options::overwrite_existing);
  fs::copy_file(opt.examples / "input/Modal_Substructure_Vehicletypes.dat", input / "Modal_Substructure_Vehicletypes.dat",
                fs::copy_options::overwrite_existing);
  const BridgeSize size = write_bridge(input, opt.spans, opt.modes_per_span);
  write_inputs(input, opt, size.length);
  return size;
}

// ---------------------------------------------------------------------------
// The console kept in memory and read line by line
// ---------------------------------------------------------------------------

class CountingBuffer : public std::streambuf {
 public:
  std::int64_t steps = 0;        // progress lines, one per time step
  std::int64_t extra_passes = 0; // iteration lines, one per pass after the first of a step
  std::int64_t limit_steps = 0;  // steps that ran to the pass limit (their last iteration line shows 10)
  std::vector<std::string> tail; // the last lines, for a failed run

 protected:
  int_type overflow(int_type c) override {
    if (c != traits_type::eof()) put(static_cast<char>(c));
    return traits_type::not_eof(c);
  }
  std::streamsize xsputn(const char* s, std::streamsize n) override {
    for (std::streamsize i = 0; i < n; ++i) put(s[i]);
    return n;
  }

 private:
  std::string line_;

  void put(char c) {
    if (c != '\n') {
      line_.push_back(c);
      return;
    }
    if (line_.rfind(" Speed Stage=", 0) == 0 && line_.find("Run Time=") != std::string::npos) ++steps;
    else if (line_.rfind("\tIteration_Number =", 0) == 0) {
      ++extra_passes;
      if (line_.rfind("\tIteration_Number =10", 0) == 0) ++limit_steps;
    }
    tail.push_back(line_);
    if (tail.size() > 40) tail.erase(tail.begin());
    line_.clear();
  }
};

// The time a pass needs at least (see the head of this file): 35
// multiply-adds per wheel entry and bridge mode, 2 x 21 per wheel entry and
// vehicle mode, 16 a cycle at 3.0 GHz.
double pass_bound_us(std::int64_t wheels, int bridge_modes, int vehicle_modes) {
  constexpr double kPerBridgeMode = 35.0, kPerVehicleMode = 2.0 * 21.0;
  constexpr double kPerCycle = 16.0, kClockHz = 3.0e9;
  const double fmas = static_cast<double>(wheels) * (kPerBridgeMode * bridge_modes + kPerVehicleMode * vehicle_modes);
  return 1e6 * fmas / kPerCycle / kClockHz;
}

Options parse(int argc, char** argv) {
  Options o;
  o.examples = fs::path(__FILE__).parent_path().parent_path() / "examples" / "case";
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    auto value = [&]() -> std::string {
      if (i + 1 >= argc) fail("missing value after " + a);
      return argv[++i];
    };
    if (a == "--dir") o.dir = value();
    else if (a == "--examples") o.examples = value();
    else if (a == "--spans") o.spans = std::stoi(value());
    else if (a == "--modes-per-span") o.modes_per_span = std::stoi(value());
    else if (a == "--cars") o.cars = std::stoi(value());
    else if (a == "--contact") o.contact = std::stoi(value());
    else if (a == "--speed") o.speed_kmh = std::stod(value());
    else if (a == "--keep") o.keep = true;
    else fail("unknown argument " + a +
              " (use --dir DIR --examples DIR --spans N --modes-per-span N --cars N --contact OPTION --speed KMH"
              " --keep)");
  }
  if (o.spans < 1 || o.cars < 1 || o.modes_per_span < 1)
    fail("--spans, --modes-per-span and --cars must be at least 1");
  if (!fs::is_regular_file(o.examples / "Geometry.dat"))
    fail("no example case at " + o.examples.string() + " (give --examples DIR)");
  return o;
}

}  // namespace

int main(int argc, char** argv) {
  Options opt = parse(argc, argv);
  const bool scratch = opt.dir.empty();
  if (scratch)
    opt.dir = fs::temp_directory_path() /
              ("trainbridge-bench-" + std::to_string(std::chrono::system_clock::now().time_since_epoch().count()));
  fs::create_directories(opt.dir);
  opt.dir = fs::canonical(opt.dir);

  const BridgeSize bridge = write_case(opt.dir, opt);
  const std::int64_t wheels = static_cast<std::int64_t>(opt.cars) * kWheelEntriesPerCar;

  CountingBuffer buffer;
  std::ostream console(&buffer);
  std::istringstream no_input;
  auto ctx = std::make_unique<tb::RunContext>();
  ctx->console.redirect(console, no_input);
  ctx->units.working_dir = opt.dir;

  const std::clock_t c0 = std::clock();
  const auto t0 = std::chrono::steady_clock::now();
  const int status = tb::run_program(*ctx);
  const auto t1 = std::chrono::steady_clock::now();
  const std::clock_t c1 = std::clock();
  const std::int32_t vehicle_modes = std::max(ctx->vehicles.max_modes_per_type, 0);
  ctx.reset();

  const double wall = std::chrono::duration<double>(t1 - t0).count();
  const std::int64_t passes = buffer.steps + buffer.extra_passes;
  std::printf("case directory        %s%s\n", opt.dir.string().c_str(), scratch && !opt.keep ? " (removed)" : "");
  std::printf("bridge                %d spans of 32 m, %d nodes, %d modes\n", opt.spans, bridge.nodes, bridge.modes);
  std::printf("train                 %d cars x 4 wheel pairs = %lld wheel entries, %.0f km/h\n", opt.cars,
              static_cast<long long>(wheels), opt.speed_kmh);
  std::printf("integration           Newmark, time step %.1e s, contact option %d\n", kTimeStep, opt.contact);
  std::printf("run status            %d\n", status);
  std::printf("steps                 %lld\n", static_cast<long long>(buffer.steps));
  std::printf("iteration passes      %lld (%.3f per step)\n", static_cast<long long>(passes),
              buffer.steps ? static_cast<double>(passes) / static_cast<double>(buffer.steps) : 0.0);
  std::printf("steps at pass limit   %lld (%.2f %%)\n", static_cast<long long>(buffer.limit_steps),
              buffer.steps ? 100.0 * static_cast<double>(buffer.limit_steps) / static_cast<double>(buffer.steps) : 0.0);
  std::printf("wall time             %.3f s\n", wall);
  // On a shared machine the processor time of this (single-threaded) process
  // shows how much of the wall time the run itself had.
  std::printf("processor time        %.3f s\n", static_cast<double>(c1 - c0) / CLOCKS_PER_SEC);
  if (passes > 0) {
    std::printf("time per pass         %.3f us\n", 1e6 * wall / static_cast<double>(passes));
    std::printf("time per wheel x mode x pass  %.3f ns\n",
                1e9 * wall / (static_cast<double>(passes) * static_cast<double>(wheels) * bridge.modes));
    const double bound = pass_bound_us(wheels, bridge.modes, vehicle_modes);
    std::printf("bound per pass        %.3f us (%d vehicle modes), time per pass / bound %.2f\n", bound,
                vehicle_modes, 1e6 * wall / static_cast<double>(passes) / bound);
  }
  if (status != 0 || buffer.steps == 0) {
    std::fprintf(stderr, "the run did not complete; last console lines:\n");
    for (const std::string& l : buffer.tail) std::fprintf(stderr, "%s\n", l.c_str());
  }
  if (scratch && !opt.keep) fs::remove_all(opt.dir);
  return status == 0 && buffer.steps > 0 ? 0 : 1;
}
