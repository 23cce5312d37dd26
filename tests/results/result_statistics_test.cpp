#include "results/result_statistics.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "series_reader.h"
#include "test_support.h"

namespace tb {
namespace {

struct Statistics {
  std::vector<float> mean, maximum, minimum, extreme, std_dev, upper, lower;
};

Statistics statistics_of(const std::vector<float>& series, int n) {
  const int count = static_cast<int>(series.size()) / std::max(n, 1);
  Statistics s;
  for (auto* v : {&s.mean, &s.maximum, &s.minimum, &s.extreme, &s.std_dev, &s.upper, &s.lower})
    v->assign(static_cast<std::size_t>(count), -99.0f);
  compute_series_statistics(series.data(), n, count, s.mean.data(), s.maximum.data(), s.minimum.data(),
                            s.extreme.data(), s.std_dev.data(), s.upper.data(), s.lower.data());
  return s;
}

// Five channels of seven values each. A constant channel has no active
// window and reports zeros, and the channels after it still report theirs.
TEST(ResultStatistics, SevenStatisticsOverTheActiveWindowOfEachChannel) {
  const std::vector<float> series{
      0, 0, 0, 1, 2, 2, 2,   // window records 3 to 5: 0, 1, 2
      5, 5, 5, 5, 5, 5, 5,   // constant: no window
      -3, 1, 1, 1, 1, 1, 1,  // window -3, 1
      -2, 2, 2, 2, 2, 2, 2,  // window -2, 2: a tie goes to the maximum
      0, 0, 0, 0, 0, 0, 0,   // zero: the whole series, all statistics 0
  };
  const Statistics s = statistics_of(series, 7);
  const float root8 = std::sqrt(8.0f);
  // mean, extreme, std_dev, maximum, minimum, upper, lower of each channel
  const float expected[5][7] = {
      {1, 2, 1, 2, 0, 4, -2},
      {0, 0, 0, 0, 0, 0, 0},
      {-1, -3, root8, 1, -3, -1 + 3 * root8, -1 - 3 * root8},
      {0, 2, std::sqrt(8.0f), 2, -2, 3 * root8, -3 * root8},
      {0, 0, 0, 0, 0, 0, 0},
  };
  for (int j = 0; j < 5; ++j) {
    const float got[7] = {s.mean[j], s.extreme[j], s.std_dev[j], s.maximum[j], s.minimum[j], s.upper[j], s.lower[j]};
    for (int k = 0; k < 7; ++k) EXPECT_FLOAT_EQ(got[k], expected[j][k]) << "channel " << j + 1 << " statistic " << k;
  }
  // Fewer than two values: no window.
  const Statistics one = statistics_of({0.0f, 4.0f}, 1);
  EXPECT_EQ(one.mean, (std::vector<float>{0.0f, 0.0f}));
  EXPECT_EQ(one.maximum, (std::vector<float>{0.0f, 0.0f}));
}

TEST(ResultStatistics, CorrelationWithTheIrregularityOverItsWindow) {
  // Pairs of three values: (irregularity, response).
  const std::vector<float> irregularity{1, 1, 1, 0, 1, 0, 0, 1, 0, 0, 1, 0, 0, 0, 0};
  const std::vector<float> response{3, 1, 2, 0, 2, 0, 0, -1, 0, 0, 0, 0, 1, 2, 3};
  const std::vector<float> expected{0, 1, -1, 0, 0};
  std::vector<float> coefficient(5, -99.0f);
  correlate_with_irregularity(irregularity.data(), response.data(), 3, 5, coefficient.data());
  EXPECT_EQ(coefficient, expected);
  std::vector<float> twin(5, -99.0f);
  correlate_with_irregularity_twin(irregularity.data(), response.data(), 3, 5, twin.data());
  EXPECT_EQ(twin, expected);
}

// The report of a file read on the given unit, in the context t (a report
// keeps its title in the context for the next one).
std::string report_of(test::TestContext& t, std::int32_t unit, const std::vector<float>& file) {
  RunContext& ctx = *t;
  test::write_floats(t.dir / "series.bin", file);
  EXPECT_EQ(ctx.units.open(unit, "series.bin", OpenMode::old, UnitForm::binary), 0);
  EXPECT_EQ(ctx.units.open(60, "report.txt", OpenMode::unknown, UnitForm::text), 0);
  report_result_statistics(ctx, unit, 60);
  ctx.units.close(unit);
  ctx.units.close(60);
  return test::read_file(t.dir / "report.txt");
}

std::string report_of(std::int32_t unit, const std::vector<float>& file) {
  test::TestContext t;
  return report_of(t, unit, file);
}

const std::string kRule = "  " + std::string(75, '=') + "\n";

std::string title_line(const std::string& text) {
  return std::string(21, ' ') + text + std::string(79 - text.size(), ' ') + "\n";
}

// The wheelset irregularity file: seven channels of three records, one group
// of five (irregularities 1 and 2, response 3 paired with 1, responses 4 and
// 5 with 2) and two channels after it, the first of them constant.
TEST(ResultStatistics, TheIrregularityFileReportsStatisticsAndCorrelations) {
  const std::vector<std::vector<float>> columns{
      {0, 1, 0}, {0, 2, 0}, {0, 2, 0}, {0, -1, 0}, {0, 0, 0}, {1, 1, 1}, {1, 3, 2}};
  std::vector<float> file{1.0f, 0.01f, 3.0f, 7.0f};
  const float nodes[7] = {11, 11, 11, 11, 11, 12, 12};
  const float codes[7] = {2, 3, 2, 3, 5, 2, 3};
  for (int c = 0; c < 7; ++c) file.insert(file.end(), {nodes[c], codes[c]});
  for (int r = 0; r < 3; ++r)
    for (int c = 0; c < 7; ++c) file.push_back(columns[c][r]);

  const std::string z = "   0.000E+00";
  const std::string expected =
      kRule + title_line("Track Irregularity/Wheelset Displacements") +
      " Node Number:\n"
      "          11          11          11          11          11          12          12\n"
      " Degree of Freedom Number:\n"
      "           2           3           2           3           5           2           3\n"
      " Speed Stage 1/ 1\n"
      " Mean value:\n"
      "   0.333E+00   0.667E+00   0.667E+00  -0.333E+00" + z + z + "   0.200E+01\n"
      " Max absolute value:\n"
      "   0.100E+01   0.200E+01   0.200E+01  -0.100E+01" + z + z + "   0.300E+01\n"
      " Variance:\n"
      "   0.577E+00   0.115E+01   0.115E+01   0.577E+00" + z + z + "   0.100E+01\n"
      " Max value:\n"
      "   0.100E+01   0.200E+01   0.200E+01" + z + z + z + "   0.300E+01\n"
      " Min value:\n" +
      z + z + z + "  -0.100E+01" + z + z + "   0.100E+01\n"
      " Maxvalue_Statistic:\n"
      "   0.207E+01   0.413E+01   0.413E+01   0.140E+01" + z + z + "   0.500E+01\n"
      " Minvalue_Statistic:\n"
      "  -0.140E+01  -0.280E+01  -0.280E+01  -0.207E+01" + z + z + "  -0.100E+01\n"
      " Correlation Coefficient with respect to corresponding track irregularity:\n"
      "   0.100E+01   0.100E+01   0.100E+01  -0.100E+01" + z + z + z + "\n"
      "\n\n\n";
  EXPECT_EQ(report_of(24, file), expected);
}

// One channel, node 3, code 2, of the bridge displacement file.
const std::string kBridgeHead = kRule + title_line("Bridge Displacements") +
                                " Node Number:\n           3\n Degree of Freedom Number:\n           2\n";

// The stage part of the report for the series 0, 1, 0.
std::string stage_part(const std::string& stage_line) {
  return stage_line +
         "\n Mean value:\n   0.333E+00\n Max absolute value:\n   0.100E+01\n Variance:\n   0.577E+00\n"
         " Max value:\n   0.100E+01\n Min value:\n   0.000E+00\n Maxvalue_Statistic:\n   0.207E+01\n"
         " Minvalue_Statistic:\n  -0.140E+01\n\n";
}

TEST(ResultStatistics, TheReportEndsWhereTheFileRunsOutOfStages) {
  auto block = [](std::vector<float> head, float records, std::vector<float> values) {
    head.insert(head.end(), {0.01f, records, 1.0f, 3.0f, 2.0f});
    head.insert(head.end(), values.begin(), values.end());
    return head;
  };
  struct Case {
    const char* what;
    std::vector<float> file;
    std::string expected;
  };
  const Case cases[] = {
      {"one stage", block({1}, 3, {0, 1, 0}), kBridgeHead + stage_part(" Speed Stage 1/ 1") + "\n\n"},
      {"records cut short", block({1}, 5, {0, 1, 0}), kBridgeHead + stage_part(" Speed Stage 1/ 1") + "\n\n"},
      {"fewer blocks than stages", block({2}, 3, {0, 1, 0}), kBridgeHead + stage_part(" Speed Stage 1/ 2")},
      {"more than 99 stages", block({100}, 3, {0, 1, 0}), kBridgeHead + stage_part(" Speed Stage 1/**")},
      {"no stage", {0}, "\n\n"},
      {"empty file", {}, ""},
      {"label record cut short", {1, 0.01f, 3, 1, 3}, ""},
  };
  for (const Case& c : cases) EXPECT_EQ(report_of(12, c.file), c.expected) << c.what;
}

// A unit without a title of its own repeats the title of the previous call;
// before any, the title is blank.
TEST(ResultStatistics, AUnitWithoutATitleRepeatsThePreviousOne) {
  const std::vector<float> file{1, 0.01f, 0, 0};
  auto title_of = [](const std::string& report) { return report.substr(kRule.size(), 101); };
  test::TestContext t;
  EXPECT_EQ(title_of(report_of(t, 77, file)), std::string(100, ' ') + "\n");
  EXPECT_EQ(title_of(report_of(t, 22, file)),
            title_line("Wheelset Derailment Factors/Wheelset Lateral Contact forces Filtered"));
  EXPECT_EQ(title_of(report_of(t, 77, file)),
            title_line("Wheelset Derailment Factors/Wheelset Lateral Contact forces Filtered"));
}

}  // namespace
}  // namespace tb
