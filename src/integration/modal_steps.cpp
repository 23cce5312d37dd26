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

// A mode's state, force and previous-step values at fixed distances in the
// solver tables (the vehicle tables interleave the trains and vehicle slots).
struct ModeTables {
  const double* force;
  const double* force_prev;
  const double* prev;        // previous-step state; + order_stride per derivative order
  const double* two_back;    // acceleration two steps back, or null
  double* state;             // + order_stride per derivative order
  std::size_t force_stride, state_stride, order_stride;
};

// Steps modes 1..count; modal frequency f and damping ratio xi of mode m
// (1-based) from frequency(m) and damping(m).
template <class Frequency, class Damping>
void step_modes(const RunContext& ctx, std::int32_t count, const ModeTables& tables, Frequency&& frequency,
                Damping&& damping) {
  const std::int32_t method = ctx.solution.integration_method;
  const double dt = ctx.solution.time_step;
  const double two_pi = ctx.control.two_pi;
  const std::size_t o = tables.order_stride;
  for (std::int32_t m = 1; m <= count; ++m) {
    const std::size_t at = static_cast<std::size_t>(m - 1) * tables.state_stride;
    const double f = frequency(m);
    const double xi = damping(m);
    ModeStepInput in;
    in.omega = two_pi * f;
    in.damping = 2.0 * two_pi * f * xi;
    in.force = tables.force[static_cast<std::size_t>(m - 1) * tables.force_stride];
    in.force_prev = tables.force_prev[static_cast<std::size_t>(m - 1) * tables.force_stride];
    in.q0 = tables.prev[at];
    in.qd0 = tables.prev[at + o];
    in.qdd0 = tables.prev[at + 2 * o];
    in.qdd_two_back = tables.two_back ? tables.two_back[at + 2 * o] : 0.0;
    ModeState out;
    if (!step_mode(ctx.constants, method, dt, in, out)) return;
    tables.state[at] = out.q;
    tables.state[at + o] = out.qd;
    tables.state[at + 2 * o] = out.qdd;
  }
}

void step_vehicle(RunContext& ctx, std::int32_t j, std::int32_t t) {
  SolverState& s = ctx.solver;
  const VehicleTypeLibrary& lib = ctx.vehicles;
  const std::int32_t k = ctx.trains.fleet_vehicle_types(ctx.trains.train_fleet(t), j);
  if (k < 1) return;
  const std::int32_t modes = lib.vehicle_mode_count(k);
  if (modes < 1) return;
  // Every table holds the vehicle's modes (checked in test builds).
  (void)s.vehicle_modal_force(t, j, modes);
  (void)s.vehicle_modal_force_prev_step(t, j, modes);
  (void)s.vehicle_modal_state_prev_step(t, j, modes, 3);
  (void)s.vehicle_modal_state(t, j, modes, 3);
  const bool two_back = ctx.solution.integration_method == method::explicit_two_step;
  if (two_back) (void)s.vehicle_modal_state_two_back(t, j, modes, 3);
  const ModeTables tables{s.vehicle_modal_force.at_ptr(t, j, 1),
                          s.vehicle_modal_force_prev_step.at_ptr(t, j, 1),
                          s.vehicle_modal_state_prev_step.at_ptr(t, j, 1, 1),
                          two_back ? s.vehicle_modal_state_two_back.at_ptr(t, j, 1, 1) : nullptr,
                          s.vehicle_modal_state.at_ptr(t, j, 1, 1),
                          s.vehicle_modal_force.stride(3),
                          s.vehicle_modal_state.stride(3),
                          s.vehicle_modal_state.stride(4)};
  step_modes(ctx, modes, tables, [&](std::int32_t m) { return lib.vehicle_mode_frequency(k, m); },
             [&](std::int32_t m) { return lib.vehicle_mode_damping(k, m); });
}

}  // namespace

void integrate_vehicle_modal_step(RunContext& ctx, std::int32_t j, std::int32_t t) { step_vehicle(ctx, j, t); }

void integrate_bridge_modal_step(RunContext& ctx) {
  SolverState& s = ctx.solver;
  const BridgeModalModel& br = ctx.bridge;
  const std::int32_t modes = br.bridge_mode_count;
  if (modes < 1) return;
  (void)s.bridge_modal_force(modes);
  (void)s.bridge_modal_force_prev_step(modes);
  (void)s.bridge_modal_state_prev_step(modes, 3);
  (void)s.bridge_modal_state(modes, 3);
  const bool two_back = ctx.solution.integration_method == method::explicit_two_step;
  if (two_back) (void)s.bridge_modal_state_two_back(modes, 3);
  const ModeTables tables{s.bridge_modal_force.data(),
                          s.bridge_modal_force_prev_step.data(),
                          s.bridge_modal_state_prev_step.data(),
                          two_back ? s.bridge_modal_state_two_back.data() : nullptr,
                          s.bridge_modal_state.data(),
                          1,
                          1,
                          s.bridge_modal_state.stride(2)};
  step_modes(ctx, modes, tables, [&](std::int32_t m) { return br.mode_frequency(m); },
             [&](std::int32_t m) { return br.mode_damping_ratio_work(m); });
}

void integrate_all_vehicles(RunContext& ctx) {
  const TrainOrganization& tr = ctx.trains;
  for (std::int32_t t = 1; t <= tr.train_count; ++t)
    for (std::int32_t j = 1; j <= tr.fleet_vehicle_count(tr.train_fleet(t)); ++j) step_vehicle(ctx, j, t);
}

}  // namespace tb
