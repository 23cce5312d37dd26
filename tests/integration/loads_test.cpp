#include "integration/loads.h"

#include <gtest/gtest.h>

#include <cmath>

#include "integration_fixture.h"

namespace tb {
namespace {

TEST(Loads, StaticWheelLoadsActDownwardAtTheWheelNodes) {
  test::IntegrationModel m(0.0f, 100.0f, 1, 2, 2, 0);
  RunContext& c = *m.t;
  c.solver.vehicle_modal_force.resize(1, 1, 2);
  compute_vehicle_loads(c, 1, 1.0f);
  // Wheels at nodes 2 and 4, vertical shapes 0.01 n.
  const double expected = -(1000.0f * 0.02f + 2000.0f * 0.04f);
  EXPECT_NEAR(c.solver.vehicle_modal_force(1, 1, 1), expected, 1e-3);
  compute_vehicle_loads(c, 1, 1.0f);  // nothing is cleared: a second call adds again
  EXPECT_NEAR(c.solver.vehicle_modal_force(1, 1, 2), 2.0 * expected, 1e-3);
  c.vehicles.contact_type(1) = 1;  // contact code 1 carries no static wheel loads here
  c.solver.vehicle_modal_force.fill(0.0);
  compute_vehicle_loads(c, 1, 1.0f);
  EXPECT_EQ(c.solver.vehicle_modal_force(1, 1, 1), 0.0);
}

TEST(Loads, TabulatedAndHarmonicExternalForces) {
  test::IntegrationModel m;
  RunContext& c = *m.t;
  m.add_harmonic_force(1, 2, 100.0f, 1.0f);
  c.solver.bridge_modal_force.resize(2);
  apply_external_and_wind_forces(c, 1, 250.0f);  // t = 0.25 s: sin(pi/2)
  EXPECT_NEAR(c.solver.bridge_modal_force(1), 100.0 * 1.0, 1e-3);
  EXPECT_NEAR(c.solver.bridge_modal_force(2), 100.0 * 0.5, 1e-3);

  ExternalForceTable& x = c.external_forces;
  x.force_kind(1) = 1;
  x.force_point_count(1) = 3;
  x.force_table_time.resize(3, 1);
  x.force_table_value.resize(3, 1);
  const float times[3] = {0.0f, 1.0f, 2.0f}, values[3] = {0.0f, 10.0f, 0.0f};
  for (int j = 1; j <= 3; ++j) x.force_table_time(j, 1) = times[j - 1], x.force_table_value(j, 1) = values[j - 1];
  c.solution.time_step = 0.5f;
  const struct {
    float step;
    float value;
  } cases[] = {{1.0f, 5.0f}, {2.0f, 10.0f}, {4.0f, 0.0f}, {-1.0f, 0.0f}, {3.0f, 5.0f}};
  for (const auto& k : cases) EXPECT_EQ(external_force_value(c, 1, k.step), k.value) << k.step;
}

}  // namespace
}  // namespace tb
