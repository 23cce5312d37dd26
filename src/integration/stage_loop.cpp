#include "integration/stage_loop.h"

#include <array>
#include <string>

#include "integration/reset.h"
#include "integration/train_advance.h"
#include "platform/clock.h"
#include "platform/format.h"
#include "platform/signals.h"
#include "platform/texts.h"
#include "results/result_writer.h"

namespace tb {

namespace {

// The clock when the stage's first step began, and the remaining time that
// the progress line shows, from the mean step time of the stage so far. The
// values carry over from one stage to the next.
struct StageClocks {
  ClockReading stage_start{};
  std::array<std::int32_t, 4> remaining{};
};

// Empty line and stage banner.
void print_stage_banner(RunContext& ctx, std::int32_t stage) {
  ctx.console.line("");
  ctx.console.write(text::speed_stage);
  ctx.console.write(format_integer(stage, 2));
  ctx.console.line(text::train_bridge_computation_begins);
}

// Stage set-up: banner, layout, step count cut to whole output intervals,
// damping working copies, current_time 0 and the stage's warning counts at 0.
// Returns the stage's step count.
std::int32_t start_stage(RunContext& ctx, std::int32_t stage) {
  ctx.step.current_stage = stage;
  ctx.step.current_stage_copy = stage;
  print_stage_banner(ctx, stage);
  std::int32_t steps = 0;
  layout_train_wheelsets(ctx);
  compute_stage_step_count(ctx, stage, steps);
  ctx.bridge.mode_damping_ratio_work.assign_from(ctx.bridge.mode_damping_ratio);
  ctx.vehicles.vehicle_mode_damping.assign_from(ctx.vehicles.vehicle_mode_damping_input);
  ctx.step.current_time = 0.0f;
  ctx.step.steps_beyond_limit = 0;
  ctx.step.steps_unconverged = 0;
  ctx.step.largest_unconverged_change = 0.0f;
  return whole_output_intervals(steps, ctx.solution.output_interval);
}

// current_time, remaining-time estimate, empty line and progress line, clock.
void begin_step(RunContext& ctx, StageClocks& clocks, std::int32_t stage, float step, std::int32_t step_count) {
  const float dt = ctx.solution.time_step;
  ctx.step.current_time = ctx.step.current_time + dt;
  ctx.step.step_beyond_limit = false;
  // The steps before this one are done; at the stage's first step the
  // clock starts.
  const std::int32_t done = static_cast<std::int32_t>(step) - 1;
  if (done == 0) clocks.stage_start = ctx.clock();
  estimate_remaining_time(clocks.stage_start, ctx.clock(), clocks.remaining, done, step_count);
  Console& con = ctx.console;
  con.line("");
  con.write(" Speed Stage=");
  con.write(format_integer(stage, 2));
  con.write("    Run Time=");
  con.write(format_fixed(step * dt, 10, 6));
  con.write("/");
  con.write(format_fixed(static_cast<float>(step_count) * dt, 10, 6));
  con.write(" Time Remaining:");
  con.write(format_integer(clocks.remaining[0], 3));
  con.write("H");
  con.write(format_integer(clocks.remaining[1], 3));
  con.write("M");
  con.write(format_integer(clocks.remaining[2], 3));
  con.line("S");
}

// At the end of a time step: after a stop signal, the line naming the stage
// and the simulated time reached, and the stop (platform/signals.h).
void stop_if_signalled(RunContext& ctx, std::int32_t stage, float step, std::int32_t step_count) {
  const int signal = stop_signal_received();
  if (signal == 0) return;
  const float dt = ctx.solution.time_step;
  // The times of the progress line, in its F10.6 without the leading blanks.
  stop_for_signal(ctx.console, signal,
                  "speed stage " + std::to_string(stage) + ", simulated time " + format_fixed(step * dt, 0, 6) +
                      " s of " + format_fixed(static_cast<float>(step_count) * dt, 0, 6) +
                      " s; the result files hold the records written up to there.");
}

}  // namespace

void report_pass(Console& console, std::int32_t pass, float change) {
  if (pass < 1) return;
  console.write("\tIteration_Number =");
  console.write(format_integer(pass, 2));
  console.write("    Tolerance=");
  console.write(format_fixed(100.0f * change, 15, 5));
  console.line(" %");
}

void run_stage_loop(RunContext& ctx, StageScheme& scheme) {
  // Every stage starts from rest, its spring-damper elements included: the
  // reset after each stage restores these states.
  ctx.spring_state_at_start = ctx.spring_state;
  const std::int32_t stages = ctx.trains.speed_stage_count;
  const std::int32_t n_out = ctx.solution.output_interval;
  StageClocks clocks;

  for (std::int32_t stage = 1; stage <= stages; ++stage) {
    const std::int32_t step_count = start_stage(ctx, stage);
    scheme.begin_stage(stage);
    // The trip count is fixed at the stage's start; the step value is a
    // single-precision counter.
    const std::int32_t trips = static_cast<std::int32_t>(static_cast<float>(step_count) - 1.0f + 1.0f);
    float step = 1.0f;
    for (std::int32_t trip = 0; trip < trips; ++trip, step += 1.0f) {
      begin_step(ctx, clocks, stage, step, step_count);
      advance_train_positions(ctx, stage, step);
      scheme.step(stage, step);
      if (static_cast<std::int32_t>(step) % n_out == 0) record_output_instant(ctx, stage, step, step_count);
      ctx.console.flush();
      stop_if_signalled(ctx, stage, step, step_count);
    }
    scheme.end_stage();
    end_stage_results(ctx, stage, step_count);
    reset_dynamic_state(ctx);
  }
}

}  // namespace tb
