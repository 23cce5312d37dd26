// Ride quality of a stored acceleration series: the Sperling ride index of
// every channel of every speed stage of a result series file (in the layout
// of model/result_series_file.h), written as a text report. No run path calls
// these routines; they evaluate a file after a run, typically the vehicle
// accelerations of unit 15.
#pragma once

#include <cstdint>

#include "model/run_context.h"

namespace tb {

// The Sperling index of the series x(1..n) sampled every dt seconds: the
// amplitude spectrum of the longest power-of-two window of the series' active
// part (from the first to the last sample that reaches 0.2 of the peak with
// its signed value), summed as a^3 F(f) / f over the lines below 50 Hz, then
// index = sum^0.1 * 0.896 * 3.981072. With unweighted = 1 every line has the
// weight F = 1; otherwise direction selects F: 0 the vertical, 1 the lateral
// weighting, any other value F = 1. The index is 0 for a series whose window
// would be 8 samples or fewer.
void compute_sperling_index(const float* x, std::int32_t n, float dt, std::int32_t unweighted,
                            std::int32_t direction, float& index);

// Reads the result series file on result_unit from its beginning and writes
// to the text unit report_unit the title, the labels of stage 1 and, for each
// speed stage, the index of every channel, weighted by the direction code of
// its second label (2 vertical, 3 lateral, any other code unweighted). The
// report ends with two blank lines. Opens and closes neither unit.
void report_sperling_index(RunContext& ctx, std::int32_t result_unit, std::int32_t report_unit);

}  // namespace tb
