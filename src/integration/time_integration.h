// The step-by-step time integration (Wilson-theta, Newmark, explicit
// two-step): speed stages, time steps and equilibrium-iteration passes.
#pragma once

#include <array>
#include <cstdint>

#include "model/run_context.h"

namespace tb {

void run_time_integration(RunContext& ctx);

// Largest |new/old - 1| over the elements with |old| > 0.001 (0 when none).
// A value above 1e12 prints the blow-up warning and pauses; a NaN or an
// infinity in the new state is a blow-up that stops the run.
float compute_max_relative_change(RunContext& ctx, const double* old_values, const double* new_values,
                                  std::int32_t n);

// Called once per pass; does nothing.
void empty_iteration_hook(std::int32_t a, std::int32_t b);

// Pieces shared with the Runge-Kutta driver.
struct StageClocks {
  ClockReading step_start{};
  ClockReading step_end{};
  std::array<std::int32_t, 4> remaining{};
};

// Allocates and zeroes the solver state; `step_by_step` adds the
// previous-iteration and spare tables (and, for the explicit scheme, the
// two-back tables).
void allocate_solver_state(RunContext& ctx, bool step_by_step);
// Empty line and stage banner.
void print_stage_banner(RunContext& ctx, std::int32_t stage);
// Stage set-up: layout, step count cut to whole output intervals, damping
// working copies, current_time 0. Returns the stage's step count.
std::int32_t start_stage(RunContext& ctx, std::int32_t stage);
// current_time, remaining-time estimate, empty line and progress line, clock.
void begin_step(RunContext& ctx, StageClocks& clocks, std::int32_t stage, float step, std::int32_t step_count);
// Copies each side's trial spring-damper states onto the committed ones when
// that side takes the element path.
void commit_spring_states(RunContext& ctx);
// Whether the vehicles take part (they do not when vehicle type 1 has the
// moving-load contact code -1).
bool vehicles_take_part(const RunContext& ctx);

}  // namespace tb
