#include "platform/array.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace tb {
namespace {

// A table that a declared largest count sized keeps its values when it is
// narrowed to the counts in use.
TEST(ShrinkTable, KeepsEveryElementWithinTheNewExtents) {
  Array3<float> a(4, 5, 3);
  for (std::int32_t i = 1; i <= 4; ++i)
    for (std::int32_t j = 1; j <= 5; ++j)
      for (std::int32_t k = 1; k <= 3; ++k) a(i, j, k) = static_cast<float>(100 * i + 10 * j + k);
  shrink_table(a, 4, 2, 3);
  ASSERT_EQ(a.extent(1), 4);
  ASSERT_EQ(a.extent(2), 2);
  ASSERT_EQ(a.extent(3), 3);
  for (std::int32_t i = 1; i <= 4; ++i)
    for (std::int32_t j = 1; j <= 2; ++j)
      for (std::int32_t k = 1; k <= 3; ++k) EXPECT_EQ(a(i, j, k), static_cast<float>(100 * i + 10 * j + k));
  shrink_table(a, 9, 9, 0);  // never wider; an extent of 0 empties it
  EXPECT_EQ(a.extent(1), 4);
  EXPECT_EQ(a.size(), 0u);
}

}  // namespace
}  // namespace tb
