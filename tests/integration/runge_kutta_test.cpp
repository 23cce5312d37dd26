#include "integration/runge_kutta.h"

#include <gtest/gtest.h>

#include <cmath>

#include "../interaction/spring_fixtures.h"
#include "integration/time_integration.h"
#include "integration_fixture.h"
#include "interaction/spring_parameters.h"
#include "test_support.h"

namespace tb {
namespace {

// A bridge whose mode 1 moves node 1 (component `component`, shape 1) and
// leaves node 2 at rest: node 2 is the ground of a spring element from node
// 1 to node 2 when `law` is given.
struct RkBridge {
  test::TestContext t;
  RkLayout layout;
  RkWork work;
  std::vector<double> y, ydot;

  RkBridge(float frequency, float damping, float dt, int component = 2) {
    RunContext& c = *t;
    c.solution.integration_method = method::runge_kutta;
    c.solution.time_step = dt;
    test::make_bridge(c, {{0.0f, 0.0f, 0.0f}, {1.0f, 0.0f, 0.0f}}, 1, {});
    c.bridge.mode_shapes(1, 1, component) = 1.0f;
    c.bridge.mode_frequency.resize(1);
    c.bridge.mode_damping_ratio_work.resize(1);
    c.bridge.mode_frequency(1) = frequency;
    c.bridge.mode_damping_ratio_work(1) = damping;
    test::size_spring_table(c, 1, 1);
  }

  // A spring element from node 1 to the ground node 2, on the element path.
  void add_element(std::initializer_list<float> law) {
    RunContext& c = *t;
    test::make_bridge(c, {{0.0f, 0.0f, 0.0f}, {1.0f, 0.0f, 0.0f}}, 1, {{1, 2, 0, 1}});
    c.bridge.mode_shapes(1, 1, 1) = 1.0f;
    test::set_law(c, 1, 1, law);
    c.springs.bridge_springs_need_elements = 1;
    c.spring_state.bridge_spring_memory_prev.fill(0.0f);
    list_first_order_spring_dofs(c);
  }

  // A constant force (a table from t = 0 on) or a harmonic one on node 1.
  void add_force(std::int32_t kind, float amplitude, float frequency, std::int32_t component) {
    ExternalForceTable& x = t->external_forces;
    x.external_force_count = 1;
    for (auto* a : {&x.force_node, &x.force_dof, &x.force_kind, &x.force_point_count}) a->resize(1);
    for (auto* a : {&x.force_amplitude, &x.force_frequency, &x.force_phase}) a->resize(1);
    x.force_node(1) = 1;
    x.force_dof(1) = component;
    x.force_kind(1) = kind;
    x.force_amplitude(1) = amplitude;
    x.force_frequency(1) = frequency;
    x.force_point_count(1) = 2;
    x.force_table_time.resize(2, 1);
    x.force_table_value.resize(2, 1);
    x.force_table_time(2, 1) = 1.0e6f;
    x.force_table_value(1, 1) = x.force_table_value(2, 1) = amplitude;
  }

  void start() {
    allocate_solver_state(*t, false);
    layout = build_rk_layout(*t);
    work.resize(static_cast<std::size_t>(layout.size));
    y.assign(static_cast<std::size_t>(layout.size), 0.0);
    ydot = y;
  }
  void step(int s) { run_rk_step(*t, layout, work, 1, static_cast<float>(s), y, ydot); }
  double q() { return t->solver.bridge_modal_state(1, 1); }
};

// q'' + 2 xi w q' + w^2 q = A sin(W t) from rest.
double forced_response(double w, double xi, double a, double big_w, double time) {
  const double delta = std::pow(w * w - big_w * big_w, 2) + std::pow(2.0 * xi * w * big_w, 2);
  const double c = a * (w * w - big_w * big_w) / delta;
  const double d = -a * 2.0 * xi * w * big_w / delta;
  const double wd = w * std::sqrt(1.0 - xi * xi);
  const double e = -d;
  const double g = (xi * w * e - big_w * c) / wd;
  return c * std::sin(big_w * time) + d * std::cos(big_w * time) +
         std::exp(-xi * w * time) * (e * std::cos(wd * time) + g * std::sin(wd * time));
}

TEST(RungeKutta, HarmonicLoadOnOneModeConvergesWithFourthOrder) {
  const float frequency = 2.0f, xi = 0.05f, load_frequency = 3.0f, amplitude = 100.0f;
  double errors[2];
  const float steps[2] = {0.01f, 0.005f};
  for (int r = 0; r < 2; ++r) {
    RkBridge b(frequency, xi, steps[r]);
    b.add_force(0, amplitude, load_frequency, 2);
    b.start();
    const double two_pi = b.t->control.two_pi;
    const int n = static_cast<int>(std::lround(2.0 / steps[r]));
    double worst = 0.0;
    for (int s = 1; s <= n; ++s) {
      b.step(s);
      const double exact = forced_response(two_pi * frequency, xi, amplitude, two_pi * load_frequency,
                                           static_cast<double>(s) * steps[r]);
      worst = std::max(worst, std::fabs(b.q() - exact));
    }
    errors[r] = worst;
  }
  const double ratio = errors[0] / errors[1];
  EXPECT_GT(ratio, 12.0) << errors[0] << " " << errors[1];
  EXPECT_LT(ratio, 20.0) << errors[0] << " " << errors[1];
}

// A stiff, critically damped mode under a constant force settles within a few
// milliseconds at q = F / w^2 and then holds the element's displacement.
struct HeldDisplacement : RkBridge {
  explicit HeldDisplacement(std::initializer_list<float> law) : RkBridge(50.0f, 1.0f, 1.0e-4f, 1) {
    add_element(law);
    const float w = t->control.two_pi * 50.0f;
    add_force(1, w * w * 0.01f, 0.0f, 1);
    start();
  }
  float element_force() { return t->spring_state.bridge_spring_force(1, 1); }
};

TEST(RungeKutta, MaxwellElementRelaxesThroughItsFirstOrderState) {
  const float p2 = 100.0f, p3 = 5.0f;  // relaxation time p3 / p2 = 0.05 s
  HeldDisplacement h({102.0f, p2, p3});
  ASSERT_EQ(h.layout.springs.size(), 1u);
  float at_t1 = 0.0f;
  for (int s = 1; s <= 2500; ++s) {
    h.step(s);
    if (s == 1000) at_t1 = h.element_force();
  }
  ASSERT_GT(std::fabs(at_t1), 1.0e-3f);
  const double expected = std::exp(-0.15 * p2 / p3);
  EXPECT_NEAR(h.element_force() / at_t1, expected, 0.02 * expected);
}

TEST(RungeKutta, HysteresisElementAtAHeldDisplacementKeepsItsForce) {
  HeldDisplacement h({100.0f, 50.0f, 5.0f, 1000.0f});  // elastic stiffness, hardening, yield force
  for (int s = 1; s <= 1000; ++s) h.step(s);
  const float settled = h.element_force();
  for (int s = 1001; s <= 3000; ++s) h.step(s);
  EXPECT_NE(settled, 0.0f);
  EXPECT_NEAR(h.element_force(), settled, 1.0e-4f * std::fabs(settled));
}

TEST(RungeKutta, ModeTiedToTheGroundByALinearElementDoesNotGainEnergy) {
  // 10 Hz mode, spring 1.0e3 N/m on its unit shape; a short pulse starts a
  // free vibration that runs for a thousand periods.
  RkBridge b(10.0f, 0.0f, 1.0e-3f, 1);
  b.add_element({1.0f, 1000.0f});
  b.t->springs.bridge_springs_need_elements = 1;
  b.add_force(1, 100.0f, 0.0f, 1);
  b.t->external_forces.force_table_time(2, 1) = 0.01f;
  b.start();
  const double two_pi = b.t->control.two_pi;
  const double w2 = std::pow(two_pi * 10.0, 2) + 1000.0;
  auto energy = [&] {
    const double v = b.t->solver.bridge_modal_state(1, 2), q = b.q();
    return 0.5 * (v * v + w2 * q * q);
  };
  for (int s = 1; s <= 20; ++s) b.step(s);
  const double start = energy();
  for (int s = 21; s <= 100020; ++s) b.step(s);
  EXPECT_GT(start, 0.0);
  EXPECT_LE(energy(), start * (1.0 + 1e-6));
  EXPECT_GE(energy(), 0.5 * start);
}

TEST(RungeKutta, TheStateVectorStandsInTheSharedRecordsSlotBySlot) {
  // Two vehicles of two modes on spring-damper wheels over a bridge of one
  // mode: y holds per block the velocities, then the displacements. An
  // evaluation puts both into the records and leaves the accelerations as
  // the last step stored them; the step's end stores the accelerations of
  // its last evaluation too, and the previous-step copies.
  test::IntegrationModel m(0.0f, 100.0f, 2, 1, 2, 2);
  RunContext& c = *m.t;
  c.solution.integration_method = method::runge_kutta;
  m.spring_damper_wheels(1.0E6f);
  VehicleTypeLibrary& lib = c.vehicles;
  lib.vehicle_mode_damping.assign_from(lib.vehicle_mode_damping_input);
  allocate_solver_state(c, false);
  c.layout.wheelset_position.fill(50.0f);
  c.step.current_stage = c.step.current_stage_copy = 1;
  const RkLayout layout = build_rk_layout(c);
  ASSERT_TRUE(layout.vehicles);
  ASSERT_EQ(layout.size, 2 + 2 * 4);
  std::vector<double> y(static_cast<std::size_t>(layout.size)), ydot(y.size());
  for (std::size_t i = 0; i < y.size(); ++i) y[i] = 1.0e-3 * static_cast<double>(i + 1);
  // The state of slot i, as the layout puts it: bridge velocity 1 and
  // displacement 2, then per vehicle its two velocities and its two
  // displacements.
  auto expect_records = [&](const std::vector<double>& v, const double* acc, const char* when) {
    const SolverState& s = c.solver;
    EXPECT_EQ(s.bridge_modal_state(1, 2), v[0]) << when;
    EXPECT_EQ(s.bridge_modal_state(1, 1), v[1]) << when;
    EXPECT_EQ(s.bridge_modal_state(1, 3), acc ? acc[0] : -7.0) << when;
    for (std::int32_t j = 1; j <= 2; ++j)
      for (std::int32_t mode = 1; mode <= 2; ++mode) {
        const std::size_t p = 2 + 4 * static_cast<std::size_t>(j - 1) + static_cast<std::size_t>(mode - 1);
        EXPECT_EQ(s.vehicle_modal_state(1, j, mode, 2), v[p]) << when << " vehicle " << j << " mode " << mode;
        EXPECT_EQ(s.vehicle_modal_state(1, j, mode, 1), v[p + 2]) << when << " vehicle " << j << " mode " << mode;
        EXPECT_EQ(s.vehicle_modal_state(1, j, mode, 3), acc ? acc[p] : -7.0)
            << when << " vehicle " << j << " mode " << mode;
      }
  };
  c.solver.bridge_modal_state(1, 3) = -7.0;
  for (std::int32_t j = 1; j <= 2; ++j)
    for (std::int32_t mode = 1; mode <= 2; ++mode) c.solver.vehicle_modal_state(1, j, mode, 3) = -7.0;
  evaluate_rk_derivative(c, layout, 1, 1.0f, y.data(), ydot.data());
  expect_records(y, nullptr, "an evaluation");

  RkWork work;
  work.resize(y.size());
  run_rk_step(c, layout, work, 1, 1.0f, y, ydot);
  expect_records(y, ydot.data(), "the step's end");
  EXPECT_EQ(c.solver.vehicle_modal_state_prev_step(1, 2, 2, 3), ydot[2 + 4 + 1]);
  EXPECT_EQ(c.solver.bridge_modal_state_prev_step(1, 1), y[1]);
}

}  // namespace
}  // namespace tb
