#include "interaction/coupler_forces.h"

#include <gtest/gtest.h>

#include "interaction/vehicle_train_fixture.h"

namespace tb {
namespace {

// Vehicles whose modes 1-3 move the rear coupling node (node 3) and modes
// 4-6 the front coupling node (node 1) along x, y, z; spring id 1 has the
// stiffness k_d and damping c_d below, id 2 ten times the stiffness.
struct CoupledTrain : test::VehicleTrain {
  static constexpr float k[3] = {1.0E6f, 2.0E6f, 3.0E6f};
  static constexpr float c[3] = {1.0E3f, 2.0E3f, 3.0E3f};

  explicit CoupledTrain(const std::vector<std::int32_t>& types, std::int32_t trains = 1)
      : VehicleTrain(types, 6, trains, 2) {
    for (std::int32_t ty = 1; ty <= 2; ++ty)
      for (std::int32_t d = 1; d <= 3; ++d) {
        shape(ty, d, 3, d, 1.0f);
        shape(ty, 3 + d, 1, d, 1.0f);
      }
    for (std::int32_t d = 1; d <= 3; ++d) {
      t->springs.spring_parameters(1, d, 1) = 1.0f;
      t->springs.spring_parameters(1, d, 2) = k[d - 1];
      t->springs.spring_parameters(1, d, 3) = c[d - 1];
      t->springs.spring_parameters(2, d, 2) = 10.0f * k[d - 1];
    }
    t->brakes.type_coupler_spring(1) = 1;
    t->brakes.type_coupler_spring(2) = 2;
  }
  // Displacement and velocity of the front (node 1) or rear (node 3)
  // coupling node of vehicle j along d.
  void move(std::int32_t train, std::int32_t j, bool front, std::int32_t d, double u, double v) {
    t->solver.vehicle_modal_state(train, j, (front ? 3 : 0) + d, 1) = u;
    t->solver.vehicle_modal_state(train, j, (front ? 3 : 0) + d, 2) = v;
  }
  void run() {
    t->solver.vehicle_modal_force.fill(0.0);
    compute_coupler_forces(*t);
  }
};

TEST(CouplerForces, EqualAndOppositeOnTheTwoCouplingNodes) {
  CoupledTrain c({1, 1});
  c.t->trains.brake_state(1, 1) = 300;
  // The leading vehicle's rear node and the following vehicle's front node.
  c.move(1, 1, false, 1, 0.002, 0.01);
  c.move(1, 2, true, 1, 0.003, 0.01);  // 0.001 m further along x, same speed
  c.move(1, 1, false, 2, -0.001, 0.0);
  c.move(1, 2, true, 2, 0.0, 0.05);
  c.move(1, 1, false, 3, 0.004, 0.02);
  c.move(1, 2, true, 3, 0.004, 0.02);  // the same motion along z
  c.move(1, 1, true, 1, 0.5, 0.5);  // the outer coupling nodes play no part
  c.move(1, 2, false, 1, 0.5, 0.5);
  c.run();
  const double expected[3] = {1000.0, 2.0E6 * 0.001 + 2.0E3 * 0.05, 0.0};
  for (std::int32_t d = 1; d <= 3; ++d) {
    EXPECT_NEAR(c.force(1, 1, d), expected[d - 1], 1.0E-3) << d;
    EXPECT_EQ(c.force(1, 2, 3 + d), -c.force(1, 1, d)) << d;
    EXPECT_EQ(c.force(1, 1, 3 + d), 0.0) << d;
    EXPECT_EQ(c.force(1, 2, d), 0.0) << d;
  }
}

TEST(CouplerForces, ActOnlyWhileABrakeModeIsActiveAndByTheLeadingType) {
  const struct {
    const char* what;
    std::vector<std::int32_t> fleet;
    std::int32_t braking_train;  // 0: none
    double expected;             // force along x on the first vehicle's rear node
  } cases[] = {
      {"no brake mode", {1, 2}, 0, 0.0},
      {"type 1 ahead: its spring", {1, 2}, 1, 1000.0},
      {"type 2 ahead: its spring", {2, 1}, 1, 10000.0},
      {"another train brakes", {1, 2}, 2, 1000.0},
      {"one vehicle", {1}, 1, 0.0},
  };
  for (const auto& k : cases) {
    CoupledTrain c(k.fleet, 2);
    if (k.braking_train > 0) c.t->trains.brake_state(k.braking_train, 1) = 100;
    if (k.fleet.size() > 1) c.move(1, 2, true, 1, 0.001, 0.0);
    c.run();
    EXPECT_NEAR(c.force(1, 1, 1), k.expected, 1.0E-3) << k.what;
  }
  // A leading type without a coupler.
  CoupledTrain none({1, 2});
  none.t->trains.brake_state(1, 1) = 200;
  none.t->brakes.type_coupler_spring(1) = 0;
  none.move(1, 2, true, 1, 0.001, 0.0);
  none.run();
  EXPECT_EQ(none.force(1, 1, 1), 0.0);
  EXPECT_EQ(none.force(1, 2, 4), 0.0);
}

TEST(CouplerForces, CouplerSpringsMustBeVehicleSpringIds) {
  const std::string error = test::data_error_line(
      "BrakePara.dat",
      "BrakePara.dat (coupler spring of vehicle type 2): bad value 3, must be 0 (no coupler) to 2 "
      "(the vehicle spring ids)");
  for (std::int32_t id : {-1, 0, 1, 2}) {
    CoupledTrain c({1, 2});
    c.t->brakes.type_coupler_spring(2) = id;
    check_coupler_springs(*c.t);
    EXPECT_EQ(c.t.console(), "") << id;
  }
  CoupledTrain c({1, 2});
  c.t->brakes.type_coupler_spring(2) = 3;  // two vehicle ids: a bridge row or none
  EXPECT_EQ(test::expect_stop([&] { check_coupler_springs(*c.t); }), 1);
  EXPECT_EQ(c.t.console(), error);
  // Without brake parameters there is no coupler.
  CoupledTrain unread({1, 2});
  unread.t->brakes = BrakeParameters{};
  check_coupler_springs(*unread.t);
  EXPECT_EQ(unread.t.console(), "");
}

}  // namespace
}  // namespace tb
