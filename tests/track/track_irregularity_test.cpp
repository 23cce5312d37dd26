#include "track/track_irregularity.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <utility>
#include <vector>

#include "input/read_errors.h"
#include "numerics/fft.h"
#include "platform/texts.h"
#include "test_support.h"
#include "track/irregularity_psd.h"
#include "track/irregularity_synthesis.h"

namespace tb {
namespace {

// A context with "Irregularity.dat" holding the given text, open on its unit.
struct IrregularityFile {
  test::TestContext t;
  explicit IrregularityFile(const std::string& content) {
    test::write_file(t.dir / "Irregularity.dat", content);
    t->units.open(t->control.unit_irregularity, "Irregularity.dat", OpenMode::unknown, UnitForm::text);
  }
  void generate() {
    TrackIrregularity& irr = t->irregularity;
    generate_track_irregularity(*t, irr.irregularity_spectrum_code, irr.irregularity_seed, irr.min_wavelength,
                                irr.max_wavelength, irr.irregularity_length, irr.irregularity_spacing,
                                t->control.unit_irregularity);
  }
  // Where the run opens its result files, the generated profile is stored.
  void store() { store_generated_irregularity(*t); }
  std::string file() { return test::read_file(t.dir / "Irregularity.dat"); }
};

std::string parameter_file(const std::string& record2, const std::string& ramp = "0",
                           const std::string& scales = "1 1 1") {
  return "source,code,seed,...\n" + record2 + "\nramp\n" + ramp + "\nscales\n" + scales + "\n";
}

std::size_t count_of(const std::string& s, const std::string& what) {
  std::size_t n = 0;
  for (std::size_t p = s.find(what); p != std::string::npos; p = s.find(what, p + 1)) ++n;
  return n;
}

// The line that says which profile a run takes when it reads a stored one.
std::string stored_profile_line(const std::string& samples) {
  return " Track irregularity: the stored profile of Irregularity.dat (source flag 0, " + samples +
         "); set the flag to 1 to generate a new one.\n";
}

TEST(IrregularitySampleCount, SmallestPowerOfTwoAboveTheSampleCount) {
  const struct {
    float length, spacing;
    std::int32_t n;
  } cases[] = {{1000.0f, 0.25f, 4096}, {1024.0f, 0.25f, 8192}, {1.0f, 1.0f, 2},      {0.5f, 1.0f, 0},
               {0.0f, 1.0f, 0},        {-5.0f, 1.0f, 0},       {1.0E30f, 1.0E-5f, 0}, {3.0E9f, 1.0f, 0}};
  for (const auto& c : cases) EXPECT_EQ(irregularity_sample_count(c.length, c.spacing), c.n) << c.length;
}

TEST(IrregularitySampleCount, TheStoredLengthOfAGeneratedProfileReadsBackAsItsCount) {
  for (float spacing : {0.25f, 0.0125f, 0.0275f, 0.925f, 1.0f / 3.0f})
    for (int p = 1; p <= 29; ++p) {
      const std::int32_t n = std::int32_t{1} << p;
      const float length = stored_irregularity_length(n, spacing);
      EXPECT_EQ(irregularity_sample_count(length, spacing), n) << spacing << " " << p;
      EXPECT_GE(length, static_cast<float>(n / 2 + n / 4) * spacing);
    }
  EXPECT_EQ(stored_irregularity_length(2048, 0.5f), 1023.5f);
}

TEST(IrregularityPhases, GeneratorSequenceRestartAndWrap) {
  std::int32_t state = 0;
  float value = 0.0f;
  EXPECT_EQ(next_random_number(state, value), value);
  EXPECT_EQ(state, 2793988);
  EXPECT_NEAR(value, 0.9992f, 1e-4f);
  next_random_number(state, value);
  EXPECT_EQ(state, 2519328);
  next_random_number(state, value);
  EXPECT_EQ(state, 1741264);
  // 125 times the state wraps in 32 bits; the remainder keeps the sign.
  state = 20000000;
  next_random_number(state, value);
  EXPECT_EQ(state, static_cast<std::int32_t>(2500000000u) % 2796203);
  EXPECT_LT(state, 0);
  EXPECT_LT(value, 0.0f);
}

// The published densities, evaluated in double precision.
double reference_density(std::int32_t code, int kind, double f) {
  const double two_pi = 6.283185f;
  const double w = two_pi * f;
  switch (code) {
    case 3: {  // class 3
      const double av = 6.816E-5, aa = 4.128E-5, ws = 0.852, wc = 0.8245;
      if (kind == 3) return av * wc * wc / (wc * wc + w * w) / (w * w + ws * ws) * 0.5;
      return 0.25 * (kind == 1 ? av : aa) * wc * wc / (w * w) / (w * w + wc * wc) * 0.5;
    }
    case 7: {  // two corners, low irregularity
      const double wc = 0.8246, wr = 0.0206, ws = 0.438, av = 4.032E-7, aa = 2.119E-7;
      if (kind == 3) return av * wc * wc * w * w / (wc * wc + w * w) / (wr * wr + w * w) / (w * w + ws * ws) * 0.5;
      return (kind == 1 ? av : aa) * wc * wc / (wc * wc + w * w) / (w * w + wr * wr);
    }
    case 9: {  // rational fits
      const double c[5][7] = {{0.1270, -2.1531, 1.5503, 4.9835, 1.3891, -0.0327, 0.0018},
                              {0.3326, -1.3757, 0.5497, 2.4907, 0.4057, 0.0858, -0.0014},
                              {0.0627, -1.1840, 0.6773, 2.1237, -0.0847, 0.0340, -0.0005},
                              {0.1595, -1.3853, 0.6671, 2.3331, 0.2561, 0.0928, -0.0016},
                              {0.3328, -1.3511, 0.5415, 1.8437, 0.3813, 0.2068, -0.0003}};
      auto r = [&](int s) {
        const double* a = c[s];
        return a[0] * (f * f + a[1] * f + a[2]) /
               (std::pow(f, 4) + a[3] * std::pow(f, 3) + a[4] * f * f + a[5] * f + a[6]);
      };
      const double s = kind == 3 ? 0.5 * r(4)
                                 : 0.5 * std::pow((std::sqrt(r(2 * kind - 2)) + std::sqrt(r(2 * kind - 1))) * 0.5, 2);
      return s * 1.0E-6 / two_pi;
    }
    case 11: {  // piecewise power law
      const double a[3][4] = {{1.0544E-5, 3.5588E-3, 1.9784E-2, 3.9488E-4}, {3.9513E-3, 1.1047E-2, 7.5633E-4, 0},
                              {3.6148E-3, 4.3685E-2, 4.5867E-3, 0}};
      const double k[3][4] = {
          {3.3891, 1.9271, 1.3643, 3.4516}, {1.8670, 1.5354, 2.8171, 0}, {1.7278, 1.0461, 2.0939, 0}};
      const double b[3][3] = {{0.0187, 0.0474, 0.1533}, {0.0450, 0.1234, 1e30}, {0.0258, 0.1163, 1e30}};
      int seg = 0;
      while (seg < 3 && f > b[kind - 1][seg]) ++seg;
      return a[kind - 1][seg] / std::pow(f, k[kind - 1][seg]) * 0.5 * 1.0E-6 / two_pi * 5.3038087;
    }
    case 401:
      return (w <= 1.0 ? 5.0E-6 / (w * w) : 5.0E-6 * std::pow(w, -1.5)) * 0.5;
    case 601:
      return std::pow(f, -3.15) * 0.018 * 1.0E-6 / two_pi;
    case 701:
      return 5.0E-8 / (f * f * f + 0.042875) / two_pi * 0.5;
    case 801:
      return 1.6E-5 / std::pow(f / 0.1, 2) / two_pi * 0.5;
  }
  return 0.0;
}

// Band-level densities of the lines f(1..nf): sixth-octave bands, a new band
// at the first line and at each line that enters a new odd band.
std::vector<double> reference_band_levels(const std::vector<float>& f, double df) {
  const double two_pi = 6.283185f;
  std::vector<double> s(f.size());
  int index = 0;
  double fc = 0, fr = 0, sum = 0;
  for (std::size_t j = 0; j < f.size(); ++j) {
    const int band = static_cast<int>(std::log(f[j]) / 0.6931472 * 6.0 + 1.0);
    if (j == 0 || (band != index && band % 2 != 0)) {
      index = band;
      fc = std::pow(2.0, band / 6.0);
      fr = f[j];
      const int nb = static_cast<int>((std::pow(2.0, 1.0 / 6) - std::pow(2.0, -1.0 / 6)) * fc / df);
      sum = 0;
      for (int i = 0; i <= nb; ++i) sum += std::pow(fr / (fr + i * df), 1.8451);
    }
    const double level = fc <= 100 ? 18.451 * std::log10(1 / fc) + 27.202 : -9.7;
    const double p = std::pow(10.0, level / 20) * 1.0E-6;
    s[j] = std::pow(fr / f[j], 1.8451) * p * p / sum / df / two_pi * 0.5;
  }
  return s;
}

TEST(TrackIrregularity, EachGeneratedLineHasTheAmplitudeOfItsSpectrum) {
  // Wavelengths 1 to 100 m over 1000 m: spacing 0.25 m, 4096 samples, lines
  // on the bins 11 to 1024 (df = 1/1024 per metre).
  const std::int32_t n = 4096, k0 = 10, nf = 1014;
  const double df = 1.0 / 1024.0;
  for (std::int32_t code : {3, 7, 9, 11, 401, 501, 601, 701, 801}) {
    IrregularityFile f(parameter_file("1 " + std::to_string(code) + " 0 1.0 100.0 1000.0 0.5 0"));
    f.generate();
    const TrackIrregularity& irr = f.t->irregularity;
    ASSERT_EQ(irr.irregularity_profile.extent(1), n);
    EXPECT_EQ(irr.irregularity_spacing, 0.25f);
    EXPECT_EQ(irr.irregularity_length, 1024.0f);
    // The rational fits of code 9 turn negative below 0.0151 (vertical) and
    // 0.0164 cycles/m (alignment): the generation says how long its longest
    // waves are.
    const std::string shortened =
        code != 9 ? ""
                  : " Irregularity: spectrum 9 has no power at the longest wavelengths asked for (100.0 m); the "
                    "longest wavelength generated is 64.0 m (vertical profile), 60.2 m (alignment).\n";
    EXPECT_EQ(f.t.console(), " \tGenerating Track Irregularity......\n" + shortened);

    std::vector<float> freq(nf);
    freq[0] = static_cast<float>(k0 + 1) * static_cast<float>(df);
    for (int j = 1; j < nf; ++j) freq[j] = freq[j - 1] + static_cast<float>(df);
    std::int32_t state = 0;
    float value = 0.0f;
    for (int kind = 1; kind <= 3; ++kind) {
      std::vector<Complex> x(n), y(n);
      for (int i = 0; i < n; ++i) x[i] = irr.irregularity_profile(i + 1, kind + 1);
      compute_forward_fft(x.data(), y.data(), n);
      const std::vector<double> bands = reference_band_levels(freq, df);
      std::vector<double> expected(n, 0.0);
      double largest = 0.0;
      for (int j = 1; j <= nf; ++j) {
        const double s = code == 501 ? bands[j - 1] : reference_density(code, kind, freq[j - 1]);
        // A fit below zero carries no power.
        const double a = s > 0 ? n * std::sqrt(s * 6.283185f * df) : 0.0;
        expected[k0 + j] = expected[n - k0 - j] = a;
        largest = std::max(largest, a);
      }
      ASSERT_GT(largest, 0.0);
      for (int p = 0; p < n; ++p)
        ASSERT_NEAR(std::abs(y[p]), expected[p], 2e-4 * expected[p] + 1e-6 * largest)
            << "code " << code << " kind " << kind << " bin " << p;
      // The phase of the first line of each kind is the next number of the
      // generator started at the seed (0 restarts at 671071); the rational
      // fits have no power on their first lines.
      next_random_number(state, value);
      const double phase = std::arg(y[k0 + 1]);
      if (expected[k0 + 1] > 0.0) {
        EXPECT_NEAR(std::remainder(phase - value * 6.283185f, 2 * M_PI), 0.0, 1e-3) << code << " " << kind;
      }
      for (int j = 1; j < nf; ++j) next_random_number(state, value);
    }
  }
}

TEST(TrackIrregularity, ASpectrumWithoutPowerAtTheLongWavesAskedForSaysHowLongItsLongestWavesAre) {
  // Code 9 turns negative below 0.0151 cycles/m in the vertical profile,
  // 0.0164 in the alignment and 0.00145 in the cross level: wavelengths up to
  // 5000 m (lines 1/2048 per metre apart, from the first) or 200 m are asked
  // for, and each kind's longest wave lies on the first line above its
  // limit. Up to 50 m, and with a spectrum that has power down to the
  // longest line, nothing is said.
  struct Case {
    const char* record;
    std::vector<std::pair<const char*, double>> named;  // kind, limit (cycles/m)
  };
  const Case cases[] = {
      {"1 9 3 1.0 5000.0 2000.0 0.25 0",
       {{"vertical profile", 0.0151}, {"alignment", 0.0164}, {"cross level", 0.00145}}},
      {"1 9 3 1.0 200.0 2000.0 0.25 0", {{"vertical profile", 0.0151}, {"alignment", 0.0164}}},
      {"1 9 3 1.0 50.0 2000.0 0.25 0", {}},
      {"1 7 3 1.0 5000.0 2000.0 0.25 0", {}},
  };
  const double df = 1.0 / 2048.0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.record);
    IrregularityFile f(parameter_file(c.record));
    f.generate();
    const std::string out = f.t.console();
    const std::string head = " \tGenerating Track Irregularity......\n";
    ASSERT_EQ(out.substr(0, head.size()), head);
    if (c.named.empty()) {
      EXPECT_EQ(out, head);
      continue;
    }
    const std::string line = out.substr(head.size());
    EXPECT_EQ(std::count(line.begin(), line.end(), '\n'), 1);
    EXPECT_EQ(line.rfind(" Irregularity: spectrum 9 has no power at the longest wavelengths asked for (", 0), 0u)
        << line;
    // "<wavelength> m (<kind>)" for each kind named, in order, and no other.
    std::size_t at = 0;
    for (const auto& [kind, limit] : c.named) {
      const std::size_t k = line.find(std::string(" m (") + kind + ")", at);
      ASSERT_NE(k, std::string::npos) << kind;
      const double wavelength = std::stod(line.substr(line.rfind(' ', k - 1) + 1));
      EXPECT_GT(1.0 / wavelength, limit - 2e-4) << kind;
      EXPECT_LT(1.0 / wavelength, limit + df + 2e-4) << kind;
      at = k;
    }
    EXPECT_EQ(count_of(line, " m ("), c.named.size());
  }
}

TEST(TrackIrregularity, PowerLawSegmentsMeetAtTheirBreakpoints) {
  // The spectrum of ballastless track is continuous; a coefficient ten times
  // too small in the last vertical segment would break it at 0.1533.
  const float two_pi = 6.283185f;
  const struct {
    IrregularityKind kind;
    float at;
  } breaks[] = {{IrregularityKind::vertical_profile, 0.0187f}, {IrregularityKind::vertical_profile, 0.0474f},
                {IrregularityKind::vertical_profile, 0.1533f}, {IrregularityKind::alignment, 0.0450f},
                {IrregularityKind::alignment, 0.1234f},        {IrregularityKind::cross_level, 0.0258f},
                {IrregularityKind::cross_level, 0.1163f}};
  for (const auto& b : breaks) {
    const float f[2] = {b.at * 0.9999f, b.at * 1.0001f};
    float s[2];
    evaluate_irregularity_spectrum(11, b.kind, f, 2, 1.0f, two_pi, s);
    EXPECT_NEAR(s[1] / s[0], 1.0f, 0.02f) << b.at;
  }
}

TEST(TrackIrregularity, AGeneratedProfileReadsBackExactlyInTheNextRun) {
  // Spacing 0.0125 m (a three-decimal file would hold 0.013), a filter at four
  // spacings, scale factors and a ramp that all must read back unchanged.
  const std::string request = parameter_file("1 11 1234567890 0.05 10.0 20.0 0.1 0.05", "7.3", "2.1 0.7 1.3");
  IrregularityFile first(request);
  first.generate();
  const TrackIrregularity& a = first.t->irregularity;
  ASSERT_EQ(a.irregularity_profile.extent(1), 2048);
  EXPECT_EQ(first.file(), request);  // stored only once the run starts
  first.store();
  const std::string stored = first.file();
  EXPECT_EQ(std::count(stored.begin(), stored.end(), '\n'), 2048 + 7);
  EXPECT_FALSE(first.t->units.is_open(first.t->control.unit_irregularity));

  IrregularityFile second(stored);
  second.generate();
  const TrackIrregularity& b = second.t->irregularity;
  EXPECT_EQ(second.t.console(), stored_profile_line("2048 samples"));  // the stored profile, not a new one
  EXPECT_EQ(b.irregularity_spectrum_code, 11);
  EXPECT_EQ(b.irregularity_seed, 1234567890);
  EXPECT_EQ(b.min_wavelength, a.min_wavelength);
  EXPECT_EQ(b.max_wavelength, a.max_wavelength);
  EXPECT_EQ(b.irregularity_length, a.irregularity_length);
  EXPECT_EQ(b.irregularity_spacing, 0.0125f);
  EXPECT_EQ(b.irregularity_ramp_length, 7.3f);
  EXPECT_EQ(b.irregularity_scale(2), 0.7f);
  ASSERT_EQ(b.irregularity_profile.extent(1), 2048);
  EXPECT_TRUE(std::equal(a.irregularity_profile.span().begin(), a.irregularity_profile.span().end(),
                         b.irregularity_profile.span().begin()));
  second.store();
  EXPECT_EQ(second.file(), stored);  // read only
}

TEST(TrackIrregularity, AStoredProfileIsScaledPositionedAndMissingSamplesAreZero) {
  IrregularityFile f(parameter_file("0 0 0 0 0 3.0 1.0 0", "5", "2 3 -1") + "1 2 3\n4 5\n6\n");
  f.generate();
  const TrackIrregularity& irr = f.t->irregularity;
  EXPECT_EQ(irr.irregularity_length, 4.0f);  // int(3 / 1) = 3 gives 4 samples
  EXPECT_EQ(irr.irregularity_ramp_length, 5.0f);
  const Array2<float>& p = irr.irregularity_profile;
  ASSERT_EQ(p.extent(1), 4);
  const float expected[4][4] = {{0, 2, 6, -3}, {1, 8, 15, -6}, {2, 0, 0, 0}, {3, 0, 0, 0}};
  for (int i = 1; i <= 4; ++i)
    for (int c = 1; c <= 4; ++c) EXPECT_EQ(p(i, c), expected[i - 1][c - 1]) << i << "," << c;
  EXPECT_EQ(f.t.console(), stored_profile_line("4 samples, of which the file gives 2, the rest are 0"));
}

TEST(TrackIrregularity, WavelengthRangesWithoutLinesGenerateZeroProfiles) {
  for (const char* record : {"1 6 1 10.0 5.0 100.0 0.25 0",
                             "1 6 1 10.0 10.0 100.0 0.25 0", "1 6 1 1.0 1.0E-30 100.0 0.25 0",
                             "1 6 1 1.0 2.0E-38 100.0 0.25 0"}) {
    IrregularityFile f(parameter_file(record));
    f.generate();
    const Array2<float>& p = f.t->irregularity.irregularity_profile;
    ASSERT_GT(p.extent(1), 0);
    for (int c = 2; c <= 4; ++c)
      for (int i = 1; i <= p.extent(1); ++i) ASSERT_EQ(p(i, c), 0.0f) << record;
  }
}

TEST(IrregularitySynthesis, NoLineFallsOutsideTheSequence) {
  // 64 samples 1 m apart: bins of 1/64 per metre. Bands that begin below the
  // first bin or run beyond the last give the profile of the band cut to
  // positions 2 to 64; bands wholly beyond the sequence, or so far beyond that
  // their bin numbers overflow, give nothing. Position 1 (the mean) never
  // carries a line.
  const std::int32_t n = 64;
  const struct {
    const char* what;
    float min_wavelength, max_wavelength;
    float same_min, same_max;  // a band inside the sequence with the same lines; 0: none
  } cases[] = {
      {"band beyond the last bin", 0.1f, 32.0f, 64.0f / 63.5f, 32.0f},
      {"band below the first bin", 4.0f, -10.0f, 4.0f, 1.0E30f},
      {"band wholly beyond the sequence", 0.01f, 0.02f, 0.0f, 0.0f},
      {"tiny longest wavelength", 4.0f, 1.0E-30f, 0.0f, 0.0f},
      {"longest wavelength of infinite frequency", 4.0f, 1.0E-39f, 0.0f, 0.0f},
  };
  for (const auto& c : cases) {
    Array2<float> p(n, 4), same(n, 4);
    synthesise_irregularity_profiles(601, 7, c.min_wavelength, c.max_wavelength, 1.0f, 6.283185f, p);
    if (c.same_min > 0.0f)
      synthesise_irregularity_profiles(601, 7, c.same_min, c.same_max, 1.0f, 6.283185f, same);
    for (int col = 2; col <= 4; ++col) {
      float sum = 0.0f, largest = 0.0f;
      for (std::int32_t i = 1; i <= n; ++i) {
        ASSERT_TRUE(std::isfinite(p(i, col))) << c.what;
        ASSERT_EQ(p(i, col), same(i, col)) << c.what << " " << col << " " << i;
        sum += p(i, col);
        largest = std::max(largest, std::fabs(p(i, col)));
      }
      EXPECT_EQ(largest > 0.0f, c.same_min > 0.0f) << c.what;
      EXPECT_LE(std::fabs(sum), 1e-5f * static_cast<float>(n) * largest) << c.what << " " << col;
    }
  }
}

TEST(TrackIrregularity, InputErrorsStopBeforeTheFileIsRewritten) {
  const std::string file = "Irregularity.dat";
  const std::string too_few = " " + std::string(too_few_interpolation_points) + "\n";
  const struct {
    std::string content;
    std::string detail;
    std::string before = {};  // a console line before the data-error line
  } cases[] = {
      {"", file + ": the file is empty"},
      {"title only\n", file + " (record 2, source flag, spectrum code, seed, wavelengths, length, spacing, filter "
                              "wavelength): the file ends after line 1 before this record is complete"},
      {parameter_file("0 1 1 1 100 1000 0 0"), file + " (record 2): bad value spacing 0, must be above 0"},
      {parameter_file("0 1 1 1 100 1000 0.25 0", "0", "1 x 1"),
       file + " line 6 (record 6, scale factors): bad value \"x\", not a number"},
      {parameter_file("l 1 1 1 100 1000 0.25 0"),
       file + " line 2 (record 2, source flag, spectrum code, seed, wavelengths, length, spacing, filter "
              "wavelength): bad value \"l\", not a number"},
      {parameter_file("1 7 1 1 100 1000 0.25 0", "1O.0"),
       file + " line 4 (record 4, taper length): bad value \"1O.0\", not a number"},
      {parameter_file("0 1 1 1 100 4 1 0") + "0.1 0.2 0.3\n0.1 0.2 O.3\n",
       file + " line 8 (stored sample 2 of 8, as many as record 2's length over its spacing): bad value \"O.3\", not a "
              "number"},
      // Source flag 0 with no sample stored: none at all, or a first one cut
      // short.
      {parameter_file("0 1 1 1 100 3 1 0"),
       file + " (record 2, source flag): bad value 0 (the stored profile), but the file stores no sample after record "
              "6 (4 samples of three values expected); set the flag to 1 to generate a profile"},
      {parameter_file("0 1 1 1 100 3 1 0") + "\n0.001 0.002\n",
       file + " (record 2, source flag): bad value 0 (the stored profile), but the file stores no sample after record "
              "6 (4 samples of three values expected); set the flag to 1 to generate a profile"},
      {parameter_file("2 1 1 1 100 1000 0.25 0"),
       file + " (record 2): bad value source flag 2, must be 1 (generate) or 0 (the stored profile)"},
      {parameter_file("1 1 1 0 100 1000 0.25 0"),
       file + " (record 2): bad value shortest wavelength 0, must be above 0"},
      {parameter_file("1 1 1 1 -100 1000 0.25 0"),
       file + " (record 2): bad value longest wavelength -100, must be above 0"},
      {parameter_file("1 0 1 1 100 1000 0.25 0"),
       file + " (record 2): bad value spectrum code 0, must be 1 to 11, 401, 501, 601, 701 or 801"},
      {parameter_file("1 12 1 1 100 1000 0.25 0"),
       file + " (record 2): bad value spectrum code 12, must be 1 to 11, 401, 501, 601, 701 or 801"},
      {parameter_file("1 999 1 1 100 1000 0.25 0"),
       file + " (record 2): bad value spectrum code 999, must be 1 to 11, 401, 501, 601, 701 or 801"},
      // Lengths that give too few samples for the interpolation along the
      // track, or more than a power-of-two count of 32 bits, as the file
      // gives them.
      {parameter_file("0 1 1 1 100 100 100 0"),
       file + " (record 2): bad value length 100 m, must be at least 200 m, twice the spacing 100 m", too_few},
      {parameter_file("0 1 1 1 100 -64 0.25 0"),
       file + " (record 2): bad value length -64 m, must be at least 0.5 m, twice the spacing 0.25 m", too_few},
      {parameter_file("1 1 1 1 100 0.3 0.25 0"),
       file + " (record 2): bad value length 0.3 m, must be at least 0.5 m, twice the sample spacing 0.25 m, a quarter "
              "of the shortest wavelength",
       too_few},
      {parameter_file("0 1 1 1 100 1e9 0.25 0"),
       file + " (record 2): bad value length 1e+09 m, must be below 268435456 m, 2^30 times the spacing 0.25 m"},
      {parameter_file("1 1 1 1 100 1e9 100 0"),
       file + " (record 2): bad value length 1e+09 m, must be below 268435456 m, 2^30 times the sample spacing 0.25 "
              "m, a quarter of the shortest wavelength"},
  };
  for (const auto& c : cases) {
    IrregularityFile f(c.content);
    EXPECT_EQ(test::expect_stop([&] { f.generate(); }), 1) << c.content;
    EXPECT_EQ(f.t.console(), c.before + test::data_error_line("\\Irregularity.dat", c.detail)) << c.content;
    EXPECT_EQ(f.file(), c.content);
  }
}

TEST(LowpassFilter, ClearsTheBinsAboveTheCutOff) {
  const std::int32_t n = 64;
  std::vector<float> low(n), signal(n), out(n);
  for (int i = 0; i < n; ++i) {
    low[i] = std::cos(2.0f * static_cast<float>(M_PI) * 2.0f * i / n);
    signal[i] = low[i] + std::cos(2.0f * static_cast<float>(M_PI) * 20.0f * i / n);
  }
  // Cut-off at half the Nyquist frequency: the bins from n/4 on go.
  lowpass_filter_profile(1.0f, 0.25f, signal.data(), out.data(), n);
  for (int i = 0; i < n; ++i) EXPECT_NEAR(out[i], low[i], 1e-5f);
  // Ratios of 1 and above, or not above 0, copy the profile.
  for (float cutoff : {0.5f, 3.0f, 0.0f, -1.0f}) {
    lowpass_filter_profile(1.0f, cutoff, signal.data(), out.data(), n);
    EXPECT_EQ(out, signal) << cutoff;
  }
}

TEST(LowpassFilter, AFilterWavelengthFarAboveTheProfileKeepsTheClearedRangeInside) {
  // r of about 1E-9: the range would reach both ends; position n (the bin of
  // frequency -1) is the one left, so a cosine of one cycle keeps half its
  // amplitude.
  const std::int32_t n = 64;
  Array2<float> profile(n, 4);
  for (int i = 1; i <= n; ++i) profile(i, 2) = std::cos(2.0f * static_cast<float>(M_PI) * (i - 1) / n);
  Array2<float> before;
  before.assign_from(profile);
  lowpass_filter_profile_columns(profile, 1.0f, 1.0E9f);
  for (int i = 1; i <= n; ++i) EXPECT_NEAR(profile(i, 2), 0.5f * before(i, 2), 1e-6f);
}

}  // namespace
}  // namespace tb
