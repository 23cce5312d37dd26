#include "wind/self_excited_forces.h"

#include <gtest/gtest.h>

#include <cmath>

#include "test_support.h"

namespace tb {
namespace {

// Two sections with room for four panels: section 1 a right triangle of
// sides 4, 5, 3 whose vertices lie at horizontal arms -1, 3, -1; section 2 a
// triangle of sides 1, 2, 3 whose first vertex lies straight above the
// reference point (arm 0), the others at arms -1 and 3.
void set_sections(BuffetingWindData& b) {
  b.deck_section_count = 2;
  b.max_panel_count = 4;
  b.section_ids.resize(3);
  b.section_panel_count.resize(3);
  b.panel_length.resize(4, 2);
  b.panel_start_arm_x.resize(4, 2);
  const float lengths[2][3] = {{4.0f, 5.0f, 3.0f}, {1.0f, 2.0f, 3.0f}};
  const float arms[2][3] = {{-1.0f, 3.0f, -1.0f}, {0.0f, -1.0f, 3.0f}};
  for (int s = 1; s <= 2; ++s) {
    b.section_ids(s) = s;
    b.section_panel_count(s) = 3;
    for (int j = 1; j <= 3; ++j) {
      b.panel_length(j, s) = lengths[s - 1][j - 1];
      b.panel_start_arm_x(j, s) = arms[s - 1][j - 1];
    }
  }
}

// Vertex k takes half of the panels on either side of it over the perimeter
// on components 2 and 3 (section values 2 and 3), and component 3 over its
// arm, averaged over the vertices with an arm, as the rotation (value 4).
TEST(SelfExcitedTransfer, TributarySharesAndRotationOfEachSection) {
  test::TestContext t;
  BuffetingWindData& b = t->buffeting;
  set_sections(b);
  build_section_transfer_matrices(*t);
  ASSERT_EQ(b.section_transfer.extent(1), 6);
  ASSERT_EQ(b.section_transfer.extent(2), 24);
  ASSERT_EQ(b.section_transfer.extent(3), 2);
  const float share[2][3] = {{7.0f / 24.0f, 9.0f / 24.0f, 8.0f / 24.0f}, {4.0f / 12.0f, 3.0f / 12.0f, 5.0f / 12.0f}};
  const float rotation[2][3] = {{1.0f / -3.0f, 1.0f / 9.0f, 1.0f / -3.0f}, {0.0f, 1.0f / -2.0f, 1.0f / 6.0f}};
  for (int s = 1; s <= 2; ++s) {
    float share_sum = 0.0f, moment = 0.0f;
    for (int row = 1; row <= 6; ++row) {
      for (int col = 1; col <= 24; ++col) {
        const int k = (col - 1) / 6 + 1, d = (col - 1) % 6 + 1;
        float expected = 0.0f;
        if (k <= 3 && ((row == 2 && d == 2) || (row == 3 && d == 3))) expected = share[s - 1][k - 1];
        if (k <= 3 && row == 4 && d == 3) expected = rotation[s - 1][k - 1];
        EXPECT_NEAR(b.section_transfer(row, col, s), expected, 1e-7) << s << " " << row << " " << col;
      }
    }
    for (int k = 1; k <= 3; ++k) {
      share_sum += b.section_transfer(3, 6 * (k - 1) + 3, s);
      moment += b.section_transfer(4, 6 * (k - 1) + 3, s) * b.panel_start_arm_x(k, s);
    }
    // The shares cover the perimeter once; a moment spread onto the vertices
    // gives itself back through their arms.
    EXPECT_NEAR(share_sum, 1.0f, 1e-6) << s;
    EXPECT_NEAR(moment, 1.0f, 1e-6) << s;
  }
}

// Wind of 20 m/s at air density 1.25 on a deck of width 4 (set 2).
void set_wind(RunContext& c) {
  WindParameters& w = c.wind;
  w.wind_on = 1;
  w.air_density = 1.25f;
  w.mean_wind_speed = 20.0f;
  w.coefficient_set_count = 2;
  w.set_width.resize(2);
  w.set_width(2) = 4.0f;
}

TEST(SelfExcitedForces, LiftAndMomentFromTheSectionMotionAndMemory) {
  test::TestContext t;
  RunContext& c = *t;
  set_wind(c);
  BuffetingWindData& b = c.buffeting;
  b.station_memory.resize(4, 3);
  b.station_prev_memory.resize(4, 3);
  for (int i = 1; i <= 4; ++i) b.station_prev_memory(i, 2) = 0.1f * static_cast<float>(i);
  const float m1[6] = {0.7f, 0.0f, 0.02f, 0.003f, 0.0f, 0.0f};
  const float m2[6] = {0.0f, 0.0f, 0.2f, 0.04f, 0.0f, 0.0f};
  const float m3[6] = {0.2f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f};
  const float m4[6] = {};
  const double rho = 1.25, u = 20.0, width = 4.0, length = 18.0;
  const double k21 = 1.5, k22 = -0.5, k24 = 2.0, k11 = 0.8, k12 = -0.3, k14 = 3.0;

  for (const bool with_coefficients : {true, false}) {
    Array2<float>& k = c.wind.selfexcited_coefficients;
    k.resize(with_coefficients ? 2 : 0, 6);
    if (with_coefficients) {
      k(2, 1) = static_cast<float>(k21);
      k(2, 2) = static_cast<float>(k22);
      k(2, 4) = static_cast<float>(k24);
      k(1, 1) = static_cast<float>(k11);
      k(1, 2) = static_cast<float>(k12);
      k(1, 4) = static_cast<float>(k14);
      k(2, 3) = k(2, 5) = k(2, 6) = k(1, 3) = 100.0f;  // unused columns
    }
    float g[6] = {9, 9, 9, 9, 9, 9};
    compute_bridge_selfexcited_forces(c, g, 18.0f, m1, m2, m3, m4, 2);
    // Every memory state adds the change 0.7 - 0.2 of section value 1.
    for (int i = 1; i <= 4; ++i) EXPECT_NEAR(b.station_memory(i, 2), 0.1 * i + 0.5, 1e-6) << i;
    EXPECT_EQ(b.station_memory(1, 3), 0.0f);
    const double memory2 = 0.7, memory4 = 0.9;
    double lift = 0.0, moment = 0.0;
    if (with_coefficients) {
      lift = rho * u * u * length * k21 * 0.02 + rho * u * width * length * k22 * 0.2 +
             rho * u * u * width * width * k24 * memory4;
      moment = rho * u * u * width * width * length * k11 * 0.003 +
               rho * u * width * width * width * length * k12 * 0.04 + rho * u * u * width * width * k14 * memory2;
    }
    const double expected[6] = {0.0, 0.0, lift, moment, 0.0, 0.0};
    for (int i = 0; i < 6; ++i) {
      if (expected[i] == 0.0)
        EXPECT_EQ(g[i], 0.0f) << with_coefficients << " " << i;
      else
        EXPECT_NEAR(g[i] / expected[i], 1.0, 1e-5) << i;
    }
  }
}

// x_new = E2 (a_new - a_old) + E1 x_old with E1 = exp(-(b U / B) dt) and the
// increment decayed over half the step, E2 = exp(-(b U / B) dt / 2).
TEST(SelfExcitedForces, IndicialStateDecaysOverTheStep) {
  test::TestContext t;
  set_wind(*t);
  const double rate = 0.3 * 20.0 / 4.0, dt = 0.05;
  const struct {
    float new_value, old_value, state;
    double expected;
  } cases[] = {
      {0.4f, 0.4f, 2.0f, std::exp(-rate * dt) * 2.0},
      {0.9f, 0.4f, 2.0f, std::exp(-rate * dt / 2.0) * 0.5 + std::exp(-rate * dt) * 2.0},
      {0.9f, 0.4f, 0.0f, std::exp(-rate * dt / 2.0) * 0.5},
  };
  for (const auto& cs : cases) {
    float state = 99.0f;
    update_indicial_state(*t, 0.3f, 0.05f, cs.new_value, cs.old_value, state, cs.state);
    EXPECT_NEAR(state, cs.expected, 1e-6) << cs.new_value << " " << cs.state;
  }
  // Without a deck width there is no time scale: the increment adds as it is.
  t->wind.coefficient_set_count = 1;
  float state = 0.0f;
  update_indicial_state(*t, 0.3f, 0.05f, 0.9f, 0.4f, state, 2.0f);
  EXPECT_NEAR(state, 2.5, 1e-6);
}

}  // namespace
}  // namespace tb
