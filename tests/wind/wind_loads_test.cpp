#include <gtest/gtest.h>

#include <string>

#include "integration/loads.h"
#include "test_support.h"
#include "wind/wind_coefficients.h"

namespace tb {
namespace {

// A deck of three nodes (listed out of order in the wind group) in a mean
// wind without turbulence: the read group's two elements carry drag, lift
// and moment, shared by their end nodes' mode shapes, and the modal force
// grows with the square of the mean wind speed.
TEST(WindLoads, ReadGroupsLoadTheBridgeModesWithTheMeanWind) {
  auto modal_force = [](float speed) {
    test::TestContext t;
    RunContext& c = *t;
    BridgeModalModel& b = c.bridge;
    b.bridge_node_count = 3;
    b.bridge_mode_count = 1;
    b.node_numbers.resize(3);
    b.node_coordinates.resize(3, 3);
    b.mode_shapes.resize(1, 3, 6);
    const float x[] = {0.0f, 10.0f, 30.0f};
    const float lateral[] = {0.0f, 1.0f, 0.5f}, vertical[] = {0.1f, 0.2f, 0.3f}, torsion[] = {0.01f, 0.02f, 0.0f};
    for (int n = 1; n <= 3; ++n) {
      b.node_numbers(n) = 10 * n;
      b.node_coordinates(n, 1) = x[n - 1];
      b.mode_shapes(1, n, 2) = vertical[n - 1];
      b.mode_shapes(1, n, 3) = lateral[n - 1];
      b.mode_shapes(1, n, 4) = torsion[n - 1];
    }
    c.solution.time_step = 0.001f;
    c.solver.bridge_modal_force.resize(1);
    test::write_file(t.dir / "Wind_Coefficients.dat",
                     "1.25 " + std::to_string(speed) + " 0\n-100\n0\n0.05 0 20 2 100 1 0 4 0 0\n1\n"
                     "2 3 1\n1\n1.5\n1\n0.2\n1\n0.05\n0\n\n0\n\n0\n\n"
                     "0\n1 3\n1 3\n30 10 20\n");
    c.units.open(c.control.unit_wind_coefficients, "Wind_Coefficients.dat", OpenMode::unknown, UnitForm::text);
    read_wind_coefficients(c, c.control.unit_wind_coefficients);
    EXPECT_EQ(t.console(), "");
    apply_external_and_wind_forces(c, 1, 5.0f);
    return c.solver.bridge_modal_force(1);
  };
  const double q = 0.5 * 1.25 * 20.0 * 20.0;
  double expected = 0.0;
  const double length[] = {10.0, 20.0};
  const double lateral[] = {0.5, 0.75}, vertical[] = {0.15, 0.25}, torsion[] = {0.015, 0.01};
  for (int e = 0; e < 2; ++e)
    expected += q * length[e] * (3.0 * 0.2 * vertical[e] + 2.0 * 1.5 * lateral[e] + 3.0 * 3.0 * 0.05 * torsion[e]);
  const double slow = modal_force(20.0f);
  EXPECT_NEAR(slow / expected, 1.0, 1e-6);
  EXPECT_NEAR(modal_force(40.0f) / slow, 4.0, 1e-6);
}

}  // namespace
}  // namespace tb
