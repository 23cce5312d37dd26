#include "platform/clock.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <ctime>

#if defined(__SSE__) || defined(__x86_64__)
#include <xmmintrin.h>
#endif

namespace tb {

ClockReading read_system_clock() {
  using namespace std::chrono;
  const auto now = system_clock::now();
  const std::time_t secs = system_clock::to_time_t(now);
  const auto ms = duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000;
  std::tm local{};
  localtime_r(&secs, &local);
  ClockReading c{};
  c[clock_field::year] = local.tm_year + 1900;
  c[clock_field::month] = local.tm_mon + 1;
  c[clock_field::day] = local.tm_mday;
  c[clock_field::utc_offset] = static_cast<std::int32_t>(local.tm_gmtoff / 60);
  c[clock_field::hour] = local.tm_hour;
  c[clock_field::minute] = local.tm_min;
  c[clock_field::second] = local.tm_sec;
  c[clock_field::millisecond] = static_cast<std::int32_t>(ms < 0 ? ms + 1000 : ms);
  return c;
}

double monotonic_seconds() {
  using namespace std::chrono;
  return duration<double>(steady_clock::now().time_since_epoch()).count();
}

namespace {

// Milliseconds of a clock reading since an arbitrary epoch, in universal
// time (the offset from UTC taken off), so that a stage that runs past
// midnight, or for days, counts its whole duration.
std::int64_t clock_milliseconds(const ClockReading& c) {
  using namespace clock_field;
  // Days since 1970-01-01 of the civil date (proleptic Gregorian calendar).
  const std::int64_t y = c[year] - (c[month] <= 2 ? 1 : 0);
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const std::int64_t yoe = y - era * 400;
  const std::int64_t mp = (c[month] + 9) % 12;
  const std::int64_t doy = (153 * mp + 2) / 5 + c[day] - 1;
  const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  const std::int64_t days = era * 146097 + doe - 719468;
  const std::int64_t minutes = (days * 24 + c[hour]) * 60 + c[minute] - c[utc_offset];
  return (minutes * 60 + c[second]) * 1000 + c[millisecond];
}

}  // namespace

void estimate_remaining_time(const ClockReading& stage_start, const ClockReading& now,
                             std::array<std::int32_t, 4>& remaining, std::int32_t steps_done,
                             std::int32_t steps_total) {
  remaining = {0, 0, 0, 0};
  if (steps_done <= 0) return;
  const double elapsed = static_cast<double>(clock_milliseconds(now) - clock_milliseconds(stage_start));
  const double left = elapsed / static_cast<double>(steps_done) * static_cast<double>(steps_total - steps_done);
  if (!(left > 0.0)) return;
  // Whole milliseconds, clamped so that the hours stay a 32-bit integer.
  const double ms = std::min(std::floor(left), 2147483647.0 * 3600000.0);
  const auto total = static_cast<std::int64_t>(ms);
  remaining[0] = static_cast<std::int32_t>(total / 3600000);
  remaining[1] = static_cast<std::int32_t>(total / 60000 % 60);
  remaining[2] = static_cast<std::int32_t>(total / 1000 % 60);
  remaining[3] = static_cast<std::int32_t>(total % 1000);
}

void set_flush_to_zero_mode() {
#if defined(__SSE__) || defined(__x86_64__)
  // Bit 15: flush-to-zero; bit 6: denormals-are-zero.
  _mm_setcsr(_mm_getcsr() | 0x8040u);
#endif
}

}  // namespace tb
