// Synthesis of irregularity profiles from their spectra by the spectral
// representation method (one line per frequency bin, seeded random phases,
// inverse Fourier transform), and the low-pass filter of the profiles.
#pragma once

#include <cstdint>

#include "platform/array.h"
#include "platform/progress.h"

namespace tb {

// Samples of a profile of the given length at the given spacing: the smallest
// power of two above int(length / spacing) (twice that count when it is itself
// a power of two); 0 when the count is below 1, undefined, or the power would
// not fit a 32-bit count.
std::int32_t irregularity_sample_count(float length, float spacing);

// The length to store with a generated profile of n samples so that the
// sample-count rule reads it back as n: (n - 1) spacings, or, where single
// precision cannot tell that from n spacings (a few million samples), the
// nearest shorter length that still reads back as n.
float stored_irregularity_length(std::int32_t n, float spacing);

// One step of the phase generator: a state of 0 restarts at 671071, then
// state := mod(125 state, 2796203) in 32-bit arithmetic; value = state / 2796203.
float next_random_number(std::int32_t& state, float& value);

// The long-wave end of the generated profiles, per kind (vertical profile,
// alignment, cross level): the wavelength of the longest line that carries
// power (0 when none does), and whether longer lines of the wavelength range
// asked for carry none (a fitted density that turns negative there).
struct CarriedWavelengths {
  float longest[3] = {0.0f, 0.0f, 0.0f};
  bool shortened[3] = {false, false, false};
};

// Columns 2, 3, 4 (vertical profile, alignment, cross level) of profile (N
// rows, N a power of two) := profiles whose lines lie on the frequency bins
// from 1 / max_wavelength to 1 / min_wavelength, each with the amplitude of
// the spectrum of that code and a phase from the generator started at seed;
// a line whose density is not positive carries no power. spacing is the
// sample spacing (min_wavelength / 4). Returns the long-wave end per kind.
// Each kind's transform is one step of `progress`, when there is one.
CarriedWavelengths synthesise_irregularity_profiles(std::int32_t spectrum_code, std::int32_t seed,
                                                    float min_wavelength, float max_wavelength, float spacing,
                                                    float two_pi, Array2<float>& profile,
                                                    ProgressLines* progress = nullptr);

// Low-pass filter of columns 2, 3, 4 of profile with the cut-off wavelength:
// r = (1 / wavelength) / (0.5 / spacing); only 0 < r < 1 filters. Each of
// the two transforms of a column is one step of `progress`, when there is
// one.
void lowpass_filter_profile_columns(Array2<float>& profile, float spacing, float filter_wavelength,
                                    ProgressLines* progress = nullptr);

// The transforms that lowpass_filter_profile_columns makes for a profile of
// n samples: 6 when it filters, else 0.
std::int32_t lowpass_filter_transforms(std::int32_t n, float spacing, float filter_wavelength);

// The same filter on one profile of n samples with the cut-off given as a
// frequency (cycles per metre); a ratio to the Nyquist frequency above 1, at
// or below 0, or of exactly 1 copies the input.
void lowpass_filter_profile(float spacing, float cutoff_frequency, const float* input, float* output,
                            std::int32_t n);

}  // namespace tb
