#include "numerics/interpolation.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>


namespace tb {
namespace {

// Every window tried in turn, the last that encloses the abscissa winning.
float reference_window_value(const std::vector<float>& x, const std::vector<float>& y, std::int32_t k, float xe,
                             float entry) {
  const std::int32_t n = static_cast<std::int32_t>(x.size());
  const bool ascending = x[1] > x[0];
  float ye = entry;
  for (std::int32_t l = 0; l + k <= n; ++l) {
    const bool in = ascending ? (x[l] <= xe && xe <= x[l + k - 1]) : (x[l] >= xe && xe >= x[l + k - 1]);
    if (in) lagrange_value_at_point(k, x.data() + l, y.data() + l, xe, ye);
  }
  return ye;
}

TEST(LagrangeInterpolate, ThreePointWindowsReproduceAQuadratic) {
  auto q = [](float v) { return 2.0f * v * v - 3.0f * v + 1.0f; };
  const std::vector<float> nodes = {0.0f, 0.7f, 1.5f, 3.0f, 3.2f, 5.0f, 8.0f};
  for (bool descending : {false, true}) {
    std::vector<float> x = nodes;
    if (descending) std::reverse(x.begin(), x.end());
    std::vector<float> y;
    for (float v : x) y.push_back(q(v));
    std::vector<float> xe;
    for (float v = 0.0f; v <= 8.0f; v += 0.05f) xe.push_back(v);
    std::vector<float> ye(xe.size(), -99.0f);
    EXPECT_TRUE(lagrange_interpolate(7, static_cast<std::int32_t>(xe.size()), 3, x.data(), y.data(), xe.data(), ye.data()));
    for (std::size_t j = 0; j < xe.size(); ++j) EXPECT_NEAR(ye[j], q(xe[j]), 2e-5f * (1.0f + q(xe[j]))) << xe[j];
    // At a tabulated point only its own term is left: the ordinate multiplied
    // and divided by the same two distances, within an ulp of it.
    std::vector<float> at(x.size(), -99.0f);
    EXPECT_TRUE(lagrange_interpolate(7, 7, 3, x.data(), y.data(), x.data(), at.data()));
    for (std::size_t i = 0; i < x.size(); ++i) EXPECT_FLOAT_EQ(at[i], y[i]);
  }
}

TEST(LagrangeInterpolate, TheLastEnclosingWindowDecidesAndOthersKeepTheirValue) {
  const std::vector<float> x = {0.0f, 1.0f, 2.0f, 4.0f, 7.0f};
  const std::vector<float> y = {1.0f, -2.0f, 5.0f, 0.5f, 3.0f};
  // (abscissa, first point of the window that must decide, 0 for none)
  const struct {
    float xe;
    int window;
  } cases[] = {{0.5f, 1}, {1.0f, 2}, {1.5f, 2}, {2.0f, 3}, {3.0f, 3}, {7.0f, 3}, {-0.1f, 0}, {7.5f, 0}};
  for (const auto& c : cases) {
    float ye = 42.0f;
    EXPECT_TRUE(lagrange_interpolate(5, 1, 3, x.data(), y.data(), &c.xe, &ye));
    float expected = 42.0f;
    if (c.window > 0) lagrange_value_at_point(3, x.data() + c.window - 1, y.data() + c.window - 1, c.xe, expected);
    EXPECT_EQ(ye, expected) << c.xe;
  }
  float at3 = 0.0f;
  const float x3 = 2.0f;
  EXPECT_TRUE(lagrange_interpolate(5, 1, 3, x.data(), y.data(), &x3, &at3));
  EXPECT_EQ(at3, 5.0f);
}

TEST(LagrangeInterpolate, AgreesWithTryingEveryWindowOnOrderedAndUnorderedTables) {
  std::mt19937 gen(7);
  std::uniform_real_distribution<float> u(-5.0f, 5.0f);
  for (int trial = 0; trial < 200; ++trial) {
    const std::int32_t n = 3 + trial % 9;
    const std::int32_t k = 1 + trial % 3;
    std::vector<float> x(static_cast<std::size_t>(n)), y(x.size());
    for (auto& v : y) v = u(gen);
    if (trial % 4 == 3) {
      for (auto& v : x) v = u(gen);  // no order at all
    } else {
      for (std::int32_t i = 0; i < n; ++i) x[i] = static_cast<float>(i) + 0.5f * u(gen) / 5.0f;
      if (trial % 4 == 1) std::reverse(x.begin(), x.end());
      if (trial % 4 == 2) x[2] = x[1];  // a repeated abscissa
    }
    std::vector<float> xe;
    for (int j = 0; j < 40; ++j) xe.push_back(u(gen) + 4.0f);
    for (float v : x) xe.push_back(v);
    std::vector<float> ye(xe.size(), 13.0f);
    EXPECT_TRUE(lagrange_interpolate(n, static_cast<std::int32_t>(xe.size()), k, x.data(), y.data(), xe.data(), ye.data()));
    for (std::size_t j = 0; j < xe.size(); ++j) {
      const float expected = reference_window_value(x, y, k, xe[j], 13.0f);
      if (std::isnan(expected))
        EXPECT_TRUE(std::isnan(ye[j]));
      else
        EXPECT_EQ(ye[j], expected) << "trial " << trial << " xe " << xe[j];
    }
  }
}

TEST(LagrangeInterpolate, SmallTables) {
  // Two points: the straight line, also beyond them.
  const float x2[] = {0.0f, 1.0f}, y2[] = {0.0f, 1.0f}, xe2[] = {2.0f, -1.0f, 0.25f};
  float ye2[3] = {};
  EXPECT_TRUE(lagrange_interpolate(2, 3, 2, x2, y2, xe2, ye2));
  EXPECT_EQ(ye2[0], 2.0f);
  EXPECT_EQ(ye2[1], -1.0f);
  EXPECT_EQ(ye2[2], 0.25f);
  // One point: only its own abscissa takes its value.
  const float x1[] = {3.0f}, y1[] = {9.0f}, xe1[] = {3.0f, 4.0f};
  float ye1[2] = {-1.0f, -1.0f};
  EXPECT_TRUE(lagrange_interpolate(1, 2, 1, x1, y1, xe1, ye1));
  EXPECT_EQ(ye1[0], 9.0f);
  EXPECT_EQ(ye1[1], -1.0f);
  // No abscissa, or a window of no point: nothing changes.
  const float x3[] = {0.0f, 1.0f, 2.0f}, y3[] = {1.0f, 2.0f, 3.0f};
  float ye3 = 5.0f;
  EXPECT_TRUE(lagrange_interpolate(3, 0, 3, x3, y3, x3, &ye3));
  EXPECT_TRUE(lagrange_interpolate(3, 1, 0, x3, y3, x3, &ye3));
  EXPECT_EQ(ye3, 5.0f);
}

TEST(LagrangeInterpolate, TooFewPointsForTheWindowWriteNothing) {
  // The caller stops the run (stop_with_too_few_points names the file).
  const float x[] = {0.0f, 1.0f, 2.0f};
  float ye = 7.0f;
  EXPECT_FALSE(lagrange_interpolate(3, 1, 4, x, x, x, &ye));
  EXPECT_EQ(ye, 7.0f);
}

TEST(LagrangeValueAtPoint, FullPolynomialAndEmptyTable) {
  const float x[] = {0.0f, 1.0f, 2.0f, 3.0f};
  float y[4];
  for (int i = 0; i < 4; ++i) y[i] = x[i] * x[i] * x[i] - x[i];
  float ye = -1.0f;
  lagrange_value_at_point(4, x, y, 4.0f, ye);  // extrapolated cubic
  EXPECT_FLOAT_EQ(ye, 60.0f);
  lagrange_value_at_point(0, x, y, 1.0f, ye);
  EXPECT_EQ(ye, 0.0f);
}

TEST(FirstDifference, PlainAndRunning) {
  const float a[] = {1.0f, 4.0f, 9.0f, 16.0f};
  float d[4] = {-1, -1, -1, -1};
  first_difference(a, d, 4);
  EXPECT_EQ(std::vector<float>(d, d + 4), (std::vector<float>{0.0f, 3.0f, 5.0f, 7.0f}));
  first_difference_running(a, d, 4);
  // d(i) = (a(i) - a(i-1)) - d(i-1) on the updated values.
  EXPECT_EQ(std::vector<float>(d, d + 4), (std::vector<float>{0.0f, 3.0f, 2.0f, 5.0f}));
  float one = -1.0f;
  first_difference(a, &one, 1);
  EXPECT_EQ(one, 0.0f);
}

}  // namespace
}  // namespace tb
