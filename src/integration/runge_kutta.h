// The fourth-order Runge-Kutta integration: one state vector of the modal
// velocities and displacements of bridge and vehicles and the first-order
// spring-damper forces, four evaluations of the whole force chain per step.
#pragma once

#include <cstdint>
#include <vector>

#include "model/run_context.h"

namespace tb {

// Where each slot of the state vector lives. Per mode the velocity slot comes
// first, the displacement slot after all velocities of its block.
struct RkLayout {
  std::int32_t bridge_modes = 0;  // NB
  bool vehicles = false;          // the vehicle block is present
  std::int32_t vehicle_slots = 0;  // V: 2 * modes summed over every vehicle
  std::int32_t size = 0;           // n
  // One entry per first-order spring slot, in slot order: the element
  // degree of freedom as an offset into the trial force (and memory) table
  // of its side.
  struct SpringSlot {
    bool bridge;
    std::size_t offset;
  };
  std::vector<SpringSlot> springs;
};

// Work vectors of one Runge-Kutta step, allocated once per run.
struct RkWork {
  std::vector<double> f, k1, k2, k3, k4, y1, y2, y3;
  void resize(std::size_t n);
};

RkLayout build_rk_layout(const RunContext& ctx);

void run_runge_kutta_integration(RunContext& ctx);

// The right-hand side at step value `step` (stage times step * dt): puts the
// trial state y into the shared records, runs the force chain and returns the
// derivative in ydot.
void evaluate_rk_derivative(RunContext& ctx, const RkLayout& layout, std::int32_t stage, float step,
                            const double* y, double* ydot);

// One step of size h from step value `step` - 1 to `step`: y advances, ydot
// receives the derivative of the fourth evaluation.
void advance_runge_kutta_step(RunContext& ctx, const RkLayout& layout, RkWork& work, std::int32_t stage, float step,
                              std::vector<double>& y, std::vector<double>& ydot, double h);

// One whole time step of the driver: the Runge-Kutta step, the blow-up stop
// for a state that is no longer a number, the new state into the shared
// records (and their previous-step copies), the commit of the spring-damper
// histories.
void run_rk_step(RunContext& ctx, const RkLayout& layout, RkWork& work, std::int32_t stage, float step,
                 std::vector<double>& y, std::vector<double>& ydot);

}  // namespace tb
