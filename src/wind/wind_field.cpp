#include "wind/wind_field.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <string_view>
#include <vector>

#include "numerics/fft.h"
#include "numerics/truncation.h"
#include "platform/progress.h"

namespace tb {

namespace {

// Work storage of one field's synthesis: one column of spectral coefficients,
// its transform and, per frequency line of the current point k, the terms
// that do not depend on the point j.
struct SynthesisWork {
  std::vector<Complex> coefficients;  // (N) positions 1, 2 and N stay 0
  std::vector<Complex> transform;     // (N)
  std::vector<SpectralLineTerms> terms;
  std::vector<float> cos_phase;
  std::vector<float> sin_phase;
};

// One field: column (j, k) of the coefficients holds, at FFT position l + 3
// and its mirror, the line l of point k with the amplitude (H N) sqrt(S df/2),
// H = gamma^(j-k) (times sqrt(1 - gamma^2) for k >= 2) the triangular factor
// of the coherence matrix gamma^|j-k|. The field at point j is the sum over
// k <= j of the real parts of the inverse transforms, added in order of k.
// Columns are built, transformed and added one at a time (k outer, j inner,
// which keeps that order for every point), so only one column is ever held
// instead of the P x P x N coefficient tables. Each column is one step of
// the progress.
void synthesise_field(const WindParameters& wind, const WindField& field_grid, std::int32_t lines,
                      const TurbulenceSpectrum& sp, const Array2<float>& phases, SynthesisWork& work,
                      Array2<float>& field, std::string_view component, ProgressLines& progress) {
  const std::int32_t points = wind.wind_point_count;
  const std::int32_t n = field_grid.wind_sample_count;
  const float df = field_grid.wind_frequency_step;
  const float dx = field_grid.wind_point_spacing;
  const float u = wind.mean_wind_speed;
  const float z = wind.reference_height;
  const float ustar = field_grid.friction_velocity;
  if (lines < 1 || n < 1) return;
  std::fill(work.coefficients.begin(), work.coefficients.end(), Complex{});
  for (std::int32_t k = 1; k <= points; ++k) {
    for (std::int32_t l = 0; l < lines; ++l) {
      work.terms[l] = spectral_line_terms(sp, k, l, points, df, dx, u, z, ustar);
      const float phi = phases(k, l + 1);
      work.cos_phase[l] = std::cos(phi);
      work.sin_phase[l] = std::sin(phi);
    }
    for (std::int32_t j = k; j <= points; ++j) {
      for (std::int32_t l = 0; l < lines; ++l) {
        const float h = coherence_weight(work.terms[l], j, k);
        const float q = (h * static_cast<float>(n)) * work.terms[l].root;
        const float re = q * work.cos_phase[l];
        const float im = q * work.sin_phase[l];
        work.coefficients[l + 2] = Complex(re, im);
        work.coefficients[n - 2 - l] = Complex(re, -im);
      }
      compute_inverse_fft(work.coefficients.data(), work.transform.data(), n);
      float* column = field.at_ptr(1, j);
      for (std::int32_t t = 0; t < n; ++t)
        column[t] = static_cast<float>(static_cast<double>(column[t]) + work.transform[t].real());
      progress.advance(1, [&] { return std::string(component) + ", point " + grouped(k) + " of " + grouped(points); });
    }
  }
}

// Raised-cosine taper of the first `taper_points` points during the first
// `taper_samples` samples and of the last points during the last samples,
// kept within the field.
void taper_field(WindField& w, std::int32_t taper_points, std::int32_t taper_samples) {
  const std::int32_t n = w.wind_sample_count;
  const std::int32_t p = w.along_wind_turbulence.extent(2);
  if (taper_points < 1) return;
  const std::int32_t jmax = std::min(taper_points, p);
  const std::int32_t imax = std::min(taper_samples, n);
  for (std::int32_t j = 1; j <= jmax; ++j) {
    const float g = 1.0f - std::cos(static_cast<float>(j) * 1.5707964f / static_cast<float>(taper_points));
    for (std::int32_t i = 1; i <= imax; ++i) {
      const float h = 1.0f - std::cos(static_cast<float>(i) * 1.5707964f / static_cast<float>(taper_samples));
      w.along_wind_turbulence(i, j) = (w.along_wind_turbulence(i, j) * g) * h;
      w.vertical_wind_turbulence(i, j) = (w.vertical_wind_turbulence(i, j) * g) * h;
      w.along_wind_turbulence(n + 1 - i, p + 1 - j) = (w.along_wind_turbulence(n + 1 - i, p + 1 - j) * g) * h;
      w.vertical_wind_turbulence(n + 1 - i, p + 1 - j) = (w.vertical_wind_turbulence(n + 1 - i, p + 1 - j) * g) * h;
    }
  }
}

}  // namespace

WindFieldGrid plan_wind_field_grid(const WindParameters& wind) {
  WindFieldGrid g;
  g.time_step = 0.5f / wind.cutoff_frequency;
  g.point_spacing = wind.wind_field_length / static_cast<float>(wind.wind_point_count);
  // N = 2^e with e = INT(log2(nT) + 0.5), nT = INT(T / dt); no samples below
  // one step (the logarithm of 0 is never taken).
  const float steps = wind.wind_duration / g.time_step;
  if (steps >= 1.0f) {
    if (steps >= 2147483648.0f) {
      g.fits_int32 = false;
      return g;
    }
    const std::int32_t nt = static_cast<std::int32_t>(steps);
    const std::int32_t e = truncate_to_int32(std::log(static_cast<float>(nt)) / 0.6931472f + 0.5f);
    if (e >= 31) {
      g.fits_int32 = false;
      return g;
    }
    g.sample_count = std::int32_t{1} << e;
  }
  g.duration = g.time_step * static_cast<float>(g.sample_count);
  if (g.sample_count > 0) {
    g.frequency_step = (1.0f / static_cast<float>(g.sample_count)) / g.time_step;
    // fc / df is N/2 but for rounding; no line may leave positions 3..N.
    const std::int32_t m = truncate_to_int32(wind.cutoff_frequency / g.frequency_step - 1.0f);
    g.line_count = std::clamp(m, 0, std::max(g.sample_count / 2 - 1, 0));
  }
  return g;
}

double wind_field_bytes(const WindParameters& wind, const WindFieldGrid& grid) {
  const double n = grid.sample_count;
  const double p = std::max(wind.wind_point_count, 0);
  // Two fields of single-precision values, the phase table and two complex
  // columns of double precision.
  return 2.0 * n * p * sizeof(float) + p * grid.line_count * sizeof(float) + 2.0 * n * sizeof(Complex);
}

void generate_random_phases(std::int32_t& seed, float* phases, std::int32_t point_count, std::int32_t line_count) {
  if (seed == 0) seed = 671071;
  if (point_count < 1 || line_count < 1) return;
  const std::int64_t count = static_cast<std::int64_t>(point_count) * line_count;
  for (std::int64_t r = 0; r < count; ++r) {
    // 125 seed wraps around like a 32-bit product (the unsigned product
    // converted back is that wrap); % keeps the sign of the dividend.
    seed = static_cast<std::int32_t>(static_cast<std::uint32_t>(seed) * 125u) % 2796203;
    phases[r] = (static_cast<float>(seed) / 2796203.0f) * 6.283185f;
  }
}

void generate_turbulent_wind_field(RunContext& ctx) {
  WindParameters& wind = ctx.wind;
  WindField& w = ctx.wind_field;
  const WindFieldGrid grid = plan_wind_field_grid(wind);
  w.wind_time_step = grid.time_step;
  w.wind_point_spacing = grid.point_spacing;
  w.wind_sample_count = grid.sample_count;
  w.wind_frequency_step = grid.frequency_step;
  wind.wind_duration = grid.duration;

  const float z0 = wind.roughness_length;
  w.friction_velocity =
      0.4f * wind.mean_wind_speed / std::log(((wind.reference_height - wind.height_offset) + z0 / 0.4f) / z0);

  const std::int32_t n = grid.sample_count;
  const std::int32_t points = std::max(wind.wind_point_count, 0);
  const std::int32_t lines = grid.line_count;
  w.along_wind_turbulence.resize(n, points);
  w.vertical_wind_turbulence.resize(n, points);

  Array2<float> phases(points, lines);
  SynthesisWork work;
  work.coefficients.assign(n, Complex{});
  work.transform.assign(n, Complex{});
  work.terms.assign(lines, SpectralLineTerms{});
  work.cos_phase.assign(lines, 0.0f);
  work.sin_phase.assign(lines, 0.0f);

  // P (P + 1) / 2 transformed columns a field, each about as long as the
  // next: a field of many points takes hours (P^2 N log N), and says how far
  // it is.
  const std::int64_t field_columns =
      lines >= 1 && n >= 1 ? static_cast<std::int64_t>(points) * (points + 1) / 2 : 0;
  ProgressLines progress(ctx.console, "Turbulent wind field", 2 * field_columns, start_up_stop_note);

  // The vertical field's phases continue the sequence of the along-wind ones.
  std::int32_t seed = 0;
  generate_random_phases(seed, phases.data(), points, lines);
  synthesise_field(wind, w, lines, kAlongWindSpectrum, phases, work, w.along_wind_turbulence,
                   "along-wind turbulence", progress);
  generate_random_phases(seed, phases.data(), points, lines);
  synthesise_field(wind, w, lines, kVerticalSpectrum, phases, work, w.vertical_wind_turbulence,
                   "vertical turbulence", progress);

  taper_field(w, truncate_to_int32(wind.smoothing_distance / grid.point_spacing + 1.0f),
              truncate_to_int32(wind.smoothing_time / grid.time_step + 1.0f));
}

}  // namespace tb
