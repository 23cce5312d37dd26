#include "run/input_helpers.h"

#include <cmath>

#include "platform/stop.h"
#include "platform/texts.h"

namespace tb {

std::string_view trim_trailing_blanks(std::string_view s) {
  while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
  return s;
}

void check_read_status(RunContext& ctx, std::int32_t status, std::string_view label) {
  if (status == 0) return;
  if (status == 101) {
    ctx.console.list_line({text::error_prefix, trim_trailing_blanks(label), text::node_out_of_range});
    error_stop(ctx.console);
  }
  if (status >= 100) return;
  ctx.console.list_line({text::error_prefix, trim_trailing_blanks(label), text::data_error});
  error_stop(ctx.console);
}

void stop_with_data_error(RunContext& ctx, std::string_view label) {
  check_read_status(ctx, io_status::bad_value, label);
  stop_run(exit_error);  // not reached: a data error always stops
}

std::int32_t find_node_index(std::int32_t value, const std::int32_t* list, std::int32_t n) {
  for (std::int32_t i = 1; i <= n; ++i)
    if (list[i - 1] == value) return i;
  return 0;
}

void estimate_remaining_time(const ClockReading& first, const ClockReading& second,
                             std::array<std::int32_t, 4>& remaining, float steps_done,
                             std::int32_t steps_total) {
  using namespace clock_field;
  std::int32_t h = second[hour] - first[hour];
  std::int32_t m = second[minute] - first[minute];
  std::int32_t s = second[clock_field::second] - first[clock_field::second];
  std::int32_t ms = second[millisecond] - first[millisecond];
  if (ms < 0) {
    ms += 1000;
    s -= 1;
  }
  if (s < 0) {
    s += 60;
    m -= 1;
  }
  if (m < 0) {
    m += 60;
    h -= 1;
  }
  if (h < 0) h += 24;
  remaining[3] = ms;
  const float d = static_cast<float>(ms) / 1000.0f + static_cast<float>(s + 60 * m + 3600 * h);
  const float r = d * (static_cast<float>(steps_total) - steps_done);
  // Truncation toward zero, clamped to the integer range; the products below
  // are formed as integers wide enough not to overflow.
  auto truncate = [](float v) -> std::int32_t {
    if (!std::isfinite(v)) return 0;
    if (v >= 2147483520.0f) return 2147483647;
    if (v <= -2147483648.0f) return -2147483647 - 1;
    return static_cast<std::int32_t>(v);
  };
  remaining[0] = truncate(r / 3600.0f);
  remaining[1] = truncate((r - static_cast<float>(3600LL * remaining[0])) / 60.0f);
  remaining[2] = truncate((r - static_cast<float>(60LL * remaining[1])) - static_cast<float>(3600LL * remaining[0]));
}

std::string input_file_name(const RunControl& control, std::string_view name) {
  std::string path(trim_trailing_blanks(control.input_path));
  std::string full = path + std::string(name);
  for (char& c : full)
    if (c == '\\') c = '/';
  if (path.empty()) {
    // The working directory: the name must not land at the file-system root.
    std::size_t k = 0;
    while (k < full.size() && full[k] == '/') ++k;
    full.erase(0, k);
  }
  return full;
}

}  // namespace tb
