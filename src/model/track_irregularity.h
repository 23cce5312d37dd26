// TrackIrregularity: the sampled irregularity profiles (vertical profile,
// alignment, cross level) and their parameters, filled once by
// generate_track_irregularity from "Irregularity.dat" (a stored profile, or
// one generated from a spectrum and stored back) and read by the track model.
#pragma once

#include <cstdint>

#include "platform/array.h"

namespace tb {

struct TrackIrregularity {
  std::int32_t irregularity_spectrum_code = 0;  // spectrum of a generation, as read
  std::int32_t irregularity_seed = 0;           // start of the phase generator, as read
  float min_wavelength = 0.0f;        // m, shortest generated wavelength, as read
  float max_wavelength = 0.0f;        // m, longest generated wavelength, as read
  // m: read, then N x irregularity_spacing (the span of the N samples' bins).
  float irregularity_length = 0.0f;
  // m: read; a generation replaces it by min_wavelength / 4.
  float irregularity_spacing = 0.0f;
  float irregularity_ramp_length = 0.0f;  // m, taper at both ends of every track
  Array1<float> irregularity_scale{3};    // factors of vertical profile, alignment, cross level
  // (N, 4), N a power of two (0 for a profile of no sample): column 1 the
  // position (i - 1) x irregularity_spacing, columns 2, 3, 4 the vertical
  // profile, alignment and cross level in m, scaled and low-pass filtered.
  Array2<float> irregularity_profile;
};

}  // namespace tb
