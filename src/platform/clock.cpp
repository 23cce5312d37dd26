#include "platform/clock.h"

#include <chrono>
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

void set_flush_to_zero_mode() {
#if defined(__SSE__) || defined(__x86_64__)
  // Bit 15: flush-to-zero; bit 6: denormals-are-zero.
  _mm_setcsr(_mm_getcsr() | 0x8040u);
#endif
}

}  // namespace tb
