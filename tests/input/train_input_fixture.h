// A small model of vehicles and trains for the tests of their readers: a
// library of two vehicle types, an organisation of two trains on two tracks,
// and a bridge of three nodes for the external forces.
#pragma once

#include <string>
#include <string_view>

#include "input/external_forces.h"
#include "input/train_organization.h"
#include "input/vehicle_types.h"
#include "test_support.h"

namespace tb::test {

// Mode shape value of the fixture: type k, mode j, node position n, component c.
inline float fixture_shape(int k, int j, int n, int c) { return static_cast<float>(k * 1000 + j * 100 + n * 10 + c); }

inline std::string fixture_shape_lines(int k, int modes, int nodes) {
  std::string s;
  for (int j = 1; j <= modes; ++j)
    for (int n = 1; n <= nodes; ++n) {
      for (int c = 1; c <= 6; ++c) s += " " + std::to_string(k * 1000 + j * 100 + n * 10 + c);
      s += "\n";
    }
  return s;
}

// Type 2 comes first: the records carry their own type numbers. Type 2 has
// four wheel entries under contact code 1 (spread over several lines), two
// spring elements and three output items; type 1 two wheel entries under
// code 2, with its node table on one line.
inline const std::string kVehicleLibrary =
    "2 2 5 4 2 3 2    records, types, max nodes, wheel entries, springs, outputs, modes\n"
    "2  5 4 2 3 2\n"
    "201  9.0  1.0  0.0\n"
    "202  4.5  1.2  0.0\n"
    "203  0.0  1.0  0.0\n"
    "204  7.0  0.45 0.0\n"
    "205  2.0  0.45 0.0\n"
    "204 204 205 205\n"
    "60000 60000 61000 61000  1   static loads, contact code\n"
    "1.0E6 1.0E6 1.1E6 1.1E6\n"
    "2000 2000 2100 2100\n"
    "1500 800 0.7465 0.2 0.43 0.25\n"
    "201 201 203 203\n"
    "202 201 0 1   202 203 201 2\n"
    "202 2\n"
    "203 3\n"
    "201 1\n"
    "1.25 2.5\n"
    "0.02 0.03\n" +
    fixture_shape_lines(2, 2, 5) +
    "1  3 2 0 0 1\n"
    "11 -1.0 0.5 0.0  12 0.0 0.5 0.0  13 1.0 0.5 0.0\n"
    "13 12\n"
    "50000 50000 2\n"
    "2.0E9 2.1E9 1.0E5 1.1E5 0.45 0.3\n"
    "0.8\n"
    "0.05\n" +
    fixture_shape_lines(1, 1, 3);

// Fleet 1: types 2, 1, 2; fleet 2: type 1. Train 1 (fleet 1 on track 2) has
// its record on one line, train 2 (fleet 2 on track 1) spread over lines.
inline const std::string kTrainOrganization =
    "2 3     fleets, max vehicles per fleet\n"
    "3\n"
    "2 1 2\n"
    "1\n"
    "1\n"
    "2 2     trains, speed stages\n"
    "1 2  72 0  10 20  5 6  0 12  1.5 2.5\n"
    "2 1\n"
    "108 54\n"
    "30 40 15 16\n"
    "0 0 0 0\n";

// A run context with the three files on their units, two tracks and a bridge
// of the nodes 10, 20 and 30.
struct TrainInput {
  TestContext t;

  explicit TrainInput(const std::string& library = kVehicleLibrary,
                      const std::string& organization = kTrainOrganization, const std::string& forces = "") {
    file(t->control.unit_vehicle_types, "Modal_Substructure_Vehicletypes.dat", library);
    file(t->control.unit_vehicle_organization, "VehicleOrganization.dat", organization);
    file(t->control.unit_external_forces, "ExternalForces.dat", forces);
    t->track.track_count = 2;
    t->bridge.bridge_node_count = 3;
    t->bridge.node_numbers.resize(3);
    t->bridge.node_numbers(1) = 10;
    t->bridge.node_numbers(2) = 20;
    t->bridge.node_numbers(3) = 30;
  }

  void file(std::int32_t unit, const std::string& name, const std::string& content) {
    write_file(t.dir / name, content);
    t->units.open(unit, name, OpenMode::unknown, UnitForm::text);
  }

  void read_library() {
    read_vehicle_type_library(*t);
    map_vehicle_interface_nodes(*t);
    map_vehicle_spring_nodes(*t);
    map_vehicle_output_nodes(*t);
  }

  // The readers in the order of the start-up.
  void read_all() {
    read_library();
    read_train_organization(*t);
    read_external_forces(*t);
  }
};

}  // namespace tb::test
