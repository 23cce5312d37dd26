#include "input/train_organization.h"

#include <gtest/gtest.h>

#include "train_input_fixture.h"

namespace tb {
namespace {

using test::TrainInput;

TEST(TrainOrganization, FixtureReadsFleetsAndTrainsWithSpeedsInMetresPerSecond) {
  TrainInput in;
  in.read_all();
  EXPECT_EQ(in.t.console(), "");
  EXPECT_FALSE(in.t->units.is_open(in.t->control.unit_vehicle_organization));
  const TrainOrganization& o = in.t->trains;

  EXPECT_EQ(o.fleet_count, 2);
  EXPECT_EQ(o.max_vehicles_per_fleet, 3);
  EXPECT_EQ(o.fleet_vehicle_count(1), 3);
  EXPECT_EQ(o.fleet_vehicle_count(2), 1);
  const int types[2][3] = {{2, 1, 2}, {1, 0, 0}};
  for (int f = 1; f <= 2; ++f)
    for (int j = 1; j <= 3; ++j) EXPECT_EQ(o.fleet_vehicle_types(f, j), types[f - 1][j - 1]);

  EXPECT_EQ(o.train_count, 2);
  EXPECT_EQ(o.speed_stage_count, 2);
  EXPECT_EQ(o.train_fleet(1), 1);
  EXPECT_EQ(o.train_track(1), 2);
  EXPECT_EQ(o.train_fleet(2), 2);
  EXPECT_EQ(o.train_track(2), 1);
  // Each quantity for stage 1, then stage 2; km/h divided by 3.6; a speed
  // of 0 is a train at rest.
  const float speed[2][2] = {{20.0f, 0.0f}, {30.0f, 15.0f}}, lead_in[2][2] = {{10, 20}, {30, 40}},
              run_out[2][2] = {{5, 6}, {15, 16}}, setting[2][2] = {{0, 12}, {0, 0}},
              time[2][2] = {{1.5f, 2.5f}, {0, 0}};
  for (int t = 1; t <= 2; ++t)
    for (int s = 1; s <= 2; ++s) {
      EXPECT_EQ(o.train_speed(t, s), speed[t - 1][s - 1]) << t << s;
      EXPECT_EQ(o.train_lead_in(t, s), lead_in[t - 1][s - 1]);
      EXPECT_EQ(o.train_run_out(t, s), run_out[t - 1][s - 1]);
      EXPECT_EQ(o.brake_setting(t, s), setting[t - 1][s - 1]);
      EXPECT_EQ(o.brake_time(t, s), time[t - 1][s - 1]);
      EXPECT_EQ(o.brake_state(t, s), 0);
    }

  // The arrays of the stages, the contact and the results: trains 2, vehicle
  // slots 3, wheel entries 4, output items 3, vehicle types 2; all zero.
  const ResultBuffers& r = in.t->results;
  const TrainLayout& l = in.t->layout;
  auto extents = [](const auto& a, std::vector<int> e) {
    for (std::size_t d = 0; d < e.size(); ++d) EXPECT_EQ(a.extent(static_cast<int>(d + 1)), e[d]);
    for (float x : a.span()) EXPECT_EQ(x, 0.0f);
  };
  extents(o.vehicle_brake_state, {2, 3});
  extents(r.vehicle_output_response, {2, 3, 3, 3});
  extents(r.wheelset_result, {2, 3, 4, 5});
  extents(r.wheelset_irregularity_displacement, {2, 3, 4, 3});
  extents(r.wheelset_track_cant, {2, 3, 4});
  extents(r.wheelset_track_curvature, {2, 3, 4});
  extents(r.vehicle_track_acceleration, {2, 3, 2});
  extents(l.vehicle_type_length, {2});
  extents(l.wheelset_front_offset, {2, 4});
  extents(l.wheelset_start_position, {2, 3, 4});
  extents(l.wheelset_position, {2, 3, 4});
  EXPECT_EQ(l.vehicle_type_end_nodes.extent(1), 2);
  EXPECT_EQ(l.vehicle_type_end_nodes.extent(2), 2);
}

TEST(TrainOrganization, FullAndEmptyFleets) {
  // Fleet 1 is as long as the maximum; fleet 2 has no vehicles and still
  // passes over the record of its type list.
  TrainInput in(test::kVehicleLibrary,
                "2 2\n"
                "2\n"
                "1 2\n"
                "0\n"
                "no vehicles\n"
                "2 1\n"
                "1 1 72 0 0 0 0 rest of the line\n"
                "2 2 36 0 0 0 0\n");
  in.read_all();
  EXPECT_EQ(in.t.console(), "");
  const TrainOrganization& o = in.t->trains;
  EXPECT_EQ(o.fleet_vehicle_types(1, 2), 2);
  EXPECT_EQ(o.fleet_vehicle_types(2, 1), 0);
  EXPECT_EQ(o.train_fleet(2), 2);
  EXPECT_EQ(o.train_track(2), 2);
  EXPECT_EQ(o.train_speed(2, 1), 10.0f);
}

// The fleet header's largest vehicle count only bounds the fleets: a million
// declared for fleets of three and one vehicle sizes the per-vehicle tables
// with three slots, and the fleets read as with the exact count.
TEST(TrainOrganization, TheTablesTakeTheLargestFleetNotTheDeclaredLargest) {
  std::string organization = test::kTrainOrganization;
  organization.replace(0, organization.find('\n'), "2 1000000");
  TrainInput in(test::kVehicleLibrary, organization);
  in.read_all();
  EXPECT_EQ(in.t.console(), "");
  const TrainOrganization& o = in.t->trains;
  EXPECT_EQ(o.max_vehicles_per_fleet, 3);
  ASSERT_EQ(o.fleet_vehicle_types.extent(2), 3);
  const int types[2][3] = {{2, 1, 2}, {1, 0, 0}};
  for (int f = 1; f <= 2; ++f)
    for (int j = 1; j <= 3; ++j) EXPECT_EQ(o.fleet_vehicle_types(f, j), types[f - 1][j - 1]);
  EXPECT_EQ(o.vehicle_brake_state.extent(2), 3);
  EXPECT_EQ(in.t->results.wheelset_result.extent(2), 3);
  EXPECT_EQ(in.t->layout.wheelset_position.extent(2), 3);
}

TEST(TrainOrganization, AFleetNamesOnlyTypesThatARecordOfTheLibraryDescribes) {
  // A library of one type that no record describes (type record count 0 or
  // a record of type 2 only) would put a train of nothing on the bridge.
  const std::string type_line =
      "  \xB4\xED\xCE\xF3\xA3\xBA\xB3\xB5\xB6\xD3\xD6\xD0\xB3\xB5\xC1\xBE\xD0\xCD\xBA\xC5\xCE\xB4\xD4\xDA\xB3\xB5"
      "\xC1\xBE\xBF\xE2\xD6\xD0\xB6\xA8\xD2\xE5\xA3\xA1\n";
  const std::string fleet = "1 2\n2\n2 1\n0 1\n";
  for (const std::string library : {"0 2 3 0 0 0 0\n", "1 2 3 0 0 0 0\n2 3 0 0 0 0\n1 0 0 0 2 0 0 0 3 0 0 0\n\n\n\n"}) {
    SCOPED_TRACE(library);
    TrainInput in(library, fleet);
    EXPECT_EQ(test::expect_stop([&] { in.read_all(); }), 1);
    const std::string vehicle = library[0] == '0' ? "type 2 of vehicle 1" : "type 1 of vehicle 2";
    EXPECT_EQ(in.t.console(),
              type_line + test::data_error_line("\\VehicleOrganization.dat",
                                                "VehicleOrganization.dat (fleet 1, vehicle types): bad value " + vehicle +
                                                    ", which no type record of Modal_Substructure_Vehicletypes.dat "
                                                    "describes"));
  }
}

TEST(TrainOrganization, AFileEndingAfterTheSpeedsConvertsThemAndStops) {
  TrainInput in(test::kVehicleLibrary, "1 1\n1\n1\n1 2\n1 2 72 36\n");
  EXPECT_EQ(test::expect_stop([&] { in.read_all(); }), 1);
  EXPECT_EQ(in.t.console(),
            test::data_error_line("\\VehicleOrganization.dat",
                                  "VehicleOrganization.dat (train 1 of 1; count on line 4): the file ends after line "
                                  "5 before this record is complete"));
  const TrainOrganization& o = in.t->trains;
  EXPECT_EQ(o.train_speed(1, 1), 20.0f);
  EXPECT_EQ(o.train_speed(1, 2), 10.0f);
  EXPECT_EQ(o.train_lead_in(1, 1), 0.0f);
  EXPECT_EQ(o.brake_setting(1, 2), 0.0f);
}

TEST(TrainOrganization, NumbersOutsideWhatIsDefinedStopWithTheirMessage) {
  // The reader's own line (when it has one), the data-error line, and the
  // line that names the file, the record and the value.
  const std::string too_many =
      "  \xB4\xED\xCE\xF3\xA3\xBA\xB3\xB5\xB6\xD3\xD6\xD0\xB3\xB5\xC1\xBE\xCA\xFD\xC1\xBF\xB4\xF3\xD3\xDA\xB6\xA8"
      "\xD2\xE5\xB5\xC4\xD7\xEE\xB4\xF3\xD6\xB5\xA3\xA1\n";
  const std::string type =
      "  \xB4\xED\xCE\xF3\xA3\xBA\xB3\xB5\xB6\xD3\xD6\xD0\xB3\xB5\xC1\xBE\xD0\xCD\xBA\xC5\xCE\xB4\xD4\xDA\xB3\xB5"
      "\xC1\xBE\xBF\xE2\xD6\xD0\xB6\xA8\xD2\xE5\xA3\xA1\n";
  const std::string fleet =
      "  \xB4\xED\xCE\xF3\xA3\xBA\xB3\xB5\xB6\xD3\xB1\xE0\xBA\xC5\xCE\xB4\xD4\xDA\xB3\xB5\xC1\xBE\xBF\xE2\xD6\xD0"
      "\xB6\xA8\xD2\xE5\xA3\xA1\n";
  const std::string track =
      "  \xB4\xED\xCE\xF3\xA3\xBA\xB9\xEC\xB5\xC0\xB1\xE0\xBA\xC5\xCE\xB4\xD4\xDARails_Location.dat\xD6\xD0\xB6\xA8"
      "\xD2\xE5\xA3\xA1\n";
  const std::string none;
  const std::string file = "VehicleOrganization.dat";
  const std::string one_fleet = "1 2\n2\n1 2\n";
  const struct {
    const char* what;
    std::string organization;
    const std::string& message;
    std::string detail;
  } cases[] = {
      {"empty file", "", none, file + ": the file is empty"},
      {"more vehicles than the maximum", "1 2\n3\n1 1 1\n0 0\n", too_many,
       file + " (fleet 1, vehicle count): bad value 3, must be 0 to 2 (the fleet header's largest)"},
      {"negative vehicle count", "1 2\n-1\n\n0 0\n", none,
       file + " (fleet 1, vehicle count): bad value -1, must be 0 to 2 (the fleet header's largest)"},
      {"type above the library", "1 2\n2\n1 3\n0 0\n", type,
       file + " (fleet 1, vehicle types): bad value type 3 of vehicle 2, must be 1 to 2 (the vehicle library's types)"},
      {"type 0", "1 2\n2\n0 1\n0 0\n", type,
       file + " (fleet 1, vehicle types): bad value type 0 of vehicle 1, must be 1 to 2 (the vehicle library's types)"},
      {"type list cut short", "1 2\n2\n1\n", none,
       file + " (vehicle type 2 of 2, fleet 1; count on line 2): the file ends after line 3 before this record is "
              "complete"},
      {"a letter in a type list", "1 2\n2\nl 1\n0 0\n", none,
       file + " line 3 (vehicle type 1 of 2, fleet 1; count on line 2): bad value \"l\", not a number"},
      {"a speed of two decimal points", one_fleet + "1 1\n1 1 72.5. 0 0 0 0\n", none,
       file + " line 5 (train 1 of 1; count on line 4): bad value \"72.5.\", not a number"},
      {"fleet above the fleet count", one_fleet + "1 1\n2 1 72 0 0 0 0\n", fleet,
       file + " (train 1): bad value fleet 2, must be 1 to 1"},
      {"fleet 0", one_fleet + "1 1\n0 1 72 0 0 0 0\n", fleet, file + " (train 1): bad value fleet 0, must be 1 to 1"},
      {"track above the track count", one_fleet + "1 1\n1 3 72 0 0 0 0\n", track,
       file + " (train 1): bad value track 3, must be 1 to 2 (the tracks of Rails_Location.dat)"},
      // A train runs towards its track's last control point; a reversed
      // track turns the direction, not the file.
      {"a negative speed in stage 2", one_fleet + "1 2\n1 1 72 -72  0 0  0 0  0 0  0 0\n", none,
       file + " (train 1): bad value speed -72 km/h in speed stage 2, must be 0 or more (a train runs from its "
              "track's first control point towards the last)"},
      {"no speed stage", one_fleet + "1 0\n1 1\n", none,
       file + " (train header): bad value 0 speed stages, must be 1 or more"},
      {"a negative train count", one_fleet + "-1 1\n", none,
       file + " (train header): bad value -1 trains, must be 0 or more"},
      {"track 0", one_fleet + "1 1\n1 0 72 0 0 0 0\n", track,
       file + " (train 1): bad value track 0, must be 1 to 2 (the tracks of Rails_Location.dat)"},
      {"a negative fleet count", "-1 2\n0 1\n", none, file + " (fleet header): bad value -1 fleets, must be 0 or more"},
      {"a negative largest vehicle count", "1 -2\n0\n\n0 1\n", none,
       file + " (fleet header): bad value largest vehicle count -2, must be 0 or more"},
      {"a train count that the file cannot hold", one_fleet + "100000000 1\n1 1 72 0 0 0 0\n", none,
       file + " (train header): bad value train count 100000000, more records than the 7 values that the rest of "
              "the file holds"},
      {"a real for a vehicle count", "1 2\n2.0\n1 2\n0 1\n", none,
       file + " line 2 (fleet 1 of 1, vehicle count; count on line 1): bad value \"2.0\", must be a whole number"},
  };
  for (const auto& c : cases) {
    TrainInput in(test::kVehicleLibrary, c.organization);
    EXPECT_EQ(test::expect_stop([&] { in.read_all(); }), 1) << c.what;
    EXPECT_EQ(in.t.console(), c.message + test::data_error_line("\\VehicleOrganization.dat", c.detail)) << c.what;
  }
}

}  // namespace
}  // namespace tb
