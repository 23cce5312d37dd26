#include "integration/runge_kutta.h"

#include <algorithm>
#include <cmath>

#include "integration/loads.h"
#include "integration/modal_steps.h"
#include "integration/stage_loop.h"
#include "integration/time_integration.h"
#include "interaction/spring_elements.h"
#include "interaction/spring_parameters.h"
#include "interaction/vehicle_forces.h"
#include "interaction/wheel_rail_interaction.h"
#include "platform/stop.h"

namespace tb {

namespace {

// Calls fn(t, j, k) for every vehicle of every train, front to rear.
template <class Fn>
void for_each_vehicle(const RunContext& ctx, Fn&& fn) {
  const TrainOrganization& tr = ctx.trains;
  for (std::int32_t t = 1; t <= tr.train_count; ++t) {
    const std::int32_t f = tr.train_fleet(t);
    for (std::int32_t j = 1; j <= tr.fleet_vehicle_count(f); ++j) fn(t, j, tr.fleet_vehicle_types(f, j));
  }
}

// q'' = F - 2 xi w q' - w^2 q for one mode, in double precision.
double modal_acceleration(double two_pi, double f, double xi, double force, double v, double q) {
  const double w = f * two_pi;
  return (force - ((v * (2.0 * two_pi)) * f) * xi) - w * w * q;
}

// The trial force and memory of a spring slot's element degree of freedom.
float& slot_force(SpringElementState& st, const RkLayout::SpringSlot& slot) {
  return (slot.bridge ? st.bridge_spring_force.data() : st.vehicle_spring_force.data())[slot.offset];
}
float slot_memory(const SpringElementState& st, const RkLayout::SpringSlot& slot) {
  return (slot.bridge ? st.bridge_spring_memory.data() : st.vehicle_spring_memory.data())[slot.offset];
}

// Puts a state vector into the shared records: per mode its velocity and
// displacement and, when `ydot` is given, its acceleration; per first-order
// spring slot its state into the element force the slot stands for.
void put_rk_state(RunContext& ctx, const RkLayout& L, const double* y, const double* ydot) {
  SolverState& s = ctx.solver;
  const std::int32_t nb = L.bridge_modes;
  for (std::int32_t i = 1; i <= nb; ++i) {
    s.bridge_modal_state(i, 2) = y[i - 1];
    s.bridge_modal_state(i, 1) = y[nb + i - 1];
    if (ydot != nullptr) s.bridge_modal_state(i, 3) = ydot[i - 1];
  }
  if (L.vehicles) {
    std::int32_t p = 2 * nb;
    for_each_vehicle(ctx, [&](std::int32_t t, std::int32_t j, std::int32_t k) {
      const std::int32_t mv = ctx.vehicles.vehicle_mode_count(k);
      for (std::int32_t m = 1; m <= mv; ++m) {
        s.vehicle_modal_state(t, j, m, 2) = y[p + m - 1];
        s.vehicle_modal_state(t, j, m, 1) = y[p + mv + m - 1];
        if (ydot != nullptr) s.vehicle_modal_state(t, j, m, 3) = ydot[p + m - 1];
      }
      p += 2 * mv;
    });
  }
  SpringElementState& st = ctx.spring_state;
  const std::size_t q0 = static_cast<std::size_t>(2 * nb + L.vehicle_slots);
  for (std::size_t q = 0; q < L.springs.size(); ++q) slot_force(st, L.springs[q]) = static_cast<float>(y[q0 + q]);
}

}  // namespace

void RkWork::resize(std::size_t n) {
  for (std::vector<double>* v : {&f, &k1, &k2, &k3, &k4, &y1, &y2, &y3}) v->assign(n, 0.0);
}

RkLayout build_rk_layout(const RunContext& ctx) {
  RkLayout L;
  L.bridge_modes = std::max(ctx.bridge.bridge_mode_count, 0);
  L.vehicles = vehicles_take_part(ctx);
  if (L.vehicles)
    for_each_vehicle(ctx, [&](std::int32_t, std::int32_t, std::int32_t k) { L.vehicle_slots += 2 * ctx.vehicles.vehicle_mode_count(k); });

  const FirstOrderSpringList& list = ctx.first_order_springs;
  const SpringElementState& st = ctx.spring_state;
  for (std::int32_t e = 1; e <= ctx.bridge.spring_element_count; ++e)
    for (std::int32_t i = 1; i <= list.first_order_count; ++i)
      if (list.first_order_spring_ids(i) == ctx.bridge.spring_elements(e, 4))
        L.springs.push_back({true, static_cast<std::size_t>(st.bridge_spring_force.at_ptr(e, list.first_order_spring_dofs(i)) -
                                                            st.bridge_spring_force.data())});
  for_each_vehicle_spring(ctx, [&](std::int32_t t, std::int32_t j, std::int32_t k, std::int32_t s) {
    for (std::int32_t i = 1; i <= list.first_order_count; ++i)
      if (list.first_order_spring_ids(i) == ctx.vehicles.vehicle_spring_nodes(k, s, 4))
        L.springs.push_back(
            {false, static_cast<std::size_t>(st.vehicle_spring_force.at_ptr(t, j, s, list.first_order_spring_dofs(i)) -
                                             st.vehicle_spring_force.data())});
  });
  L.size = 2 * L.bridge_modes + L.vehicle_slots + static_cast<std::int32_t>(L.springs.size());
  return L;
}

void evaluate_rk_derivative(RunContext& ctx, const RkLayout& L, std::int32_t stage, float step, const double* y,
                            double* ydot) {
  SolverState& s = ctx.solver;
  const std::int32_t nb = L.bridge_modes;
  const double two_pi = ctx.control.two_pi;
  // The contact and brake routines read the time of this evaluation.
  ctx.step.current_time = static_cast<double>(step) * ctx.solution.time_step;

  // Trial state into the shared records: the force routines see the state of
  // this evaluation, the bridge's as well as the vehicles'; the accelerations
  // stay those stored at the end of the previous step.
  put_rk_state(ctx, L, y, nullptr);

  // The force chain.
  if (L.vehicles) {
    s.vehicle_modal_force.fill(0.0);
    compute_wheel_rail_interaction(ctx, 0, stage, step);
    assemble_vehicle_internal_forces(ctx);
    compute_vehicle_loads(ctx, stage, step, true);
  }
  s.bridge_modal_force.fill(0.0);
  apply_external_and_wind_forces(ctx, stage, step, true);
  assemble_bridge_spring_forces(ctx);
  compute_wheel_rail_interaction(ctx, 1, stage, step);

  // Derivatives.
  for (std::int32_t i = 1; i <= nb; ++i) {
    const double v = y[i - 1];
    ydot[i - 1] = modal_acceleration(two_pi, ctx.bridge.mode_frequency(i), ctx.bridge.mode_damping_ratio_work(i),
                                     s.bridge_modal_force(i), v, y[nb + i - 1]);
    ydot[nb + i - 1] = v;
  }
  if (L.vehicles) {
    std::int32_t p = 2 * nb;
    for_each_vehicle(ctx, [&](std::int32_t t, std::int32_t j, std::int32_t k) {
      const std::int32_t mv = ctx.vehicles.vehicle_mode_count(k);
      for (std::int32_t m = 1; m <= mv; ++m) {
        const double v = y[p + m - 1];
        ydot[p + m - 1] = modal_acceleration(two_pi, ctx.vehicles.vehicle_mode_frequency(k, m),
                                             ctx.vehicles.vehicle_mode_damping(k, m), s.vehicle_modal_force(t, j, m), v,
                                             y[p + mv + m - 1]);
        ydot[p + mv + m - 1] = v;
      }
      p += 2 * mv;
    });
  }
  const SpringElementState& st = ctx.spring_state;
  const std::size_t q0 = static_cast<std::size_t>(2 * nb + L.vehicle_slots);
  for (std::size_t q = 0; q < L.springs.size(); ++q) ydot[q0 + q] = slot_memory(st, L.springs[q]);
}

void advance_runge_kutta_step(RunContext& ctx, const RkLayout& L, RkWork& w, std::int32_t stage, float step,
                              std::vector<double>& y, std::vector<double>& ydot, double h) {
  const std::size_t n = static_cast<std::size_t>(L.size);
  // The four evaluations at the times of the step from (step - 1) * h to
  // step * h: its start, twice its middle, its end.
  const float s0 = step - 1.0f;
  evaluate_rk_derivative(ctx, L, stage, s0, y.data(), w.f.data());
  for (std::size_t i = 0; i < n; ++i) w.k1[i] = h * w.f[i], w.y1[i] = y[i] + 0.5 * w.k1[i];
  evaluate_rk_derivative(ctx, L, stage, s0 + 0.5f, w.y1.data(), w.f.data());
  for (std::size_t i = 0; i < n; ++i) w.k2[i] = h * w.f[i], w.y2[i] = y[i] + 0.5 * w.k2[i];
  evaluate_rk_derivative(ctx, L, stage, s0 + 0.5f, w.y2.data(), w.f.data());
  for (std::size_t i = 0; i < n; ++i) w.k3[i] = h * w.f[i], w.y3[i] = y[i] + w.k3[i];
  evaluate_rk_derivative(ctx, L, stage, step, w.y3.data(), w.f.data());
  for (std::size_t i = 0; i < n; ++i) {
    w.k4[i] = h * w.f[i];
    y[i] = y[i] + (w.k1[i] + 2.0 * (w.k2[i] + w.k3[i]) + w.k4[i]) / 6.0;
    ydot[i] = w.f[i];
  }
}

void run_rk_step(RunContext& ctx, const RkLayout& layout, RkWork& work, std::int32_t stage, float step,
                 std::vector<double>& y, std::vector<double>& ydot) {
  advance_runge_kutta_step(ctx, layout, work, stage, step, y, ydot, ctx.solution.time_step);
  for (std::size_t i = 0; i < y.size(); ++i) {
    if (!std::isfinite(y[i]) || !std::isfinite(ydot[i])) {
      // A state that is no longer a number: stop, keeping the results
      // written so far.
      blow_up_stop(ctx.console);
    }
  }
  // The new state into the shared records, and the previous-step copies
  // that the spring laws read the committed displacement from.
  SolverState& s = ctx.solver;
  put_rk_state(ctx, layout, y.data(), ydot.data());
  std::copy(s.bridge_modal_state.data(), s.bridge_modal_state.data() + s.bridge_modal_state.size(),
            s.bridge_modal_state_prev_step.data());
  std::copy(s.vehicle_modal_state.data(), s.vehicle_modal_state.data() + s.vehicle_modal_state.size(),
            s.vehicle_modal_state_prev_step.data());
  ctx.step.current_time = static_cast<double>(step) * ctx.solution.time_step;
  commit_spring_states(ctx);
}

namespace {

// The fourth-order Runge-Kutta step in the stage loop. The state vector, its
// derivative and the work vectors are sized once for the run; every stage
// starts them at rest.
class RungeKuttaScheme final : public StageScheme {
 public:
  explicit RungeKuttaScheme(RunContext& ctx)
      : ctx_(ctx),
        layout_(build_rk_layout(ctx)),
        y_(static_cast<std::size_t>(layout_.size), 0.0),
        ydot_(static_cast<std::size_t>(layout_.size), 0.0) {
    work_.resize(static_cast<std::size_t>(layout_.size));
  }

  void begin_stage(std::int32_t) override {
    std::fill(y_.begin(), y_.end(), 0.0);
    std::fill(ydot_.begin(), ydot_.end(), 0.0);
  }
  void step(std::int32_t stage, float step) override { run_rk_step(ctx_, layout_, work_, stage, step, y_, ydot_); }
  void end_stage() override {}

 private:
  RunContext& ctx_;
  const RkLayout layout_;
  std::vector<double> y_, ydot_;
  RkWork work_;
};

}  // namespace

void run_runge_kutta_integration(RunContext& ctx) {
  allocate_solver_state(ctx, false);
  compute_integration_constants(ctx);
  RungeKuttaScheme scheme(ctx);
  run_stage_loop(ctx, scheme);
}

}  // namespace tb
