// TrackIrregularity: the sampled irregularity profiles (vertical profile,
// alignment, cross level) and their parameters.
#pragma once

#include <cstdint>

#include "platform/array.h"

namespace tb {

struct TrackIrregularity {
  std::int32_t irregularity_spectrum_code = 0;
  std::int32_t irregularity_seed = 0;
  float min_wavelength = 0.0f;        // m
  float max_wavelength = 0.0f;        // m
  float irregularity_length = 0.0f;   // m
  float irregularity_spacing = 0.0f;  // m
  float irregularity_ramp_length = 0.0f;  // m, taper at both track ends
  Array1<float> irregularity_scale{3};    // vertical profile, alignment, cross level
  Array2<float> irregularity_profile;     // (N, 4): position, vertical, alignment, cross level
};

}  // namespace tb
