#include "interaction/vehicle_forces.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <vector>

#include "fixtures/train_builders.h"
#include "integration/integration_fixture.h"
#include "integration/time_integration.h"
#include "interaction/brakes.h"
#include "interaction/coupler_forces.h"
#include "interaction/running_resistance.h"
#include "interaction/spring_forces.h"
#include "interaction/track_geometry_loads.h"
#include "interaction/vehicle_train_fixture.h"
#include "interaction/wheel_rail_interaction.h"

namespace tb {
namespace {

// Two coupled vehicles whose three modes mix the motions of every node, with
// a linear spring (id 1) between the body node and the rear coupling node,
// braking in mode 300 on a canted curve: every contribution is present.
struct BusyTrain : test::VehicleTrain {
  BusyTrain() : VehicleTrain({1, 1}, 3) {
    RunContext& c = *t;
    for (std::int32_t m = 1; m <= 3; ++m)
      for (std::int32_t n = 1; n <= kNodes; ++n)
        for (std::int32_t d = 1; d <= 6; ++d) shape(1, m, n, d, 0.1f * static_cast<float>(m + n) - 0.07f * d);
    for (std::int32_t j = 1; j <= 2; ++j)
      for (std::int32_t m = 1; m <= 3; ++m) {
        c.solver.vehicle_modal_state(1, j, m, 1) = 1.0E-3 * (j + 2 * m);
        c.solver.vehicle_modal_state(1, j, m, 2) = -2.0E-3 * (m - j);
      }
    c.vehicles.vehicle_spring_count(1) = 1;
    const std::int32_t row[4] = {2, 3, 0, 1};
    for (std::int32_t x = 1; x <= 4; ++x) c.vehicles.vehicle_spring_nodes(1, 1, x) = row[x - 1];
    c.springs.spring_dof_count = 3;
    for (std::int32_t d = 1; d <= 3; ++d) {
      c.springs.spring_parameters(1, d, 1) = 1.0f;  // linear
      c.springs.spring_parameters(1, d, 2) = 2.0E5f * d;
      c.springs.spring_parameters(1, d, 3) = 1.0E3f;
      c.springs.spring_parameters(2, d, 2) = 1.0E6f;  // the coupler
      c.springs.spring_parameters(2, d, 3) = 1.0E4f;
    }
    c.brakes.type_coupler_spring(1) = 2;
    c.trains.brake_state(1, 1) = 300;
    c.trains.vehicle_brake_state(1, 2) = -300.0f;
    c.step.current_time = 3.0f;
    c.vehicles.type3_contact_param_a(1) = 15000.0f;
    track(0.05f, 1.0f / 1500.0f);
  }
};

// The assembly adds to what the forces hold exactly the springs, the
// couplers, the resistance and brake shares, and the track-geometry loads,
// each once, in this order.
TEST(VehicleInternalForces, AddsExactlyTheFourContributions) {
  BusyTrain b;
  RunContext& c = *b.t;
  const std::vector<std::function<void(RunContext&)>> steps = {
      compute_vehicle_spring_forces, compute_coupler_forces, apply_running_and_brake_forces,
      compute_track_geometry_loads};
  c.solver.vehicle_modal_force.fill(7.0);
  std::vector<double> before(c.solver.vehicle_modal_force.data(),
                             c.solver.vehicle_modal_force.data() + c.solver.vehicle_modal_force.size());
  for (const auto& step : steps) {
    step(c);
    // Each contribution changes some force.
    EXPECT_FALSE(std::equal(before.begin(), before.end(), c.solver.vehicle_modal_force.data()));
    before.assign(c.solver.vehicle_modal_force.data(),
                  c.solver.vehicle_modal_force.data() + c.solver.vehicle_modal_force.size());
  }
  c.solver.vehicle_modal_force.fill(7.0);
  assemble_vehicle_internal_forces(c);
  for (std::size_t i = 0; i < before.size(); ++i) EXPECT_EQ(c.solver.vehicle_modal_force.data()[i], before[i]) << i;
}

// A spring along x between node 3 (x = 0) and node 2 (x = 6): the element
// path gives the frame-less path's force and keeps the element's trial
// state; the frame-less path leaves the state alone.
TEST(VehicleInternalForces, SpringPathByTheElementFlag) {
  for (std::int32_t flag : {0, 1}) {
    test::VehicleTrain v({1, 1}, 1);
    RunContext& c = *v.t;
    v.shape(1, 1, 2, 1, 1.0f);
    c.vehicles.vehicle_spring_count(1) = 1;
    const std::int32_t row[4] = {3, 2, 0, 1};
    for (std::int32_t x = 1; x <= 4; ++x) c.vehicles.vehicle_spring_nodes(1, 1, x) = row[x - 1];
    c.springs.spring_parameters(1, 1, 1) = 1.0f;
    c.springs.spring_parameters(1, 1, 2) = 1.0E5f;
    c.springs.vehicle_springs_need_elements = flag;
    SpringElementState& s = c.spring_state;
    for (auto* a : {&s.vehicle_spring_state_prev, &s.vehicle_spring_state}) {
      a->resize(1, 2, 1, 6);
      a->fill(1);
    }
    for (auto* a : {&s.vehicle_spring_force_prev, &s.vehicle_spring_force, &s.vehicle_spring_memory_prev,
                    &s.vehicle_spring_memory}) {
      a->resize(1, 2, 1, 6);
    }
    s.vehicle_spring_force.fill(5.0f);
    c.solver.vehicle_modal_state(1, 1, 1, 1) = 0.01;  // vehicle 1 stretched by 0.01 m
    c.solver.vehicle_modal_state(1, 2, 1, 1) = -0.02;
    assemble_vehicle_internal_forces(c);
    EXPECT_NEAR(v.force(1, 1, 1), -1000.0, 1.0E-3) << flag;
    EXPECT_NEAR(v.force(1, 2, 1), 2000.0, 1.0E-3) << flag;
    EXPECT_FLOAT_EQ(s.vehicle_spring_force(1, 1, 1, 1), flag == 1 ? 1000.0f : 5.0f) << flag;
    EXPECT_FLOAT_EQ(s.vehicle_spring_force(1, 2, 1, 1), flag == 1 ? -2000.0f : 5.0f) << flag;
  }
}

// The wheel-rail interaction puts the wheel brake forces on the vehicle, the
// assembly its brake force share (and for a shoe brake the running
// resistance): in every brake mode the whole opposes the motion, and the
// notch brakes retard the vehicle's mass by their notch deceleration.
TEST(VehicleInternalForces, BrakeForcesOpposeTheMotionInEveryMode) {
  const struct {
    const char* what;
    float command;
    std::int32_t kind;
  } modes[] = {{"shoe brake", 100.0f, 0}, {"mode 200 kind 2", 200.0f, 2}, {"mode 200 kind 3", 200.0f, 3},
               {"mode 300 kind 2", 300.0f, 2}, {"mode 300 kind 3", 300.0f, 3}};
  for (const auto& m : modes)
    for (float speed : {20.0f, -20.0f}) {
      // One vehicle with one wheel pair (1000 N and 2000 N) on spring-damper
      // wheels; its single mode moves the whole vehicle along x.
      test::IntegrationModel model(0.0f, 100.0f, 1, 1, 1, 2);
      RunContext& c = *model.t;
      model.spring_damper_wheels(1.0E8f);
      VehicleTypeLibrary& lib = c.vehicles;
      lib.vehicle_mode_shapes.fill(0.0f);
      for (std::int32_t n = 1; n <= 4; ++n) lib.vehicle_mode_shapes(1, 1, n, 1) = 1.0f;
      TrainOrganization& tr = c.trains;
      tr.train_speed(1, 1) = speed;
      tr.brake_setting(1, 1) = m.command;
      tr.brake_time(1, 1) = 1.0f;
      test::make_brake_table(c, {{m.kind, 4.0f, m.kind == 0 ? 0.05f : 60000.0f}});
      allocate_solver_state(c, true);
      c.layout.wheelset_position.fill(50.0f);
      c.step.current_stage = c.step.current_stage_copy = 1;
      c.step.current_time = 5.0f;

      compute_wheel_rail_interaction(c, 0, 1, 5000.0f);
      const double wheels = c.solver.vehicle_modal_force(1, 1, 1);
      assemble_vehicle_internal_forces(c);
      const double total = c.solver.vehicle_modal_force(1, 1, 1);
      EXPECT_LT(total * speed, 0.0) << m.what << " at " << speed;
      if (m.kind == 0) {
        EXPECT_LT(wheels * speed, 0.0) << m.what << " at " << speed;
      } else {
        const double mass = 3000.0 / 9.8;
        EXPECT_NEAR(total, -std::copysign(notch_deceleration(4, 72.0f) * mass, speed), 0.01)
            << m.what << " at " << speed;
      }
    }
}

}  // namespace
}  // namespace tb
