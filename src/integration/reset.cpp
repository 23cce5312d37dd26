#include "integration/reset.h"

#include <cmath>
#include <cstring>

namespace tb {

void reset_dynamic_state(RunContext& ctx) {
  SolverState& s = ctx.solver;
  // Tables a path did not create are empty, so filling them does nothing.
  s.bridge_modal_state.fill(0.0);
  s.bridge_modal_state_prev_step.fill(0.0);
  s.bridge_modal_state_two_back.fill(0.0);
  s.vehicle_modal_state.fill(0.0);
  s.vehicle_modal_state_prev_step.fill(0.0);
  s.vehicle_modal_state_two_back.fill(0.0);
  s.vehicle_modal_state_prev_iter.fill(0.0);
  s.bridge_modal_state_prev_iter.fill(0.0);
  s.bridge_modal_state_iterate1.fill(0.0);
  s.vehicle_modal_state_iterate1.fill(0.0);
  s.bridge_modal_state_iterate2.fill(0.0);
  s.vehicle_modal_state_iterate2.fill(0.0);
  s.bridge_modal_state_iterate3.fill(0.0);
  s.vehicle_modal_state_iterate3.fill(0.0);
  s.bridge_modal_force.fill(0.0);
  s.bridge_modal_force_prev_step.fill(0.0);
  s.vehicle_modal_force.fill(0.0);
  s.vehicle_modal_force_prev_step.fill(0.0);
  ctx.results.wheelset_result.fill(0.0f);
  // The modal states start from rest, and so must the element histories: a
  // hysteresis, friction, clearance or Maxwell element would otherwise start
  // the next stage with a force and no displacement.
  ctx.spring_state = ctx.spring_state_at_start;
}

void apply_vector_operation(double* x1, double* x2, double* x3, double* out, std::int32_t n) {
  if (n < 1) return;
  for (std::int32_t i = 0; i < n; ++i) {
    const double d = x3[i] - 2.0 * x2[i] + x1[i];
    if (std::fabs(d) >= 1.0E-12) out[i] = x3[i] - (x3[i] - x2[i]) * (x3[i] - x2[i]) / d;
  }
  const std::size_t bytes = static_cast<std::size_t>(n) * sizeof(double);
  std::memmove(x1, x2, bytes);
  std::memmove(x2, x3, bytes);
  std::memmove(x3, out, bytes);
}

void copy_spare_state(RunContext& ctx, std::int32_t slot, std::int32_t enabled, std::int32_t, std::int32_t) {
  if (enabled != 1) return;
  SolverState& s = ctx.solver;
  Array2<double>* bridge[3] = {&s.bridge_modal_state_iterate1, &s.bridge_modal_state_iterate2,
                               &s.bridge_modal_state_iterate3};
  Array4<double>* vehicle[3] = {&s.vehicle_modal_state_iterate1, &s.vehicle_modal_state_iterate2,
                                &s.vehicle_modal_state_iterate3};
  if (slot >= 0 && slot <= 2) {
    bridge[slot]->assign_from(s.bridge_modal_state);
    vehicle[slot]->assign_from(s.vehicle_modal_state);
    return;
  }
  apply_vector_operation(bridge[0]->data(), bridge[1]->data(), bridge[2]->data(), s.bridge_modal_state.data(),
                         static_cast<std::int32_t>(s.bridge_modal_state.size()));
  apply_vector_operation(vehicle[0]->data(), vehicle[1]->data(), vehicle[2]->data(), s.vehicle_modal_state.data(),
                         static_cast<std::int32_t>(s.vehicle_modal_state.size()));
}

}  // namespace tb
