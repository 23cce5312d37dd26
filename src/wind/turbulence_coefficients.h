// Spectral coefficients of correlated turbulence at a few equally spaced
// points on a line, and the logarithmic-law mean wind speed. No run path calls
// these routines: they are the coefficient stage of the turbulent wind field
// as routines of their own, with every field quantity and the random seed
// passed by the caller.
#pragma once

#include <cstdint>

#include "numerics/fft.h"
#include "platform/array.h"

namespace tb {

// coefficients(j, m, bin) for points j = 1..point_count, m = 1..j and the
// frequency lines l = 0..line_count-1: point m's line l at the frequency
// f = (m df) / point_count + l df carries the phase drawn for (m, l) and the
// amplitude sqrt(S(f) (0.5 df)); it enters the history of point j with the
// weight of the exponential coherence exp(-7 dx f / U) between neighbours
// (the lower triangular factor of the coherence matrix), times the transform
// length N, which cancels the 1/N of the inverse transform. The value
// v (cos phase + i sin phase) goes to bin bin_offset + 2 + l and its
// conjugate to the mirrored bin N - bin_offset - l (bin b holds the frequency
// index b - 1); where the two bins coincide the conjugate stays. Every product
// is formed in single precision and widened when stored; nothing else of the
// array changes.
//
// The phases come from generate_random_phases with the caller's seed (a zero
// seed becomes 671071 at once), point index fastest, so phase (m, l) is draw
// number l point_count + m; the seed comes back holding the last state drawn.
// With no points or no lines nothing is drawn or written.
//
// A call that would leave the array or the spectrum's domain changes nothing,
// the seed included, and returns false: the array must have at least
// point_count x point_count x N elements, the bins must lie in 1..N
// (bin_offset >= 0 and bin_offset + line_count + 1 <= N), and the mean speed
// and the lowest frequency df / point_count must be finite and above 0.
// `spare` is not read.
bool build_vertical_wind_coefficients(std::int32_t& seed, std::int32_t point_count, float height,
                                      float mean_speed, float friction_velocity, float spare,
                                      std::int32_t bin_offset, std::int32_t line_count,
                                      std::int32_t transform_length, float frequency_step, float point_spacing,
                                      Array3<Complex>& coefficients);

// The same with the along-wind spectrum.
bool build_along_wind_coefficients(std::int32_t& seed, std::int32_t point_count, float height, float mean_speed,
                                   float friction_velocity, float spare, std::int32_t bin_offset,
                                   std::int32_t line_count, std::int32_t transform_length, float frequency_step,
                                   float point_spacing, Array3<Complex>& coefficients);

// speed := ln(height / roughness_length) * friction_velocity / 0.4, the mean
// wind speed of the logarithmic profile at that height (the quotient of the
// heights formed first). Both heights are above 0; otherwise the logarithm is
// not finite.
void compute_log_law_speed(float roughness_length, float friction_velocity, float height, float& speed);

}  // namespace tb
