#include "wind/turbulence_coefficients.h"

#include <cmath>
#include <vector>

#include "wind/wind_field.h"

namespace tb {

namespace {

// Whether the points and bins of a call lie inside the array and the
// spectrum is defined at every frequency of it (the lowest is df / points;
// point_count and line_count are at least 1).
bool call_fits(std::int32_t point_count, float mean_speed, std::int32_t bin_offset, std::int32_t line_count,
               std::int32_t transform_length, float frequency_step, const Array3<Complex>& c) {
  if (point_count > c.extent(1) || point_count > c.extent(2) || transform_length > c.extent(3)) return false;
  if (bin_offset < 0 ||
      std::int64_t{bin_offset} + std::int64_t{line_count} + 1 > std::int64_t{transform_length})
    return false;
  if (!std::isfinite(mean_speed) || !(mean_speed > 0.0f)) return false;
  return std::isfinite(frequency_step) && frequency_step / static_cast<float>(point_count) > 0.0f;
}

// Point m's line l: its spectral terms and its phase factor.
struct PointLine {
  SpectralLineTerms terms;
  float cos_phase;
  float sin_phase;
};

bool build_wind_coefficients(const TurbulenceSpectrum& spectrum, std::int32_t& seed, std::int32_t point_count,
                             float height, float mean_speed, float friction_velocity, std::int32_t bin_offset,
                             std::int32_t line_count, std::int32_t transform_length, float frequency_step,
                             float point_spacing, Array3<Complex>& coefficients) {
  if (point_count < 1 || line_count < 1) {
    generate_random_phases(seed, nullptr, point_count, line_count);  // only the zero seed's replacement
    return true;
  }
  if (!call_fits(point_count, mean_speed, bin_offset, line_count, transform_length, frequency_step, coefficients))
    return false;

  // Phase (m, l) is draw number l P + m. The array holds P x P x N > P x L
  // values, so these tables stay of the order of its size.
  Array2<float> phases(point_count, line_count);
  generate_random_phases(seed, phases.data(), point_count, line_count);
  Array2<PointLine> lines(point_count, line_count);
  for (std::int32_t l = 0; l < line_count; ++l) {
    for (std::int32_t m = 1; m <= point_count; ++m) {
      const float phase = phases(m, l + 1);
      lines(m, l + 1) = {spectral_line_terms(spectrum, m, l, point_count, frequency_step, point_spacing,
                                             mean_speed, height, friction_velocity),
                         std::cos(phase), std::sin(phase)};
    }
  }

  const float n = static_cast<float>(transform_length);
  for (std::int32_t l = 0; l < line_count; ++l) {
    const std::int32_t bin = bin_offset + 2 + l;
    const std::int32_t mirror = transform_length - bin_offset - l;
    for (std::int32_t j = 1; j <= point_count; ++j) {
      for (std::int32_t m = 1; m <= j; ++m) {
        const PointLine& pl = lines(m, l + 1);
        const float v = (coherence_weight(pl.terms, j, m) * n) * pl.terms.root;
        const float re = v * pl.cos_phase;
        const float im = v * pl.sin_phase;
        coefficients(j, m, bin) = Complex(re, im);
        coefficients(j, m, mirror) = Complex(re, -im);
      }
    }
  }
  return true;
}

}  // namespace

bool build_vertical_wind_coefficients(std::int32_t& seed, std::int32_t point_count, float height,
                                      float mean_speed, float friction_velocity, float /*spare*/,
                                      std::int32_t bin_offset, std::int32_t line_count,
                                      std::int32_t transform_length, float frequency_step, float point_spacing,
                                      Array3<Complex>& coefficients) {
  return build_wind_coefficients(kVerticalSpectrum, seed, point_count, height, mean_speed, friction_velocity,
                                 bin_offset, line_count, transform_length, frequency_step, point_spacing,
                                 coefficients);
}

bool build_along_wind_coefficients(std::int32_t& seed, std::int32_t point_count, float height, float mean_speed,
                                   float friction_velocity, float /*spare*/, std::int32_t bin_offset,
                                   std::int32_t line_count, std::int32_t transform_length, float frequency_step,
                                   float point_spacing, Array3<Complex>& coefficients) {
  return build_wind_coefficients(kAlongWindSpectrum, seed, point_count, height, mean_speed, friction_velocity,
                                 bin_offset, line_count, transform_length, frequency_step, point_spacing,
                                 coefficients);
}

void compute_log_law_speed(float roughness_length, float friction_velocity, float height, float& speed) {
  speed = (std::log(height / roughness_length) * friction_velocity) / 0.4f;
}

}  // namespace tb
