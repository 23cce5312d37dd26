#include "results/filtered_result_copy.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "series_reader.h"
#include "test_support.h"

namespace tb {
namespace {

constexpr double kPi = 3.14159265358979323846;

std::vector<float> filtered(float dt, float cutoff, const std::vector<float>& x, int channels = 1) {
  std::vector<float> y(x.size(), -99.0f);
  const auto n = static_cast<std::int32_t>(x.size()) / channels;
  apply_lowpass_filter(dt, cutoff, x.data(), y.data(), n, channels);
  return y;
}

// 10 ms samples and a 20 Hz cut-off: a ratio of 0.4 to the Nyquist frequency.
// Three channels filtered at once: a constant (zero frequency), a sinusoid at
// the cut-off and an alternation (the Nyquist frequency).
TEST(FilteredResultCopy, TheFilterPassesZeroFrequencyHalvesThePowerAtItsCornerAndStopsNyquist) {
  const int n = 400;
  std::vector<float> x(3 * n);
  for (int i = 0; i < n; ++i) {
    x[i] = 3.0f;
    x[n + i] = static_cast<float>(std::sin(2.0 * kPi * 20.0 * 0.01 * i));
    x[2 * n + i] = i % 2 == 0 ? 1.0f : -1.0f;
  }
  const std::vector<float> y = filtered(0.01f, 20.0f, x, 3);
  // The first two samples of every channel pass unchanged.
  for (int c = 0; c < 3; ++c) {
    EXPECT_EQ(y[c * n], x[c * n]);
    EXPECT_EQ(y[c * n + 1], x[c * n + 1]);
  }
  for (int i = 0; i < n; ++i) EXPECT_NEAR(y[i], 3.0f, 1e-5f) << i;
  // Amplitude of the sinusoid's steady state over the last 300 samples (60
  // whole periods).
  double s = 0.0;
  double c = 0.0;
  for (int i = 100; i < n; ++i) {
    s += y[n + i] * std::sin(2.0 * kPi * 0.2 * i);
    c += y[n + i] * std::cos(2.0 * kPi * 0.2 * i);
  }
  EXPECT_NEAR(std::hypot(s, c) * 2.0 / 300.0, std::sqrt(0.5), 0.03);
  for (int i = 100; i < n; ++i) EXPECT_NEAR(y[2 * n + i], 0.0f, 1e-5f) << i;
}

TEST(FilteredResultCopy, RatiosOutsideTheFilteredRangeCopyEverySample) {
  std::vector<float> x;
  for (int i = 0; i < 12; ++i) x.push_back(static_cast<float>(std::sin(0.7 * i) + 0.1 * i));
  // With a time step of 0.5 s the ratio is the cut-off itself.
  struct Case {
    float dt, cutoff;
    bool copied;
  };
  const Case cases[] = {
      {0.5f, 0.1f, false},
      {0.5f, 0.9f, false},
      {0.5f, std::nextafter(0.1f, 0.0f), true},
      {0.5f, std::nextafter(0.9f, 1.0f), true},
      {0.01f, 50.0f, true},  // ratio 1
      {0.0f, 20.0f, true},   // no time step
      {std::numeric_limits<float>::quiet_NaN(), 20.0f, true},
  };
  for (const Case& c : cases) {
    const std::vector<float> y = filtered(c.dt, c.cutoff, x);
    if (c.copied) {
      EXPECT_EQ(y, x) << c.dt << " " << c.cutoff;
    } else {
      EXPECT_EQ(y[0], x[0]);
      EXPECT_EQ(y[1], x[1]);
      EXPECT_NE(y[5], x[5]) << c.cutoff;
    }
  }
  // One or two samples pass unchanged.
  EXPECT_EQ(filtered(0.01f, 20.0f, {4.0f}), std::vector<float>{4.0f});
  EXPECT_EQ(filtered(0.01f, 20.0f, {4.0f, 5.0f}), (std::vector<float>{4.0f, 5.0f}));
}

// Copies a source file onto a target that held a longer file before; the
// target's path.
std::filesystem::path copy_into(test::TestContext& t, const std::vector<float>& source, float cutoff) {
  RunContext& ctx = *t;
  test::write_floats(t.dir / "source.bin", source);
  test::write_floats(t.dir / "target.bin", std::vector<float>(200, 7.0f));
  EXPECT_EQ(ctx.units.open(18, "source.bin", OpenMode::old, UnitForm::binary), 0);
  EXPECT_EQ(ctx.units.open(22, "target.bin", OpenMode::old, UnitForm::binary), 0);
  filter_results_file(ctx, 18, 22, cutoff);
  ctx.units.close(22);
  return t.dir / "target.bin";
}

// Stage 1: 10 ms, five records of two channels, filtered at 20 Hz (ratio
// 0.4). Stage 2: 0.5 s (ratio 40, copied), four records announced and three
// in the file.
TEST(FilteredResultCopy, CopiesEveryStageWithItsHeadersAndLabelsAndFilteredRecords) {
  std::vector<float> one(10), two(6);
  for (int i = 0; i < 10; ++i) one[i] = static_cast<float>(std::cos(1.3 * i) + i);
  for (int i = 0; i < 6; ++i) two[i] = static_cast<float>(i * i);
  std::vector<float> source{2.0f, 0.01f, 5.0f, 2.0f, 11.0f, 2.0f, 12.0f, 3.0f};
  for (int r = 0; r < 5; ++r) source.insert(source.end(), {one[r], one[5 + r]});
  source.insert(source.end(), {0.5f, 4.0f, 2.0f, 11.0f, 2.0f, 12.0f, 3.0f});
  for (int r = 0; r < 3; ++r) source.insert(source.end(), {two[r], two[3 + r]});

  test::TestContext t;
  const test::SeriesFile target = test::decode_series(copy_into(t, source, 20.0f));
  ASSERT_EQ(target.values.size(), source.size());
  EXPECT_EQ(target.stage_count, 2.0f);
  ASSERT_EQ(target.blocks.size(), 2u);
  const test::SeriesBlock& b1 = target.blocks[0];
  EXPECT_EQ(b1.interval, 0.01f);
  EXPECT_EQ(b1.record_count, 5.0f);
  EXPECT_EQ(b1.labels, (std::vector<float>{11.0f, 2.0f, 12.0f, 3.0f}));
  const std::vector<float> y = filtered(0.01f, 20.0f, one, 2);
  ASSERT_EQ(b1.records.size(), 5u);
  for (int r = 0; r < 5; ++r) EXPECT_EQ(b1.records[r], (std::vector<float>{y[r], y[5 + r]})) << r;
  EXPECT_NE(y[4], one[4]);
  // The second stage keeps its header as read and the records that were
  // there, unchanged.
  const test::SeriesBlock& b2 = target.blocks[1];
  EXPECT_EQ(b2.record_count, 4.0f);
  EXPECT_EQ(std::vector<float>(source.end() - 13, source.end()),
            std::vector<float>(target.values.end() - 13, target.values.end()));
}

TEST(FilteredResultCopy, TheCopyEndsWhereTheSourceRunsOutOfHeaders) {
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const std::vector<float> block{0.5f, 1.0f, 1.0f, 4.0f, 2.0f, 9.0f};
  auto with = [&](std::vector<float> head, std::vector<float> tail = {}) {
    head.insert(head.end(), block.begin(), block.end());
    head.insert(head.end(), tail.begin(), tail.end());
    return head;
  };
  struct Case {
    const char* what;
    std::vector<float> source, target;
  };
  const Case cases[] = {
      {"empty source", {}, {0.0f}},
      {"no stage", {0.0f}, {0.0f}},
      {"no stage count", {nan}, {nan}},
      {"fewer blocks than stages", with({3.0f}), with({3.0f})},
      {"stage header cut short", with({2.0f}, {0.5f, 1.0f}), with({2.0f})},
      {"label record cut short", with({2.0f}, {0.5f, 1.0f, 2.0f, 4.0f, 2.0f, 5.0f}), with({2.0f})},
      {"record count no number", with({2.0f}, {0.5f, nan, 0.0f}), with({2.0f})},
  };
  for (const Case& c : cases) {
    test::TestContext t;
    const std::vector<float> copy = test::read_floats(copy_into(t, c.source, 20.0f));
    ASSERT_EQ(copy.size(), c.target.size()) << c.what;
    EXPECT_EQ(std::memcmp(copy.data(), c.target.data(), 4 * copy.size()), 0) << c.what;
  }
}

}  // namespace
}  // namespace tb
