// The largest counts that a file declares beyond what its records use (the
// fleet header's largest vehicle count, the library header's largest node,
// wheel entry, output and mode counts) change nothing of a run: the result
// files stay byte for byte those of the exact counts, and the tables that
// every pass of the time steps zeroes, copies and compares keep the size of
// the vehicles, wheels and modes that the trains have.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <vector>

#include "run/run_control.h"
#include "test_support.h"

namespace tb {
namespace {

namespace fs = std::filesystem;

const char* const kResultFiles[] = {"Res_DisResults_Bridge.bin",
                                    "Res_AccResults_Bridge.bin",
                                    "Res_DisResults_Vehicles.bin",
                                    "Res_AccResults_Vehicles.bin",
                                    "Res_DerailmentFactor_Vehicles.bin",
                                    "Res_ReductionRation_Vehicles.bin",
                                    "Res_WheelsetirregDisVehilces.bin",
                                    "Res_BrakeForceDis_Vehicles.bin",
                                    "Res_Modal_Coordinate_Results_Bridge.bin",
                                    "Res_BridgeResponseBulkDate_disacc.bin",
                                    "Res_BridgeResponseBulkDate_stress.bin",
                                    "Res_BridgeResponseBulkDate_dis_static.bin",
                                    "Res_BridgeResponseBulkDate_stress_static.bin"};

// The shipped example shortened to one car of the example's type crossing
// once; `largest_vehicles` is the fleet header's largest vehicle count and
// `library_header` the first line of the vehicle type library.
struct ShortExample {
  test::TestContext t;

  ShortExample(const std::string& largest_vehicles, const std::string& library_header) {
    fs::copy(fs::path(TRAINBRIDGE_SOURCE_DIR) / "examples/case", t.dir.path(), fs::copy_options::recursive);
    const fs::path input = t.dir / "input";
    test::write_file(input / "VehicleOrganization.dat",
                     "1 " + largest_vehicles + "\n1\n1\n1 1\n1 1 250 -2.0 -40 0.0 0.0\n");
    std::string library = test::read_file(input / "Modal_Substructure_Vehicletypes.dat");
    library.replace(0, library.find('\n'), library_header);
    test::write_file(input / "Modal_Substructure_Vehicletypes.dat", library);
    t->clock = [] { return ClockReading{2026, 12, 10, 0, 8, 0, 0, 0}; };
  }
  int run() { return run_program(*t); }
  std::string result(const char* name) { return test::read_file(t.dir / "input" / name); }
};

TEST(DeclaredCounts, LargestCountsBeyondTheRecordsChangeNoResultAndNoTableOfTheTimeSteps) {
  ShortExample exact("1", "  1 1 16 8 0 6 32");
  ShortExample declared("1000000", "  1 1 40 20 0 12 4000");
  ASSERT_EQ(exact.run(), 0) << exact.t.console();
  ASSERT_EQ(declared.run(), 0) << declared.t.console();
  for (const char* name : kResultFiles) {
    const std::string bytes = exact.result(name);
    EXPECT_FALSE(bytes.empty()) << name;
    EXPECT_TRUE(bytes == declared.result(name)) << name;
  }

  // One train of one car: 8 wheel entries, 6 outputs, 32 modes, 16 nodes.
  const RunContext& c = *declared.t;
  const auto extents = [](const auto& a) {
    return std::vector<std::int32_t>{a.extent(1), a.extent(2), a.extent(3), a.extent(4)};
  };
  EXPECT_EQ(extents(c.solver.vehicle_modal_state), (std::vector<std::int32_t>{1, 1, 32, 3}));
  EXPECT_EQ(extents(c.solver.vehicle_modal_state_prev_iter), (std::vector<std::int32_t>{1, 1, 32, 3}));
  EXPECT_EQ(extents(c.results.wheelset_result), (std::vector<std::int32_t>{1, 1, 8, 5}));
  EXPECT_EQ(extents(c.results.vehicle_output_response), (std::vector<std::int32_t>{1, 1, 6, 3}));
  EXPECT_EQ(extents(c.vehicles.vehicle_mode_shapes), (std::vector<std::int32_t>{1, 32, 16, 6}));
  EXPECT_EQ(c.trains.max_vehicles_per_fleet, 1);
  EXPECT_EQ(c.trains.fleet_vehicle_types.extent(2), 1);
  EXPECT_EQ(c.layout.wheelset_position.extent(2), 1);
  EXPECT_EQ(c.layout.wheelset_position.extent(3), 8);
}

}  // namespace
}  // namespace tb
