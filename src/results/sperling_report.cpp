#include "results/sperling_report.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "numerics/fft.h"
#include "numerics/truncation.h"
#include "platform/format.h"
#include "results/report_lines.h"
#include "results/result_series.h"

namespace tb {

namespace {

constexpr std::size_t kTitleWidth = 200;
constexpr std::string_view kTitleText = "Vehicle Sperling Indexs";

// The frequency weighting of the Sperling index at f Hz: direction 0 the
// vertical, 1 the lateral weighting; any other direction weighs every line 1.
float sperling_weight(float f, std::int32_t direction) {
  if (direction == 0) {
    if (f <= 0.5f) return 0.0f;
    if (f <= 5.9f) return 0.325f * (f * f);
    if (f <= 20.0f) return 400.0f / (f * f);
    return 1.0f;
  }
  if (direction == 1) {
    if (f <= 0.5f) return 0.0f;
    if (f <= 5.4f) return 0.8f * (f * f);
    if (f <= 26.0f) return 650.0f / (f * f);
    return 0.0f;  // the lateral weighting ends at 26 Hz
  }
  return 1.0f;
}

}  // namespace

void compute_sperling_index(const float* x, std::int32_t n, float dt, std::int32_t unweighted,
                            std::int32_t direction, float& index) {
  index = 0.0f;
  if (n < 1) return;

  float peak = 0.0f;
  for (std::int32_t i = 0; i < n; ++i) peak = std::max(peak, std::fabs(x[i]));
  const float threshold = 0.2f * peak;

  // The active part: from the first to the last sample that reaches the
  // threshold with its signed value (1-based positions).
  std::int32_t j0 = n;
  std::int32_t j1 = 1;
  for (std::int32_t i = 1; i <= n; ++i)
    if (x[i - 1] >= threshold) {
      j0 = i;
      break;
    }
  for (std::int32_t i = n; i >= 1; --i)
    if (x[i - 1] >= threshold) {
      j1 = i;
      break;
    }

  // Transform length: 2^L with L from the single-precision logarithm of the
  // active length. Near 2^21 and above that logarithm can round up to the
  // next whole number; the window never takes more samples than the active
  // part holds.
  const std::int32_t len = j1 - j0 + 1;
  if (len < 1) return;
  const std::int32_t l = static_cast<std::int32_t>(std::log(static_cast<float>(len)) / 0.6931472f);
  std::int32_t big_n = std::int32_t{1} << std::clamp(l, 0, 30);
  while (big_n > len) big_n /= 2;
  if (big_n <= 10) return;

  // The window of big_n samples about the middle of the active part. When
  // the active part starts at the first sample and its length is a power of
  // two the centred window would start before the series; it then takes the
  // first big_n samples, which are the active part itself.
  const std::int32_t s =
      std::max(static_cast<std::int32_t>((static_cast<std::int64_t>(j0) + j1) / 2) - big_n / 2, 1);
  std::vector<Complex> window(static_cast<std::size_t>(big_n));
  for (std::int32_t i = 0; i < big_n; ++i) window[i] = Complex(static_cast<double>(x[s - 1 + i]), 0.0);
  std::vector<Complex> spectrum(window.size());
  compute_forward_fft(window.data(), spectrum.data(), big_n);

  // Amplitudes: a(k) = A(k + 1) = 2 |X(k + 1)| / N; line k lies at
  // k / (N + 1) / dt Hz.
  const float nf = static_cast<float>(big_n);
  auto amplitude = [&](std::int32_t k) {
    const float a = static_cast<float>(std::abs(spectrum[static_cast<std::size_t>(k)]));
    return a / nf * 2.0f;
  };
  const float lines = static_cast<float>(50LL * (static_cast<std::int64_t>(big_n) + 1)) * dt;
  // Lines up to 50 Hz; the spectrum ends at line N - 1, where a sample
  // spacing above 1/50 s * N/(N + 1) would otherwise read past it.
  const std::int32_t m = truncate_to_int32(lines);
  const std::int32_t last = m >= 1 ? std::min(m - 1, big_n - 1) : 0;
  const float n1 = static_cast<float>(big_n + 1);
  const float rate = 1.0f / dt;
  float sum = 0.0f;
  for (std::int32_t k = 1; k <= last; ++k) {
    const float f = static_cast<float>(k) / n1 * rate;
    // No weighting is defined at or below zero frequency (a sample spacing
    // beyond any measure).
    if (!(f > 0.0f)) continue;
    const float weight = unweighted == 1 ? 1.0f : sperling_weight(f, direction);
    const float a = amplitude(k);
    sum = sum + a * a * a * weight / f;
  }
  index = std::pow(sum, 0.1f) * 0.896f * 3.981072f;
}

void report_sperling_index(RunContext& ctx, std::int32_t result_unit, std::int32_t report_unit) {
  UnitTable& units = ctx.units;
  std::string title = std::string(21, ' ') + std::string(kTitleText);
  title.resize(kTitleWidth, ' ');

  units.rewind(result_unit);
  RunHeader run;
  std::int32_t stages = 0;
  if (read_run_header(units, result_unit, run) != io_status::ok || !header_count(run.stage_count, stages))
    stages = 0;

  // The report covers the stage blocks that the file holds: a block whose
  // stage header or label record the file cuts short (or that holds no
  // counts) ends it, since nothing of that stage or any later one is there to
  // evaluate.
  StageHeader header;
  std::vector<float> label_values;
  for (std::int32_t s = 1; s <= stages; ++s) {
    std::int32_t records = 0;
    std::int32_t channels = 0;
    if (!read_stage_head(units, result_unit, header, records, channels, label_values)) break;
    Array2<float> labels;
    label_pairs(label_values, channels, labels);

    // Records missing at the end of the file count as zero samples; a
    // series' zero tail changes neither its active part nor its index, so
    // the records read are evaluated alone.
    Array2<float> series;
    const std::int32_t n = read_step_records(units, result_unit, records, channels, series);

    Array1<float> index(channels);
    for (std::int32_t c = 1; c <= channels; ++c) {
      // Direction code 2 (vertical) selects the vertical, 3 (lateral) the
      // lateral weighting; a label that is no number selects none.
      const std::int32_t direction = truncate_to_int32(labels(c, 2) - 2.0f, -1);
      compute_sperling_index(n > 0 ? series.at_ptr(1, c) : nullptr, n, header.output_interval, 0, direction,
                             index(c));
    }

    if (s == 1) {
      free_line(units, report_unit, " " + std::string(75, '='));
      units.write_records(report_unit, format_records("(A100)", {title}));
      free_line(units, report_unit, "Node Number:");
      integer_labels(units, report_unit, labels, 1);
      free_line(units, report_unit, "Degree of Freedom Number:");
      integer_labels(units, report_unit, labels, 2);
    }
    units.write_records(report_unit, format_records("(' Speed Stage',I2,'/',I2)", {s, stages}));
    free_line(units, report_unit, "Sperling Index:");
    value_lines(units, report_unit, index);
    units.write_record(report_unit, "");
  }
  units.write_record(report_unit, "");
  units.write_record(report_unit, "");
}

}  // namespace tb
