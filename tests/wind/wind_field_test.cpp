#include "wind/wind_field.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "numerics/fft.h"
#include "test_support.h"

namespace tb {
namespace {

struct FieldInput {
  float mean_speed = 20.0f;
  float roughness = 0.05f;
  float offset = 0.0f;
  float height = 20.0f;
  std::int32_t points = 8;
  float length = 80.0f;
  float cutoff = 4.0f;
  float duration = 8192.0f;
  float smoothing_distance = -1000.0f;  // no taper
  float smoothing_time = -1000.0f;
};

void set_field_parameters(RunContext& c, const FieldInput& in) {
  WindParameters& w = c.wind;
  w.mean_wind_speed = in.mean_speed;
  w.roughness_length = in.roughness;
  w.height_offset = in.offset;
  w.reference_height = in.height;
  w.wind_point_count = in.points;
  w.wind_field_length = in.length;
  w.cutoff_frequency = in.cutoff;
  w.wind_duration = in.duration;
  w.smoothing_distance = in.smoothing_distance;
  w.smoothing_time = in.smoothing_time;
}

TEST(WindFieldGrid, SampleCountIsThePowerOfTwoNearestOnALogScale) {
  const struct {
    float cutoff, duration;
    std::int32_t samples;
    float duration_after, frequency_step;
    std::int32_t lines;
  } cases[] = {
      {2.0f, 100.0f, 512, 128.0f, 0.0078125f, 255},
      {2.0f, 0.75f, 4, 1.0f, 1.0f, 1},      // T/dt = 3
      {2.0f, 0.725f, 2, 0.5f, 2.0f, 0},     // T/dt = 2.9: nT = 2
      {2.0f, 0.2f, 0, 0.0f, 0.0f, 0},       // below one step: no samples
      {2.0f, 0.0f, 0, 0.0f, 0.0f, 0},
      {2.0f, -5.0f, 0, 0.0f, 0.0f, 0},
  };
  for (const auto& cs : cases) {
    WindParameters w;
    w.cutoff_frequency = cs.cutoff;
    w.wind_duration = cs.duration;
    w.wind_point_count = 4;
    w.wind_field_length = 40.0f;
    const WindFieldGrid g = plan_wind_field_grid(w);
    EXPECT_TRUE(g.fits_int32);
    EXPECT_EQ(g.time_step, 0.25f);
    EXPECT_EQ(g.point_spacing, 10.0f);
    EXPECT_EQ(g.sample_count, cs.samples) << cs.duration;
    EXPECT_EQ(g.duration, cs.duration_after) << cs.duration;
    EXPECT_EQ(g.frequency_step, cs.frequency_step) << cs.duration;
    EXPECT_EQ(g.line_count, cs.lines) << cs.duration;
  }
  WindParameters w;
  w.cutoff_frequency = 2.0f;
  w.wind_point_count = 1;
  w.wind_duration = 4.5e8f;  // 2^31 samples
  EXPECT_FALSE(plan_wind_field_grid(w).fits_int32);
  w.wind_duration = 2.0e8f;  // 2^30 samples
  EXPECT_TRUE(plan_wind_field_grid(w).fits_int32);
  EXPECT_EQ(plan_wind_field_grid(w).sample_count, 1 << 30);
}

TEST(WindField, RandomPhasesFollowTheCongruentialSequence) {
  std::int32_t seed = 0;
  float phases[6] = {};
  generate_random_phases(seed, phases, 2, 3);
  std::int64_t state = 671071;
  for (int r = 0; r < 6; ++r) {
    state = (125 * state) % 2796203;
    EXPECT_EQ(phases[r], (static_cast<float>(state) / 2796203.0f) * 6.283185f) << r;
    EXPECT_GT(phases[r], 0.0f);
    EXPECT_LT(phases[r], 6.2831855f);
  }
  EXPECT_EQ(seed, state);
  // The next call continues the sequence; no lines draw nothing.
  generate_random_phases(seed, phases, 1, 1);
  EXPECT_EQ(seed, (125 * state) % 2796203);
  const std::int32_t kept = seed;
  generate_random_phases(seed, phases, 3, 0);
  EXPECT_EQ(seed, kept);
}

// One-sided spectra of the atmospheric turbulence in the form of the field,
// S(f) = A u*^2 (z/U) / (1 + B x^a)^b with x = z f / U, evaluated in double.
double spectrum(bool vertical, double f, const FieldInput& in) {
  const double a = vertical ? 285.53 : 15.021, b = vertical ? 41.1 : 21.5;
  const double ea = vertical ? 1.0 / 0.99 : 10.0 / 7.0, eb = vertical ? 1.65 : 7.0 / 6.0;
  const double ustar = 0.4 * in.mean_speed / std::log((in.height - in.offset + in.roughness / 0.4) / in.roughness);
  const double x = in.height * f / in.mean_speed;
  return a * ustar * ustar * (in.height / in.mean_speed) / std::pow(1.0 + b * std::pow(x, ea), eb);
}

// Discrete Fourier transform of the history of point j.
std::vector<Complex> transform_of(const Array2<float>& field, std::int32_t j) {
  const std::int32_t n = field.extent(1);
  std::vector<Complex> in(n), out(n);
  for (std::int32_t t = 1; t <= n; ++t) in[t - 1] = field(t, j);
  compute_forward_fft(in.data(), out.data(), n);
  return out;
}

// The field of 8 points 10 m apart over 65536 samples of 0.125 s; line l of
// the simulation lies on frequency bin l + 2 (bin b at frequency b df).
class SimulatedField : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    t_ = new test::TestContext;
    set_field_parameters(**t_, FieldInput{});
    generate_turbulent_wind_field(**t_);
  }
  static void TearDownTestSuite() {
    delete t_;
    t_ = nullptr;
  }
  static const WindField& field() { return (*t_)->wind_field; }
  static test::TestContext* t_;
};
test::TestContext* SimulatedField::t_ = nullptr;

TEST_F(SimulatedField, PeriodogramFollowsTheSpectrum) {
  const FieldInput in;
  const WindField& w = field();
  const std::int32_t n = w.wind_sample_count;
  ASSERT_EQ(n, 65536);
  const double df = w.wind_frequency_step;
  EXPECT_NEAR(w.friction_velocity, 0.4 * 20.0 / std::log((20.0 + 0.125) / 0.05), 1e-6);
  for (const bool vertical : {false, true}) {
    const Array2<float>& u = vertical ? w.vertical_wind_turbulence : w.along_wind_turbulence;
    // Point 1 is a sum of cosines of fixed amplitude sqrt(2 S df): its
    // periodogram 2 |X|^2 / (N^2 df) gives the spectrum line by line, at the
    // line's frequency shifted by 1/8 of a line.
    const std::vector<Complex> x1 = transform_of(u, 1);
    for (std::int32_t b = 2; b < n / 2 - 1; b += 97) {
      const double estimate = 2.0 * std::norm(x1[b]) / (double(n) * n * df);
      const double expected = spectrum(vertical, (b - 2 + 0.125) * df, in);
      EXPECT_NEAR(estimate / expected, 1.0, 2e-3) << vertical << " bin " << b;
    }
    EXPECT_LT(std::norm(x1[1]), 1e-6 * std::norm(x1[2]));  // no line at bin 1
    // Point 8 mixes the random phases of all points: averaged over bands of
    // 1024 bins its periodogram is the spectrum within the scatter of the
    // record (at most 1/sqrt(1024) of the mean per band).
    const std::vector<Complex> x8 = transform_of(u, 8);
    for (std::int32_t first = 64; first + 1024 <= n / 2 - 1; first += 1024 * 4) {
      double estimate = 0.0, expected = 0.0;
      for (std::int32_t b = first; b < first + 1024; ++b) {
        estimate += 2.0 * std::norm(x8[b]) / (double(n) * n * df);
        expected += spectrum(vertical, (b - 2 + 0.5) * df, in);
      }
      EXPECT_NEAR(estimate / expected, 1.0, 4.0 / 32.0) << vertical << " band from bin " << first;
    }
  }
}

// Points d apart are correlated, frequency by frequency, by gamma^d with
// gamma = exp(-7 dx f / U); the co-coherence estimated over bands of 1024
// bins matches it within the scatter (1 - gamma^2d) / sqrt(1024).
TEST_F(SimulatedField, CoherenceOfTwoPointsDecaysWithDistanceAndFrequency) {
  const WindField& w = field();
  const double df = w.wind_frequency_step;
  const FieldInput in;
  for (const bool vertical : {false, true}) {
    const Array2<float>& u = vertical ? w.vertical_wind_turbulence : w.along_wind_turbulence;
    for (const auto& [j, m] : {std::pair{4, 5}, std::pair{3, 5}}) {
      const std::vector<Complex> xa = transform_of(u, j), xb = transform_of(u, m);
      for (std::int32_t first = 16; first < 8192; first += 1024) {
        Complex cross = 0.0;
        double auto_a = 0.0, auto_b = 0.0, weighted = 0.0, weight = 0.0;
        for (std::int32_t b = first; b < first + 1024; ++b) {
          cross += xa[b] * std::conj(xb[b]);
          auto_a += std::norm(xa[b]);
          auto_b += std::norm(xb[b]);
          const double f = (b - 2 + 0.5) * df;
          const double s = spectrum(vertical, f, in);
          weighted += s * std::pow(std::exp(-7.0 * 10.0 * f / in.mean_speed), m - j);
          weight += s;
        }
        const double coherence = cross.real() / std::sqrt(auto_a * auto_b);
        const double expected = weighted / weight;
        EXPECT_NEAR(coherence, expected, 4.0 * (1.0 - expected * expected) / 32.0 + 0.01)
            << vertical << " points " << j << "," << m << " band from bin " << first;
        EXPECT_NEAR(cross.imag() / std::sqrt(auto_a * auto_b), 0.0, 4.0 / 32.0);
      }
    }
  }
}

TEST(WindField, TaperIsARaisedCosineAtBothCornersAndStaysInsideTheField) {
  FieldInput in;
  in.points = 4;
  in.length = 40.0f;
  in.cutoff = 2.0f;
  in.duration = 8.0f;  // 32 samples of 0.25 s
  test::TestContext a, again, tapered;
  set_field_parameters(*a, in);
  set_field_parameters(*again, in);
  generate_turbulent_wind_field(*a);
  generate_turbulent_wind_field(*again);
  const WindField& wa = a->wind_field;
  ASSERT_EQ(wa.wind_sample_count, 32);
  for (auto f : {&WindField::along_wind_turbulence, &WindField::vertical_wind_turbulence}) {
    const Array2<float>& x = wa.*f;
    const Array2<float>& y = again->wind_field.*f;
    ASSERT_EQ(x.size(), y.size());
    for (std::size_t i = 0; i < x.size(); ++i) ASSERT_EQ(x.data()[i], y.data()[i]);  // bit-identical runs
  }

  // Ls = 0 tapers only points 1 and P (factor 1), over nt = 4 samples.
  in.smoothing_distance = 0.0f;
  in.smoothing_time = 0.75f;
  set_field_parameters(*tapered, in);
  generate_turbulent_wind_field(*tapered);
  const WindField& wt = tapered->wind_field;
  for (auto f : {&WindField::along_wind_turbulence, &WindField::vertical_wind_turbulence}) {
    const Array2<float>& x = wa.*f;
    const Array2<float>& y = wt.*f;
    for (std::int32_t j = 1; j <= 4; ++j)
      for (std::int32_t i = 1; i <= 32; ++i) {
        float expected = x(i, j);
        const bool head = j == 1 && i <= 4, tail = j == 4 && i >= 29;
        if (head || tail) {
          const std::int32_t k = head ? i : 33 - i;
          const float g = 1.0f - std::cos(1.5707964f / 1.0f);
          const float h = 1.0f - std::cos(static_cast<float>(k) * 1.5707964f / 4.0f);
          expected = (expected * g) * h;
        }
        EXPECT_EQ(y(i, j), expected) << i << "," << j;
      }
  }

  // Taper ranges beyond the field (no samples, one point, lengths longer
  // than the field) touch nothing outside it; two samples carry no line.
  const struct {
    std::int32_t points;
    float duration, smoothing_distance, smoothing_time;
    std::int32_t samples;
  } beyond[] = {{1, 0.1f, 0.0f, 0.0f, 0}, {1, 8.0f, 400.0f, 80.0f, 32}, {3, 0.5f, 400.0f, 80.0f, 2}};
  for (const auto& cs : beyond) {
    test::TestContext t;
    in.points = cs.points;
    in.duration = cs.duration;
    in.smoothing_distance = cs.smoothing_distance;
    in.smoothing_time = cs.smoothing_time;
    set_field_parameters(*t, in);
    generate_turbulent_wind_field(*t);
    const WindField& w = t->wind_field;
    EXPECT_EQ(w.wind_sample_count, cs.samples);
    EXPECT_EQ(w.along_wind_turbulence.extent(2), cs.points);
    if (cs.samples == 2) {
      for (std::size_t i = 0; i < w.along_wind_turbulence.size(); ++i)
        EXPECT_EQ(w.along_wind_turbulence.data()[i], 0.0f);
    }
  }
}

TEST(WindField, AFieldThatTakesLongSaysHowFarItIsAndTheFieldStaysTheSame) {
  // 30 points: 930 transformed columns. A clock that moves a second at every
  // reading makes the generation take minutes; one that stands still makes
  // it short.
  FieldInput in;
  in.points = 30;
  in.length = 300.0f;
  in.cutoff = 2.0f;
  in.duration = 8.0f;
  test::TestContext slow, quick;
  double t = 0.0;
  slow->console.set_time_source([&] { return t += 1.0; });
  quick->console.set_time_source([] { return 0.0; });
  set_field_parameters(*slow, in);
  set_field_parameters(*quick, in);
  generate_turbulent_wind_field(*slow);
  generate_turbulent_wind_field(*quick);

  EXPECT_EQ(quick.console(), "");
  const std::regex line(
      R"( Turbulent wind field: (along-wind|vertical) turbulence, point ([0-9]+) of 30; ([0-9]+) % done in .+, about .+ to go\.)");
  std::istringstream lines(slow.console());
  int count = 0, share = 0;
  bool vertical = false;
  for (std::string l; std::getline(lines, l); ++count) {
    std::smatch m;
    ASSERT_TRUE(std::regex_match(l, m, line)) << l;
    EXPECT_GE(std::stoi(m[3]), share) << l;  // the share done grows
    share = std::stoi(m[3]);
    EXPECT_FALSE(vertical && m[1] == "along-wind") << l;  // the along-wind field comes first
    vertical = m[1] == "vertical";
    EXPECT_LE(std::stoi(m[2]), 30);
  }
  EXPECT_GE(count, 10);
  EXPECT_TRUE(vertical);
  EXPECT_GE(share, 90);

  for (auto f : {&WindField::along_wind_turbulence, &WindField::vertical_wind_turbulence}) {
    const Array2<float>& x = slow->wind_field.*f;
    const Array2<float>& y = quick->wind_field.*f;
    ASSERT_EQ(x.size(), y.size());
    for (std::size_t i = 0; i < x.size(); ++i) ASSERT_EQ(x.data()[i], y.data()[i]);
  }
}

}  // namespace
}  // namespace tb
