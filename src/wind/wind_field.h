// The turbulent wind field: along-wind and vertical turbulence histories at
// equally spaced points along the line, simulated by spectral representation
// of a multi-point random process with exponential coherence.
#pragma once

#include <cstddef>
#include <cstdint>

#include "model/run_context.h"

namespace tb {

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
// starts at 671071. The last seed is written back.
void generate_random_phases(std::int32_t& seed, float* phases, std::int32_t point_count, std::int32_t line_count);

// Simulates both turbulence fields from the field parameters of ctx.wind into
// ctx.wind_field and replaces wind_duration by the generated duration. The
// parameters must have passed the checks of the wind input.
void generate_turbulent_wind_field(RunContext& ctx);

}  // namespace tb
