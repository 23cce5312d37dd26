#include "results/sperling_report.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "platform/format.h"
#include "series_reader.h"
#include "test_support.h"

namespace tb {
namespace {

constexpr double kPi = 3.14159265358979323846;

// A*cos(2 pi k0 i / 256), i = 0..n-1: every window of 256 samples holds k0
// whole periods, so its spectrum has the single amplitude A at line k0 (and
// its mirror at 256 - k0).
std::vector<float> cosine(double amplitude, int k0, int n = 300) {
  std::vector<float> x(static_cast<std::size_t>(n));
  for (int i = 0; i < n; ++i) x[i] = static_cast<float>(amplitude * std::cos(2.0 * kPi * k0 * i / 256.0));
  return x;
}

double sperling(double sum) { return std::pow(sum, 0.1) * 0.896 * 3.981072; }

float index_of(const std::vector<float>& x, float dt, int unweighted, int direction) {
  float index = -1.0f;
  compute_sperling_index(x.data(), static_cast<std::int32_t>(x.size()), dt, unweighted, direction, index);
  return index;
}

// Sampled every 5 ms, the transform takes 256 samples, line k lies at
// k / (257 * 0.005) Hz and the lines below 50 Hz are k = 1..63.
TEST(SperlingIndex, APeriodicCosineGivesTheIndexOfItsSingleLine) {
  const double a = 0.8;
  struct Case {
    int k0, unweighted, direction;
    double weight;  // F at the line's frequency f
  };
  auto f_of = [](int k0) { return k0 / (257 * 0.005); };
  const Case cases[] = {
      {8, 1, 0, 1.0},                                        // unweighted
      {8, 0, 7, 1.0},                                        // a code without weighting
      {4, 0, 0, 0.325 * f_of(4) * f_of(4)},                  // vertical, 3.1 Hz
      {8, 0, 0, 400.0 / (f_of(8) * f_of(8))},                // vertical, 6.2 Hz
      {40, 0, 0, 1.0},                                       // vertical, 31 Hz
      {4, 0, 1, 0.8 * f_of(4) * f_of(4)},                    // lateral, 3.1 Hz
      {8, 0, 1, 650.0 / (f_of(8) * f_of(8))},                // lateral, 6.2 Hz
  };
  for (const Case& c : cases) {
    const double f = f_of(c.k0);
    const double expected = sperling(a * a * a * c.weight / f);
    EXPECT_NEAR(index_of(cosine(a, c.k0), 0.005f, c.unweighted, c.direction), expected, 2e-6 * expected)
        << "k0 " << c.k0 << " direction " << c.direction;
  }
  // Lateral lines above 26 Hz weigh 0: only the transform's rounding noise
  // on the other lines is left.
  EXPECT_LT(index_of(cosine(a, 40), 0.005f, 0, 1), 0.02 * sperling(a * a * a / f_of(40)));
  // Sampled every 50 ms the 50 Hz limit lies beyond the last spectral line:
  // the sum takes lines 1..255, the line and its mirror at 248.
  const double expected = sperling(a * a * a * (257 * 0.05 / 8 + 257 * 0.05 / 248));
  EXPECT_NEAR(index_of(cosine(a, 8), 0.05f, 1, 0), expected, 2e-6 * expected);
}

// Sixteen active samples from sample 2: the transform takes samples 1 to 16,
// -10 and fifteen times 5, whose lines 1..15 all have |X| = 15, amplitude
// 15/16 * 2. Sampled every 10 ms: lines k = 1..7 at k / 0.17 Hz. The samples
// 2 to 17 alone, a constant, would give 0.
TEST(SperlingIndex, AnActivePartOfAPowerOfTwoIsTransformedFromTheSampleBeforeIt) {
  std::vector<float> x(20, 0.0f);
  x[0] = -10.0f;
  for (int i = 1; i <= 16; ++i) x[i] = 5.0f;
  const double a = 15.0 / 16.0 * 2.0;
  const double harmonic = 1.0 + 1.0 / 2 + 1.0 / 3 + 1.0 / 4 + 1.0 / 5 + 1.0 / 6 + 1.0 / 7;
  const double expected = sperling(a * a * a * 0.17 * harmonic);
  EXPECT_NEAR(index_of(x, 0.01f, 1, 0), expected, 2e-6 * expected);
}

TEST(SperlingIndex, SeriesWithoutAWindowOfSixteenOrWithoutLinesGiveZero) {
  // Positive throughout: every sample is active.
  std::vector<float> wave16;
  for (int i = 0; i < 17; ++i) wave16.push_back(static_cast<float>(1.0 + 0.5 * std::cos(2.0 * kPi * i / 16.0)));
  std::vector<float> negative = cosine(0.5, 8);
  for (float& v : negative) v -= 1.0f;
  struct Case {
    const char* what;
    std::vector<float> x;
    float dt;
    bool zero;
  };
  const Case cases[] = {
      {"15 active samples", std::vector<float>(wave16.begin(), wave16.end() - 2), 0.02f, true},
      {"17 active samples", wave16, 0.02f, false},
      {"zero throughout", std::vector<float>(300, 0.0f), 0.005f, true},
      {"negative throughout", negative, 0.005f, true},
      {"no line below 50 Hz", cosine(1.0, 8), 1.0e-4f, true},
      {"no samples", {}, 0.005f, true},
      {"no sample spacing", cosine(1.0, 8), 0.0f, true},
      {"undefined sample spacing", cosine(1.0, 8), std::numeric_limits<float>::quiet_NaN(), true},
  };
  for (const Case& c : cases) {
    const float index = index_of(c.x, c.dt, 1, 0);
    if (c.zero)
      EXPECT_EQ(index, 0.0f) << c.what;
    else
      EXPECT_GT(index, 0.0f) << c.what;
  }
}

std::string report_of(test::TestContext& t, const std::vector<float>& file) {
  test::write_floats(t.dir / "acc.bin", file);
  RunContext& ctx = *t;
  EXPECT_EQ(ctx.units.open(15, "acc.bin", OpenMode::old, UnitForm::binary), 0);
  EXPECT_EQ(ctx.units.open(60, "report.txt", OpenMode::unknown, UnitForm::text), 0);
  report_sperling_index(ctx, 15, 60);
  ctx.units.close(60);
  return test::read_file(t.dir / "report.txt");
}

const std::string kRule = "  " + std::string(75, '=') + "\n";
const std::string kTitle = std::string(21, ' ') + "Vehicle Sperling Indexs" + std::string(56, ' ') + "\n";
const std::string kZero = "   0.000E+00";

// Twelve channels: the same cosine under codes 1 (unweighted), 2 (vertical)
// and 3 (lateral), then nine channels of zeros. The run header counts three
// stages; the file holds two blocks, the second without records.
TEST(SperlingReport, ReportsEveryStageBlockOfTheFile) {
  const std::vector<float> wave = cosine(0.8, 8);
  std::vector<float> file{3.0f, 0.005f, 300.0f, 12.0f};
  const float nodes[12] = {5, 5, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14};
  const float codes[12] = {1, 2, 3, 2, 2, 2, 2, 2, 2, 2, 2, 2};
  for (int c = 0; c < 12; ++c) file.insert(file.end(), {nodes[c], codes[c]});
  for (float v : wave) {
    file.insert(file.end(), {v, v, v});
    file.insert(file.end(), 9, 0.0f);
  }
  file.insert(file.end(), {0.005f, 0.0f, 12.0f});
  for (int c = 0; c < 12; ++c) file.insert(file.end(), {nodes[c], codes[c]});

  test::TestContext t;
  const std::string report = report_of(t, file);

  std::string indices;
  for (int direction : {-1, 0, 1}) indices += format_exponent(index_of(wave, 0.005f, 0, direction), 12, 3);
  const std::string zeros7 = kZero + kZero + kZero + kZero + kZero + kZero + kZero;
  const std::string expected =
      kRule + kTitle + " Node Number:\n" +
      "           5           5           5           6           7           8           9          10"
      "          11          12\n"
      "          13          14\n"
      " Degree of Freedom Number:\n"
      "           1           2           3           2           2           2           2           2"
      "           2           2\n"
      "           2           2\n"
      " Speed Stage 1/ 3\n Sperling Index:\n" +
      indices + zeros7 + "\n" + kZero + kZero + "\n\n" +
      " Speed Stage 2/ 3\n Sperling Index:\n" + zeros7 + kZero + kZero + kZero + "\n" + kZero + kZero + "\n\n" +
      "\n\n";
  EXPECT_EQ(report, expected);
  // The three weightings differ.
  EXPECT_NE(indices.substr(0, 12), indices.substr(12, 12));
  EXPECT_NE(indices.substr(12, 12), indices.substr(24, 12));
}

TEST(SperlingReport, AFileEndsTheReportWhereItsStageBlocksRunOut) {
  struct Case {
    const char* what;
    std::vector<float> file;
    std::string expected;
  };
  const Case cases[] = {
      {"empty file", {}, "\n\n"},
      {"no stage", {0.0f}, "\n\n"},
      {"no stage count", {std::numeric_limits<float>::quiet_NaN()}, "\n\n"},
      {"stage header cut short", {2.0f, 0.005f, 3.0f}, "\n\n"},
      {"label record cut short", {1.0f, 0.005f, 3.0f, 2.0f, 1.0f, 2.0f, 1.0f}, "\n\n"},
      {"more than 99 stages, no channel",
       {100.0f, 0.005f, 0.0f, 0.0f},
       kRule + kTitle + " Node Number:\n\n Degree of Freedom Number:\n\n Speed Stage 1/**\n Sperling Index:\n\n\n\n\n"},
  };
  for (const Case& c : cases) {
    test::TestContext t;
    EXPECT_EQ(report_of(t, c.file), c.expected) << c.what;
  }
}

}  // namespace
}  // namespace tb
