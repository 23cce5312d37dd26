#include "integration/time_integration.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <limits>
#include <tuple>

#include "../interaction/spring_fixtures.h"
#include "../results/series_reader.h"
#include "integration/reset.h"
#include "integration/runge_kutta.h"
#include "integration_fixture.h"
#include "interaction/spring_parameters.h"
#include "platform/texts.h"

namespace tb {
namespace {

ClockReading frozen_clock() { return {2026, 1, 1, 0, 12, 0, 0, 0}; }

std::size_t count(const std::string& s, const std::string& what) {
  std::size_t n = 0;
  for (std::size_t p = s.find(what); p != std::string::npos; p = s.find(what, p + 1)) ++n;
  return n;
}

// A moving load on a 10 m track at 64 m/s with dt = 1/1024 s: exactly 160
// steps, no vehicle pass, a harmonic force on the bridge.
struct DriverRun {
  test::IntegrationModel m{0.0f, 1.0f};
  DriverRun() {
    RunContext& c = *m.t;
    c.clock = frozen_clock;
    c.solution.time_step = 0.0009765625f;
    c.trains.train_speed(1, 1) = 64.0f;
    m.add_harmonic_force(1, 2, 1000.0f, 3.0f);
  }
};

TEST(TimeIntegration, StagesStepsAndPassesPrintTheirLines) {
  DriverRun r;
  RunContext& c = *r.m.t;
  run_time_integration(c);
  const std::string out = r.m.t.console();
  const std::string banner = "\n" + std::string(text::speed_stage) + " 1" +
                             std::string(text::train_bridge_computation_begins) + "\n";
  // Every step makes a second pass, whose forces belong to the step's own
  // state; on this linear bridge it reproduces the first exactly.
  const std::string first_step =
      "\n Speed Stage= 1    Run Time=  0.000977/  0.156250 Time Remaining:  0H  0M  0S\n"
      "\tIteration_Number = 1    Tolerance=        0.00000 %\n"
      "\n Speed Stage= 1";
  EXPECT_EQ(out.substr(0, banner.size() + first_step.size()), banner + first_step);
  EXPECT_NE(out.find("\tIteration_Number = 1    Tolerance=        0.00000 %\n"), std::string::npos);
  EXPECT_EQ(out.find("Iteration_Number = 2"), std::string::npos);
  std::size_t steps = 0;
  for (std::size_t p = out.find("Speed Stage="); p != std::string::npos; p = out.find("Speed Stage=", p + 1)) ++steps;
  EXPECT_EQ(steps, 160u);
  EXPECT_NE(out.find("Run Time=  0.156250/  0.156250"), std::string::npos);
  // The stage ends with the reset: the bridge is at rest again.
  EXPECT_EQ(c.solver.bridge_modal_state(1, 1), 0.0);
  EXPECT_EQ(c.solver.bridge_modal_state_prev_step(2, 3), 0.0);
  EXPECT_FALSE(c.solver.bridge_modal_state_two_back.allocated());
  EXPECT_EQ(c.step.current_stage, 1);
}

// A wall clock that advances one second at every reading.
ClockReading ticking_clock() {
  static std::int32_t seconds = 0;
  ++seconds;
  return {2026, 1, 1 + seconds / 86400, 0, seconds / 3600 % 24, seconds / 60 % 60, seconds % 60, 0};
}

TEST(TimeIntegration, TheRemainingTimeComesFromTheMeanStepTimeOfTheStage) {
  // The clock is read when the stage's first step begins and at the start of
  // every step: before step k the stage has taken k seconds for k - 1 steps.
  DriverRun r;
  RunContext& c = *r.m.t;
  c.clock = ticking_clock;
  run_time_integration(c);
  const std::string out = r.m.t.console();
  // Step 1: no step done, no estimate. Step 2: 2 s for one step, 159 steps
  // to go. Step 3: 1.5 s a step, 158 to go.
  EXPECT_NE(out.find("Run Time=  0.000977/  0.156250 Time Remaining:  0H  0M  0S\n"), std::string::npos);
  EXPECT_NE(out.find("Run Time=  0.001953/  0.156250 Time Remaining:  0H  5M 18S\n"), std::string::npos);
  EXPECT_NE(out.find("Run Time=  0.002930/  0.156250 Time Remaining:  0H  3M 57S\n"), std::string::npos);
}

TEST(TimeIntegration, StepCountIsCutToWholeOutputIntervals) {
  DriverRun r;
  RunContext& c = *r.m.t;
  c.solution.output_interval = 7;  // 160 -> 154
  run_time_integration(c);
  const std::string out = r.m.t.console();
  EXPECT_NE(out.find("/  0.150391"), std::string::npos);
  EXPECT_EQ(out.find("/  0.156250"), std::string::npos);
}

TEST(TimeIntegration, NoStagesAllocateAndPrintNothing) {
  DriverRun r;
  RunContext& c = *r.m.t;
  c.trains.speed_stage_count = 0;
  c.solution.integration_method = method::explicit_two_step;
  run_time_integration(c);
  EXPECT_EQ(r.m.t.console(), "");
  EXPECT_TRUE(c.solver.bridge_modal_state_two_back.allocated());
  EXPECT_NE(c.constants.coef_a0, 0.0);
}

TEST(TimeIntegration, AStateThatIsNoLongerANumberStopsTheRun) {
  DriverRun r;
  RunContext& c = *r.m.t;
  c.external_forces.force_amplitude(1) = std::numeric_limits<float>::infinity();
  EXPECT_EQ(test::expect_stop([&] { run_time_integration(c); }), 1);
  const std::string out = r.m.t.console();
  EXPECT_NE(out.find("\n Warning:System response blow out!\n" + test::pause_text()), std::string::npos);
}

TEST(TimeIntegration, ABlownUpResponseWarnsOncePerStageWaitsOncePerRunAndIsCountedAtTheStageEnd) {
  // A force of 1E16 N drives the 2 Hz mode far above 1E12 and keeps it
  // finite: two stages of 160 steps, every one of them beyond the limit. A
  // standard input of blank lines would answer every pause. The count line
  // says what usually helps; Newmark or Runge-Kutta only in place of the
  // explicit scheme.
  for (const auto& [scheme, advice] :
       {std::pair{method::newmark, "a shorter time step usually helps."},
        std::pair{method::explicit_two_step,
                  "a shorter time step, or Newmark or Runge-Kutta in place of the explicit scheme, usually helps."}}) {
    SCOPED_TRACE(scheme);
    DriverRun r;
    RunContext& c = *r.m.t;
    c.solution.integration_method = scheme;
    c.external_forces.force_amplitude(1) = 1.0E16f;
    r.m.two_stages();
    r.m.t.in.str(std::string(400, '\n'));
    run_time_integration(c);
    const std::string out = r.m.t.console();
    const std::string warning = "\n Warning:System response blow out!\n";
    std::size_t warnings = 0, pauses = 0;
    for (std::size_t p = out.find(warning); p != std::string::npos; p = out.find(warning, p + 1)) ++warnings;
    for (std::size_t p = out.find(test::pause_text()); p != std::string::npos;
         p = out.find(test::pause_text(), p + 1))
      ++pauses;
    EXPECT_EQ(warnings, 2u);
    EXPECT_EQ(pauses, 1u);
    // The warning comes with the first step beyond the limit, the count at
    // the stage's end, before the next banner.
    const std::string banner = std::string(text::speed_stage) + " 2";
    for (int stage : {1, 2}) {
      const std::string count = " Warning: speed stage " + std::to_string(stage) +
                                " had 160 time steps with a system response above 1E12; " + advice + "\n";
      ASSERT_NE(out.find(count), std::string::npos) << stage;
      EXPECT_EQ(out.find(count) < out.find(banner), stage == 1);
      EXPECT_LT(out.find(warning, stage == 1 ? 0 : out.find(banner)), out.find(count));
    }
    EXPECT_EQ(c.step.steps_beyond_limit, 0);
  }
}

// One 2 Hz bridge mode tied to the ground by a spring-damper element and
// driven by a harmonic force, run for 4 s by any scheme. The moving load that
// sets the stage length runs over a track without bridge shapes.
struct OneModeOnAnElement {
  test::IntegrationModel m{0.0f, 1.0f, 1, 1};
  std::int32_t scheme;
  float dt;

  OneModeOnAnElement(std::int32_t scheme_, float dt_, std::initializer_list<float> law) : scheme(scheme_), dt(dt_) {
    RunContext& c = *m.t;
    c.solution.integration_method = scheme;
    c.solution.time_step = dt;
    c.solution.output_interval = 100;
    c.trains.train_speed(1, 1) = 2.5f;
    c.trains.train_lead_in(1, 1) = 1.0f;  // 11 m at 2.5 m/s: 4.4 s
    // Node 1 moves along x with the mode; node 2 is the ground.
    test::make_bridge(c, {{0.0f, 0.0f, 0.0f}, {1.0f, 0.0f, 0.0f}}, 1, {{1, 2, 0, 1}});
    c.bridge.mode_shapes(1, 1, 1) = 1.0f;
    c.bridge.mode_damping_ratio(1) = 0.02f;
    test::size_spring_table(c, 1, 1);
    test::set_law(c, 1, 1, law);
    c.springs.bridge_springs_need_elements = 1;
    c.spring_state.bridge_spring_memory_prev.fill(0.0f);
    m.add_harmonic_force(1, 1, 10.0f, 1.0f);
  }

  // Runs the integration; the modal displacement at t = 4 s.
  double run() {
    RunContext& c = *m.t;
    if (scheme == method::runge_kutta) {
      c.vehicles.vehicle_spring_count.resize(1);
      list_first_order_spring_dofs(c);
      run_runge_kutta_integration(c);
    } else {
      run_time_integration(c);
    }
    c.units.close_all();
    const test::SeriesFile f = test::decode_series(m.t.dir / "Res_Modal_Coordinate_Results_Bridge.bin");
    const auto record = static_cast<std::size_t>(std::lround(4.0 / dt / 100.0));
    if (f.blocks.size() != 1 || f.blocks[0].records.size() < record) return std::nan("");
    return f.blocks[0].records[record - 1][0];
  }
};

double one_mode_on_an_element(std::int32_t scheme, float dt, std::initializer_list<float> law) {
  OneModeOnAnElement r(scheme, dt, law);
  return r.run();
}

TEST(TimeIntegration, AStepEndsOnlyAfterAPassAtItsOwnNewState) {
  // A hysteretic element (elastic 100, yielded 10, yield force 2): the
  // element's history takes each step's displacement increment only from a
  // pass at the step's new state. Every scheme agrees with the Runge-Kutta
  // path at every time step.
  const std::initializer_list<float> hysteresis = {100.0f, 100.0f, 10.0f, 2.0f};
  const double reference = one_mode_on_an_element(method::runge_kutta, 6.25E-5f, hysteresis);
  ASSERT_GT(std::fabs(reference), 1.0E-3);
  for (std::int32_t scheme : {method::newmark, method::wilson_theta, method::explicit_two_step})
    for (float dt : {2.0E-3f, 5.0E-4f, 1.25E-4f, 6.25E-5f})
      EXPECT_NEAR(one_mode_on_an_element(scheme, dt, hysteresis), reference, 1.0E-3 * std::fabs(reference))
          << "scheme " << scheme << ", dt " << dt;
}

TEST(TimeIntegration, ALinearElementConvergesAtSecondOrder) {
  // Spring 100 on the unit shape: w^2 = (4 pi)^2 + 100, the closed form of
  // the forced response from rest.
  const double w0 = 4.0 * 3.14159265358979, w = std::sqrt(w0 * w0 + 100.0), xi = 0.02 * w0 / w;
  const double load = 2.0 * 3.14159265358979, t = 4.0;
  const double delta = std::pow(w * w - load * load, 2) + std::pow(2.0 * xi * w * load, 2);
  const double a = 10.0 * (w * w - load * load) / delta, b = -10.0 * 2.0 * xi * w * load / delta;
  const double wd = w * std::sqrt(1.0 - xi * xi), g = (xi * w * -b - load * a) / wd;
  const double exact = a * std::sin(load * t) + b * std::cos(load * t) +
                       std::exp(-xi * w * t) * (-b * std::cos(wd * t) + g * std::sin(wd * t));
  for (std::int32_t scheme : {method::newmark, method::wilson_theta, method::explicit_two_step}) {
    const double coarse = std::fabs(one_mode_on_an_element(scheme, 2.0E-3f, {1.0f, 100.0f}) - exact);
    const double fine = std::fabs(one_mode_on_an_element(scheme, 1.0E-3f, {1.0f, 100.0f}) - exact);
    EXPECT_GT(coarse / fine, 3.5) << "scheme " << scheme << ": " << coarse << " " << fine;
    EXPECT_LT(coarse / fine, 4.5) << "scheme " << scheme << ": " << coarse << " " << fine;
  }
}

TEST(TimeIntegration, AStepWhoseIterationDoesNotConvergeRunsToThePassLimitAndIsReportedOncePerStage) {
  // A spring of 4.1E4 on the mode, taken at the state of the pass before,
  // against Newmark's effective stiffness of 4.03E4 at dt = 0.01: each pass
  // swings the mode back by 1.02 times its last change, a change that no
  // longer shrinks and lies far above the rounding. Every step runs to the
  // pass limit; the first of each stage is named, the stage's end counts
  // them with the largest change. Two stages of 40 steps.
  OneModeOnAnElement r(method::newmark, 0.01f, {1.0f, 4.1E4f});
  RunContext& c = *r.m.t;
  c.trains.train_speed(1, 1) = 25.0f;
  c.solution.output_interval = 4;
  r.m.two_stages();
  run_time_integration(c);
  const std::string out = r.m.t.console();
  const std::string last_pass = "\tIteration_Number =10    Tolerance=";
  auto percent = [](double v) {
    char b[32];
    std::snprintf(b, sizeof b, "%.2f", v);
    return std::string(b);
  };
  const std::size_t second = out.find(std::string(text::speed_stage) + " 2");
  ASSERT_NE(second, std::string::npos);
  for (const auto& [stage, from, to] : {std::tuple{1, std::size_t{0}, second}, std::tuple{2, second, out.size()}}) {
    const std::string part = out.substr(from, to - from);
    std::size_t steps = 0;
    double first = -1.0, largest = 0.0;
    for (std::size_t p = part.find(last_pass); p != std::string::npos; p = part.find(last_pass, p + 1)) {
      ++steps;
      const double v = std::stod(part.substr(p + last_pass.size()));
      if (first < 0.0) first = v;
      largest = std::max(largest, v);
    }
    EXPECT_EQ(steps, 40u) << stage;
    EXPECT_EQ(count(part, "Iteration_Number =11"), 0u) << stage;
    const std::string warning = " Warning: speed stage " + std::to_string(stage) +
                                ", time 0.010000 s: the equilibrium iteration did not converge in 11 passes (change " +
                                percent(first) + " %); the run goes on with the step as it stands.\n";
    EXPECT_EQ(count(part, " the equilibrium iteration did not converge"), 1u) << stage;
    const std::size_t at = part.find(last_pass);
    EXPECT_EQ(part.substr(part.find('\n', at) + 1, warning.size()), warning) << stage;
    const std::string tally = " Warning: speed stage " + std::to_string(stage) +
                              " had 40 time steps whose equilibrium iteration did not converge in 11 passes "
                              "(largest change " +
                              percent(largest) + " %); a shorter time step usually helps.\n";
    EXPECT_EQ(count(part, tally), 1u) << stage;
    EXPECT_GT(part.find(tally), part.rfind(last_pass)) << stage;
  }
}

TEST(MaxRelativeChange, LargestChangeOfEachDerivativeOrderOverItsLargestValue) {
  test::TestContext t;
  // Two modes: displacements, velocities, accelerations.
  const struct {
    const char* what;
    double old_values[6], new_values[6];
    float expected;
  } cases[] = {
      {"a small mode counts by its share of the motion", {1.0, 0.002, 0, 0, 0, 0}, {1.0, 0.004, 0, 0, 0, 0}, 0.002f},
      {"each order against its own size", {1.0, 0.0, 0.5, 0.0, 80.0, 1.0}, {1.0, 0.0, 0.5, 0.1, 80.0, 1.0}, 0.2f},
      {"the largest of the orders", {2.0, -2.0, 0.5, 0.0, 0, 0}, {2.0, -2.1, 0.5, 0.02, 0, 0}, 0.05f},
      {"orders whose values are all at most 0.001 do not count", {0.001, 0.0, 0, 0, 0, 0}, {1.0, 5.0, 0, 0, 0, 0}, 0.0f},
      {"nothing moves", {0, 0, 0, 0, 0, 0}, {0, 0, 0, 0, 0, 0}, 0.0f},
  };
  for (const auto& c : cases) EXPECT_FLOAT_EQ(compute_max_relative_change(*t, c.old_values, c.new_values, 6), c.expected) << c.what;
  EXPECT_EQ(compute_max_relative_change(*t, nullptr, nullptr, 0), 0.0f);
  // The largest change of an acceleration, in the units of the state.
  const double old_a[] = {1.0, 0.0, 0.0, 0.0, 5.0, -2.0}, new_a[] = {1.0, 0.0, 0.0, 0.0, 5.5, -3.0};
  double acceleration_change = -1.0;
  EXPECT_FLOAT_EQ(compute_max_relative_change(*t, old_a, new_a, 6, &acceleration_change), 0.2f);
  EXPECT_EQ(acceleration_change, 1.0);
  EXPECT_EQ(t.console(), "");
  // Above 1e12 a warning and a pause, and the run goes on; the step counts
  // once, and the stage warns once.
  const double o3[] = {1.0, 0.0, 0.0};
  const double n3[] = {2.0e12, 0.0, 3.0e12};
  compute_max_relative_change(*t, o3, n3, 3);
  compute_max_relative_change(*t, o3, n3, 3);
  EXPECT_EQ(t.console(), "\n Warning:System response blow out!\n" + test::pause_text());
  EXPECT_EQ(t->step.steps_beyond_limit, 1);
  // A state that is no longer a number stops the run: its warning does not
  // wait again.
  const double n4[] = {std::nan(""), 0.0, 0.0};
  t.clear_console();
  EXPECT_EQ(test::expect_stop([&] { compute_max_relative_change(*t, o3, n4, 3); }), 1);
  EXPECT_EQ(t.console(), "\n Warning:System response blow out!\n");
}

TEST(PassOutcome, AStepEndsAfterAPassAtItsOwnStateOnceEachSideHasSettled) {
  test::TestContext t;
  RunContext& c = *t;
  c.solution.iteration_tolerance = 0.01f;
  c.solver.bridge_modal_state.resize(1, 3);
  c.solver.bridge_modal_state_prev_iter.resize(1, 3);
  c.solver.bridge_modal_force.resize(1);
  c.solver.vehicle_modal_state.resize(1, 1, 1, 3);
  c.solver.vehicle_modal_state_prev_iter.resize(1, 1, 1, 3);
  c.solver.vehicle_modal_force.resize(1, 1, 1);
  // Force terms of 1000 on the vehicle side: a rounding level of
  // 4 FLT_EPSILON 1000 = 4.8E-4 in its accelerations.
  const ForceTermSizes sizes{1000.0, 0.0};
  const double rounding = 4.0E-4, beyond = 1.0E-2;
  const struct {
    const char* what;
    std::int32_t pass;
    PassChanges changes;  // vehicle, bridge, both in the pass before, acceleration changes
    double bridge_force;
    bool state_unchanged;
    IterationEnd expected;
  } cases[] = {
      {"first pass, within the tolerance", 0, {0.001f, 0.0f, 0.0f, 0.0f, 0.0, 0.0}, 0.0, false, IterationEnd::go_on},
      {"first pass that leaves the state as it was", 0, {0.0f, 0.0f, 0.0f, 0.0f, 0.0, 0.0}, 0.0, true,
       IterationEnd::accept},
      {"second pass within the tolerance", 1, {0.005f, 0.01f, 0.3f, 0.2f, beyond, beyond}, 0.0, false,
       IterationEnd::accept},
      {"second pass, the bridge above it", 1, {0.005f, 0.02f, 0.3f, 0.2f, 0.0, 0.0}, 0.0, false, IterationEnd::go_on},
      {"second pass that no longer shrinks, at the rounding", 1, {0.5f, 0.0f, 0.1f, 0.0f, rounding, 0.0}, 0.0, false,
       IterationEnd::go_on},
      {"third pass still shrinking, at the rounding", 2, {0.05f, 0.0f, 0.1f, 0.0f, rounding, 0.0}, 0.0, false,
       IterationEnd::go_on},
      {"third pass that no longer shrinks, at the rounding", 2, {0.02f, 0.0f, 0.02f, 0.0f, rounding, 0.0}, 0.0, false,
       IterationEnd::accept},
      {"third pass that no longer shrinks, above the rounding", 2, {0.02f, 0.0f, 0.02f, 0.0f, beyond, 0.0}, 0.0, false,
       IterationEnd::go_on},
      {"a change that grows from 96 % to 491 %", 2, {4.91f, 0.0f, 0.96f, 0.0f, 100.0, 0.0}, 0.0, false,
       IterationEnd::go_on},
      {"the largest modal force sets the level where the loads do not", 2, {0.0f, 0.03f, 0.0f, 0.02f, 0.0, rounding},
       1000.0, false, IterationEnd::accept},
      {"without loads or forces no change is rounding", 2, {0.0f, 0.03f, 0.0f, 0.02f, 0.0, 1.0E-12}, 0.0, false,
       IterationEnd::go_on},
      {"one side settled at the rounding, the other within the tolerance", 5, {0.03f, 0.001f, 0.02f, 0.2f, rounding,
       beyond}, 0.0, false, IterationEnd::accept},
  };
  for (const auto& k : cases) {
    c.step.iteration_count = k.pass;
    c.solver.vehicle_modal_state(1, 1, 1, 1) = k.state_unchanged ? 0.0 : 1.0;
    c.solver.bridge_modal_force(1) = -k.bridge_force;
    EXPECT_EQ(pass_outcome(c, k.changes, sizes, true, true), k.expected) << k.what;
  }
}

TEST(PassOutcome, TheForceTermsAreTheStaticWheelLoadsTimesTheLargestTranslationOfTheModes) {
  // Two vehicles of the fixture's type (wheel loads 1000 and 2000 N, vertical
  // shapes up to 0.04) on a bridge whose largest translation is a lateral
  // 1.5: each vehicle's terms are 3000 x 0.04, the bridge carries the loads
  // of both. Rotations (per radian) do not count.
  test::IntegrationModel m{0.0f, 100.0f, 2};
  RunContext& c = *m.t;
  c.vehicles.vehicle_mode_shapes(1, 1, 3, 5) = 7.0f;
  c.bridge.mode_shapes(2, 1, 4) = 9.0f;
  c.bridge.mode_shapes(1, 2, 3) = -1.5f;
  const ForceTermSizes sizes = force_term_sizes(c);
  EXPECT_NEAR(sizes.vehicle, 3000.0 * 0.04, 1.0E-4);
  EXPECT_DOUBLE_EQ(sizes.bridge, 6000.0 * 1.5);
}

TEST(Reset, ClearsTheDynamicStateButKeepsTheQuasiStaticDisplacement) {
  DriverRun r;
  RunContext& c = *r.m.t;
  allocate_solver_state(c, true);
  c.solver.bridge_modal_state(1, 1) = 1.0;
  c.solver.vehicle_modal_force(1, 1, 1) = 2.0;
  c.solver.vehicle_modal_state_iterate3(1, 1, 1, 2) = 3.0;
  c.solver.quasi_static_modal_displacement(2) = 4.0;
  c.results.wheelset_result(1, 1, 2, 5) = 5.0f;
  reset_dynamic_state(c);
  EXPECT_EQ(c.solver.bridge_modal_state(1, 1), 0.0);
  EXPECT_EQ(c.solver.vehicle_modal_force(1, 1, 1), 0.0);
  EXPECT_EQ(c.solver.vehicle_modal_state_iterate3(1, 1, 1, 2), 0.0);
  EXPECT_EQ(c.results.wheelset_result(1, 1, 2, 5), 0.0f);
  EXPECT_EQ(c.solver.quasi_static_modal_displacement(2), 4.0);
}

TEST(Reset, SpringHistoriesAreCommittedUnderTheirFlagAndRestoredAtTheStageEnd) {
  test::TestContext t;
  RunContext& c = *t;
  SpringElementState& e = c.spring_state;
  e.bridge_spring_force.resize(1, 6);
  e.bridge_spring_force_prev.resize(1, 6);
  e.vehicle_spring_force.resize(1, 1, 1, 6);
  e.vehicle_spring_force_prev.resize(1, 1, 1, 6);
  e.bridge_spring_memory_prev.resize(1, 6);
  e.bridge_spring_memory_prev(1, 2) = 0.5f;  // as the reader presets it
  c.spring_state_at_start = e;
  e.bridge_spring_force(1, 3) = 7.0f;
  e.vehicle_spring_force(1, 1, 1, 3) = 8.0f;
  c.springs.bridge_springs_need_elements = 1;
  commit_spring_states(c);
  EXPECT_EQ(e.bridge_spring_force_prev(1, 3), 7.0f);
  EXPECT_EQ(e.vehicle_spring_force_prev(1, 1, 1, 3), 0.0f);  // that side takes the frame-less path
  // A stage starts from rest with its springs too.
  allocate_solver_state(c, false);
  reset_dynamic_state(c);
  EXPECT_EQ(e.bridge_spring_force_prev(1, 3), 0.0f);
  EXPECT_EQ(e.bridge_spring_force(1, 3), 0.0f);
  EXPECT_EQ(e.bridge_spring_memory_prev(1, 2), 0.5f);
}

TEST(Reset, AitkenStepExtrapolatesAndShiftsTheHistory) {
  double x1[] = {1.0, 2.0}, x2[] = {3.0, 2.0}, x3[] = {4.0, 2.0}, out[] = {0.0, -7.0};
  apply_vector_operation(x1, x2, x3, out, 2);
  EXPECT_EQ(out[0], 5.0);
  EXPECT_EQ(out[1], -7.0);  // d = 0: unchanged
  EXPECT_EQ(x1[0], 3.0);
  EXPECT_EQ(x2[0], 4.0);
  EXPECT_EQ(x3[0], 5.0);
  EXPECT_EQ(x3[1], -7.0);
}

}  // namespace
}  // namespace tb
