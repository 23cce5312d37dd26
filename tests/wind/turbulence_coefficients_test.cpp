#include "wind/turbulence_coefficients.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <limits>
#include <vector>

#include "test_support.h"
#include "wind/wind_field.h"

namespace tb {
namespace {

using Builder = bool (*)(std::int32_t&, std::int32_t, float, float, float, float, std::int32_t, std::int32_t,
                         std::int32_t, float, float, Array3<Complex>&);

// The two spectra S(f) = A u*^2 (z/U) / (1 + B x^a)^b, x = z f / U, with
// their constants in double precision.
struct SpectrumCase {
  const char* name;
  Builder build;
  double a, b, exponent_a, exponent_b;
};
const SpectrumCase kSpectra[] = {
    {"vertical", build_vertical_wind_coefficients, 285.53, 41.1, 1.0 / 0.99, 1.65},
    {"along-wind", build_along_wind_coefficients, 15.021, 21.5, 10.0 / 7.0, 7.0 / 6.0},
};

// A small case: height, mean speed, friction velocity, frequency step and
// point spacing.
constexpr float kHeight = 20.0f, kSpeed = 25.0f, kUstar = 1.5f, kDf = 0.125f, kDx = 8.0f;
const Complex kUntouched{-7.0, 3.0};

double spectrum(const SpectrumCase& s, double f) {
  const double x = kHeight * f / kSpeed;
  return s.a * kUstar * kUstar * (kHeight / kSpeed) / std::pow(1.0 + s.b * std::pow(x, s.exponent_a), s.exponent_b);
}
double coherence(double f) { return std::exp(-7.0 * kDx * f / kSpeed); }
double phase_of(std::int32_t state) { return state / 2796203.0 * 6.283185; }

// N sqrt(S(f) df / 2) e^(i phase), the value a line of unit weight carries.
Complex line_value(const SpectrumCase& s, std::int32_t n, double f, double phase) {
  return std::polar(n * std::sqrt(spectrum(s, f) * kDf / 2.0), phase);
}

void expect_value(const Complex& got, const Complex& expected, const char* what) {
  const double tol = 2e-6 * std::abs(expected) + 1e-12;
  EXPECT_NEAR(got.real(), expected.real(), tol) << what;
  EXPECT_NEAR(got.imag(), expected.imag(), tol) << what;
}

Array3<Complex> untouched_array(std::int32_t p, std::int32_t n) {
  Array3<Complex> c(p, p, n);
  c.fill(kUntouched);
  return c;
}

// Draws 1, 2, 3 of the sequence that a zero seed starts at 671071.
constexpr std::int32_t kFirstStates[] = {2793988, 2519328, 1741264};

// One point, bins offset by K = 1 in a transform of 8: line l at f = (l + 1)
// df lands on bins 3 + l and 7 - l; the third line's two bins coincide (5),
// where the conjugate stays.
TEST(WindSpectralCoefficients, OnePointCarriesEachLineOfItsSpectrumAtTheLineAndMirrorBins) {
  for (const SpectrumCase& s : kSpectra) {
    Array3<Complex> c = untouched_array(1, 8);
    std::int32_t seed = 0;
    EXPECT_TRUE(s.build(seed, 1, kHeight, kSpeed, kUstar, 99.0f, 1, 3, 8, kDf, kDx, c));
    EXPECT_EQ(seed, kFirstStates[2]) << s.name;
    for (std::int32_t l = 0; l < 3; ++l) {
      const Complex v = line_value(s, 8, (l + 1) * kDf, phase_of(kFirstStates[l]));
      if (l < 2) expect_value(c(1, 1, 3 + l), v, s.name);
      expect_value(c(1, 1, 7 - l), std::conj(v), s.name);
    }
    for (std::int32_t bin : {1, 2, 8}) EXPECT_EQ(c(1, 1, bin), kUntouched) << s.name << " bin " << bin;
  }
}

// Two points, K = 0 in a transform of 8: line l of point m lies at
// f(m, l) = m df / 2 + l df on bins 2 + l and 8 - l with phase draw 2 l + m.
// Point 2 takes point 1's line times the coherence at point 1's frequency and
// its own line times sqrt(1 - c^2) at its own frequency; element (1, 2) stays.
TEST(WindSpectralCoefficients, TwoPointsAreCorrelatedByTheCoherenceAtEachPointsOwnFrequency) {
  for (const SpectrumCase& s : kSpectra) {
    Array3<Complex> c = untouched_array(2, 8);
    std::int32_t seed = 0;
    EXPECT_TRUE(s.build(seed, 2, kHeight, kSpeed, kUstar, 0.0f, 0, 2, 8, kDf, kDx, c));
    // Draws 4 of the sequence: (1,0), (2,0), (1,1), (2,1).
    const std::int32_t states[] = {2793988, 2519328, 1741264, 2350369};
    EXPECT_EQ(seed, states[3]);
    for (std::int32_t l = 0; l < 2; ++l) {
      const double f1 = kDf / 2.0 + l * kDf, f2 = kDf + l * kDf;
      const Complex v11 = line_value(s, 8, f1, phase_of(states[2 * l]));
      const Complex v21 = coherence(f1) * v11;
      const Complex v22 =
          std::sqrt(1.0 - coherence(f2) * coherence(f2)) * line_value(s, 8, f2, phase_of(states[2 * l + 1]));
      for (const auto& [bin, conjugate] : {std::pair{2 + l, false}, std::pair{8 - l, true}}) {
        auto value = [&](const Complex& v) { return conjugate ? std::conj(v) : v; };
        expect_value(c(1, 1, bin), value(v11), s.name);
        expect_value(c(2, 1, bin), value(v21), s.name);
        expect_value(c(2, 2, bin), value(v22), s.name);
      }
    }
    for (std::int32_t bin = 1; bin <= 8; ++bin) {
      EXPECT_EQ(c(1, 2, bin), kUntouched) << s.name << " bin " << bin;
      if (bin == 1 || (bin >= 4 && bin <= 6)) {
        for (std::int32_t j = 1; j <= 2; ++j) EXPECT_EQ(c(j, 1, bin), kUntouched) << s.name << " bin " << bin;
      }
    }
  }
}

// The caller's seed starts the sequence; the product wraps around in 32 bits
// and keeps its sign through the remainder. One point, one line: the element
// at bin 2 shows the phase, the seed the last state.
TEST(WindSpectralCoefficients, SeedStartsTheSequenceAndComesBackAsTheLastState) {
  const struct {
    std::int32_t seed, lines, first_state, last_state;
  } cases[] = {
      {0, 1, 2793988, 2793988},                // zero starts at 671071
      {0, 3, 2793988, 1741264},
      {2796203, 2, 0, 0},                      // every state 0, every phase 0
      {20000000, 2, -2601173, -787077},        // 125 seed wraps to -1794967296
      {-1, 1, -125, -125},                     // a negative seed gives negative phases
      {2147483647, 1, 2795822, 2795822},
  };
  for (const auto& cs : cases) {
    Array3<Complex> c = untouched_array(1, cs.lines + 2);
    std::int32_t seed = cs.seed;
    ASSERT_TRUE(build_along_wind_coefficients(seed, 1, kHeight, kSpeed, kUstar, 0.0f, 0, cs.lines, cs.lines + 2,
                                              kDf, kDx, c));
    EXPECT_EQ(seed, cs.last_state) << cs.seed;
    const Complex& e = c(1, 1, 2);
    EXPECT_NEAR(e.real() / std::abs(e), std::cos(phase_of(cs.first_state)), 1e-6) << cs.seed;
    EXPECT_NEAR(e.imag() / std::abs(e), std::sin(phase_of(cs.first_state)), 1e-6) << cs.seed;
    if (cs.first_state == 0) {
      EXPECT_EQ(e.imag(), 0.0);
    }
    // The vertical builder draws the same phases from the same seed.
    Array3<Complex> v = untouched_array(1, cs.lines + 2);
    std::int32_t vertical_seed = cs.seed;
    build_vertical_wind_coefficients(vertical_seed, 1, kHeight, kSpeed, kUstar, 0.0f, 0, cs.lines, cs.lines + 2,
                                     kDf, kDx, v);
    EXPECT_EQ(vertical_seed, cs.last_state);
    EXPECT_NEAR(std::arg(v(1, 1, 2)), std::arg(e), 1e-6) << cs.seed;
  }
}

// Calls with no points or no lines draw and write nothing but still replace a
// zero seed; calls whose bins or points would leave the array, or whose
// spectrum is undefined, change nothing at all.
TEST(WindSpectralCoefficients, CallsOutsideTheArrayOrTheSpectrumChangeNothing) {
  const float nan = std::numeric_limits<float>::quiet_NaN(), inf = std::numeric_limits<float>::infinity();
  const struct {
    const char* what;
    std::int32_t points, offset, lines, length;
    float speed, df;
    std::int32_t array_points, array_length;
    bool done;
  } cases[] = {
      {"no points", 0, 1, 3, 8, kSpeed, kDf, 2, 8, true},
      {"negative points", -2, 1, 3, 8, kSpeed, kDf, 2, 8, true},
      {"no lines", 2, 1, 0, 8, kSpeed, kDf, 2, 8, true},
      {"negative offset", 2, -1, 3, 8, kSpeed, kDf, 2, 8, false},
      {"one line too many", 2, 1, 7, 8, kSpeed, kDf, 2, 8, false},
      {"offset at the 32-bit limit", 2, 2147483647, 1, 8, kSpeed, kDf, 2, 8, false},
      {"transform longer than the array", 2, 0, 2, 16, kSpeed, kDf, 2, 8, false},
      {"more points than the array", 3, 0, 2, 8, kSpeed, kDf, 2, 8, false},
      {"no array", 1, 0, 2, 8, kSpeed, kDf, 0, 0, false},
      {"zero speed", 2, 0, 2, 8, 0.0f, kDf, 2, 8, false},
      {"negative speed", 2, 0, 2, 8, -kSpeed, kDf, 2, 8, false},
      {"undefined speed", 2, 0, 2, 8, nan, kDf, 2, 8, false},
      {"infinite speed", 2, 0, 2, 8, inf, kDf, 2, 8, false},
      {"zero frequency step", 2, 0, 2, 8, kSpeed, 0.0f, 2, 8, false},
      {"negative frequency step", 2, 0, 2, 8, kSpeed, -kDf, 2, 8, false},
      {"undefined frequency step", 2, 0, 2, 8, kSpeed, nan, 2, 8, false},
      {"infinite frequency step", 2, 0, 2, 8, kSpeed, inf, 2, 8, false},
      {"lowest frequency below the range", 4, 0, 2, 8, kSpeed, std::numeric_limits<float>::denorm_min(), 4, 8,
       false},
  };
  for (const auto& cs : cases) {
    for (const std::int32_t seed_in : {0, 12345}) {
      Array3<Complex> c = untouched_array(cs.array_points, cs.array_length);
      std::int32_t seed = seed_in;
      EXPECT_EQ(build_vertical_wind_coefficients(seed, cs.points, kHeight, cs.speed, kUstar, 0.0f, cs.offset,
                                                 cs.lines, cs.length, cs.df, kDx, c),
                cs.done)
          << cs.what;
      EXPECT_EQ(seed, cs.done && seed_in == 0 ? 671071 : seed_in) << cs.what;
      for (std::size_t i = 0; i < c.size(); ++i) ASSERT_EQ(c.data()[i], kUntouched) << cs.what << " element " << i;
    }
  }
}

// With K = 1 and the field's own grid, the coefficients are those of the
// turbulent wind field: the inverse transform of every (j, m) column, its real
// parts summed over m in order, gives the untapered field bit for bit; the
// vertical field continues the seed that the along-wind call hands back.
TEST(WindSpectralCoefficients, ColumnsTransformedAndSummedGiveTheTurbulentWindField) {
  test::TestContext t;
  WindParameters& w = t->wind;
  w.mean_wind_speed = kSpeed;
  w.roughness_length = 0.05f;
  w.height_offset = 1.0f;
  w.reference_height = kHeight;
  w.wind_point_count = 3;
  w.wind_field_length = 24.0f;
  w.cutoff_frequency = 2.0f;
  w.wind_duration = 8.0f;  // 32 samples of 0.25 s, 15 lines
  w.smoothing_distance = -100.0f;
  w.smoothing_time = -100.0f;
  generate_turbulent_wind_field(*t);
  const WindField& field = t->wind_field;
  const std::int32_t n = field.wind_sample_count, p = 3;
  ASSERT_EQ(n, 32);
  const std::int32_t lines = static_cast<std::int32_t>(w.cutoff_frequency / field.wind_frequency_step - 1.0f);
  ASSERT_EQ(lines, 15);

  std::int32_t seed = 0;
  for (const bool vertical : {false, true}) {
    Array3<Complex> c(p, p, n);
    const Builder build = vertical ? build_vertical_wind_coefficients : build_along_wind_coefficients;
    ASSERT_TRUE(build(seed, p, kHeight, kSpeed, field.friction_velocity, 0.0f, 1, lines, n,
                      field.wind_frequency_step, field.wind_point_spacing, c));
    const Array2<float>& expected = vertical ? field.vertical_wind_turbulence : field.along_wind_turbulence;
    std::vector<Complex> column(n), history(n);
    for (std::int32_t j = 1; j <= p; ++j) {
      std::vector<float> sum(n, 0.0f);
      for (std::int32_t m = 1; m <= j; ++m) {
        for (std::int32_t b = 1; b <= n; ++b) column[b - 1] = c(j, m, b);
        compute_inverse_fft(column.data(), history.data(), n);
        for (std::int32_t s = 0; s < n; ++s)
          sum[s] = static_cast<float>(static_cast<double>(sum[s]) + history[s].real());
      }
      for (std::int32_t s = 1; s <= n; ++s) ASSERT_EQ(sum[s - 1], expected(s, j)) << vertical << " " << s << "," << j;
    }
  }
}

TEST(WindSpectralCoefficients, LogLawSpeed) {
  float speed = -1.0f;
  compute_log_law_speed(0.05f, 1.0f, 10.0f, speed);
  EXPECT_NEAR(speed, std::log(200.0) / 0.4, 2e-6 * 13.25);
  compute_log_law_speed(0.05f, 2.0f, 10.0f, speed);
  EXPECT_NEAR(speed, 2.0 * std::log(200.0) / 0.4, 4e-6 * 13.25);
}

}  // namespace
}  // namespace tb
