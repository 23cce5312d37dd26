// Modal step schemes of the step-by-step methods: Wilson-theta (0), Newmark
// (1) and the explicit two-step scheme (2), on mass-normalised uncoupled
// modes q'' + 2*xi*w*q' + w^2*q = F.
#pragma once

#include <cstdint>

#include "model/run_context.h"

namespace tb {

// Wilson's theta. Above 1.37 the scheme is unconditionally stable; the
// integration parameter of the solution parameters is Newmark's beta only.
inline constexpr double wilson_theta = 1.4;
// Newmark's gamma (average acceleration with beta = 0.25).
inline constexpr double newmark_gamma = 0.5;

struct ModeStepInput {
  double omega = 0.0;     // rad/s
  double damping = 0.0;   // c = 2*xi*omega
  double force = 0.0;     // F of the current pass
  double force_prev = 0.0;  // F of the previous step (Wilson)
  double q0 = 0.0, qd0 = 0.0, qdd0 = 0.0;  // state at the end of the previous step
  double qdd_two_back = 0.0;               // acceleration one step older (explicit)
};

struct ModeState {
  double q = 0.0, qd = 0.0, qdd = 0.0;
};

void compute_integration_constants(RunContext& ctx);

// One step of one mode; false for a method without a scheme (nothing to
// write).
bool step_mode(const IntegrationConstants& k, std::int32_t method, double dt, const ModeStepInput& in,
               ModeState& out);

// Steps the modes of the vehicle in slot j of train t.
void integrate_vehicle_modal_step(RunContext& ctx, std::int32_t j, std::int32_t t);
// Steps every bridge mode.
void integrate_bridge_modal_step(RunContext& ctx);
// Steps every vehicle of every train (the same step as above, in one loop).
void integrate_all_vehicles(RunContext& ctx);

}  // namespace tb
