#include "integration/time_integration.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "integration/reset.h"
#include "integration_fixture.h"
#include "platform/texts.h"

namespace tb {
namespace {

ClockReading frozen_clock() { return {2026, 1, 1, 0, 12, 0, 0, 0}; }

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
  // From rest the first pass compares with values too small to count, so the
  // first step needs one pass; once the state has grown, each step makes a
  // second pass, which reproduces the first exactly.
  const std::string first_step =
      "\n Speed Stage= 1    Run Time=  0.000977/  0.156250 Time Remaining:  0H  0M  0S\n"
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

TEST(MaxRelativeChange, LargestRelativeChangeOverNonSmallOldValues) {
  test::TestContext t;
  const double old_values[] = {1.0, 0.0001, -2.0, 0.5};
  const double new_values[] = {1.005, 5.0, -2.1, 0.5};
  EXPECT_FLOAT_EQ(compute_max_relative_change(*t, old_values, new_values, 4), 0.05f);
  // A small old value takes the change of the last non-small one.
  const double o2[] = {2.0, 0.0, 0.0};
  const double n2[] = {3.0, 9.0, 9.0};
  EXPECT_FLOAT_EQ(compute_max_relative_change(*t, o2, n2, 3), 0.5f);
  EXPECT_EQ(compute_max_relative_change(*t, o2, n2, 0), 0.0f);
  EXPECT_EQ(t.console(), "");
  // Above 1e12 a warning and a pause, and the run goes on.
  const double o3[] = {1.0};
  const double n3[] = {2.0e12};
  compute_max_relative_change(*t, o3, n3, 1);
  EXPECT_EQ(t.console(), "\n Warning:System response blow out!\n" + test::pause_text());
  const double n4[] = {std::nan("")};
  EXPECT_EQ(test::expect_stop([&] { compute_max_relative_change(*t, o3, n4, 1); }), 1);
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
