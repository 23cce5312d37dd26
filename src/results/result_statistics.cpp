#include "results/result_statistics.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <string_view>
#include <utility>
#include <vector>

#include "numerics/truncation.h"
#include "platform/format.h"
#include "results/report_lines.h"
#include "results/result_series.h"

namespace tb {

namespace {

constexpr std::size_t kTitleIndent = 21;

struct Window {
  std::int32_t first = 0;  // 1-based
  std::int32_t last = 0;
  std::int32_t length() const { return last - first + 1; }
};

// The active window of x(1..n); false when there is none (n < 2, or no step
// reaches the threshold).
bool active_window(const float* x, std::int32_t n, Window& w) {
  if (n < 2) return false;
  float peak = 0.0f;
  for (std::int32_t i = 0; i < n; ++i) peak = std::max(peak, std::fabs(x[i]));
  const float threshold = 1.0E-4f * peak;
  w.first = n;
  for (std::int32_t j = 1; j <= n - 1; ++j)
    if (std::fabs(x[j] - x[j - 1]) >= threshold) {
      w.first = j;
      break;
    }
  w.last = 1;
  for (std::int32_t k = n; k >= 2; --k)
    if (std::fabs(x[k - 1] - x[k - 2]) >= threshold) {
      w.last = k;
      break;
    }
  return w.length() >= 2;
}

void value_block(UnitTable& units, std::int32_t unit, std::string_view heading, const Array1<float>& values) {
  free_line(units, unit, heading);
  value_lines(units, unit, values);
}

// The title text of each result unit, in the order the units are compared.
void set_title(const RunControl& rc, std::int32_t unit, StatisticsReportTitle& title) {
  const std::array<std::pair<std::int32_t, std::string_view>, 9> titles{{
      {rc.unit_res_dis_bridge, "Bridge Displacements"},
      {rc.unit_res_dis_vehicles, "Vehicle Displacements"},
      {rc.unit_res_acc_bridge, "Bridge Acceleration"},
      {rc.unit_res_acc_vehicles, "Vehicle Accelerations"},
      {rc.unit_res_derailment, "Wheelset Derailment Factors/Wheelset Lateral Contact forces"},
      {rc.unit_res_reduction, "Wheelset Unloading Factors/Wheelset Vertical Contact forces"},
      {rc.unit_res_derailment_filtered, "Wheelset Derailment Factors/Wheelset Lateral Contact forces Filtered"},
      {rc.unit_res_reduction_filtered, "Wheelset Unloading Factors/Wheelset Vertical Contact forces Filtered"},
      {rc.unit_res_wheelset_irregularity, "Track Irregularity/Wheelset Displacements"},
  }};
  for (const auto& [u, text] : titles)
    if (u == unit) {
      title.text = std::string(kTitleIndent, ' ') + std::string(text);
      title.text.resize(200, ' ');
      return;
    }
}

}  // namespace

void compute_series_statistics(const float* series, std::int32_t n, std::int32_t count, float* mean, float* maximum,
                               float* minimum, float* extreme, float* std_dev, float* upper, float* lower) {
  const std::size_t nc = static_cast<std::size_t>(std::max(count, 0));
  for (float* out : {mean, maximum, minimum, extreme, std_dev, upper, lower}) std::fill(out, out + nc, 0.0f);
  if (n < 2) return;
  for (std::size_t j = 0; j < nc; ++j) {
    const float* x = series + j * static_cast<std::size_t>(n);
    Window w;
    // A channel without a window keeps its zeros; the channels after it
    // have windows of their own.
    if (!active_window(x, n, w)) continue;
    const float length = static_cast<float>(w.length());
    float sum = 0.0f;
    float hi = x[w.first - 1];
    float lo = x[w.first - 1];
    for (std::int32_t i = w.first; i <= w.last; ++i) {
      sum = sum + x[i - 1];
      hi = std::max(hi, x[i - 1]);
      lo = std::min(lo, x[i - 1]);
    }
    const float m = sum / length;
    float squares = 0.0f;
    for (std::int32_t i = w.first; i <= w.last; ++i) {
      const float d = x[i - 1] - m;
      squares = squares + d * d;
    }
    const float sd = std::sqrt(squares / static_cast<float>(w.length() - 1));
    mean[j] = m;
    maximum[j] = hi;
    minimum[j] = lo;
    extreme[j] = -lo > hi ? lo : hi;
    std_dev[j] = sd;
    upper[j] = m + 3.0f * sd;
    lower[j] = m - 3.0f * sd;
  }
}

void correlate_with_irregularity(const float* irregularity, const float* response, std::int32_t n,
                                 std::int32_t count, float* coefficient) {
  const std::size_t nc = static_cast<std::size_t>(std::max(count, 0));
  std::fill(coefficient, coefficient + nc, 0.0f);
  for (std::size_t j = 0; j < nc; ++j) {
    const float* x = irregularity + j * static_cast<std::size_t>(std::max(n, 0));
    const float* y = response + j * static_cast<std::size_t>(std::max(n, 0));
    Window w;
    // A pair whose irregularity has no window keeps 0; the pairs after it
    // have windows of their own.
    if (!active_window(x, n, w)) continue;
    float sxy = 0.0f;
    float sxx = 0.0f;
    float syy = 0.0f;
    for (std::int32_t i = w.first; i <= w.last; ++i) {
      sxy = sxy + x[i - 1] * y[i - 1];
      sxx = sxx + x[i - 1] * x[i - 1];
      syy = syy + y[i - 1] * y[i - 1];
    }
    const float rx = std::sqrt(sxx);
    const float ry = std::sqrt(syy);
    if (rx > 0.0f) coefficient[j] = sxy / rx;
    if (ry > 0.0f) coefficient[j] = coefficient[j] / ry;
  }
}

void correlate_with_irregularity_twin(const float* irregularity, const float* response, std::int32_t n,
                                      std::int32_t count, float* coefficient) {
  correlate_with_irregularity(irregularity, response, n, count, coefficient);
}

void report_result_statistics(RunContext& ctx, std::int32_t result_unit, std::int32_t report_unit) {
  UnitTable& units = ctx.units;
  StatisticsReportTitle& title = ctx.statistics_title;
  set_title(ctx.control, result_unit, title);
  const bool irregularity_file = result_unit == ctx.control.unit_res_wheelset_irregularity;

  // A file without a run header (or with none that counts stages) has no
  // stage to report, like one whose label records run out.
  units.rewind(result_unit);
  RunHeader run;
  std::int32_t stages = 0;
  if (read_run_header(units, result_unit, run) != io_status::ok || !header_count(run.stage_count, stages)) return;

  std::vector<float> label_values;
  for (std::int32_t s = 1; s <= stages; ++s) {
    // A stage block that the file cuts short before the end of its label
    // record (or whose header holds no counts) ends the report.
    StageHeader header;
    std::int32_t records = 0;
    std::int32_t channels = 0;
    if (!read_stage_head(units, result_unit, header, records, channels, label_values)) return;
    Array2<float> labels;
    label_pairs(label_values, channels, labels);

    Array2<float> series;
    const std::int32_t n = read_step_records(units, result_unit, records, channels, series);

    Array1<float> mean(channels), extreme(channels), std_dev(channels), maximum(channels), minimum(channels),
        upper(channels), lower(channels), coefficient(channels);
    compute_series_statistics(series.data(), n, channels, mean.data(), maximum.data(), minimum.data(),
                              extreme.data(), std_dev.data(), upper.data(), lower.data());

    if (irregularity_file) {
      // Groups of five channels: two irregularities, a response paired with
      // the first, two paired with the second.
      auto column = [&](std::int32_t c) { return n > 0 ? series.at_ptr(1, c) : nullptr; };
      for (std::int32_t g = 1; g <= channels / 5; ++g) {
        const std::int32_t first = 5 * g - 4;
        const std::int32_t second = 5 * g - 3;
        coefficient(first) = 1.0f;
        coefficient(second) = 1.0f;
        correlate_with_irregularity(column(first), column(5 * g - 2), n, 1, &coefficient(5 * g - 2));
        correlate_with_irregularity(column(second), column(5 * g - 1), n, 1, &coefficient(5 * g - 1));
        correlate_with_irregularity(column(second), column(5 * g), n, 1, &coefficient(5 * g));
      }
    }

    if (s == 1) {
      free_line(units, report_unit, " " + std::string(75, '='));
      units.write_records(report_unit, format_records("(A100)", {title.text}));
      free_line(units, report_unit, "Node Number:");
      integer_labels(units, report_unit, labels, 1);
      free_line(units, report_unit, "Degree of Freedom Number:");
      integer_labels(units, report_unit, labels, 2);
    }
    units.write_records(report_unit, format_records("(' Speed Stage',I2,'/',I2)", {s, stages}));
    value_block(units, report_unit, "Mean value:", mean);
    value_block(units, report_unit, "Max absolute value:", extreme);
    value_block(units, report_unit, "Variance:", std_dev);
    value_block(units, report_unit, "Max value:", maximum);
    value_block(units, report_unit, "Min value:", minimum);
    value_block(units, report_unit, "Maxvalue_Statistic:", upper);
    value_block(units, report_unit, "Minvalue_Statistic:", lower);
    if (irregularity_file)
      value_block(units, report_unit,
                  "Correlation Coefficient with respect to corresponding track irregularity:", coefficient);
    units.write_record(report_unit, "");
  }
  units.write_record(report_unit, "");
  units.write_record(report_unit, "");
}

}  // namespace tb
