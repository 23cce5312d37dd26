// The step-by-step time integration (Wilson-theta, Newmark, explicit
// two-step): the equilibrium-iteration passes of a time step and its commit,
// run in the stage loop (stage_loop.h).
#pragma once

#include <cstdint>

#include "model/run_context.h"

namespace tb {

void run_time_integration(RunContext& ctx);

// The relative change of a state table between two passes: the table's n
// values are three equal blocks in storage order (the displacements, the
// velocities and the accelerations of its modes); per block the largest
// change of a value over the largest old value, taken where that is above
// 0.001, and of these the largest (0 when none). The change of each mode thus
// counts against the size of the whole motion it is part of: a relative
// change per value would let the rounding of the single-precision force sums
// pose as a lack of convergence wherever a value is barely above 0.001. A
// value above 1e12 counts the step as one with a blown-up response; the
// stage's first such step prints the blow-up warning, and the run's first
// warning waits for Enter. A NaN or an infinity in the new state is a blow-up
// that stops the run. When `largest_acceleration_change` is given, it
// receives the largest change of a value of the acceleration block.
float compute_max_relative_change(RunContext& ctx, const double* old_values, const double* new_values,
                                  std::int32_t n, double* largest_acceleration_change = nullptr);

// The changes of the vehicle and the bridge state in the pass just made and
// in the pass before it, and the largest change of a modal acceleration of
// each side in the pass just made.
struct PassChanges {
  float vehicle = 0.0f;
  float bridge = 0.0f;
  float vehicle_before = 0.0f;
  float bridge_before = 0.0f;
  double vehicle_acceleration = 0.0;
  double bridge_acceleration = 0.0;
};

// What the single-precision terms of one kind that a modal force of each
// side sums add up to, as far as the model tells it before the run: for the
// vehicles, the largest over the vehicle types that the trains run of the
// static wheel loads (the weight that the contact forces carry) times the
// largest translation of the type's mode shapes; for the bridge, the static
// loads of every wheel of every train times the largest translation of a
// bridge mode shape. A modal force whose terms cancel (a vehicle at rest on
// its wheels) is far smaller than its terms, and so is the state it drives,
// but its rounding is that of the terms.
struct ForceTermSizes {
  double vehicle = 0.0;
  double bridge = 0.0;
};
ForceTermSizes force_term_sizes(const RunContext& ctx);

// Whether the equilibrium iteration of a step ends after the pass just made
// (`iteration_count` still counting the passes before it): a pass that left
// both states unchanged ends it; otherwise the first pass, whose forces belong
// to the previous step's state, never does, and a later pass ends it when each
// side has settled: its change is within the tolerance or, from the third pass
// on, no smaller than in the pass before while its accelerations move by no
// more than the rounding of its single-precision force sums (see
// `force_term_sizes`). The pass limit is the caller's.
enum class IterationEnd { go_on, accept };
IterationEnd pass_outcome(const RunContext& ctx, const PassChanges& changes, const ForceTermSizes& sizes,
                          bool vehicle_pass, bool bridge_pass);

// Called once per pass; does nothing.
void empty_iteration_hook(std::int32_t a, std::int32_t b);

// Pieces shared with the Runge-Kutta driver and the run's stop path.
// Allocates and zeroes the solver state; `step_by_step` adds the
// previous-iteration and spare tables (and, for the explicit scheme, the
// two-back tables).
void allocate_solver_state(RunContext& ctx, bool step_by_step);
// The lines at a stage's end (or where a stop ends it) that count its time
// steps with a system response above the blow-up limit and its steps
// accepted at the pass limit without converging, each with what usually
// helps; nothing for a count of 0.
void report_steps_beyond_limit(RunContext& ctx);
// Copies each side's trial spring-damper states onto the committed ones when
// that side takes the element path.
void commit_spring_states(RunContext& ctx);
// Whether the vehicles take part (they do not when vehicle type 1 has the
// moving-load contact code -1).
bool vehicles_take_part(const RunContext& ctx);

}  // namespace tb
