#include "input/vehicle_types.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "train_input_fixture.h"

namespace tb {
namespace {

using test::TrainInput;

TEST(VehicleTypeLibrary, FixtureReadsIntoItsTypesWithNodePositions) {
  TrainInput in;
  in.read_library();
  const VehicleTypeLibrary& v = in.t->vehicles;
  EXPECT_EQ(in.t.console(), "");
  EXPECT_FALSE(in.t->units.is_open(in.t->control.unit_vehicle_types));

  EXPECT_EQ(v.type_record_count, 2);
  EXPECT_EQ(v.vehicle_type_count, 2);
  EXPECT_EQ(v.max_nodes_per_type, 5);
  EXPECT_EQ(v.max_wheelsets_per_type, 4);
  EXPECT_EQ(v.max_springs_per_type, 2);
  EXPECT_EQ(v.max_outputs_per_type, 3);
  EXPECT_EQ(v.max_modes_per_type, 2);
  for (int k : {1, 2}) {
    const bool two = k == 2;
    EXPECT_EQ(v.vehicle_node_count(k), two ? 5 : 3);
    EXPECT_EQ(v.vehicle_wheelset_count(k), two ? 4 : 2);
    EXPECT_EQ(v.vehicle_spring_count(k), two ? 2 : 0);
    EXPECT_EQ(v.vehicle_output_count(k), two ? 3 : 0);
    EXPECT_EQ(v.vehicle_mode_count(k), two ? 2 : 1);
  }

  // Nodes: numbers as read, coordinates in file order.
  EXPECT_EQ(v.vehicle_node_numbers(2, 5), 205);
  EXPECT_EQ(v.vehicle_node_numbers(1, 1), 11);
  EXPECT_EQ(v.vehicle_node_numbers(1, 4), 0);
  EXPECT_EQ(v.vehicle_node_coordinates(2, 2, 1), 4.5f);
  EXPECT_EQ(v.vehicle_node_coordinates(2, 2, 2), 1.2f);
  EXPECT_EQ(v.vehicle_node_coordinates(2, 4, 2), 0.45f);
  EXPECT_EQ(v.vehicle_node_coordinates(1, 1, 1), -1.0f);
  EXPECT_EQ(v.vehicle_node_coordinates(1, 3, 1), 1.0f);

  // Wheel entries: node positions, loads and contact parameters.
  const int wheels2[] = {4, 4, 5, 5}, second2[] = {1, 1, 3, 3};
  const float loads2[] = {60000, 60000, 61000, 61000}, amp2[] = {1.0E6f, 1.0E6f, 1.1E6f, 1.1E6f},
              phase2[] = {2000, 2000, 2100, 2100};
  for (int w = 1; w <= 4; ++w) {
    EXPECT_EQ(v.wheelset_nodes(2, w), wheels2[w - 1]);
    EXPECT_EQ(v.wheelset_second_nodes(2, w), second2[w - 1]);
    EXPECT_EQ(v.wheelset_static_load(2, w), loads2[w - 1]);
    EXPECT_EQ(v.load_amplitude_ratio(2, w), amp2[w - 1]);
    EXPECT_EQ(v.load_phase(2, w), phase2[w - 1]);
  }
  EXPECT_EQ(v.contact_type(2), 1);
  EXPECT_EQ(v.load_frequency(2), 1500.0f);
  EXPECT_EQ(v.type1_contact_param_a(2), 800.0f);
  EXPECT_EQ(v.contact_half_spacing(2), 0.7465f);
  EXPECT_EQ(v.type1_contact_param_b(2), 0.2f);
  EXPECT_EQ(v.wheel_radius(2), 0.43f);
  EXPECT_EQ(v.friction_coefficient(2), 0.25f);

  EXPECT_EQ(v.wheelset_nodes(1, 1), 3);
  EXPECT_EQ(v.wheelset_nodes(1, 2), 2);
  EXPECT_EQ(v.wheelset_nodes(1, 3), 0);
  EXPECT_EQ(v.wheelset_static_load(1, 2), 50000.0f);
  EXPECT_EQ(v.contact_type(1), 2);
  EXPECT_EQ(v.contact_stiffness(1, 1), 2.0E9f);
  EXPECT_EQ(v.contact_stiffness(1, 2), 2.1E9f);
  EXPECT_EQ(v.contact_damping(1, 1), 1.0E5f);
  EXPECT_EQ(v.contact_damping(1, 2), 1.1E5f);
  EXPECT_EQ(v.wheel_radius(1), 0.45f);
  EXPECT_EQ(v.friction_coefficient(1), 0.3f);
  EXPECT_EQ(v.load_frequency(1), 0.0f);

  // Spring rows: nodes I, J and K as positions (K = 0 stays), spring id as read.
  const int springs[2][4] = {{2, 1, 0, 1}, {2, 3, 1, 2}};
  for (int s = 1; s <= 2; ++s)
    for (int c = 1; c <= 4; ++c) EXPECT_EQ(v.vehicle_spring_nodes(2, s, c), springs[s - 1][c - 1]) << s << c;
  // Output items: node position, direction as read.
  const int outputs[3][2] = {{2, 2}, {3, 3}, {1, 1}};
  for (int o = 1; o <= 3; ++o)
    for (int c = 1; c <= 2; ++c) EXPECT_EQ(v.vehicle_output_items(2, o, c), outputs[o - 1][c - 1]);

  // Modes.
  EXPECT_EQ(v.vehicle_mode_frequency(2, 1), 1.25f);
  EXPECT_EQ(v.vehicle_mode_frequency(2, 2), 2.5f);
  EXPECT_EQ(v.vehicle_mode_damping_input(2, 2), 0.03f);
  EXPECT_EQ(v.vehicle_mode_frequency(1, 1), 0.8f);
  EXPECT_EQ(v.vehicle_mode_damping_input(1, 1), 0.05f);
  EXPECT_EQ(v.vehicle_mode_frequency(1, 2), 0.0f);
  EXPECT_EQ(v.vehicle_mode_damping.extent(2), 2);
  EXPECT_EQ(v.vehicle_mode_damping(2, 2), 0.0f);
  for (int k : {1, 2})
    for (int j = 1; j <= v.vehicle_mode_count(k); ++j)
      for (int n = 1; n <= v.vehicle_node_count(k); ++n)
        for (int c = 1; c <= 6; ++c)
          ASSERT_EQ(v.vehicle_mode_shapes(k, j, n, c), test::fixture_shape(k, j, n, c)) << k << j << n << c;
  EXPECT_EQ(v.vehicle_mode_shapes(1, 1, 4, 1), 0.0f);
}

// A library of one type with the nodes 7, 8 and 9, two wheel entries, one
// output item and one mode; `contact` is the load record's code and the
// records that follow it.
std::string one_type_library(const std::string& contact) {
  return "1 1 3 2 0 1 1\n"
         "1 3 2 0 1 1\n"
         "7 0 0 0  8 1 0 0  9 2 0 0\n"
         "7 8\n"
         "1.0E4 1.1E4 " +
         contact +
         "9 5\n"
         "7.5\n"
         "0.01\n" +
         test::fixture_shape_lines(1, 1, 3);
}

TEST(VehicleTypeLibrary, EachContactCodeReadsItsOwnParameterRecord) {
  using Check = std::function<void(const VehicleTypeLibrary&)>;
  const struct {
    const char* contact;
    Check check;
  } cases[] = {
      {"0\n0.45 0.3 0.7465\n",
       [](const VehicleTypeLibrary& v) {
         EXPECT_EQ(v.wheel_radius(1), 0.45f);
         EXPECT_EQ(v.friction_coefficient(1), 0.3f);
         EXPECT_EQ(v.contact_half_spacing(1), 0.7465f);
       }},
      // Code 1 maps its second nodes; code -1 reads the same records but
      // leaves them as read, even when they name no node of the type.
      {"1\n1e6 1.1e6 2000 2100 1500 800 0.7465 0.2 0.43 0.25\n9 8\n",
       [](const VehicleTypeLibrary& v) {
         EXPECT_EQ(v.load_amplitude_ratio(1, 2), 1.1e6f);
         EXPECT_EQ(v.load_phase(1, 1), 2000.0f);
         EXPECT_EQ(v.load_frequency(1), 1500.0f);
         EXPECT_EQ(v.type1_contact_param_a(1), 800.0f);
         EXPECT_EQ(v.contact_half_spacing(1), 0.7465f);
         EXPECT_EQ(v.type1_contact_param_b(1), 0.2f);
         EXPECT_EQ(v.wheel_radius(1), 0.43f);
         EXPECT_EQ(v.friction_coefficient(1), 0.25f);
         EXPECT_EQ(v.wheelset_second_nodes(1, 1), 3);
         EXPECT_EQ(v.wheelset_second_nodes(1, 2), 2);
       }},
      {"-1\n1e6 1.1e6 2000 2100 1500 800 0.7465 0.2 0.43 0.25\n99 98\n",
       [](const VehicleTypeLibrary& v) {
         EXPECT_EQ(v.wheel_radius(1), 0.43f);
         EXPECT_EQ(v.wheelset_second_nodes(1, 1), 99);
         EXPECT_EQ(v.wheelset_second_nodes(1, 2), 98);
       }},
      {"2\n2e9 2.1e9 1e5 1.1e5 0.45 0.3\n",
       [](const VehicleTypeLibrary& v) {
         EXPECT_EQ(v.contact_stiffness(1, 2), 2.1e9f);
         EXPECT_EQ(v.contact_damping(1, 1), 1e5f);
         EXPECT_EQ(v.wheel_radius(1), 0.45f);
         EXPECT_EQ(v.friction_coefficient(1), 0.3f);
       }},
      {"3\n2e9 2.1e9 1e5 1.1e5 12000 5\n",
       [](const VehicleTypeLibrary& v) {
         EXPECT_EQ(v.contact_stiffness(1, 1), 2e9f);
         EXPECT_EQ(v.contact_damping(1, 2), 1.1e5f);
         EXPECT_EQ(v.type3_contact_param_a(1), 12000.0f);
         EXPECT_EQ(v.type3_contact_param_b(1), 5.0f);
         EXPECT_EQ(v.wheel_radius(1), 0.0f);
       }},
      {"-2\n0.1 0.2 0.5 0.6 3.0\n",
       [](const VehicleTypeLibrary& v) {
         EXPECT_EQ(v.load_amplitude_ratio(1, 2), 0.2f);
         EXPECT_EQ(v.load_phase(1, 1), 0.5f);
         EXPECT_EQ(v.load_frequency(1), 3.0f);
       }},
      // An unknown code reads no parameter record: the output item follows.
      {"7\n", [](const VehicleTypeLibrary& v) { EXPECT_EQ(v.wheel_radius(1), 0.0f); }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.contact);
    TrainInput in(one_type_library(c.contact));
    in.t->solution.contact_option = -1;  // moving loads: every code is taken
    in.read_library();
    EXPECT_EQ(in.t.console(), "");
    const VehicleTypeLibrary& v = in.t->vehicles;
    EXPECT_EQ(v.wheelset_static_load(1, 2), 1.1E4f);
    c.check(v);
    // The records after the contact parameters are read in their places.
    EXPECT_EQ(v.vehicle_output_items(1, 1, 1), 3);
    EXPECT_EQ(v.vehicle_output_items(1, 1, 2), 5);
    EXPECT_EQ(v.vehicle_mode_frequency(1, 1), 7.5f);
    EXPECT_EQ(v.vehicle_mode_shapes(1, 1, 3, 6), test::fixture_shape(1, 1, 3, 6));
  }
}

TEST(VehicleTypeLibrary, ReadsThatACountLeavesOutConsumeNoRecord) {
  // Type 1 has no wheels, springs, outputs or modes: after its node table only
  // the frequency, damping and mode-shape reads pass over one record each.
  // Type 3 is named by no record and keeps zeros.
  TrainInput in(
      "2 3 3 2 1 1 1\n"
      "1 3 0 0 0 0\n"
      "1 0 0 0  2 1 0 0  3 2 0 0\n"
      "no frequencies\n"
      "no damping ratios\n"
      "no mode shapes\n"
      "2 3 0 1 0 1\n"
      "4 0 0 0  5 1 0 0  6 2 0 0\n"
      "6 5 0 9\n"
      "1.5\n"
      "0.02\n" +
      test::fixture_shape_lines(2, 1, 3));
  in.read_library();
  EXPECT_EQ(in.t.console(), "");
  const VehicleTypeLibrary& v = in.t->vehicles;
  EXPECT_EQ(v.contact_type(1), 0);
  EXPECT_EQ(v.vehicle_spring_nodes(2, 1, 1), 3);
  EXPECT_EQ(v.vehicle_spring_nodes(2, 1, 2), 2);
  EXPECT_EQ(v.vehicle_spring_nodes(2, 1, 4), 9);
  EXPECT_EQ(v.vehicle_mode_frequency(2, 1), 1.5f);
  EXPECT_EQ(v.vehicle_mode_shapes(2, 1, 3, 6), test::fixture_shape(2, 1, 3, 6));
  EXPECT_EQ(v.vehicle_node_count(3), 0);

  TrainInput empty("0 0 0 0 0 0 0\n");
  empty.read_library();
  EXPECT_EQ(empty.t.console(), "");
  EXPECT_EQ(empty.t->vehicles.vehicle_node_count.size(), 0u);
}

// Largest counts in the header beyond those of the type records: once read,
// every table has the extents of the largest counts that a record gives
// (type 2's five nodes, four wheel entries, three outputs and two modes) and
// holds exactly what the exact header gives; the spring rows keep theirs.
TEST(VehicleTypeLibrary, TablesKeepTheLargestCountsOfTheRecordsNotOfTheHeader) {
  TrainInput exact;
  exact.read_library();
  std::string file = test::kVehicleLibrary;
  file.replace(0, file.find('\n'), "2 2 50 40 2 30 20");
  TrainInput declared(file);
  declared.read_library();
  EXPECT_EQ(declared.t.console(), "");
  const VehicleTypeLibrary& a = exact.t->vehicles;
  const VehicleTypeLibrary& b = declared.t->vehicles;
  EXPECT_EQ(b.max_nodes_per_type, 5);
  EXPECT_EQ(b.max_wheelsets_per_type, 4);
  EXPECT_EQ(b.max_outputs_per_type, 3);
  EXPECT_EQ(b.max_modes_per_type, 2);
  const auto same = [](const auto& x, const auto& y, const char* name) {
    EXPECT_EQ(std::vector(x.span().begin(), x.span().end()), std::vector(y.span().begin(), y.span().end())) << name;
    EXPECT_EQ(x.extent(2), y.extent(2)) << name;
  };
  same(a.vehicle_node_numbers, b.vehicle_node_numbers, "node numbers");
  same(a.vehicle_node_coordinates, b.vehicle_node_coordinates, "node coordinates");
  same(a.wheelset_nodes, b.wheelset_nodes, "wheel nodes");
  same(a.wheelset_second_nodes, b.wheelset_second_nodes, "second nodes");
  same(a.wheelset_static_load, b.wheelset_static_load, "static loads");
  same(a.contact_stiffness, b.contact_stiffness, "contact stiffness");
  same(a.contact_damping, b.contact_damping, "contact damping");
  same(a.load_amplitude_ratio, b.load_amplitude_ratio, "load amplitude ratio");
  same(a.load_phase, b.load_phase, "load phase");
  same(a.vehicle_spring_nodes, b.vehicle_spring_nodes, "spring rows");
  same(a.vehicle_output_items, b.vehicle_output_items, "output items");
  same(a.vehicle_mode_frequency, b.vehicle_mode_frequency, "frequencies");
  same(a.vehicle_mode_damping_input, b.vehicle_mode_damping_input, "damping ratios");
  same(a.vehicle_mode_shapes, b.vehicle_mode_shapes, "mode shapes");
  // A type of two nodes still leaves room for node positions 1 to 3.
  TrainInput two_nodes("1 1 9 0 0 0 1\n1 2 0 0 0 1\n1 0 0 0  2 1 0 0\n1.5\n0.02\n1 1 1 1 1 1\n1 1 1 1 1 1\n");
  two_nodes.read_library();
  EXPECT_EQ(two_nodes.t->vehicles.max_nodes_per_type, 3);
  EXPECT_EQ(two_nodes.t->vehicles.vehicle_mode_shapes.extent(3), 3);
}

TEST(VehicleTypeLibrary, ExtentsBeyondAnyMemoryStopWithTheLibraryHeader) {
  // Neither allocated nor wrapped round into a small table.
  TrainInput in("0 2147483647 2147483647 0 0 0 0\n");
  EXPECT_EQ(test::expect_stop([&] { read_vehicle_type_library(*in.t); }), 1);
  const std::string first = test::data_error_line("\\Modal_Substructure_Vehicletypes.dat");
  EXPECT_EQ(in.t.console().rfind(first.substr(0, first.find('\n') + 1) +
                                     " Modal_Substructure_Vehicletypes.dat (library header): counts that ask for "
                                     "tables (",
                                 0),
            0u)
      << in.t.console();
  EXPECT_FALSE(in.t->vehicles.vehicle_node_numbers.allocated());
}

// A library of one type with the nodes 1, 2 and 3 and room for two wheel
// entries, one spring and one output: `type_header` is its type number and
// five counts, `rest` the records after the node table.
std::string small_library(const std::string& type_header, const std::string& rest) {
  return "1 1 3 2 1 1 1\n" + type_header + "\n1 0 0 0  2 1 0 0  3 2 0 0\n" + rest;
}

TEST(VehicleTypeLibrary, BadInputStopsWithTheDataErrorOrTheSectionsNodeError) {
  // Every stop names the file as opened and the record; a value that does
  // not read as a number also its line and the value as written.
  const std::string data = "\\Modal_Substructure_Vehicletypes.dat";
  const std::string wheels = "\\Modal_Substructure_Vehicletypes.dat:VehicleNodeInterface";
  const std::string springs = "\\Modal_Substructure_Vehicletypes.dat:VehicleNonlinearSpringNode";
  const std::string outputs = "\\Modal_Substructure_Vehicletypes.dat:VehicleNodeOutput";
  const std::string file = "Modal_Substructure_Vehicletypes.dat";
  const std::string ok_modes = "\n\n\n";  // no frequencies, damping ratios, mode shapes
  const struct {
    const char* what;
    std::string library;
    const std::string& label;
    std::string detail;
  } cases[] = {
      {"empty file", "", data, file + ": the file is empty"},
      {"file ends inside the last mode shapes",
       test::kVehicleLibrary.substr(0, test::kVehicleLibrary.rfind('\n', test::kVehicleLibrary.size() - 2) + 1), data,
       file + " (mode shape row 3 of 3, type 1; count on line 30): the file ends after line 38 before this record is "
              "complete"},
      {"type number 0", small_library("0 3 0 0 0 0", ok_modes), data,
       file + " (type record 1, header): bad value type number 0, must be 1 to 1"},
      {"type number above the type count", small_library("2 3 0 0 0 0", ok_modes), data,
       file + " (type record 1, header): bad value type number 2, must be 1 to 1"},
      {"type number not read", small_library("x 3 0 0 0 0", ok_modes), data,
       file + " line 2 (type record 1 of 1, header; count on line 1): bad value \"x\", not a number"},
      {"a letter among the node coordinates", "1 1 3 2 1 1 1\n1 3 0 0 0 0\n1 0 0 0  2 1 O 0  3 2 0 0\n" + ok_modes,
       data, file + " line 3 (node 2 of 3, type 1; count on line 2): bad value \"O\", not a number"},
      {"a wheel load of two decimal points",
       small_library("1 3 2 0 0 0", "1 2\n66217.5. 66217.5 0\n0.43 0.3 0.7\n" + ok_modes), data,
       file + " line 5 (type 1, wheel loads and contact code): bad value \"66217.5.\", not a number"},
      {"a letter in the contact parameters", small_library("1 3 2 0 0 0", "1 2\n1e4 1e4 0\n0.43 O.3 0.7\n" + ok_modes),
       data, file + " line 6 (type 1, contact parameters): bad value \"O.3\", not a number"},
      {"a letter in the damping ratios", small_library("1 3 0 0 0 1", "1.5\n0.O2\n1 1 1 1 1 1\n1 1 1 1 1 1\n"), data,
       file + " line 5 (damping ratio 1 of 1, type 1; count on line 2): bad value \"0.O2\", not a number"},
      {"node count above the maximum", small_library("1 4 0 0 0 0", ok_modes), data,
       file + " (type record 1, header): bad value node count 4, must be 0 to 3 (the library header's largest)"},
      {"negative wheel count", small_library("1 3 -1 0 0 0", ok_modes), data,
       file +
           " (type record 1, header): bad value wheel entry count -1, must be 0 to 2 (the library header's largest)"},
      {"mode count above the maximum", small_library("1 3 0 0 0 2", ok_modes), data,
       file + " (type record 1, header): bad value mode count 2, must be 0 to 1 (the library header's largest)"},
      {"types without room for three nodes", "0 1 2 0 0 0 0\n", data,
       file + " (library header): bad value largest node count 2, must be 3 or more"},
      {"a negative type record count", "-1 1 3 0 0 0 0\n", data,
       file + " (library header): bad value type record count -1, must be 0 or more"},
      {"a negative largest spring count", "1 1 3 0 -1 0 0\n1 3 0 0 0 0\n1 0 0 0  2 1 0 0  3 2 0 0\n\n\n\n", data,
       file + " (library header): bad value largest spring count -1, must be 0 or more"},
      {"a real for a count", small_library("1 3 0.0 0 0 0", ok_modes), data,
       file + " line 2 (type record 1 of 1, header; count on line 1): bad value \"0.0\", must be a whole number"},
      {"a null value for a count", small_library("1 3,,0 0 0", ok_modes), data,
       file + " line 2 (type record 1 of 1, header; count on line 1): bad value \",\", a null value where a value is "
              "needed"},
      {"wheel radius 0 under code 0", small_library("1 3 2 0 0 0", "1 2\n1e4 1e4 0\n0 0.3 0.7\n" + ok_modes), data,
       file + " (type 1, contact parameters): bad value wheel radius 0, must be above 0"},
      {"half spacing 0 under code 1",
       small_library("1 3 2 0 0 0", "1 2\n1e4 1e4 1\n1 1 0 0 800 20 0 0 0.43 0.3\n2 3\n" + ok_modes), data,
       file + " (type 1, contact parameters): bad value contact half spacing 0, must be above 0"},
      {"stiffness 0 of the second wheel under code 3",
       small_library("1 3 2 0 0 0", "1 2\n1e4 1e4 3\n1e9 0 1e3 1e3 100 0\n" + ok_modes), data,
       file + " (type 1, contact parameters): bad value contact stiffness 0 of wheel entry 2, must be above 0"},
      {"output direction 7", small_library("1 3 0 0 1 0", "1 7\n" + ok_modes), data,
       file + " (type 1, output items): bad value direction 7 of output item 1, must be 1 to 6"},
      {"output direction 0", small_library("1 3 0 0 1 0", "1 0\n" + ok_modes), data,
       file + " (type 1, output items): bad value direction 0 of output item 1, must be 1 to 6"},
      {"wheel node not of the type", small_library("1 3 2 0 0 0", "1 9\n1e4 1e4 0\n0.45 0.3 0.7\n" + ok_modes), wheels,
       file + " (type 1, wheel entry 2): node 9 is not in the node list"},
      {"second node not of the type under code 1",
       small_library("1 3 2 0 0 0", "1 2\n1e4 1e4 1\n1 1 0 0 800 20 0.75 0 0.43 0.3\n2 9\n" + ok_modes), wheels,
       file + " (type 1, second node 2): node 9 is not in the node list"},
      {"wheel node of another type only",
       "2 2 3 1 0 0 0\n1 3 1 0 0 0\n1 0 0 0 2 1 0 0 3 2 0 0\n5\n1e4 0\n0.45 0.3 0.7\n\n\n\n"
       "2 3 0 0 0 0\n4 0 0 0 5 1 0 0 6 2 0 0\n\n\n\n",
       wheels, file + " (type 1, wheel entry 1): node 5 is not in the node list"},
      {"reference node not of the type", small_library("1 3 0 1 0 0", "1 2 9 4\n" + ok_modes), springs,
       file + " (type 1, spring row 1): node 9 is not in the node list"},
      {"output node not of the type", small_library("1 3 0 0 1 0", "9 2\n" + ok_modes), outputs,
       file + " (type 1, output item 1): node 9 is not in the node list"},
  };
  for (const auto& c : cases) {
    TrainInput in(c.library);
    EXPECT_EQ(test::expect_stop([&] { in.read_library(); }), 1) << c.what;
    const bool node = &c.label != &data;
    EXPECT_EQ(in.t.console(),
              node ? test::node_error_line(c.label, c.detail) : test::data_error_line(c.label, c.detail))
        << c.what;
  }
}

// The options of "SolutionParameters.dat" that decide which contact law runs.
struct RunOptions {
  std::int32_t method = 4;
  std::int32_t contact_option = 0;
  std::int32_t is_contact = 0;
  float contact_stiffness = 0.0f;
};

TEST(VehicleTypeLibrary, AContactValueIsRefusedOnlyWhereTheRunDividesByIt) {
  const std::string data = "\\Modal_Substructure_Vehicletypes.dat";
  const std::string spring = "\\SolutionParameters.dat";
  const std::string accepted;
  const std::string ok_modes = "\n\n\n";
  const std::string pair = "1 3 2 0 0 0";
  const std::string radius_0_code_0 = "1 2\n1e4 1e4 0\n0 0.3 0.7\n" + ok_modes;
  const std::string radius_0_code_1 = "1 2\n1e4 1e4 1\n1 1 0 0 800 20 0.75 0 0 0.3\n2 3\n" + ok_modes;
  const std::string good_code_0 = "1 2\n1e4 1e4 0\n0.43 0.3 0.7\n" + ok_modes;
  const RunOptions hertz{};
  const RunOptions moving_load{.contact_option = -1};
  const RunOptions track_spring{.is_contact = 1, .contact_stiffness = 6.0e7f};
  const RunOptions spatial_track_spring{.contact_option = 1, .is_contact = 1, .contact_stiffness = 6.0e7f};
  const RunOptions no_track_stiffness{.is_contact = 1};
  const struct {
    const char* what;
    RunOptions run;
    std::string library;
    const std::string& expected;
  } cases[] = {
      {"radius 0, code 0, Hertz contact when the bridge moves", hertz, small_library(pair, radius_0_code_0), data},
      {"radius 0, code 0, moving constant loads", moving_load, small_library(pair, radius_0_code_0), accepted},
      {"radius 0, code 0, post-processing run", RunOptions{.method = -1}, small_library(pair, radius_0_code_0),
       accepted},
      {"radius 0, code 0, track contact spring, vertical contact", track_spring, small_library(pair, radius_0_code_0),
       accepted},
      {"radius 0, code 0, track contact spring, creep forces", spatial_track_spring,
       small_library(pair, radius_0_code_0), data},
      {"radius 0, code 0, a single wheel has no pair", hertz,
       small_library("1 3 1 0 0 0", "1\n1e4 0\n0 0.3 0.7\n" + ok_modes), accepted},
      {"radius and half spacing 0, code -1, moving constant loads", moving_load,
       small_library(pair, "1 2\n1e4 1e4 -1\n1 1 0 0 800 20 0 0 0 0.3\n2 3\n" + ok_modes), accepted},
      {"radius 0, code 1, vertical contact", hertz, small_library(pair, radius_0_code_1), accepted},
      {"radius 0, code 1, creep forces", RunOptions{.contact_option = 1}, small_library(pair, radius_0_code_1), data},
      {"half spacing 0, code 1, moving constant loads", moving_load,
       small_library(pair, "1 2\n1e4 1e4 1\n1 1 0 0 800 20 0 0 0.43 0.3\n2 3\n" + ok_modes), accepted},
      {"negative radius, code 2", hertz,
       small_library(pair, "1 2\n1e4 1e4 2\n1e9 1e9 1e3 1e3 -0.43 0.3\n" + ok_modes), accepted},
      {"stiffness 0 of the first wheel, code 2", hertz,
       small_library(pair, "1 2\n1e4 1e4 2\n0 1e9 1e3 1e3 0.43 0.3\n" + ok_modes), accepted},
      {"stiffness 0 of the second wheel, code 2", hertz,
       small_library(pair, "1 2\n1e4 1e4 2\n1e9 0 1e3 1e3 0.43 0.3\n" + ok_modes), data},
      {"stiffness 0 of a guidance wheel, code 3", hertz,
       small_library(pair, "1 2\n50 50 3\n1e9 0 1e3 1e3 100 0\n" + ok_modes), accepted},
      {"two nodes where the library has room for three", hertz, small_library("1 2 0 0 0 0", ok_modes), accepted},
      {"track contact spring without stiffness, code 0", no_track_stiffness, small_library(pair, good_code_0),
       spring},
      {"track contact spring without stiffness, code 2 only", no_track_stiffness,
       small_library(pair, "1 2\n1e4 1e4 2\n1e9 1e9 1e3 1e3 0.43 0.3\n" + ok_modes), accepted},
      {"track contact spring without stiffness, moving constant loads",
       RunOptions{.contact_option = -1, .is_contact = 1}, small_library(pair, good_code_0), accepted},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    TrainInput in(c.library);
    SolutionParameters& sp = in.t->solution;
    sp.integration_method = c.run.method;
    sp.contact_option = c.run.contact_option;
    sp.IsContact = c.run.is_contact;
    sp.StiContact = c.run.contact_stiffness;
    if (c.expected.empty()) {
      in.read_library();
      EXPECT_EQ(in.t.console(), "");
    } else {
      EXPECT_EQ(test::expect_stop([&] { in.read_library(); }), 1);
      // The data-error line names the file whose value is refused, the next
      // line the value.
      const std::string out = in.t.console();
      const std::string first = test::data_error_line(c.expected);
      EXPECT_EQ(out.substr(0, out.find('\n') + 1), first.substr(0, first.find('\n') + 1));
      EXPECT_NE(out.find("): bad value "), std::string::npos) << out;
    }
  }
}

TEST(VehicleTypeLibrary, ContactValuesAndWheelLoadsBelow0AreRefusedWhereTheRunUsesThem) {
  // A wheel pair takes its contact values from its second wheel; code 3
  // takes a load below 100 N as the lateral offset of a guidance wheel; a
  // moving constant load uses the loads and no contact value; a
  // post-processing run uses neither.
  const std::string pair = "1 3 2 0 0 0";
  const std::string no_modes = "\n\n\n";
  const std::string parameters = "(type 1, contact parameters): bad value ";
  const std::string loads = "(type 1, wheel loads and contact code): bad value static load ";
  const RunOptions vertical{};
  const RunOptions moving_load{.contact_option = -1};
  const struct {
    const char* what;
    RunOptions run;
    std::string records;  // from the wheel nodes on
    std::string refused;  // the detail after the file name; empty: accepted
  } cases[] = {
      {"code 2, damping below 0", vertical, "1 2\n1e4 1e4 2\n1e9 1e9 1e3 -1e3 0.43 0.3\n",
       parameters + "contact damping -1000 of wheel entry 2, must be 0 or more"},
      {"code 2, damping below 0 of a first wheel", vertical, "1 2\n1e4 1e4 2\n1e9 1e9 -1e3 1e3 0.43 0.3\n", ""},
      {"code 2, damping below 0, moving constant loads", moving_load,
       "1 2\n1e4 1e4 2\n1e9 1e9 1e3 -1e3 0.43 0.3\n", ""},
      {"code 3, stiffness below 0 of a guidance wheel", vertical, "1 2\n0.01 0.01 3\n2000 -2000 10 10 100 0\n",
       parameters + "contact stiffness -2000 of wheel entry 2, must be 0 or more"},
      {"code 3, a guidance wheel's offset below 0", vertical, "1 2\n-0.01 -0.01 3\n2000 2000 10 10 100 0\n", ""},
      {"code 1, spring stiffness below 0", vertical,
       "1 2\n1e4 1e4 1\n5000 -5000 2000 2000 800 20 0.75 0 0.43 0.3\n2 3\n",
       parameters + "contact spring stiffness -5000 of wheel entry 2, must be 0 or more"},
      {"code 1, damping below 0", vertical, "1 2\n1e4 1e4 1\n5000 5000 2000 -2000 800 20 0.75 0 0.43 0.3\n2 3\n",
       parameters + "contact damping -2000 of wheel entry 2, must be 0 or more"},
      {"code 0, a static load below 0", vertical, "1 2\n1e4 -1e4 0\n0.43 0.3 0.7\n",
       loads + "-10000 N of wheel entry 2, must be 0 or more"},
      {"code 0, a first wheel's static load below 0", vertical, "1 2\n-1e4 1e4 0\n0.43 0.3 0.7\n",
       loads + "-10000 N of wheel entry 1, must be 0 or more"},
      {"code 0, a static load below 0, moving constant loads", moving_load, "1 2\n1e4 -1e4 0\n0.43 0.3 0.7\n",
       loads + "-10000 N of wheel entry 2, must be 0 or more"},
      {"code 0, a static load below 0, post-processing run", RunOptions{.method = -1},
       "1 2\n1e4 -1e4 0\n0.43 0.3 0.7\n", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    TrainInput in(small_library(pair, c.records + no_modes));
    in.t->solution.integration_method = c.run.method;
    in.t->solution.contact_option = c.run.contact_option;
    if (c.refused.empty()) {
      in.read_library();
      EXPECT_EQ(in.t.console(), "");
      continue;
    }
    EXPECT_EQ(test::expect_stop([&] { in.read_library(); }), 1);
    EXPECT_EQ(in.t.console(), test::data_error_line("\\Modal_Substructure_Vehicletypes.dat",
                                                    "Modal_Substructure_Vehicletypes.dat " + c.refused));
  }

  // The damper of the track contact spring, which wheels of code 0 run on.
  TrainInput spring(small_library(pair, "1 2\n1e4 1e4 0\n0.43 0.3 0.7\n" + no_modes));
  SolutionParameters& sp = spring.t->solution;
  sp.IsContact = 1;
  sp.StiContact = 6.0e7f;
  sp.DamContact = -8.0e4f;
  EXPECT_EQ(test::expect_stop([&] { spring.read_library(); }), 1);
  EXPECT_EQ(spring.t.console(), test::data_error_line("\\SolutionParameters.dat",
                                                      "SolutionParameters.dat (record 6, track contact spring): bad "
                                                      "value damping -80000, must be 0 or more where wheels of "
                                                      "contact code 0 run on the track contact spring"));
}

TEST(VehicleTypeLibrary, ModeValuesBelow0AreRefusedAndATypeWithEveryDampedModeOverdampedWarnsOnce) {
  // One type of three nodes and four modes.
  const auto library = [](const std::string& frequencies, const std::string& ratios) {
    return "1 1 3 0 0 0 4\n1 3 0 0 0 4\n1 0 0 0  2 1 0 0  3 2 0 0\n" + frequencies + "\n" + ratios + "\n" +
           test::fixture_shape_lines(1, 4, 3);
  };
  const std::string warning = " Warning: Modal_Substructure_Vehicletypes.dat, type 1: ";
  const std::string critical =
      ", at or beyond critical damping (a ratio is a fraction of critical damping: 0.02 for 2 %).\n";
  const std::string file = "Modal_Substructure_Vehicletypes.dat (type 1, ";
  const struct {
    const char* what;
    std::string frequencies, ratios;
    std::int32_t method;
    std::string console;  // a warning line, or the detail of the stop
    bool stops;
  } cases[] = {
      // Strong dampers may overdamp a mode (the shipped example's bogie
      // yaw); a rigid-body mode (0 Hz) takes no damping.
      {"a few overdamped modes among others", "0 0.86 1.2 6.8", "0 7.65 0.65 0.3", 4, "", false},
      {"a ratio below 0 of a rigid-body mode", "0 1 2 3", "-1 0.02 0.02 0.02", 4, "", false},
      {"per cent typed as ratios", "0 1 2 3", "0 2 2 5", 4,
       warning + "modes 2 to 4 have damping ratios 2 to 5" + critical, false},
      {"per cent typed as ratios beside an undamped mode", "0 1 2 3", "0 2 0 5", 4,
       warning + "2 modes from 2 to 4 have damping ratios 2 to 5" + critical, false},
      {"one critically damped mode and rigid-body modes", "0 1 0 0", "0 1 0 0", 4,
       warning + "mode 2 has the damping ratio 1" + critical, false},
      {"overdamped modes around a rigid-body mode", "1 0 3 4", "2 0.02 2 2", 4,
       warning + "3 modes from 1 to 4 have the damping ratio 2" + critical, false},
      {"a frequency below 0", "0 -1 2 3", "0 0.02 0.02 0.02", 4,
       file + "frequencies): bad value frequency -1 Hz of mode 2, must be 0 or more (0: a rigid-body mode)", true},
      {"a ratio below 0", "0 1 2 3", "0 0.02 -0.02 0.02", 4,
       file + "damping ratios): bad value damping ratio -0.02 of mode 3, must be 0 or more", true},
      {"a post-processing run integrates no vehicle", "0 -1 2 3", "0 -2 5 5", -1, "", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    TrainInput in(library(c.frequencies, c.ratios));
    in.t->solution.integration_method = c.method;
    if (c.stops) {
      EXPECT_EQ(test::expect_stop([&] { in.read_library(); }), 1);
      EXPECT_EQ(in.t.console(), test::data_error_line("\\Modal_Substructure_Vehicletypes.dat", c.console));
      continue;
    }
    in.read_library();
    EXPECT_EQ(in.t.console(), c.console);
    EXPECT_EQ(in.t->vehicles.vehicle_mode_damping_input(1, 2), std::stof(c.ratios.substr(c.ratios.find(' '))));
  }
}

TEST(VehicleTypeLibrary, AContactCodeWithoutALawUnderTheContactOptionIsRefusedNamingBothFiles) {
  // The combinations that the contact force model has no law for stop at
  // reading, with the model's own line first, instead of at the first step.
  const std::string type_line = " wheel rail/road contact type is not defined!\n";
  const std::string solution_line = " Solution type for wheel-rail interaction is not defined!\n";
  const std::string params[] = {"", "1 1 0 0 800 20 0.75 0 0.43 0.3\n2 3\n", "0.1 0.2 0.5 0.6 3.0\n",
                                "0.43 0.3 0.7\n", "1e9 1e9 1e3 1e3 0.43 0.3\n", "1e9 1e9 1e3 1e3 12000 5\n"};
  const auto parameters = [&](std::int32_t code) -> const std::string& {
    switch (code) {
      case -1: return params[1];
      case -2: return params[2];
      case 0: return params[3];
      case 2: return params[4];
      case 3: return params[5];
      default: return params[0];
    }
  };
  const struct {
    std::int32_t option, code;
    const std::string* line;  // nullptr: accepted
    const char* allowed;
  } cases[] = {
      {0, 7, &type_line, "0, 1, 2, 3 or -2"},   {0, -1, &type_line, "0, 1, 2, 3 or -2"},
      {1, -1, &type_line, "0, 1, 2 or 3"},      {1, -2, &solution_line, "0, 1, 2 or 3"},
      {2, 0, &solution_line, "2"},              {5, 3, &solution_line, "2"},
      {2, -2, &solution_line, "2"},             {2, 2, nullptr, ""},
      {0, -2, nullptr, ""},                     {1, 2, nullptr, ""},
      {1, 3, nullptr, ""},                      {-1, 7, nullptr, ""},
      {-1, -2, nullptr, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.option) + " " + std::to_string(c.code));
    TrainInput in(small_library("1 3 2 0 0 0", "1 2\n1e4 1e4 " + std::to_string(c.code) + "\n" +
                                                    parameters(c.code) + "\n\n\n"));
    in.t->solution.contact_option = c.option;
    if (!c.line) {
      in.read_library();
      EXPECT_EQ(in.t.console(), "");
      continue;
    }
    EXPECT_EQ(test::expect_stop([&] { in.read_library(); }), 1);
    EXPECT_EQ(in.t.console(),
              *c.line + test::data_error_line("\\Modal_Substructure_Vehicletypes.dat",
                                              "Modal_Substructure_Vehicletypes.dat (type 1, wheel loads and contact "
                                              "code): bad value contact code " +
                                                  std::to_string(c.code) + " under contact option " +
                                                  std::to_string(c.option) +
                                                  " (record 4 of SolutionParameters.dat), must be " + c.allowed));
  }
  // No law is evaluated in a post-processing run, nor for a type whose single
  // wheel forms no pair.
  TrainInput post(small_library("1 3 2 0 0 0", "1 2\n1e4 1e4 -2\n" + params[2] + "\n\n\n"));
  post.t->solution.integration_method = -1;
  post.t->solution.contact_option = 1;
  post.read_library();
  TrainInput single(small_library("1 3 1 0 0 0", "1\n1e4 -2\n0.1 0.5 3.0\n\n\n\n"));
  single.t->solution.contact_option = 1;
  single.read_library();
  EXPECT_EQ(post.t.console() + single.t.console(), "");
}

}  // namespace
}  // namespace tb
