// The speed-stage and time-step loop that every integration scheme runs in:
// per stage the set-up and banner, per step the progress line, the train
// advance, the scheme's step, the output every N steps, the console flush and
// the stop-signal check; after each stage its result block and the reset to
// rest. The schemes supply only what happens inside a step.
#pragma once

#include <cstdint>

#include "model/run_context.h"
#include "platform/console.h"

namespace tb {

// One integration scheme as the loop drives it. The loop calls step() once
// per time step; a scheme's per-run set-up is done when it is handed over.
class StageScheme {
 public:
  // After the stage set-up (banner, layout, step count, damping working
  // copies, current_time 0), before its first step.
  virtual void begin_stage(std::int32_t stage) = 0;
  // One time step up to its commit: called after the progress line and the
  // train advance of step value `step` (1.0, 2.0, ...), before the output.
  virtual void step(std::int32_t stage, float step) = 0;
  // After the stage's last step, before its result block is closed and the
  // dynamic state is reset.
  virtual void end_stage() = 0;

 protected:
  ~StageScheme() = default;
};

// Runs every speed stage of the run with `scheme`. Takes the spring-damper
// element states as they stand as the ones each stage starts from; the
// solver state must be allocated and the integration constants computed.
void run_stage_loop(RunContext& ctx, StageScheme& scheme);

// The console line of an equilibrium-iteration pass: `pass` counts the
// passes of the step before this one, `change` is the pass's relative change
// of the modal states. The first pass of a step (pass 0) prints nothing.
void report_pass(Console& console, std::int32_t pass, float change);

}  // namespace tb
