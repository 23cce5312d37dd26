#include "interaction/spring_laws.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "interaction/spring_fixtures.h"
#include "platform/texts.h"
#include "test_support.h"

namespace tb {
namespace {

// One element whose law works on the relative motion of end J (entries 7-12)
// against end I (held at rest), with its state committed after every step as
// the integration does.
struct Element {
  test::TestContext t;
  EndVector u{}, v{}, uc{};
  DofStates s0{}, s{};
  DofValues F0{}, F{}, M0{}, M{};

  explicit Element(std::int32_t dof_count = 1) {
    test::size_spring_table(*t, 1, dof_count);
    s0.fill(1);
    s.fill(1);
  }
  void law(std::int32_t dof, std::initializer_list<float> values) { test::set_law(*t, 1, dof, values); }
  // Relative displacement and velocity of degree of freedom 1.
  void move(float d, float dv) {
    u[6] = d;
    v[6] = dv;
  }
  void evaluate() { evaluate_spring_force_law(*t, 1, u, v, uc, s0, s, F0, F, M0, M); }
  void commit() {
    s0 = s;
    F0 = F;
    M0 = M;
    uc = u;
  }
};

struct LawCase {
  const char* name;
  std::vector<float> law;  // code, p2, p3, ...
  float d, dv;
  float force_before;  // the trial force the evaluation starts from
  float expected;
};

TEST(SpringForceLaws, EachLawGivesItsClosedFormAtAndAroundItsThresholds) {
  const float two_pi = 6.283185f;
  const std::vector<LawCase> cases = {
      {"no force", {0}, 0.3f, 1.0f, 5.0f, 0.0f},
      {"linear spring and damper", {1, 1000, 10}, 0.01f, 0.5f, 0.0f, 15.0f},
      {"two-slope damper at its knee", {2, 100, 0.5f, 300, 1.5f}, 0.0f, -0.5f, 0.0f, -100.0f},
      {"two-slope damper on its second slope", {2, 100, 0.5f, 300, 1.5f}, 0.0f, 1.0f, 0.0f, 200.0f},
      {"two-slope damper at its second point", {2, 100, 0.5f, 300, 1.5f}, 0.0f, -1.5f, 0.0f, -300.0f},
      {"switched stiffness at the switch", {3, 100, 200, 0.01f, 0.5f}, 0.01f, 0.0f, 0.0f, 1.0f},
      {"switched stiffness beyond it, with damping", {3, 100, 200, 0.01f, 0.5f}, 0.02f, 0.02f, 0.0f, 6.0f},
      {"switched stiffness in compression", {3, 100, 200, 0.01f, 0.5f}, -0.05f, 0.0f, 0.0f, -5.0f},
      {"power-law damper", {4, 10, 2, 2}, 0.1f, -3.0f, 0.0f, -17.0f},
      {"power-law damper below exponent 1", {4, 10, 2, 0.5f}, 0.1f, 4.0f, 0.0f, 5.0f},
      {"negative exponent at rest", {4, 10, 2, -0.5f}, 0.1f, 0.0f, 0.0f, 1.0f},
      {"cubic spring", {5, 8}, -0.5f, 0.0f, 0.0f, -1.0f},
      {"friction sliding", {6, 50}, 0.0f, 1.0E-9f, 0.0f, 50.0f},
      {"friction sliding back", {6, 50}, 0.0f, -0.1f, 0.0f, -50.0f},
      {"friction at rest keeps its force", {6, 50}, 0.2f, 0.0f, 7.0f, 7.0f},
      {"Van der Pol damper", {99}, 0.5f, 2.0f, 0.0f, -0.15f},
      {"friction proportional to displacement", {101, 20}, -0.5f, -1.0f, 0.0f, -10.0f},
      {"Maxwell without spring is a damper", {102, 0, 30}, 0.0f, 2.0f, 0.0f, 60.0f},
      {"clearance: friction inside", {103, 0.5f, 0.01f, 4, 1000}, 0.005f, 1.0f, 0.0f, 2.0f},
      {"clearance: its edge is inside", {103, 0.5f, 0.01f, 4, 1000}, -0.01f, -1.0f, 0.0f, -2.0f},
      {"clearance: at rest inside keeps its force", {103, 0.5f, 0.01f, 4, 1000}, 0.005f, 0.0f, 3.0f, 3.0f},
      {"clearance: spring beyond it", {103, 0.5f, 0.01f, 4, 1000}, 0.03f, 1.0f, 0.0f, 22.0f},
      {"clearance: spring beyond it at rest", {103, 0.5f, 0.01f, 4, 1000}, -0.03f, 0.0f, 3.0f, -20.0f},
      {"curve in its third band", {104}, 0.25f / 360.0f * two_pi, 0.0f, 0.0f, 8278.5f},
      {"curve beyond its last point", {104}, -5.0f / 360.0f * two_pi, 0.0f, 0.0f, -8918.0f},
  };
  for (const LawCase& c : cases) {
    SCOPED_TRACE(c.name);
    Element e;
    e.t->solution.integration_method = method::runge_kutta;
    for (std::size_t k = 0; k < c.law.size(); ++k) e.t->springs.spring_parameters(1, 1, static_cast<int>(k + 1)) = c.law[k];
    e.move(c.d, c.dv);
    e.F[0] = c.force_before;
    e.evaluate();
    EXPECT_NEAR(e.F[0], c.expected, 1.0E-5f * std::fabs(c.expected) + 1.0E-6f);
    // The frame-less paths evaluate laws 0 to 6 alone, with the same formulas.
    if (c.law[0] <= 6.0f) {
      float f = c.force_before;
      evaluate_spring_force_scalar(*e.t, c.d, c.dv, 1, 1, f);
      EXPECT_EQ(f, e.F[0]);
    }
  }
}

TEST(SpringForceLaws, BilinearHysteresisFromRest) {
  Element e;
  e.law(1, {100, 1000, 100, 5});  // yield force 5 at 0.005
  e.M0[0] = 5.0f;                 // as the reader presets it
  e.move(0.004f, 0.0f);
  e.evaluate();
  EXPECT_EQ(e.s[0], 1);
  EXPECT_FLOAT_EQ(e.F[0], 4.0f);
  EXPECT_FLOAT_EQ(e.M[0], 5.0f);

  e.move(0.015f, 0.0f);
  e.evaluate();
  EXPECT_EQ(e.s[0], 2);
  EXPECT_FLOAT_EQ(e.F[0], 5.0f + 100.0f * (0.015f - 0.005f));
  EXPECT_FLOAT_EQ(e.M[0], e.F[0]);

  // Another pass of the same step that falls back inside the band starts
  // again from the committed state and is elastic.
  e.move(-0.002f, 0.0f);
  e.evaluate();
  EXPECT_EQ(e.s[0], 1);
  EXPECT_FLOAT_EQ(e.F[0], -2.0f);
}

TEST(SpringForceLaws, BilinearHysteresisLoopDissipatesItsClosedFormEnergy) {
  // Elastic stiffness k1, post-yield k2, yield force fy, cycled between +-a:
  // the loop of kinematic hardening encloses 4 fy (1 - k2/k1) (a - fy/k1).
  const float k1 = 1024.0f, k2 = 128.0f, fy = 8.0f;
  const float uy = fy / k1;  // 1/128
  const float a = 4.0f * uy;
  const float h = uy / 8.0f;  // every yield point falls on a step
  Element e;
  e.law(1, {100, k1, k2, fy});
  e.M0[0] = fy;
  auto go_to = [&](float target, double* work) {
    while (e.u[6] != target) {
      const float before = e.F0[0];
      const float from = e.u[6];
      e.move(target > from ? from + h : from - h, 0.0f);
      e.evaluate();
      if (work) *work += 0.5 * (double(before) + double(e.F[0])) * (double(e.u[6]) - double(from));
      e.commit();
    }
  };
  go_to(a, nullptr);  // first loading
  double work = 0.0;
  go_to(-a, &work);
  go_to(a, &work);
  EXPECT_NEAR(work, 4.0 * fy * (1.0 - k2 / k1) * (a - uy), 1.0E-6);
  // Two elastic reversals and two yielding branches make up the loop.
  EXPECT_EQ(e.s[0], 2);
}

TEST(SpringForceLaws, MaxwellElementRelaxesUnderAHeldDisplacement) {
  const float k = 2.0E5f, c = 4.0E3f;  // relaxation time c/k = 0.02 s
  const float f_start = 100.0f;
  const double t_end = 0.06;

  {  // Runge-Kutta: the law gives the force rate; integrate it here.
    Element e;
    e.t->solution.integration_method = method::runge_kutta;
    e.law(1, {102, k, c});
    auto rate = [&](float f) {
      e.F[0] = f;
      e.evaluate();
      return e.M[0];
    };
    const float dt = 1.0E-3f;
    float f = f_start;
    for (int n = 0; n < 60; ++n) {
      const float r1 = rate(f);
      const float r2 = rate(f + 0.5f * dt * r1);
      const float r3 = rate(f + 0.5f * dt * r2);
      const float r4 = rate(f + dt * r3);
      f += dt / 6.0f * (r1 + 2.0f * r2 + 2.0f * r3 + r4);
      EXPECT_EQ(e.F0[0], 0.0f);  // the law never writes the force it integrates
    }
    EXPECT_NEAR(f, f_start * std::exp(-t_end * k / c), 1.0E-3);
  }
  {  // Step-by-step methods: the backward-difference step, first order in dt.
    Element e;
    e.t->solution.integration_method = method::newmark;
    e.t->solution.time_step = 1.0E-5f;
    e.law(1, {102, k, c});
    e.F0[0] = f_start;
    for (int n = 0; n < 6000; ++n) {
      e.evaluate();
      e.commit();
    }
    EXPECT_NEAR(e.F0[0], f_start * std::exp(-t_end * k / c), 0.01 * f_start * std::exp(-3.0));
  }
}

TEST(SpringForceLaws, WedgeFrictionWritesTheFirstThreeDegreesOfFreedom) {
  const std::initializer_list<float> wedge = {105, 30, 10, 0.2f, 0.1f, 1000, 500, 2000, 300, 400};
  const float d1 = 0.002f, d2 = -0.001f, d3 = 0.004f, v2 = 0.0004f;
  auto prepare = [&](Element& e, std::int32_t dof) {
    e.law(dof, wedge);
    e.u[6] = d1;
    e.u[7] = d2;
    e.u[8] = d3;
    e.v[7] = v2;
    e.evaluate();
  };
  // The wedge force of degree of freedom 2, in double precision.
  const double pi = 3.14159, al = 30.0 / 180.0 * pi, be = 10.0 / 180.0 * pi;
  const double t = 1.0 + std::tan(be) * std::tan(al);
  const double g = 1000.0 / (2.0 * 2000.0 / t + 500.0);
  const double w = g * 2000.0 * std::cos(al) / (t * std::cos(be - al));
  const double h = double(v2) / 0.001;
  const double n = 2000.0 * (g + d2) * (std::cos(al) + 0.2 * h * std::sin(al)) / (t * std::cos(be - al));
  const double f2 = 2.0 * (n - w) * std::cos(be) + 2.0 * h * 0.1 * n * std::sin(be) + 500.0 * d2;

  Element last(3);  // carried by DOF 3, after DOFs 1 and 2 of code 0
  prepare(last, 3);
  EXPECT_FLOAT_EQ(last.F[0], 400.0f * d1);
  EXPECT_NEAR(last.F[1], f2, 1.0E-4 * std::fabs(f2));
  EXPECT_FLOAT_EQ(last.F[2], 300.0f * d3);

  Element first(3);  // carried by DOF 1: DOFs 2 and 3 then give their own (zero) force
  prepare(first, 1);
  EXPECT_FLOAT_EQ(first.F[0], 400.0f * d1);
  EXPECT_EQ(first.F[1], 0.0f);
  EXPECT_EQ(first.F[2], 0.0f);
}

TEST(SpringForceLaws, AnUnknownCodeStopsTheRun) {
  Element e;
  e.law(1, {7, 1});
  EXPECT_EQ(test::expect_stop([&] { e.evaluate(); }), exit_error);
  EXPECT_EQ(e.t.console(), " " + std::string(text::unknown_spring_type) +
                               "\n NonlinearSpringParameters_Vehicletypes.dat (id 1, degree of freedom 1): law code 7, "
                               "which names no spring-damper law\n" +
                               test::pause_text());
}

TEST(SpringForceLaws, VanDerPolTerm) { EXPECT_FLOAT_EQ(compute_van_der_pol_term(2.0f, 1.0f), 0.3f); }

}  // namespace
}  // namespace tb
