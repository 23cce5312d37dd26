#include "wind/buffeting_parameters.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <utility>
#include <vector>

#include "input/train_input_fixture.h"
#include "test_support.h"

namespace tb {
namespace {

// One record per line. Section 1 is a square of side 2 about its centre,
// section 2 a triangle whose last panel ends away from the first panel's
// start; group 1 (section 1) runs over nodes 101..110 in row 1, group 2
// (section 2) over 111..113.
std::vector<std::string> base_lines() {
  return {
      "2 12",             // 0 sections, largest panel count
      "1",                // 1 section id
      "0 0",              // 2 reference point
      "4",                // 3 panels
      "-1 -1 1 -1",       // 4 panel 1: ends
      "2 2 1",            // 5          pressures, part code
      "1 -1 1 1",         // 6
      "2 2 2",            // 7
      "1 1 -1 1",         // 8
      "2 2 3",            // 9
      "-1 1 -1 -1",       // 10
      "2 2 0",            // 11
      "2",                // 12 section id
      "0.5 0",            // 13
      "3",                // 14
      "0 0 1 0",          // 15 length 1, pressure 0 to 6
      "0 6 1",            // 16
      "1 0 0 2",          // 17
      "1 1 2",            // 18
      "0 2 5 5",          // 19 ends away from panel 1's start
      "3 3 3",            // 20
      "2",                // 21 span groups
      "1",                // 22 group 1: section
      "4",                // 23          rows
      "101 201 301 401",  // 24          first nodes
      "110 299 399 499",  // 25          last nodes: only row 1 counts
      "2",                // 26 group 2
      "3",                // 27
      "111 211 311",      // 28
      "113 0 0",          // 29
  };
}

std::string join(const std::vector<std::string>& lines) {
  std::string s;
  for (const std::string& l : lines) s += l + "\n";
  return s;
}

// A bridge whose node list holds rows 1 to 4 of nodes 1..13 (numbers
// 100 r + k), listed backwards so that positions differ from numbers.
struct BuffetingInput {
  test::TestContext t;
  std::vector<std::int32_t> numbers;

  explicit BuffetingInput(const std::string& file) {
    for (int r = 4; r >= 1; --r)
      for (int k = 13; k >= 1; --k) numbers.push_back(100 * r + k);
    BridgeModalModel& b = t->bridge;
    b.bridge_node_count = static_cast<std::int32_t>(numbers.size());
    b.node_numbers.resize(b.bridge_node_count);
    for (std::size_t i = 0; i < numbers.size(); ++i) b.node_numbers(static_cast<std::int32_t>(i + 1)) = numbers[i];
    test::write_file(t.dir / "ParameterInput.dat", file);
  }
  std::int32_t position(std::int32_t number) const {
    for (std::size_t i = 0; i < numbers.size(); ++i)
      if (numbers[i] == number) return static_cast<std::int32_t>(i + 1);
    return 0;
  }
  void read_and_locate() {
    read_buffeting_wind_parameters(*t);
    locate_buffeting_wind_node(*t);
  }
};

TEST(BuffetingParameters, ReadsThePanelModelAndTheStationTable) {
  BuffetingInput in(join(base_lines()));
  read_buffeting_wind_parameters(*in.t);
  EXPECT_EQ(in.t.console(), "");
  EXPECT_TRUE(in.t->units.is_open(in.t->control.unit_parameter_input));
  const BuffetingWindData& b = in.t->buffeting;
  EXPECT_EQ(b.buffeting_read_status, 0);
  ASSERT_EQ(b.deck_section_count, 2);
  ASSERT_EQ(b.max_panel_count, 12);
  EXPECT_EQ(b.section_ids(2), 2);
  EXPECT_EQ(b.section_panel_count(1), 4);
  EXPECT_EQ(b.section_panel_count(2), 3);
  EXPECT_EQ(b.section_reference_x(2), 0.5f);
  EXPECT_EQ(b.panel_ends(3, 3, 1), -1.0f);
  EXPECT_EQ(b.panel_pressures(3, 3, 2), 3.0f);

  // Square: lengths 2, inward normals, arms about the centre, equal
  // pressures split in halves; the outline closes at panel 1's start.
  const float normal_x[] = {0.0f, -1.0f, 0.0f, 1.0f}, normal_y[] = {1.0f, 0.0f, -1.0f, 0.0f};
  const float arm_x[] = {-1.0f, 1.0f, 1.0f, -1.0f}, arm_y[] = {-1.0f, -1.0f, 1.0f, 1.0f};
  for (int j = 1; j <= 4; ++j) {
    EXPECT_EQ(b.panel_length(j, 1), 2.0f) << j;
    EXPECT_EQ(b.panel_normal_x(j, 1), normal_x[j - 1]) << j;
    EXPECT_EQ(b.panel_normal_y(j, 1), normal_y[j - 1]) << j;
    EXPECT_EQ(b.panel_start_arm_x(j, 1), arm_x[j - 1]) << j;
    EXPECT_EQ(b.panel_start_arm_y(j, 1), arm_y[j - 1]) << j;
    EXPECT_EQ(b.panel_end_arm_x(j, 1), arm_x[j % 4]) << j;
    EXPECT_EQ(b.panel_end_arm_y(j, 1), arm_y[j % 4]) << j;
    EXPECT_EQ(b.panel_start_load(j, 1), 2.0f) << j;
    EXPECT_EQ(b.panel_end_load(j, 1), 2.0f) << j;
  }
  // Triangle: pressures 0 to 6 over length 1 give L (2 p1 + p2)/6 = 1 and
  // L (p1 + 2 p2)/6 = 2; the last panel's end arm is panel 1's start arm.
  EXPECT_EQ(b.panel_start_load(1, 2), 1.0f);
  EXPECT_EQ(b.panel_end_load(1, 2), 2.0f);
  EXPECT_EQ(b.panel_start_arm_x(1, 2), -0.5f);
  const float root5 = std::sqrt(5.0f);
  EXPECT_EQ(b.panel_length(2, 2), root5);
  EXPECT_EQ(b.panel_normal_x(2, 2), -(2.0f / root5));
  EXPECT_EQ(b.panel_normal_y(2, 2), -1.0f / root5);
  EXPECT_EQ(b.panel_start_load(2, 2), 0.5f * root5);
  EXPECT_EQ(b.panel_length(3, 2), std::sqrt(34.0f));
  EXPECT_EQ(b.panel_end_arm_x(3, 2), -0.5f);
  EXPECT_EQ(b.panel_end_arm_y(3, 2), 0.0f);

  // Stations from row 1 of each group; every row runs on from its first node.
  ASSERT_EQ(b.span_group_count, 2);
  EXPECT_EQ(b.group_station_count(1), 10);
  EXPECT_EQ(b.group_station_count(2), 3);
  EXPECT_EQ(b.group_station_offset(2), 10);
  ASSERT_EQ(b.buffeting_station_count, 13);
  EXPECT_EQ(b.station_nodes.extent(1), 12);
  EXPECT_EQ(b.station_selfexcited_forces.extent(1), 72);
  EXPECT_EQ(b.station_selfexcited_forces.extent(2), 13);
  for (int k = 1; k <= 10; ++k)
    for (int r = 1; r <= 4; ++r) EXPECT_EQ(b.station_nodes(r, k), 100 * r + k) << r << " " << k;
  for (int k = 11; k <= 13; ++k)
    for (int r = 1; r <= 3; ++r) EXPECT_EQ(b.station_nodes(r, k), 100 * r + k) << r << " " << k;
  EXPECT_EQ(b.station_nodes(4, 11), 0);

  locate_buffeting_wind_node(*in.t);
  EXPECT_EQ(in.t.console(), "");
  for (int k = 1; k <= 13; ++k)
    for (int r = 1; r <= (k <= 10 ? 4 : 3); ++r)
      EXPECT_EQ(b.station_nodes(r, k), in.position(100 * r + k)) << r << " " << k;
}

// Stations of group 1 whose row-1 node also lies in group 2's row-1 range
// take group 2's section: only its three rows become node positions.
TEST(BuffetingParameters, TheLastGroupHoldingARowOneNodeSetsTheSection) {
  std::vector<std::string> lines = base_lines();
  lines[28] = "108 211 311";
  lines[29] = "110 0 0";
  BuffetingInput in(join(lines));
  in.read_and_locate();
  const BuffetingWindData& b = in.t->buffeting;
  EXPECT_EQ(b.station_nodes(4, 7), in.position(407));
  EXPECT_EQ(b.station_nodes(4, 8), 408);
  EXPECT_EQ(b.station_nodes(3, 8), in.position(308));
  EXPECT_EQ(b.station_nodes(1, 11), in.position(108));
}

TEST(BuffetingParameters, BadInputStopsWithItsMessage) {
  // Each stop names the record and the value after the data-error line.
  const auto data = [](const char* detail) { return test::data_error_line("ParameterInput.dat", detail); };
  const auto node = [](const char* detail) {
    return test::node_error_line("\\Modal_Substructure_Bridge.dat:BuffetwindNode", detail);
  };
  using Edits = std::vector<std::pair<std::size_t, std::string>>;
  const struct {
    const char* what;
    Edits edits;
    std::size_t keep_lines;
    bool drop_a_bridge_node;
    std::string expected;
  } cases[] = {
      {"empty file", {}, 0, false,
       data("ParameterInput.dat: the file is empty")},
      {"file ending inside the groups", {}, 28, false,
       data("ParameterInput.dat (span group 2 of 2, first nodes; count on line 22): the file ends after line 28 before "
            "this record is complete")},
      {"not a number", {{13, "0.5 x"}}, 99, false,
       data("ParameterInput.dat line 14 (section 2, reference point): bad value \"x\", not a number")},
      {"four sections", {{0, "4 12"}}, 99, false,
       data("ParameterInput.dat (header: number of sections and largest number of panels): bad value 4 sections, must "
            "be 1 to 3")},
      {"no sections", {{0, "0 12"}}, 99, false,
       data("ParameterInput.dat (header: number of sections and largest number of panels): bad value 0 sections, must "
            "be 1 to 3")},
      {"no panel rows", {{0, "2 0"}}, 99, false,
       data("ParameterInput.dat (header: number of sections and largest number of panels): bad value largest number of "
            "panels 0, must be 1 to 357913941")},
      {"section ids out of record order", {{1, "2"}}, 99, false,
       data("ParameterInput.dat (section 1, id): bad value id 2, must be 1")},
      {"more panels than rows", {{0, "2 3"}}, 99, false,
       data("ParameterInput.dat (section 1, number of panels): bad value 4, must be 1 to 3 (the header's largest)")},
      {"section without panels", {{14, "0"}}, 99, false,
       data("ParameterInput.dat (section 2, number of panels): bad value 0, must be 1 to 12 (the header's largest)")},
      {"zero-length panel", {{17, "1 0 1 0"}}, 99, false,
       data("ParameterInput.dat (section 2, panel 2, ends): bad value ends (1, 0) and (1, 0), a panel of length 0, "
            "must be apart")},
      {"no span groups", {{21, "0"}}, 99, false,
       data("ParameterInput.dat (number of span groups): bad value 0, must be 1 or more")},
      {"group of an undefined section", {{26, "3"}}, 99, false,
       data("ParameterInput.dat (span group 2 of 2, section; count on line 22): bad value section 3, must be 1 to 2")},
      {"rows differ from the section's panels", {{27, "2"}, {28, "111 211"}, {29, "113 0"}}, 99, false,
       data("ParameterInput.dat (span group 2 of 2, number of node rows; count on line 22): bad value 2 node rows, "
            "must be 3, the panels of section 2")},
      {"row 1 running backwards", {{25, "100 299 399 499"}}, 99, false,
       data("ParameterInput.dat (span group 1, first and last nodes): bad value last node 100 of row 1, must not be "
            "below its first node 101")},
      {"node numbers beyond 32 bits", {{24, "101 201 301 2147483640"}}, 99, false,
       data("ParameterInput.dat (span group 1, first and last nodes): bad value first node 2147483640 of row 4 with 10 "
            "stations, node numbers beyond 2147483647")},
      {"a later group's section needs rows the station lacks",
       {{22, "2"}, {23, "3"}, {24, "101 201 301"}, {25, "110 0 0"},
        {26, "1"}, {27, "4"}, {28, "105 211 311 411"}, {29, "107 0 0 0"}},
       99, false,
       data("ParameterInput.dat (span groups, first and last nodes): bad value node 105 of station 5, whose section 1 "
            "has more panels than its group has node rows")},
      {"station node not in the bridge", {}, 99, true,
       node("ParameterInput.dat (span groups, node row 3 of station 12): node 312 is not in the node list")},
  };
  for (const auto& cs : cases) {
    std::vector<std::string> lines = base_lines();
    for (const auto& [line, content] : cs.edits) lines[line] = content;
    if (lines.size() > cs.keep_lines) lines.resize(cs.keep_lines);
    BuffetingInput in(join(lines));
    if (cs.drop_a_bridge_node) in.t->bridge.node_numbers(in.position(312)) = 999;
    EXPECT_EQ(test::expect_stop([&] { in.read_and_locate(); }), 1) << cs.what;
    EXPECT_EQ(in.t.console(), cs.expected) << cs.what;
  }
}

}  // namespace
}  // namespace tb
