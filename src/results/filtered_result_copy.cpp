#include "results/filtered_result_copy.h"

#include <algorithm>
#include <array>
#include <span>
#include <vector>

#include "results/result_series.h"

namespace tb {

namespace {

// Coefficients of the filter: b0, b1, b2 weigh the input samples, a1, a2 the
// previous outputs.
struct LowpassCoefficients {
  float b0 = 0.0f;
  float b1 = 0.0f;
  float b2 = 0.0f;
  float a1 = 0.0f;
  float a2 = 0.0f;
};

// Each coefficient as c0 + c1 rho + c2 rho^2 + c3 rho^3, rows b0, b1, b2,
// a1, a2. b1 = 2 b0 and b2 = b0 (a double zero at the Nyquist frequency) and
// b0 + b1 + b2 = 1 + a1 + a2 (unit gain at zero frequency) for every rho.
constexpr std::array<std::array<float, 4>, 5> kLowpassPolynomials{{
    {-0.017568618f, 0.37903252f, 0.3050254f, 0.3191048f},
    {-0.035137236f, 0.75806504f, 0.6100508f, 0.6382096f},
    {-0.017568618f, 0.37903252f, 0.3050254f, 0.3191048f},
    {-2.0063255f, 4.6508603f, -1.9146286f, 1.276419f},
    {0.9360509f, -3.13473f, 3.13473f, 1e-14f},
}};

float polynomial(const std::array<float, 4>& c, float rho, float rho2, float rho3) {
  return ((c[1] * rho + c[0]) + c[2] * rho2) + c[3] * rho3;
}

}  // namespace

void apply_lowpass_filter(float time_step, float cutoff_frequency, const float* input, float* output,
                          std::int32_t sample_count, std::int32_t channel_count) {
  const float rho = cutoff_frequency / (0.5f / time_step);
  const std::size_t ns = static_cast<std::size_t>(std::max(sample_count, 0));
  const std::size_t nc = static_cast<std::size_t>(std::max(channel_count, 0));
  if (!(rho >= 0.1f && rho <= 0.9f)) {
    std::copy(input, input + ns * nc, output);
    return;
  }

  const float rho2 = rho * rho;
  const float rho3 = rho * rho2;
  LowpassCoefficients k;
  k.b0 = polynomial(kLowpassPolynomials[0], rho, rho2, rho3);
  k.b1 = polynomial(kLowpassPolynomials[1], rho, rho2, rho3);
  k.b2 = polynomial(kLowpassPolynomials[2], rho, rho2, rho3);
  k.a1 = polynomial(kLowpassPolynomials[3], rho, rho2, rho3);
  k.a2 = polynomial(kLowpassPolynomials[4], rho, rho2, rho3);

  std::fill(output, output + ns * nc, 0.0f);
  for (std::size_t j = 0; j < nc; ++j) {
    const float* x = input + j * ns;
    float* y = output + j * ns;
    for (std::size_t i = 0; i < std::min<std::size_t>(ns, 2); ++i) y[i] = x[i];
    for (std::size_t i = 2; i < ns; ++i)
      y[i] = k.b0 * x[i] + k.b1 * x[i - 1] + k.b2 * x[i - 2] - k.a1 * y[i - 1] - k.a2 * y[i - 2];
  }
}

void filter_results_file(RunContext& ctx, std::int32_t source_unit, std::int32_t target_unit,
                         float cutoff_frequency) {
  UnitTable& units = ctx.units;
  units.rewind(source_unit);
  units.rewind(target_unit);
  RunHeader run;
  if (read_run_header(units, source_unit, run) != io_status::ok) {
    // Nothing to copy: the target becomes a file of no stages rather than
    // keeping what it held before.
    write_run_header(units, target_unit, RunHeader{0.0f});
    return;
  }
  write_run_header(units, target_unit, run);
  std::int32_t stages = 0;
  if (!header_count(run.stage_count, stages)) return;

  std::vector<float> labels;
  for (std::int32_t s = 1; s <= stages; ++s) {
    StageHeader header;
    std::int32_t records = 0;
    std::int32_t channels = 0;
    if (!read_stage_head(units, source_unit, header, records, channels, labels)) return;
    Array2<float> series;
    const std::int32_t n = read_step_records(units, source_unit, records, channels, series);

    Array2<float> filtered(n, channels);
    apply_lowpass_filter(header.output_interval, cutoff_frequency, series.data(), filtered.data(), n, channels);

    write_stage_header(units, target_unit, header);
    units.write_f32s(target_unit, labels);
    std::vector<float> record(static_cast<std::size_t>(channels));
    for (std::int32_t r = 1; r <= n && channels > 0; ++r) {
      for (std::int32_t c = 1; c <= channels; ++c) record[c - 1] = filtered(r, c);
      units.write_f32s(target_unit, record);
    }
  }
}

}  // namespace tb
