#include "run/input_helpers.h"

#include <gtest/gtest.h>

#include "platform/texts.h"
#include "run/run_control.h"
#include "test_support.h"

namespace tb {
namespace {

TEST(CheckReadStatus, StatusClasses) {
  // Every status that stops prints the label's line and then the line that
  // names the file, here a unit that was never opened: the label's file.
  struct Case {
    std::int32_t status;
    bool stops;
    bool node_message;
    const char* detail;
  };
  const Case cases[] = {{0, false, false, ""},
                        {100, false, false, ""},
                        {102, false, false, ""},
                        {9999, false, false, ""},
                        {-1, true, false, "Modal_Substructure_Bridge.dat: the file ends before this record"},
                        {-2, true, false, "Modal_Substructure_Bridge.dat: cannot be read (status -2)"},
                        {1, true, false, "Modal_Substructure_Bridge.dat: cannot be read (status 1)"},
                        {99, true, false, "Modal_Substructure_Bridge.dat: cannot be read (status 99)"},
                        {101, true, true, "Modal_Substructure_Bridge.dat: a node number outside the node list"}};
  for (const Case& c : cases) {
    test::TestContext t;
    const std::string label = "\\Modal_Substructure_Bridge.dat   ";
    const std::int32_t unit = t->control.unit_bridge_master;
    if (!c.stops) {
      check_read_status(*t, c.status, label, unit);
      EXPECT_EQ(t.console(), "") << c.status;
      continue;
    }
    EXPECT_EQ(test::expect_stop([&] { check_read_status(*t, c.status, label, unit); }), 1) << c.status;
    EXPECT_EQ(t.console(), c.node_message ? test::node_error_line("\\Modal_Substructure_Bridge.dat", c.detail)
                                          : test::data_error_line("\\Modal_Substructure_Bridge.dat", c.detail))
        << c.status;
  }
}

TEST(CheckReadStatus, BlankLabelPrintsNothingBetweenTheTexts) {
  test::TestContext t;
  test::expect_stop([&] { check_read_status(*t, -1, std::string(256, ' '), t->control.unit_bridge_master); });
  const std::string console = t.console();
  EXPECT_EQ(console.substr(0, console.find('\n') + 1),
            " " + std::string(text::error_prefix) + std::string(text::data_error) + "\n");
}

TEST(ResizeFromCounts, ATableBeyondTheMemoryStopsWithTheFileAndTheRecordOfItsCounts) {
  test::TestContext t;
  Array2<float> a;
  const CountSource source{"\\Rails_Location.dat", t->control.unit_rails_location, "header"};
  resize_from_counts(*t, source, a, 3, 4);
  EXPECT_EQ(a.size(), 12u);
  EXPECT_EQ(test::expect_stop([&] { resize_from_counts(*t, source, a, 2147483647, 2147483647); }), 1);
  const std::string first = test::data_error_line("\\Rails_Location.dat");
  EXPECT_EQ(t.console().rfind(first.substr(0, first.find('\n') + 1) +
                                  " Rails_Location.dat (header): counts that ask for a table of 2147483647 x "
                                  "2147483647 values (18446744056.5 GB), more than the ",
                              0),
            0u)
      << t.console();
  EXPECT_EQ(a.size(), 12u);  // left as it was
}

TEST(FindNodeIndex, FirstPositionOrZero) {
  const std::int32_t list[] = {5, 9, 12, 4, 8, 1, 12, 3};
  EXPECT_EQ(find_node_index(12, list, 8), 3);
  EXPECT_EQ(find_node_index(5, list, 8), 1);
  EXPECT_EQ(find_node_index(-7, list, 8), 0);
  EXPECT_EQ(find_node_index(5, nullptr, 0), 0);
  EXPECT_EQ(find_node_index(3, list, 7), 0);  // only the first n are looked at
}

ClockReading clock_at(int h, int m, int s, int ms) { return {2026, 12, 10, 60, h, m, s, ms}; }

TEST(EstimateRemainingTime, FromTheMeanStepTimeOfTheStageSoFar) {
  std::array<std::int32_t, 4> r{-9, -9, -9, -9};
  // Nothing done yet: no estimate.
  estimate_remaining_time(clock_at(10, 0, 0, 0), clock_at(10, 0, 0, 0), r, 0, 100);
  EXPECT_EQ(r, (std::array<std::int32_t, 4>{0, 0, 0, 0}));
  // 800 steps in 20 minutes: 1.5 s a step, 7200 steps left.
  estimate_remaining_time(clock_at(10, 0, 0, 0), clock_at(10, 20, 0, 0), r, 800, 8000);
  EXPECT_EQ(r, (std::array<std::int32_t, 4>{3, 0, 0, 0}));
  // The mean, not the last step: sixty steps of 1 s and then one of 62 s (a
  // pause) make 2 s a step.
  estimate_remaining_time(clock_at(10, 0, 0, 0), clock_at(10, 2, 2, 0), r, 61, 121);
  EXPECT_EQ(r, (std::array<std::int32_t, 4>{0, 2, 0, 0}));
  // Milliseconds of the remaining time in the fourth field.
  estimate_remaining_time(clock_at(10, 0, 0, 0), clock_at(10, 0, 0, 3), r, 2, 5);
  EXPECT_EQ(r, (std::array<std::int32_t, 4>{0, 0, 0, 4}));
  // Across midnight, and across days: the whole duration counts.
  const auto next_day = [](ClockReading c) {
    c[clock_field::day] += 1;
    return c;
  };
  estimate_remaining_time(clock_at(23, 59, 59, 950), next_day(clock_at(0, 0, 0, 50)), r, 1, 36001);
  EXPECT_EQ(r, (std::array<std::int32_t, 4>{1, 0, 0, 0}));
  estimate_remaining_time(clock_at(10, 0, 0, 0), next_day(clock_at(10, 0, 0, 0)), r, 1, 2);
  EXPECT_EQ(r, (std::array<std::int32_t, 4>{24, 0, 0, 0}));
  // Steps done beyond the total: no negative figures.
  estimate_remaining_time(clock_at(1, 0, 0, 0), clock_at(1, 0, 10, 0), r, 500, 100);
  EXPECT_EQ(r, (std::array<std::int32_t, 4>{0, 0, 0, 0}));
  // A slow stage of a huge run: the hours clamp to the integer range.
  estimate_remaining_time(clock_at(1, 0, 0, 0), clock_at(4, 0, 0, 0), r, 1, 2000000000);
  EXPECT_EQ(r[0], 2147483647);
}

TEST(ComputeElapsedTime, BorrowsAndMidnight) {
  EXPECT_EQ(compute_elapsed_time(clock_at(23, 59, 59, 900), clock_at(0, 0, 0, 100)),
            (std::array<std::int32_t, 4>{0, 0, 0, 200}));
  EXPECT_EQ(compute_elapsed_time(clock_at(10, 30, 0, 0), clock_at(11, 30, 0, 0)),
            (std::array<std::int32_t, 4>{1, 0, 0, 0}));  // 25 hours shows as 1 h too
  EXPECT_EQ(compute_elapsed_time(clock_at(10, 59, 58, 999), clock_at(12, 0, 0, 0)),
            (std::array<std::int32_t, 4>{1, 0, 1, 1}));
}

TEST(InputFileName, JoinsWithThePlatformSeparator) {
  RunControl rc;
  rc.input_path = "case\\dir   ";
  EXPECT_EQ(input_file_name(rc, "\\Rails_Location.dat"), "case/dir/Rails_Location.dat");
  rc.input_path = "  lead";
  EXPECT_EQ(input_file_name(rc, "\\a.dat"), "  lead/a.dat");
  rc.input_path = "";
  EXPECT_EQ(input_file_name(rc, "\\a.dat"), "a.dat");  // the working directory, not the root
}

TEST(RunControl, TwoPiIsTheFloatOfTheDecimal6283185) {
  EXPECT_EQ(std::bit_cast<std::uint32_t>(RunControl{}.two_pi), 0x40C90FDAu);
}

}  // namespace
}  // namespace tb
