#include "platform/clock.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>

namespace tb {
namespace {

ClockReading clock_at(int h, int m, int s, int ms) { return {2026, 12, 10, 60, h, m, s, ms}; }

TEST(EstimateRemainingTime, FromTheMeanStepTimeOfTheStageSoFar) {
  std::array<std::int32_t, 4> r{-9, -9, -9, -9};
  // Nothing done yet: no estimate.
  estimate_remaining_time(clock_at(10, 0, 0, 0), clock_at(10, 0, 0, 0), r, 0, 100);
  EXPECT_EQ(r, (std::array<std::int32_t, 4>{0, 0, 0, 0}));
  // 800 steps in 20 minutes: 1.5 s a step, 7200 steps left.
  estimate_remaining_time(clock_at(10, 0, 0, 0), clock_at(10, 20, 0, 0), r, 800, 8000);
  EXPECT_EQ(r, (std::array<std::int32_t, 4>{3, 0, 0, 0}));
  // The mean, not the last step: sixty steps of 1 s and then one of 62 s (a
  // pause) make 2 s a step.
  estimate_remaining_time(clock_at(10, 0, 0, 0), clock_at(10, 2, 2, 0), r, 61, 121);
  EXPECT_EQ(r, (std::array<std::int32_t, 4>{0, 2, 0, 0}));
  // Milliseconds of the remaining time in the fourth field.
  estimate_remaining_time(clock_at(10, 0, 0, 0), clock_at(10, 0, 0, 3), r, 2, 5);
  EXPECT_EQ(r, (std::array<std::int32_t, 4>{0, 0, 0, 4}));
  // Across midnight, and across days: the whole duration counts.
  const auto next_day = [](ClockReading c) {
    c[clock_field::day] += 1;
    return c;
  };
  estimate_remaining_time(clock_at(23, 59, 59, 950), next_day(clock_at(0, 0, 0, 50)), r, 1, 36001);
  EXPECT_EQ(r, (std::array<std::int32_t, 4>{1, 0, 0, 0}));
  estimate_remaining_time(clock_at(10, 0, 0, 0), next_day(clock_at(10, 0, 0, 0)), r, 1, 2);
  EXPECT_EQ(r, (std::array<std::int32_t, 4>{24, 0, 0, 0}));
  // Steps done beyond the total: no negative figures.
  estimate_remaining_time(clock_at(1, 0, 0, 0), clock_at(1, 0, 10, 0), r, 500, 100);
  EXPECT_EQ(r, (std::array<std::int32_t, 4>{0, 0, 0, 0}));
  // A slow stage of a huge run: the hours clamp to the integer range.
  estimate_remaining_time(clock_at(1, 0, 0, 0), clock_at(4, 0, 0, 0), r, 1, 2000000000);
  EXPECT_EQ(r[0], 2147483647);
}

}  // namespace
}  // namespace tb
