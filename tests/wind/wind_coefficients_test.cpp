#include "wind/wind_coefficients.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "input/train_input_fixture.h"
#include "test_support.h"

namespace tb {
namespace {

// Two trains (train 1 runs fleet 2 of three vehicles, train 2 fleet 1 of two)
// and a bridge of four nodes, two of them at the same first coordinate.
struct WindInput {
  test::TestContext t;

  explicit WindInput(const std::string& file) {
    RunContext& c = *t;
    c.bridge.bridge_node_count = 4;
    c.bridge.node_numbers.resize(4);
    c.bridge.node_coordinates.resize(4, 3);
    const int numbers[] = {101, 102, 103, 104};
    const float x[] = {0.0f, 20.0f, 10.0f, 20.0f};
    for (int n = 1; n <= 4; ++n) {
      c.bridge.node_numbers(n) = numbers[n - 1];
      c.bridge.node_coordinates(n, 1) = x[n - 1];
    }
    TrainOrganization& tr = c.trains;
    tr.fleet_count = 2;
    tr.max_vehicles_per_fleet = 3;
    tr.train_count = 2;
    tr.fleet_vehicle_count.resize(2);
    tr.fleet_vehicle_count(1) = 2;
    tr.fleet_vehicle_count(2) = 3;
    tr.train_fleet.resize(2);
    tr.train_fleet(1) = 2;
    tr.train_fleet(2) = 1;
    test::write_file(t.dir / "Wind_Coefficients.dat", file);
    c.units.open(c.control.unit_wind_coefficients, "Wind_Coefficients.dat", OpenMode::unknown, UnitForm::text);
  }
  void read() { read_wind_coefficients(*t, t->control.unit_wind_coefficients); }
};

// One record per line; the comments name the rows of the file.
std::vector<std::string> base_lines() {
  return {
      "1.225 25 0.0",                // 0 air density, mean wind speed, direction
      "10.0",                        // 1 start of the wind
      "1",                           // 2 turbulence on
      "0.05 0 20 4 40 2 0 10 5 1",   // 3 z0 zd z P L fc (unused) T Ls Ts: dt 0.25, N 32, T 8
      "2",                           // 4 sets
      "3 4 5",                       // 5 set 1: A1 A2 A3
      "2", "0.5 0.1",                // 6, 7
      "1", "0.2",                    // 8, 9
      "3", "0.01 0.02 0.03",         // 10, 11
      "0", "",                       // 12, 13 no terms: the empty record is taken
      "0", "not read",               // 14, 15
      "1", "9",                      // 16, 17
      "6 7 8",                       // 18 set 2
      "1", "1.5", "1", "2.5", "1", "3.5", "1", "4.5", "1", "5.5", "1", "6.5",  // 19..30
      "3",                           // 31 stations
      "0 100 200",                   // 32
      "1 2 1",                       // 33 train 1, vehicle 1
      "2 2 2",                       // 34 train 1, vehicle 2
      "1 1 2",                       // 35 train 1, vehicle 3
      "2 1 1",                       // 36 train 2, vehicle 1
      "1 1 1",                       // 37 train 2, vehicle 2
      "2 4",                         // 38 groups, largest node count
      "1 3", "104 102 103",          // 39, 40
      "2 2", "101 102",              // 41, 42
  };
}

std::string join(const std::vector<std::string>& lines, std::size_t count = SIZE_MAX) {
  std::string s;
  for (std::size_t i = 0; i < lines.size() && i < count; ++i) s += lines[i] + "\n";
  return s;
}

TEST(WindCoefficients, ReadsEveryRowGeneratesTheFieldAndSortsTheGroups) {
  WindInput in(join(base_lines()));
  in.read();
  RunContext& c = *in.t;
  EXPECT_EQ(in.t.console(), "");
  EXPECT_FALSE(c.units.is_open(c.control.unit_wind_coefficients));
  const WindParameters& w = c.wind;
  EXPECT_EQ(w.wind_on, 1);
  EXPECT_EQ(w.air_density, 1.225f);
  EXPECT_EQ(w.mean_wind_speed, 25.0f);
  EXPECT_EQ(w.wind_field_start, 10.0f);
  EXPECT_EQ(w.turbulence_option, 1);
  EXPECT_EQ(w.wind_point_count, 4);
  EXPECT_EQ(w.cutoff_frequency, 2.0f);
  EXPECT_EQ(w.smoothing_time, 1.0f);
  // The generated duration replaces the one in the file: 32 steps of 0.25 s.
  EXPECT_EQ(w.wind_duration, 8.0f);
  EXPECT_EQ(c.wind_field.wind_sample_count, 32);
  EXPECT_EQ(c.wind_field.along_wind_turbulence.extent(1), 32);
  EXPECT_EQ(c.wind_field.along_wind_turbulence.extent(2), 4);

  ASSERT_EQ(w.coefficient_set_count, 2);
  EXPECT_EQ(w.set_depth(1), 3.0f);
  EXPECT_EQ(w.set_width(1), 4.0f);
  EXPECT_EQ(w.set_third_dimension(2), 8.0f);
  const int counts1[] = {2, 1, 3, 0, 0, 1};
  for (int p = 1; p <= 6; ++p) {
    EXPECT_EQ(w.coef_poly_counts(1, p), counts1[p - 1]) << p;
    EXPECT_EQ(w.coef_poly_counts(2, p), 1) << p;
    EXPECT_EQ(w.coef_polys(2, 1, p), 0.5f + static_cast<float>(p)) << p;
  }
  EXPECT_EQ(w.coef_polys(1, 2, 1), 0.1f);
  EXPECT_EQ(w.coef_polys(1, 3, 3), 0.03f);
  EXPECT_EQ(w.coef_polys(1, 1, 5), 0.0f);
  EXPECT_EQ(w.coef_polys(1, 1, 6), 9.0f);

  ASSERT_EQ(w.vehicle_station_count, 3);
  EXPECT_EQ(w.vehicle_station_positions(3), 200.0f);
  EXPECT_EQ(w.vehicle_station_sets(1, 1, 2), 2);
  EXPECT_EQ(w.vehicle_station_sets(1, 3, 3), 2);
  EXPECT_EQ(w.vehicle_station_sets(2, 1, 1), 2);
  // Beyond the two vehicles of train 2's fleet nothing is read.
  EXPECT_EQ(w.vehicle_station_sets(2, 3, 1), 0);

  ASSERT_EQ(w.wind_group_count, 2);
  EXPECT_EQ(w.wind_group_max_nodes, 4);
  EXPECT_EQ(w.wind_group_set(2), 2);
  // Positions ascending along the line; nodes 104 and 102 share x = 20 and
  // keep their file order.
  const int group1[] = {3, 4, 2};
  for (int j = 1; j <= 3; ++j) EXPECT_EQ(w.wind_group_nodes(1, j), group1[j - 1]) << j;
  EXPECT_EQ(w.wind_group_nodes(2, 1), 1);
  EXPECT_EQ(w.wind_group_nodes(2, 2), 2);
  EXPECT_TRUE(w.selfexcited_coefficients.allocated());
  EXPECT_EQ(w.selfexcited_coefficients.extent(2), 6);
}

TEST(WindCoefficients, NoPositiveMeanWindLeavesTheWindOffSilently) {
  // An air density of 0 or below also means no wind. Without wind the rows
  // after the first are not read: a roughness length of 0 there is no error.
  const std::string field = "10\n1\n0.05 0 20 4 40 2 0 10 5 1\n";
  for (const std::string& file : {std::string(), "1.225 0 0\n" + field, "1.225 -5 0\n" + field, "0 25 0\n" + field,
                                 "-1 25 0\n" + field, std::string("1.225 0 0\n10\n1\n0 0 20 4 40 2 0 10 5 1\n")}) {
    WindInput in(file);
    in.read();
    RunContext& c = *in.t;
    EXPECT_EQ(in.t.console(), "") << file;
    EXPECT_EQ(c.wind.wind_on, 0) << file;
    EXPECT_EQ(c.wind.wind_point_count, 0) << file;
    EXPECT_FALSE(c.wind_field.along_wind_turbulence.allocated()) << file;
    EXPECT_FALSE(c.units.is_open(c.control.unit_wind_coefficients)) << file;
  }
}

TEST(WindCoefficients, AFileThatIsNotThereHasNoWind) {
  WindInput in("");
  RunContext& c = *in.t;
  c.units.close(c.control.unit_wind_coefficients);
  std::filesystem::remove(in.t.dir / "Wind_Coefficients.dat");
  c.units.open(c.control.unit_wind_coefficients, "Wind_Coefficients.dat", OpenMode::old, UnitForm::text);
  in.read();
  EXPECT_EQ(in.t.console(), "");
  EXPECT_EQ(c.wind.wind_on, 0);
  EXPECT_FALSE(std::filesystem::exists(in.t.dir / "Wind_Coefficients.dat"));
}

TEST(WindCoefficients, AFileEndingBeforeTheStationsHasNoStationsOrGroups) {
  WindInput in(join(base_lines(), 31));
  in.read();
  const WindParameters& w = in.t->wind;
  EXPECT_EQ(in.t.console(), "");
  EXPECT_EQ(w.wind_on, 1);
  ASSERT_EQ(w.coefficient_set_count, 2);
  EXPECT_EQ(w.vehicle_station_count, 0);
  EXPECT_EQ(w.wind_group_count, 0);
}

TEST(WindCoefficients, ARecordThatTheWindNeedsStopsWhenMissingOrNotANumber) {
  // Once the wind is on, the rows up to the coefficient sets are needed; the
  // stations and the node groups may be missing at the end of the file, but
  // a value that does not read as a number is an error wherever it stands.
  const std::string file = "Wind_Coefficients.dat";
  const struct {
    const char* what;
    std::string content;
    std::string detail;
  } cases[] = {
      {"a first row that is no number", "x\n",
       file + " line 1 (row 1, air density, mean wind speed and direction): bad value \"x\", not a number"},
      {"a direction that is no number", "1.225 25 x\n",
       file + " line 1 (row 1, air density, mean wind speed and direction): bad value \"x\", not a number"},
      {"the file ends after the set count", join(base_lines(), 5),
       file + " (coefficient set 1 of 2, dimensions; count on line 5): the file ends after line 5 before this record "
              "is complete"},
      {"the file ends after the mean wind", join(base_lines(), 1),
       file + " (row 2, start of the wind field): the file ends after line 1 before this record is complete"},
      {"a letter in the field parameters",
       [] {
         std::vector<std::string> lines = base_lines();
         lines[3] = "0.05 0 2O 4 40 2 0 10 5 1";
         return join(lines);
       }(),
       file + " line 4 (row 4, field parameters): bad value \"2O\", not a number"},
      {"a station count that is no number",
       [] {
         std::vector<std::string> lines = base_lines();
         lines[31] = "one";
         return join(lines);
       }(),
       file + " line 32 (row 9, number of vehicle stations): bad value \"one\", not a number"},
      {"a group count that is no number",
       [] {
         std::vector<std::string> lines = base_lines();
         lines[38] = "2 x";
         return join(lines);
       }(),
       file + " line 39 (row 12, number of node groups and largest group): bad value \"x\", not a number"},
  };
  for (const auto& c : cases) {
    WindInput in(c.content);
    EXPECT_EQ(test::expect_stop([&] { in.read(); }), 1) << c.what;
    EXPECT_EQ(in.t.console(), test::data_error_line("\\Wind_Coefficients.dat", c.detail)) << c.what;
  }
}

TEST(WindCoefficients, GroupsWithoutElementsAndSetZeroPass) {
  std::vector<std::string> lines = base_lines();
  lines[41] = "0 1";  // a single node carries no element: its set is never used
  lines[42] = "101";
  WindInput in(join(lines));
  in.read();
  EXPECT_EQ(in.t.console(), "");
  EXPECT_EQ(in.t->wind.wind_group_nodes(2, 1), 1);
}

// The smoothing lengths are checked against the generated duration (8 s, not
// the 10 s of the file) before anything is generated, also without turbulence.
TEST(WindCoefficients, SmoothingLengthsAgainstTheGeneratedField) {
  const struct {
    const char* field;
    const char* stop;  // the line after the message; none when the lengths pass
  } cases[] = {
      {"0.05 0 20 4 40 2 0 10 5 2.6666667", nullptr},  // Ts = 8/3 exactly
      {"0.05 0 20 4 40 2 0 10 5 2.6666669",
       "smoothing distance 5 m and time 2.666667 s, must be at most a third of the field, 13.333333 m and 2.6666667 s"},
      {"0.05 0 20 4 40 2 0 10 13.333333 1", nullptr},  // Ls = 40/3
      {"0.05 0 20 4 40 2 0 10 13.4 1",
       "smoothing distance 13.4 m and time 1 s, must be at most a third of the field, 13.333333 m and 2.6666667 s"},
  };
  const std::string message =
      " \xB4\xED\xCE\xF3\xA3\xBAWind_Coefficients.dat! \xC6\xBD\xBB\xAC\xBE\xE0\xC0\xEB\xBB\xF2\xCA\xB1\xBC\xE4\xB2\xBB"
      "\xBA\xCF\xCA\xCA!\n Wind_Coefficients.dat (row 4, field parameters): ";
  for (const auto& cs : cases) {
    std::vector<std::string> lines = base_lines();
    lines[2] = "0";
    lines[3] = cs.field;
    WindInput in(join(lines));
    if (cs.stop) {
      EXPECT_EQ(test::expect_stop([&] { in.read(); }), 1) << cs.field;
      EXPECT_EQ(in.t.console(), message + cs.stop + "\n" + test::pause_text()) << cs.field;
      EXPECT_FALSE(in.t->wind_field.along_wind_turbulence.allocated()) << cs.field;
    } else {
      in.read();
      EXPECT_EQ(in.t.console(), "") << cs.field;
      EXPECT_EQ(in.t->wind_field.wind_sample_count, 32) << cs.field;
    }
  }
}

TEST(WindCoefficients, BadInputStopsWithItsMessage) {
  const std::string data = "data";
  const std::string node = "node";
  const std::string vehicle_sets =
      " \xB4\xED\xCE\xF3\xA3\xBAWind_Coefficients.dat\xD2\xFD\xD3\xC3\xB5\xC4\xB3\xB5\xC1\xBE\xC8\xFD\xB7\xD6\xC1\xA6"
      "\xCF\xB5\xCA\xFD\xB3\xAC\xB3\xF6\xB6\xA8\xD2\xE5\xB7\xB6\xCE\xA7!\n";
  const std::string bridge_sets =
      " \xB4\xED\xCE\xF3\xA3\xBAWind_Coefficients.dat\xD2\xFD\xD3\xC3\xB5\xC4\xC7\xC5\xC1\xBA\xC8\xFD\xB7\xD6\xC1\xA6"
      "\xCF\xB5\xCA\xFD\xB3\xAC\xB3\xF6\xB6\xA8\xD2\xE5\xB7\xB6\xCE\xA7!\n";
  const struct {
    const char* what;
    std::size_t line;
    const char* content;
    const std::string& expected;  // "data", "node" or the reader's own message
    std::string detail;           // the line after the data-error or node-number line
  } cases[] = {
      {"turbulence option 2", 2, "2", data,
       "Wind_Coefficients.dat (row 3, turbulence option): bad value 2, must be 1 (turbulence) or 0 (the mean wind "
       "only)"},
      {"roughness length 0", 3, "0 0 20 4 40 2 0 10 5 1", data,
       "Wind_Coefficients.dat (row 4, field parameters): bad value roughness length 0, must be above 0"},
      {"cut-off frequency 0", 3, "0.05 0 20 4 40 0 0 10 5 1", data,
       "Wind_Coefficients.dat (row 4, field parameters): bad value cut-off frequency 0, must be above 0"},
      {"no field points", 3, "0.05 0 20 0 40 2 0 10 5 1", data,
       "Wind_Coefficients.dat (row 4, field parameters): bad value number of points 0, must be 1 or more"},
      {"negative point count", 3, "0.05 0 20 -4 40 2 0 10 5 1", data,
       "Wind_Coefficients.dat (row 4, field parameters): bad value number of points -4, must be 1 or more"},
      {"field length 0", 3, "0.05 0 20 4 0 2 0 10 0 1", data,
       "Wind_Coefficients.dat (row 4, field parameters): bad value field length 0, must be above 0"},
      {"reference height 0", 3, "0.05 0 0 4 40 2 0 10 5 1", data,
       "Wind_Coefficients.dat (row 4, field parameters): bad value reference height 0, must be above 0"},
      {"logarithm of a negative profile height", 3, "0.05 21 20 4 40 2 0 10 5 1", data,
       "Wind_Coefficients.dat (row 4, field parameters): bad value height offset 21, the wind profile has no logarithm "
       "at the reference height"},
      {"power of two beyond 32 bits", 3, "0.05 0 20 4 40 2 0 4.5e8 5 1", data,
       "Wind_Coefficients.dat (row 4, field parameters): bad value duration 4.5e+08 s with 4 points, a field beyond "
       "32-bit sample counts or the memory"},
      {"sample count beyond 32 bits", 3, "0.05 0 20 4 40 2 0 1e12 5 1", data,
       "Wind_Coefficients.dat (row 4, field parameters): bad value duration 1e+12 s with 4 points, a field beyond "
       "32-bit sample counts or the memory"},
      {"field beyond the memory", 3, "0.05 0 20 2147483647 40 2 0 262144 5 1", data,
       "Wind_Coefficients.dat (row 4, field parameters): bad value duration 262144 s with 2147483647 points, a field "
       "beyond 32-bit sample counts or the memory"},
      {"negative set count", 4, "-1", data,
       "Wind_Coefficients.dat (row 5, number of coefficient sets): bad value -1, must be 0 or more"},
      {"eleven terms", 6, "11", data,
       "Wind_Coefficients.dat (coefficient set 1, polynomial 1, number of terms): bad value 11, must be 0 to 10"},
      {"negative term count", 6, "-1", data,
       "Wind_Coefficients.dat (coefficient set 1, polynomial 1, number of terms): bad value -1, must be 0 to 10"},
      {"zero depth of a group's set", 5, "0 4 5", data,
       "Wind_Coefficients.dat (coefficient set 1, dimensions): bad value depth or width 0 of a node group's set, must "
       "not be 0"},
      {"zero width of a group's set", 5, "3 0 5", data,
       "Wind_Coefficients.dat (coefficient set 1, dimensions): bad value depth or width 0 of a node group's set, must "
       "not be 0"},
      {"zero third dimension of a vehicle's first set", 5, "3 4 0", data,
       "Wind_Coefficients.dat (coefficient set 1, dimensions): bad value third dimension 0 of the first station's set "
       "of a vehicle, must not be 0"},
      {"negative station count", 31, "-1", data,
       "Wind_Coefficients.dat (row 9, number of vehicle stations): bad value -1, must be 0 or more"},
      {"stations not in order", 32, "0 100 100", data,
       "Wind_Coefficients.dat (row 10, station positions): bad value position 100 of station 3, the positions must be "
       "distinct and in order"},
      {"vehicle set 0 in a fleet", 37, "1 0 1", data,
       "Wind_Coefficients.dat (row 11, station sets of train 2, vehicle 2): bad value set 0 at station 2, must be 1 to "
       "2"},
      {"vehicle set above the sets", 34, "2 3 2", vehicle_sets,
       "Wind_Coefficients.dat (row 11, station sets of train 1, vehicle 2): set 3 at station 2, must be at most 2 (row "
       "5's number of coefficient sets)"},
      {"negative group count", 38, "-1 4", data,
       "Wind_Coefficients.dat (row 12, number of node groups and largest group): bad value number of node groups -1, "
       "must be 0 or more"},
      {"negative largest group", 38, "2 -1", data,
       "Wind_Coefficients.dat (row 12, number of node groups and largest group): bad value largest group -1, must be 0 "
       "or more"},
      {"more group nodes than the table holds", 39, "1 5", data,
       "Wind_Coefficients.dat (node group 1, set and number of nodes): bad value number of nodes 5, must be 0 to 4 "
       "(row 12's largest)"},
      {"negative group node count", 39, "1 -1", data,
       "Wind_Coefficients.dat (node group 1, set and number of nodes): bad value number of nodes -1, must be 0 to 4 "
       "(row 12's largest)"},
      {"group set above the sets", 41, "3 2", bridge_sets,
       "Wind_Coefficients.dat (node group 2, set and number of nodes): set 3, must be at most 2 (row 5's number of "
       "coefficient sets)"},
      {"group set 0 with an element", 41, "0 2", data,
       "Wind_Coefficients.dat (node group 2, set and number of nodes): bad value set 0, must be 1 to 2"},
      {"node not in the bridge", 42, "101 999", node,
       "Wind_Coefficients.dat (node group 2): node 999 is not in the node list"},
  };
  for (const auto& cs : cases) {
    std::vector<std::string> lines = base_lines();
    lines[cs.line] = cs.content;
    WindInput in(join(lines));
    EXPECT_EQ(test::expect_stop([&] { in.read(); }), 1) << cs.what;
    const std::string expected = &cs.expected == &data ? test::data_error_line("\\Wind_Coefficients.dat", cs.detail)
                                 : &cs.expected == &node
                                     ? test::node_error_line("\\Wind_Coefficients.dat:Nodeonwind", cs.detail)
                                     : cs.expected + " " + cs.detail + "\n" + test::pause_text();
    EXPECT_EQ(in.t.console(), expected) << cs.what;
  }
}

TEST(WindCoefficients, SortPairsExchangesValuesWithTheirKeys) {
  std::int32_t values[] = {1, 2, 3, 4, 5};
  float keys[] = {3.0f, 1.0f, 3.0f, 0.0f, 1.0f};
  sort_pairs_ascending(values, keys, 5);
  const std::int32_t sorted[] = {4, 2, 5, 1, 3};
  for (int i = 0; i < 5; ++i) EXPECT_EQ(values[i], sorted[i]) << i;
  EXPECT_EQ(keys[4], 3.0f);
}

}  // namespace
}  // namespace tb
