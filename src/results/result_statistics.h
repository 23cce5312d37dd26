// Statistics of stored result series: for every speed stage and channel of a
// result series file (layout of model/result_series_file.h), seven
// statistics over the channel's active window, and for the wheelset
// irregularity file the correlation of each wheelset response with its track
// irregularity, written as a text report. No run path calls these routines;
// they evaluate a file after a run.
//
// The active window of a series x(1..n) runs from the last value before its
// first step of at least 1.0E-4 of its peak magnitude to the first value after
// its last such step. A series of fewer than two values, or without such a
// step (a constant series), has no window and reports 0.
#pragma once

#include <cstdint>
#include <string>

#include "model/run_context.h"

namespace tb {

// For every channel j of series (n x count, column j the values of channel
// j): mean, maximum, minimum, signed extreme (the value of largest magnitude,
// the maximum on a tie), sample standard deviation and mean +- 3 standard
// deviations over the channel's active window. A channel without a window
// reports 0 in all seven.
void compute_series_statistics(const float* series, std::int32_t n, std::int32_t count, float* mean, float* maximum,
                               float* minimum, float* extreme, float* std_dev, float* upper, float* lower);

// coefficient(j) = Sxy / (sqrt(Sxx) sqrt(Syy)) over the active window of
// irregularity column j, with x the irregularity and y the response column j
// and no mean removed; 0 when the irregularity has no window or is 0 there.
void correlate_with_irregularity(const float* irregularity, const float* response, std::int32_t n,
                                 std::int32_t count, float* coefficient);

// The same computation under a second name.
void correlate_with_irregularity_twin(const float* irregularity, const float* response, std::int32_t n,
                                      std::int32_t count, float* coefficient);

// Reads the result series file on result_unit from its beginning and writes
// to the text unit report_unit the title, the labels of stage 1 and, for each
// stage, the seven statistics of every channel; for the wheelset irregularity
// file (unit 24) also the correlation coefficients, channels taken in groups
// of five (two irregularity channels, then one response paired with the
// first and two with the second). The report ends with two blank lines after
// the last stage, or without them where the file ends before a stage's label
// record. The title comes from the result unit, or is the previous report's
// (`statistics_title` of the run context). Opens and closes neither unit.
void report_result_statistics(RunContext& ctx, std::int32_t result_unit, std::int32_t report_unit);

}  // namespace tb
