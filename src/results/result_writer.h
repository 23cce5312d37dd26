// The writer of the nine result series files of the integration: bridge
// displacements and accelerations at the output points (units 12 and 14),
// the bridge's modal coordinates (36) and the vehicle results (13, 15, 18, 19,
// 24, 26), in the layout of model/result_series_file.h.
#pragma once

#include <cstdint>

#include "model/run_context.h"

namespace tb {

// Appends the step records of one output instant to the nine files. The first
// call of the run writes the run header first; the first call of a stage
// begins the stage's block (stage header and label record). The vehicle files
// receive nothing beyond their run header when vehicle type 1 has contact
// type -1. The step counter is not read: the writer keeps its own record of
// the blocks begun.
void write_step_results(RunContext& ctx, std::int32_t stage, float step, std::int32_t step_count);

// One output instant of the integration, right after the commit of step
// `step` of a stage of `step_count` steps: the responses at the output points
// and output items from the current modal states (output_responses.h), then
// their step records (write_step_results).
void record_output_instant(RunContext& ctx, std::int32_t stage, float step, std::int32_t step_count);

// quasi_static_modal_displacement(i) = bridge_modal_force(i) / (2 pi f_i)^2,
// in single precision; 0 for a mode whose frequency is 0 or below.
void compute_quasi_static_modal_displacement(RunContext& ctx);

// Called by the integration drivers at the end of every stage, after its last
// step. A stage that had no output instant gets an empty block (stage header
// with zero records, and its label record), so that every stage the run
// header counts has its block; the run header is written first when no call
// has written it yet.
void end_stage_results(RunContext& ctx, std::int32_t stage, std::int32_t step_count);

}  // namespace tb
