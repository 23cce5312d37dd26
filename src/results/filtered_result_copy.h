// A low-pass filtered copy of a result series file (layout of
// model/result_series_file.h): every channel of every speed stage passed
// through a second-order recursive low-pass filter. No run path calls these
// routines; they process a file after a run.
#pragma once

#include <cstdint>

#include "model/run_context.h"

namespace tb {

// Filters sample_count samples of channel_count channels (input and output
// column-major, column j the samples of channel j in time order) sampled
// every time_step seconds, with a cut-off of cutoff_frequency Hz. The filter
// has a double zero at the Nyquist frequency and unit gain at zero frequency;
// its coefficients are cubic polynomials in the cut-off ratio
// rho = cutoff_frequency / (0.5 / time_step). A ratio outside 0.1 to 0.9 (or
// none, from a time step or cut-off that is no number) passes the input
// through unchanged. The first two samples of every channel pass unchanged.
void apply_lowpass_filter(float time_step, float cutoff_frequency, const float* input, float* output,
                          std::int32_t sample_count, std::int32_t channel_count);

// Copies the result series file on source_unit to target_unit, both from
// their beginning, stage by stage with the headers and labels as read and
// every channel filtered over the stage's own output interval. A stage whose
// step records end early is copied with the records that are there. The copy
// ends at the first stage header or label record that the source does not
// hold; a source without a run header gives a copy of no stages. Opens and
// closes neither unit.
void filter_results_file(RunContext& ctx, std::int32_t source_unit, std::int32_t target_unit,
                         float cutoff_frequency);

}  // namespace tb
