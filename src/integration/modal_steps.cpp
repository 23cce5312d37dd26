#include "integration/modal_steps.h"

namespace tb {

void compute_integration_constants(RunContext& ctx) {
  IntegrationConstants& k = ctx.constants;
  const double dt = ctx.solution.time_step;
  k = IntegrationConstants{};
  if (ctx.solution.integration_method == method::wilson_theta) {
    const double theta = wilson_theta;
    const double tau = theta * dt;
    k.coef_a0 = 6.0 / (tau * tau);
    k.coef_a1 = 3.0 / tau;
    k.coef_a2 = 6.0 / tau;
    k.coef_a3 = tau / 2.0;
    k.coef_a4 = k.coef_a0 / theta;
    k.coef_a5 = -k.coef_a2 / theta;
    k.coef_a6 = 1.0 - 3.0 / theta;
    k.coef_a7 = dt / 2.0;
    k.coef_a8 = dt * dt / 6.0;
  } else {
    const double beta = ctx.solution.integration_parameter;
    const double gamma = newmark_gamma;
    k.coef_a0 = 1.0 / (beta * dt * dt);
    k.coef_a1 = gamma / (beta * dt);
    k.coef_a2 = 1.0 / (beta * dt);
    k.coef_a3 = 1.0 / (2.0 * beta) - 1.0;
    k.coef_a4 = gamma / beta - 1.0;
    k.coef_a5 = (gamma / beta - 2.0) * dt / 2.0;
    k.coef_a6 = (1.0 - gamma) * dt;
    k.coef_a7 = gamma * dt;
  }
}

bool step_mode(const IntegrationConstants& k, std::int32_t method, double dt, const ModeStepInput& in,
               ModeState& out) {
  const double w2 = in.omega * in.omega;
  const double c = in.damping;
  const double q0 = in.q0, qd0 = in.qd0, qdd0 = in.qdd0;
  switch (method) {
    case method::wilson_theta: {
      const double theta = wilson_theta;
      const double stiffness = w2 + k.coef_a0 + k.coef_a1 * c;
      const double r = in.force_prev + theta * (in.force - in.force_prev) + k.coef_a0 * q0 + k.coef_a2 * qd0 +
                       2.0 * qdd0 + c * (k.coef_a1 * q0 + 2.0 * qd0 + k.coef_a3 * qdd0);
      const double q_theta = r / stiffness;
      out.qdd = k.coef_a4 * (q_theta - q0) + k.coef_a5 * qd0 + k.coef_a6 * qdd0;
      out.qd = qd0 + k.coef_a7 * (out.qdd + qdd0);
      out.q = q0 + dt * qd0 + k.coef_a8 * (out.qdd + 2.0 * qdd0);
      return true;
    }
    case method::newmark: {
      const double stiffness = w2 + k.coef_a0 + k.coef_a1 * c;
      out.q = (in.force + k.coef_a0 * q0 + k.coef_a2 * qd0 + k.coef_a3 * qdd0 +
               c * (k.coef_a1 * q0 + k.coef_a4 * qd0 + k.coef_a5 * qdd0)) /
              stiffness;
      out.qdd = k.coef_a0 * (out.q - q0) - k.coef_a2 * qd0 - k.coef_a3 * qdd0;
      out.qd = qd0 + k.coef_a6 * qdd0 + k.coef_a7 * out.qdd;
      return true;
    }
    case method::explicit_two_step: {
      const double qddm = in.qdd_two_back;
      out.q = ((qdd0 - 0.5 * qddm) * dt + qd0) * dt + q0;
      out.qd = qd0 + 1.5 * dt * qdd0 - 0.5 * dt * qddm;
      const double cw = c + dt * w2;
      out.qdd = (in.force - w2 * q0 - cw * qd0) + dt * (0.5 * cw * qddm - (dt * w2 + 1.5 * c) * qdd0);
      return true;
    }
    default:
      return false;
  }
}

namespace {

void step_vehicle(RunContext& ctx, std::int32_t j, std::int32_t t) {
  const SolverState& s = ctx.solver;
  const std::int32_t k = ctx.trains.fleet_vehicle_types(ctx.trains.train_fleet(t), j);
  if (k < 1) return;
  const std::int32_t method = ctx.solution.integration_method;
  const double dt = ctx.solution.time_step;
  const double two_pi = ctx.control.two_pi;
  const bool two_back = method == method::explicit_two_step;
  for (std::int32_t m = 1; m <= ctx.vehicles.vehicle_mode_count(k); ++m) {
    const double f = ctx.vehicles.vehicle_mode_frequency(k, m);
    const double xi = ctx.vehicles.vehicle_mode_damping(k, m);
    ModeStepInput in;
    in.omega = two_pi * f;
    in.damping = 2.0 * two_pi * f * xi;
    in.force = s.vehicle_modal_force(t, j, m);
    in.force_prev = s.vehicle_modal_force_prev_step(t, j, m);
    in.q0 = s.vehicle_modal_state_prev_step(t, j, m, 1);
    in.qd0 = s.vehicle_modal_state_prev_step(t, j, m, 2);
    in.qdd0 = s.vehicle_modal_state_prev_step(t, j, m, 3);
    in.qdd_two_back = two_back ? s.vehicle_modal_state_two_back(t, j, m, 3) : 0.0;
    ModeState out;
    if (!step_mode(ctx.constants, method, dt, in, out)) return;
    ctx.solver.vehicle_modal_state(t, j, m, 1) = out.q;
    ctx.solver.vehicle_modal_state(t, j, m, 2) = out.qd;
    ctx.solver.vehicle_modal_state(t, j, m, 3) = out.qdd;
  }
}

}  // namespace

void integrate_vehicle_modal_step(RunContext& ctx, std::int32_t j, std::int32_t t) { step_vehicle(ctx, j, t); }

void integrate_bridge_modal_step(RunContext& ctx) {
  SolverState& s = ctx.solver;
  const std::int32_t method = ctx.solution.integration_method;
  const double dt = ctx.solution.time_step;
  const double two_pi = ctx.control.two_pi;
  const bool two_back = method == method::explicit_two_step;
  for (std::int32_t m = 1; m <= ctx.bridge.bridge_mode_count; ++m) {
    const double f = ctx.bridge.mode_frequency(m);
    const double xi = ctx.bridge.mode_damping_ratio_work(m);
    ModeStepInput in;
    in.omega = two_pi * f;
    in.damping = 2.0 * two_pi * f * xi;
    in.force = s.bridge_modal_force(m);
    in.force_prev = s.bridge_modal_force_prev_step(m);
    in.q0 = s.bridge_modal_state_prev_step(m, 1);
    in.qd0 = s.bridge_modal_state_prev_step(m, 2);
    in.qdd0 = s.bridge_modal_state_prev_step(m, 3);
    in.qdd_two_back = two_back ? s.bridge_modal_state_two_back(m, 3) : 0.0;
    ModeState out;
    if (!step_mode(ctx.constants, method, dt, in, out)) return;
    s.bridge_modal_state(m, 1) = out.q;
    s.bridge_modal_state(m, 2) = out.qd;
    s.bridge_modal_state(m, 3) = out.qdd;
  }
}

void integrate_all_vehicles(RunContext& ctx) {
  const TrainOrganization& tr = ctx.trains;
  for (std::int32_t t = 1; t <= tr.train_count; ++t)
    for (std::int32_t j = 1; j <= tr.fleet_vehicle_count(tr.train_fleet(t)); ++j) step_vehicle(ctx, j, t);
}

}  // namespace tb
