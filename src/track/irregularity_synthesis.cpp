#include "track/irregularity_synthesis.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "numerics/fft.h"
#include "numerics/truncation.h"
#include "track/irregularity_psd.h"

namespace tb {

namespace {

constexpr const char* kKindNames[3] = {"vertical profile", "alignment", "cross level"};

// The cut-off of the low-pass filter over the Nyquist frequency.
float filter_ratio(float spacing, float filter_wavelength) {
  return (1.0f / filter_wavelength) / (0.5f / spacing);
}

// Forward transform of v(1..n), the positions n/2 - w .. n/2 + w cleared
// (w = int(n (0.5 - 0.5 r)), kept inside the sequence), and back; v receives
// the real parts. after_transform() runs after each of the two transforms.
template <class AfterTransform>
void cut_high_frequencies(float* v, std::int32_t n, float r, std::vector<Complex>& x, std::vector<Complex>& y,
                          AfterTransform after_transform) {
  if (n < 2) return;
  std::int32_t w = truncate_to_int32(static_cast<float>(n) * (0.5f - 0.5f * r));
  if (w > n / 2 - 1) w = n / 2 - 1;
  if (w < 0) w = 0;
  x.resize(static_cast<std::size_t>(n));
  y.resize(static_cast<std::size_t>(n));
  for (std::int32_t i = 0; i < n; ++i) x[i] = Complex(static_cast<double>(v[i]), 0.0);
  compute_forward_fft(x.data(), y.data(), n);
  after_transform();
  for (std::int32_t p = n / 2 - w; p <= n / 2 + w; ++p) y[p - 1] = Complex(0.0, 0.0);
  compute_inverse_fft(y.data(), x.data(), n);
  after_transform();
  for (std::int32_t i = 0; i < n; ++i) v[i] = static_cast<float>(x[i].real());
}

}  // namespace

std::int32_t irregularity_sample_count(float length, float spacing) {
  const float q = length / spacing;
  if (!(q >= 1.0f) || !(q < 2147483648.0f)) return 0;
  const std::int32_t c = static_cast<std::int32_t>(q);
  const std::int32_t p = static_cast<std::int32_t>(std::log(static_cast<float>(c)) / 0.6931472f + 1.0f);
  if (p < 0 || p > 30) return 0;
  return std::int32_t{1} << p;
}

float stored_irregularity_length(std::int32_t n, float spacing) {
  float length = static_cast<float>(n - 1) * spacing;
  for (std::int32_t k = 2; k < n / 2 && irregularity_sample_count(length, spacing) != n; k *= 2)
    length = static_cast<float>(n - k) * spacing;
  return length;
}

float next_random_number(std::int32_t& state, float& value) {
  if (state == 0) state = 671071;
  // The product wraps modulo 2^32 like 32-bit signed arithmetic; the
  // remainder takes the sign of the dividend.
  const auto product = static_cast<std::int32_t>(static_cast<std::uint32_t>(state) * 125u);
  state = product % 2796203;
  value = static_cast<float>(state) / 2796203.0f;
  return value;
}

CarriedWavelengths synthesise_irregularity_profiles(std::int32_t spectrum_code, std::int32_t seed,
                                                    float min_wavelength, float max_wavelength, float spacing,
                                                    float two_pi, Array2<float>& profile, ProgressLines* progress) {
  CarriedWavelengths carried;
  const std::int32_t n = profile.extent(1);
  const float f_max = 1.0f / min_wavelength;
  const float f_min = 1.0f / max_wavelength;
  const float df = 1.0f / static_cast<float>(n) / spacing;
  // Lines on the bins k0 + 1 .. k0 + nf; only bins 1 .. n - 1 (positions 2 to
  // n and their mirror images) can carry one.
  std::int32_t k0 = truncate_to_int32(f_min / df);
  if (k0 < 0) k0 = 0;
  if (k0 > n) k0 = n;
  std::int32_t nf = truncate_to_int32(f_max / df - static_cast<float>(k0));
  if (nf > n - 1 - k0) nf = n - 1 - k0;
  if (nf < 0) nf = 0;

  std::vector<float> freq(static_cast<std::size_t>(nf)), spectrum(static_cast<std::size_t>(nf));
  std::vector<float> phase(3 * static_cast<std::size_t>(nf));
  std::vector<Complex> x(static_cast<std::size_t>(n)), y(static_cast<std::size_t>(n));
  if (nf > 0) freq[0] = static_cast<float>(k0 + 1) * df;
  for (std::int32_t j = 1; j < nf; ++j) freq[j] = freq[j - 1] + df;
  std::int32_t state = seed;
  float value = 0.0f;
  for (float& ph : phase) ph = next_random_number(state, value) * two_pi;
  if (progress) progress->advance(0, [&] { return "generating " + grouped(n) + " samples, the phases drawn"; });

  for (std::int32_t kind = 1; kind <= 3; ++kind) {
    evaluate_irregularity_spectrum(spectrum_code, static_cast<IrregularityKind>(kind), freq.data(), nf, df, two_pi,
                                   spectrum.data());
    std::fill(x.begin(), x.end(), Complex(0.0, 0.0));
    for (std::int32_t j = 1; j <= nf; ++j) {
      const float s = spectrum[j - 1];
      // A density that is not positive (a fit below zero outside its range)
      // carries no power.
      const float a = s > 0.0f ? static_cast<float>(n) * std::sqrt(s * two_pi * df) : 0.0f;
      const float ph = phase[static_cast<std::size_t>((kind - 1) * nf + j - 1)];
      const float re = a * std::cos(ph), im = a * std::sin(ph);
      x[k0 + j] = Complex(re, im);          // position k0 + 1 + j
      x[n - k0 - j] = Complex(re, -im);     // position n - k0 - j + 1
    }
    const auto how_far = [&] {
      return "generating " + grouped(n) + " samples, " + kKindNames[kind - 1] + " (" + std::to_string(kind) +
             " of 3)";
    };
    if (progress) progress->advance(0, how_far);
    compute_inverse_fft(x.data(), y.data(), n);
    for (std::int32_t i = 1; i <= n; ++i) profile(i, kind + 1) = static_cast<float>(y[i - 1].real());
    if (progress) progress->advance(1, how_far);
    // The lines ascend in frequency: the first one with power is the longest
    // wave of the profile.
    for (std::int32_t j = 1; j <= nf; ++j)
      if (spectrum[j - 1] > 0.0f) {
        carried.longest[kind - 1] = 1.0f / freq[j - 1];
        carried.shortened[kind - 1] = j > 1;
        break;
      }
  }
  return carried;
}

void lowpass_filter_profile_columns(Array2<float>& profile, float spacing, float filter_wavelength,
                                    ProgressLines* progress) {
  const std::int32_t n = profile.extent(1);
  if (lowpass_filter_transforms(n, spacing, filter_wavelength) == 0) return;
  const float r = filter_ratio(spacing, filter_wavelength);
  std::vector<Complex> x, y;
  for (int c = 2; c <= 4; ++c)
    cut_high_frequencies(profile.at_ptr(1, c), n, r, x, y, [&] {
      if (progress)
        progress->advance(1, [&] {
          return "low-pass filter of " + grouped(n) + " samples, " + kKindNames[c - 2] + " (" +
                 std::to_string(c - 1) + " of 3)";
        });
    });
}

std::int32_t lowpass_filter_transforms(std::int32_t n, float spacing, float filter_wavelength) {
  const float r = filter_ratio(spacing, filter_wavelength);
  return r > 0.0f && r < 1.0f && n >= 2 ? 6 : 0;
}

void lowpass_filter_profile(float spacing, float cutoff_frequency, const float* input, float* output,
                            std::int32_t n) {
  float r = cutoff_frequency / (0.5f / spacing);
  if (r > 1.0f || !(r > 0.0f)) r = 1.0f;
  for (std::int32_t i = 0; i < n; ++i) output[i] = input[i];
  if (r == 1.0f) return;
  std::vector<Complex> x, y;
  cut_high_frequencies(output, n, r, x, y, [] {});
}

}  // namespace tb
