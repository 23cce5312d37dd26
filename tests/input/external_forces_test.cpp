#include "input/external_forces.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "train_input_fixture.h"

namespace tb {
namespace {

using test::TrainInput;

void read_forces(TrainInput& in) { read_external_forces(*in.t); }

TEST(ExternalForces, HarmonicAndTabulatedForcesReadIntoTheTable) {
  TrainInput in(test::kVehicleLibrary, test::kTrainOrganization,
                "3\n"
                "10 2 0       node, component, harmonic\n"
                "1000 2 0.5\n"
                "20 3 1       tabulated\n"
                "4 3          table length, points\n"
                "0 0 1 100    one point per record\n"
                "1 100\n"
                "2 0\n"
                "30 6 5\n"
                "9 2          a later table length is not used\n"
                "0.5 -50\n"
                "1.5 -50\n");
  read_forces(in);
  EXPECT_EQ(in.t.console(), "");
  EXPECT_TRUE(in.t->units.is_open(in.t->control.unit_external_forces));
  const ExternalForceTable& e = in.t->external_forces;
  ASSERT_EQ(e.external_force_count, 3);
  const int node[] = {1, 2, 3}, dof[] = {2, 3, 6}, kind[] = {0, 1, 5}, points[] = {0, 3, 2};
  for (int i = 1; i <= 3; ++i) {
    EXPECT_EQ(e.force_node(i), node[i - 1]);
    EXPECT_EQ(e.force_dof(i), dof[i - 1]);
    EXPECT_EQ(e.force_kind(i), kind[i - 1]);
    EXPECT_EQ(e.force_point_count(i), points[i - 1]);
  }
  EXPECT_EQ(e.force_amplitude(1), 1000.0f);
  EXPECT_EQ(e.force_frequency(1), 2.0f);
  EXPECT_EQ(e.force_phase(1), 0.5f);
  EXPECT_EQ(e.force_amplitude(2), 0.0f);
  ASSERT_EQ(e.force_table_time.extent(1), 4);
  ASSERT_EQ(e.force_table_time.extent(2), 3);
  const float time2[] = {0, 1, 2, 0}, value2[] = {0, 100, 0, 0};
  for (int j = 1; j <= 4; ++j) {
    EXPECT_EQ(e.force_table_time(j, 2), time2[j - 1]);
    EXPECT_EQ(e.force_table_value(j, 2), value2[j - 1]);
  }
  EXPECT_EQ(e.force_table_time(2, 3), 1.5f);
  EXPECT_EQ(e.force_table_value(2, 3), -50.0f);
  EXPECT_EQ(e.force_table_time(1, 1), 0.0f);
}

TEST(ExternalForces, AFileWithoutForcesGivesNoneAndNoMessage) {
  for (const char* file : {"", "\n\n", "0\n"}) {
    TrainInput in(test::kVehicleLibrary, test::kTrainOrganization, file);
    read_forces(in);
    EXPECT_EQ(in.t.console(), "") << file;
    EXPECT_EQ(in.t->external_forces.external_force_count, 0) << file;
    EXPECT_FALSE(in.t->external_forces.force_table_time.allocated());
  }
}

TEST(ExternalForces, AFileThatIsNotThereGivesNoneAndIsNotCreated) {
  TrainInput in;
  in.t->units.close(in.t->control.unit_external_forces);
  std::filesystem::remove(in.t.dir / "ExternalForces.dat");
  in.t->units.open(in.t->control.unit_external_forces, "ExternalForces.dat", OpenMode::old, UnitForm::text);
  read_forces(in);
  EXPECT_EQ(in.t->external_forces.external_force_count, 0);
  EXPECT_EQ(in.t.console(), "");
  EXPECT_FALSE(std::filesystem::exists(in.t.dir / "ExternalForces.dat"));
}

TEST(ExternalForces, BadInputStopsWithTheReadersOwnLabel) {
  const std::string file = "ExternalForces.dat";
  const struct {
    const char* what;
    const char* forces;
    bool node;
    std::string detail;
  } cases[] = {
      {"a count that is no number", "none\n", false,
       file + " line 1 (number of forces): bad value \"none\", not a number"},
      {"a negative count", "-1\n", false, file + " (number of forces): bad value -1, must be 0 or more"},
      {"list ends early", "2\n10 2 0\n1000 2 0\n", false,
       file + " (force 2 of 2, node, component and kind; count on line 1): the file ends after line 3 before this "
              "record is complete"},
      {"read error before an unknown node", "1\n15 2 0\n1000 x 0\n", false,
       file + " line 3 (force 1 of 1, amplitude, frequency and phase; count on line 1): bad value \"x\", not a number"},
      {"a letter in a force header", "1\n10 2 O\n1000 2 0\n", false,
       file + " line 2 (force 1 of 1, node, component and kind; count on line 1): bad value \"O\", not a number"},
      {"more points than the table", "1\n10 2 1\n2 3\n0 0\n1 1\n2 2\n", false,
       file + " (force 1, table length and point count): bad value point count 3, must be at most 2 (the first "
              "table's length)"},
      {"a later table longer than the first", "2\n10 2 1\n2 2\n0 0\n1 1\n20 1 1\n5 3\n0 0\n1 1\n2 2\n", false,
       file + " (force 2, table length and point count): bad value point count 3, must be at most 2 (the first "
              "table's length)"},
      {"table header unreadable", "2\n10 2 1\nx 2\n20 1 0\n1 1 0\n", false,
       file + " line 3 (force 1 of 2, table length and point count; count on line 1): bad value \"x\", not a number"},
      {"a letter in a table point", "1\n10 2 1\n2 2\n0 0\n1 l00\n", false,
       file + " line 5 (point 2 of 2, force 1; count on line 3): bad value \"l00\", not a number"},
      {"component 0", "1\n10 0 0\n1000 2 0\n", false,
       file + " (force 1, node, component and kind): bad value component 0, must be 1 to 6"},
      {"component 7", "1\n10 7 0\n1000 2 0\n", false,
       file + " (force 1, node, component and kind): bad value component 7, must be 1 to 6"},
      {"a negative point count", "1\n10 2 1\n2 -1\n", false,
       file + " (force 1, table length and point count): bad value point count -1, must be 0 or more"},
      {"a negative table length", "1\n10 2 1\n-2 0\n", false,
       file + " (force 1, table length and point count): bad value table length -2, must be 0 or more"},
      {"a count that the file cannot hold", "100000000\n10 2 0\n1000 2 0\n", false,
       file + " (number of forces): bad value force count 100000000, more records than the 6 values that the rest "
              "of the file holds"},
      {"node not of the bridge", "1\n15 2 0\n1000 2 0\n", true,
       file + " (force 1, bridge node): node 15 is not in the node list"},
  };
  for (const auto& c : cases) {
    TrainInput in(test::kVehicleLibrary, test::kTrainOrganization, c.forces);
    EXPECT_EQ(test::expect_stop([&] { read_forces(in); }), 1) << c.what;
    EXPECT_EQ(in.t.console(), c.node ? test::node_error_line(file, c.detail) : test::data_error_line(file, c.detail))
        << c.what;
  }
}

}  // namespace
}  // namespace tb
