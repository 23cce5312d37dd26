// WindField: the along-wind and vertical turbulence histories at equally
// spaced wind points along the line, generated once at start-up.
#pragma once

#include <cstdint>

#include "platform/array.h"

namespace tb {

struct WindField {
  float wind_time_step = 0.0f;          // dt = 0.5 / cut-off frequency, s
  float wind_point_spacing = 0.0f;      // dx = field length / point count
  std::int32_t wind_sample_count = 0;   // N, a power of two, or 0
  float wind_frequency_step = 0.0f;     // df = (1 / N) / dt, Hz
  float friction_velocity = 0.0f;       // u* of the logarithmic profile
  Array2<float> along_wind_turbulence;     // (N, P) u at time sample n and point j
  Array2<float> vertical_wind_turbulence;  // (N, P) w at time sample n and point j
};

}  // namespace tb
