#include "integration/modal_steps.h"

#include <gtest/gtest.h>

#include <cmath>

#include "test_support.h"

namespace tb {
namespace {

// One damped bridge mode integrated by the driver's own routines: each step
// recomputes the state from the previous step and then commits it.
struct OneMode {
  test::TestContext t;
  OneMode(std::int32_t method, float f, float xi, float dt = 1.0E-4f) {
    RunContext& c = *t;
    c.solution.integration_method = method;
    c.solution.time_step = dt;
    c.bridge.bridge_mode_count = 1;
    c.bridge.mode_frequency.resize(1);
    c.bridge.mode_damping_ratio_work.resize(1);
    c.bridge.mode_frequency(1) = f;
    c.bridge.mode_damping_ratio_work(1) = xi;
    SolverState& s = c.solver;
    for (auto* a : {&s.bridge_modal_state, &s.bridge_modal_state_prev_step, &s.bridge_modal_state_two_back})
      a->resize(1, 3);
    s.bridge_modal_force.resize(1);
    s.bridge_modal_force_prev_step.resize(1);
    compute_integration_constants(c);
  }
  // A state that has been at rest under `force` (or held) before time 0:
  // the load history and the older acceleration agree with it.
  void start(double q0, double qd0, double qdd0, double force = 0.0) {
    SolverState& s = t->solver;
    s.bridge_modal_state_prev_step(1, 1) = q0;
    s.bridge_modal_state_prev_step(1, 2) = qd0;
    s.bridge_modal_state_prev_step(1, 3) = qdd0;
    s.bridge_modal_state_two_back(1, 3) = qdd0;
    s.bridge_modal_force_prev_step(1) = force;
  }
  void step(double force) {
    SolverState& s = t->solver;
    s.bridge_modal_force(1) = force;
    integrate_bridge_modal_step(*t);
    s.bridge_modal_state_two_back(1, 3) = s.bridge_modal_state_prev_step(1, 3);
    for (int c = 1; c <= 3; ++c) s.bridge_modal_state_prev_step(1, c) = s.bridge_modal_state(1, c);
    s.bridge_modal_force_prev_step(1) = force;
  }
  double q() { return t->solver.bridge_modal_state(1, 1); }
};

// Exact response of q'' + 2 xi w q' + w^2 q = F from q(0) = q0, q'(0) = 0.
double exact(double w, double xi, double force, double q0, double time) {
  const double wd = w * std::sqrt(1.0 - xi * xi);
  const double qs = force / (w * w);
  const double decay = std::exp(-xi * w * time) * (std::cos(wd * time) + xi / std::sqrt(1.0 - xi * xi) * std::sin(wd * time));
  return qs + (q0 - qs) * decay;
}

TEST(ModalSteps, FromRestOnAFreeMassGiveTheClosedFormFirstStep) {
  const double f = 3.0, dt = 1.0E-4f;
  {
    OneMode m(method::newmark, 0.0f, 0.0f);
    m.step(f);
    EXPECT_NEAR(m.q(), f * dt * dt / 4.0, 1e-20);
    EXPECT_NEAR(m.t->solver.bridge_modal_state(1, 2), f * dt / 2.0, 1e-16);
    EXPECT_NEAR(m.t->solver.bridge_modal_state(1, 3), f, 1e-9);
  }
  {
    OneMode m(method::wilson_theta, 0.0f, 0.0f);
    m.step(f);
    EXPECT_NEAR(m.q(), f * dt * dt / 6.0, 1e-20);
    EXPECT_NEAR(m.t->solver.bridge_modal_state(1, 2), f * dt / 2.0, 1e-16);
    EXPECT_NEAR(m.t->solver.bridge_modal_state(1, 3), f, 1e-9);
  }
  {
    OneMode m(method::explicit_two_step, 0.0f, 0.0f);
    m.step(f);
    EXPECT_EQ(m.q(), 0.0);
    EXPECT_EQ(m.t->solver.bridge_modal_state(1, 2), 0.0);
    EXPECT_EQ(m.t->solver.bridge_modal_state(1, 3), f);
  }
  {
    OneMode m(3, 2.0f, 0.02f);  // a method without a scheme changes nothing
    m.t->solver.bridge_modal_state(1, 1) = 7.0;
    m.step(f);
    EXPECT_EQ(m.q(), 7.0);
  }
}

TEST(ModalSteps, FreeVibrationAndStepLoadMatchTheClosedFormOverTenPeriods) {
  // At the default step the low modes are where single precision failed
  // (the stiffness term falls below the rounding of a0 = 4/dt^2).
  const double dt = 1.0E-4f;
  for (std::int32_t method : {method::wilson_theta, method::newmark, method::explicit_two_step}) {
    for (float freq : {0.5f, 1.0f, 5.0f, 50.0f}) {
      for (bool step_load : {false, true}) {
        const float xi = 0.02f;
        OneMode m(method, freq, xi);
        const double w = static_cast<double>(m.t->control.two_pi) * freq;
        const double force = step_load ? 1.0 : 0.0;
        const double q0 = step_load ? 0.0 : 1.0;
        const double amplitude = step_load ? force / (w * w) : q0;
        m.start(q0, 0.0, step_load ? force : -w * w * q0, force);
        const int steps = static_cast<int>(std::lround(10.0 / freq / dt));
        double worst = 0.0;
        for (int n = 1; n <= steps; ++n) {
          m.step(force);
          worst = std::max(worst, std::fabs(m.q() - exact(w, xi, force, q0, n * dt)));
        }
        // Newmark's period error is (w dt)^2 / 12; over ten periods the phase
        // drifts by 2 pi 10 times that. The other schemes stay within a few
        // times this bound at these steps.
        const double wdt = w * dt;
        const double bound = 4.0 * 2.0 * M_PI * 10.0 * wdt * wdt / 12.0 * amplitude + 1e-9 * amplitude;
        EXPECT_LT(worst, bound) << "method " << method << " f " << freq << " step load " << step_load;
      }
    }
  }
}

TEST(ModalSteps, TwoPassesWithTheSameForceGiveTheSameState) {
  OneMode m(method::newmark, 2.0f, 0.05f);
  m.start(0.1, 0.2, 0.3);
  m.t->solver.bridge_modal_force(1) = 5.0;
  integrate_bridge_modal_step(*m.t);
  const double first = m.q();
  integrate_bridge_modal_step(*m.t);
  EXPECT_EQ(m.q(), first);
}

TEST(ModalSteps, WilsonThetaStaysBoundedWhereThetaOfAQuarterWouldDiverge) {
  // With theta below 1 the scheme has a spurious root of 1 - 1/theta; with
  // its own theta of 1.4 a free vibration only decays.
  OneMode m(method::wilson_theta, 10.0f, 0.0f, 1.0E-3f);
  m.start(1.0, 0.0, -std::pow(m.t->control.two_pi * 10.0, 2));
  double peak = 0.0;
  for (int n = 0; n < 5000; ++n) {
    m.step(0.0);
    peak = std::max(peak, std::fabs(m.q()));
  }
  EXPECT_LE(peak, 1.0 + 1e-9);
}

}  // namespace
}  // namespace tb
