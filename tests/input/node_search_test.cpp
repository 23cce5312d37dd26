#include "input/node_search.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace tb {
namespace {

TEST(FindNodeIndex, FirstPositionOrZero) {
  const std::int32_t list[] = {5, 9, 12, 4, 8, 1, 12, 3};
  EXPECT_EQ(find_node_index(12, list, 8), 3);
  EXPECT_EQ(find_node_index(5, list, 8), 1);
  EXPECT_EQ(find_node_index(-7, list, 8), 0);
  EXPECT_EQ(find_node_index(5, nullptr, 0), 0);
  EXPECT_EQ(find_node_index(3, list, 7), 0);  // only the first n are looked at
}

}  // namespace
}  // namespace tb
