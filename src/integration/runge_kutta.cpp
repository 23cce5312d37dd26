#include "integration/runge_kutta.h"

#include <cmath>

#include "integration/loads.h"
#include "integration/reset.h"
#include "integration/time_integration.h"
#include "integration/train_advance.h"
#include "integration/modal_steps.h"
#include "interaction/spring_elements.h"
#include "interaction/vehicle_forces.h"
#include "interaction/wheel_rail_interaction.h"
#include "platform/stop.h"
#include "results/output_responses.h"
#include "results/result_writer.h"

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
  for_each_vehicle(ctx, [&](std::int32_t t, std::int32_t j, std::int32_t k) {
    for (std::int32_t s = 1; s <= ctx.vehicles.vehicle_spring_count(k); ++s)
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
  // this evaluation, the bridge's as well as the vehicles'.
  for (std::int32_t i = 1; i <= nb; ++i) {
    s.bridge_modal_state(i, 2) = y[i - 1];
    s.bridge_modal_state(i, 1) = y[nb + i - 1];
  }
  if (L.vehicles) {
    std::int32_t p = 2 * nb;
    for_each_vehicle(ctx, [&](std::int32_t t, std::int32_t j, std::int32_t k) {
      const std::int32_t mv = ctx.vehicles.vehicle_mode_count(k);
      for (std::int32_t m = 1; m <= mv; ++m) {
        s.vehicle_modal_state(t, j, m, 2) = y[p + m - 1];
        s.vehicle_modal_state(t, j, m, 1) = y[p + mv + m - 1];
      }
      p += 2 * mv;
    });
  }
  SpringElementState& st = ctx.spring_state;
  const std::size_t q0 = static_cast<std::size_t>(2 * nb + L.vehicle_slots);
  for (std::size_t q = 0; q < L.springs.size(); ++q) {
    slot_force(st, L.springs[q]) = static_cast<float>(y[q0 + q]);
  }

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
  for (std::size_t q = 0; q < L.springs.size(); ++q) {
    ydot[q0 + q] = slot_memory(st, L.springs[q]);
  }
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

namespace {

// The new state into the shared records, and the previous-step copies that
// the spring laws read the committed displacement from.
void store_state_impl(RunContext& ctx, const RkLayout& L, const std::vector<double>& y, const std::vector<double>& ydot) {
  SolverState& s = ctx.solver;
  const std::int32_t nb = L.bridge_modes;
  for (std::int32_t i = 1; i <= nb; ++i) {
    s.bridge_modal_state(i, 2) = y[i - 1];
    s.bridge_modal_state(i, 1) = y[nb + i - 1];
    s.bridge_modal_state(i, 3) = ydot[i - 1];
  }
  if (L.vehicles) {
    std::int32_t p = 2 * nb;
    for_each_vehicle(ctx, [&](std::int32_t t, std::int32_t j, std::int32_t k) {
      const std::int32_t mv = ctx.vehicles.vehicle_mode_count(k);
      for (std::int32_t m = 1; m <= mv; ++m) {
        s.vehicle_modal_state(t, j, m, 2) = y[p + m - 1];
        s.vehicle_modal_state(t, j, m, 3) = ydot[p + m - 1];
        s.vehicle_modal_state(t, j, m, 1) = y[p + mv + m - 1];
      }
      p += 2 * mv;
    });
  }
  SpringElementState& st = ctx.spring_state;
  const std::size_t q0 = static_cast<std::size_t>(2 * nb + L.vehicle_slots);
  for (std::size_t q = 0; q < L.springs.size(); ++q) {
    slot_force(st, L.springs[q]) = static_cast<float>(y[q0 + q]);
  }
  std::copy(s.bridge_modal_state.data(), s.bridge_modal_state.data() + s.bridge_modal_state.size(),
            s.bridge_modal_state_prev_step.data());
  std::copy(s.vehicle_modal_state.data(), s.vehicle_modal_state.data() + s.vehicle_modal_state.size(),
            s.vehicle_modal_state_prev_step.data());
}

}  // namespace

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
  store_state_impl(ctx, layout, y, ydot);
  ctx.step.current_time = static_cast<double>(step) * ctx.solution.time_step;
  commit_spring_states(ctx);
}

void run_runge_kutta_integration(RunContext& ctx) {
  allocate_solver_state(ctx, false);
  compute_integration_constants(ctx);
  ctx.spring_state_at_start = ctx.spring_state;
  const RkLayout layout = build_rk_layout(ctx);
  const std::size_t n = static_cast<std::size_t>(layout.size);
  std::vector<double> y(n, 0.0), ydot(n, 0.0);
  RkWork work;
  work.resize(n);
  const std::int32_t n_out = ctx.solution.output_interval;
  StageClocks clocks;

  for (std::int32_t stage = 1; stage <= ctx.trains.speed_stage_count; ++stage) {
    const std::int32_t step_count = start_stage(ctx, stage);
    std::fill(y.begin(), y.end(), 0.0);
    std::fill(ydot.begin(), ydot.end(), 0.0);
    const std::int32_t trips = static_cast<std::int32_t>(static_cast<float>(step_count) - 1.0f + 1.0f);
    float step = 1.0f;
    for (std::int32_t trip = 0; trip < trips; ++trip, step += 1.0f) {
      begin_step(ctx, clocks, stage, step, step_count);
      advance_train_positions(ctx, stage, step);
      run_rk_step(ctx, layout, work, stage, step, y, ydot);
      if (static_cast<std::int32_t>(step) % n_out == 0) {
        compute_output_responses(ctx);
        write_step_results(ctx, stage, step, step_count);
      }
      ctx.console.flush();
      stop_if_signalled(ctx, stage, step, step_count);
    }
    end_stage_results(ctx, stage, step_count);
    reset_dynamic_state(ctx);
  }
}

}  // namespace tb
