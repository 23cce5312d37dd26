// The turbulent wind field: along-wind and vertical turbulence histories at
// equally spaced points along the line, simulated by spectral representation
// of a multi-point random process with exponential coherence.
#pragma once

#include <cmath>
#include <cstddef>
#include <cstdint>

#include "model/run_context.h"
#include "numerics/wind_math.h"

namespace tb {

// One-sided spectrum of a turbulence component,
// S(f) = A u*^2 (z/U) / (1 + B x^a)^b with the reduced frequency x = z f / U.
struct TurbulenceSpectrum {
  float a_factor;    // A
  float b_factor;    // B
  float exponent_a;  // a
  float exponent_b;  // b
};

// Along-wind and vertical spectra of the simulated boundary-layer wind; the
// exponents are held as these single-precision values (10/7, 7/6, 1/0.99,
// 1.65).
inline constexpr TurbulenceSpectrum kAlongWindSpectrum{15.021f, 21.5f, 1.4285715f, 1.1666666f};
inline constexpr TurbulenceSpectrum kVerticalSpectrum{285.53f, 41.1f, 1.010101f, 1.65f};

// What one frequency line of one point contributes to the spectral
// representation of a turbulence field over equally spaced points.
struct SpectralLineTerms {
  float coherence;       // gamma = exp(-7 dx f / U), coherence of neighbouring points at f
  float coherence_tail;  // sqrt(1 - gamma^2)
  float root;            // sqrt(S(f) (0.5 df)): the line's amplitude before the coherence weight and N
};

// Line l (from 0) of point k of `points` spaced dx apart: its frequency
// f = (k df) / points + l df is shifted by k/points of a line so that the
// points' lines never coincide. mean_speed and the lowest frequency df /
// points must be above 0.
inline SpectralLineTerms spectral_line_terms(const TurbulenceSpectrum& sp, std::int32_t k, std::int32_t l,
                                             std::int32_t points, float df, float dx, float mean_speed,
                                             float height, float friction_velocity) {
  const float f = (static_cast<float>(k) * df) / static_cast<float>(points) + static_cast<float>(l) * df;
  const float gamma = std::exp(-((7.0f * dx) * f) / mean_speed);
  const float x = (height * f) / mean_speed;
  const float s = ((x * (friction_velocity * (sp.a_factor * friction_velocity))) / f) /
                  std::pow(1.0f + sp.b_factor * std::pow(x, sp.exponent_a), sp.exponent_b);
  return {gamma, std::sqrt(1.0f - gamma * gamma), std::sqrt(s * (0.5f * df))};
}

// Weight of point k's line in the history of point j >= k: entry (j, k) of
// the lower triangular factor of the coherence matrix gamma^|j-k|, that is
// gamma^(j-k), times sqrt(1 - gamma^2) for k >= 2.
inline float coherence_weight(const SpectralLineTerms& t, std::int32_t j, std::int32_t k) {
  float h = integer_power(t.coherence, j - k);
  if (k >= 2) h = h * t.coherence_tail;
  return h;
}

// Time grid of the field as the field parameters give it.
struct WindFieldGrid {
  float time_step = 0.0f;         // dt = 0.5 / cut-off frequency
  float point_spacing = 0.0f;     // dx = field length / point count
  std::int32_t sample_count = 0;  // N: the power of two nearest to duration / dt on a log scale, 0 below one step
  float duration = 0.0f;          // dt * N
  float frequency_step = 0.0f;    // (1 / N) / dt; 0 without samples
  std::int32_t line_count = 0;    // M, frequency lines: N/2 - 1 (or one less by rounding), at least 0
  bool fits_int32 = true;         // false when N would not fit a 32-bit integer (N is then 0)
};

// The grid of the field parameters in `wind`; they must hold a cut-off
// frequency above 0 and a point count above 0.
WindFieldGrid plan_wind_field_grid(const WindParameters& wind);

// Bytes that the generation of a field on this grid needs at its peak.
double wind_field_bytes(const WindParameters& wind, const WindFieldGrid& grid);

// Fills phases(1..point_count*line_count) with (seed / 2796203) * 2 pi from
// the congruential sequence seed := mod(125 seed, 2796203); a seed of 0
// starts at 671071 (also when no phase is drawn). The product wraps around in
// 32-bit two's-complement arithmetic and the remainder keeps its sign, so a
// negative seed gives negative phases. The last seed is written back.
void generate_random_phases(std::int32_t& seed, float* phases, std::int32_t point_count, std::int32_t line_count);

// Simulates both turbulence fields from the field parameters of ctx.wind into
// ctx.wind_field and replaces wind_duration by the generated duration. The
// parameters must have passed the checks of the wind input.
void generate_turbulent_wind_field(RunContext& ctx);

}  // namespace tb
