#include "input/node_search.h"

namespace tb {

std::int32_t find_node_index(std::int32_t value, const std::int32_t* list, std::int32_t n) {
  for (std::int32_t i = 1; i <= n; ++i)
    if (list[i - 1] == value) return i;
  return 0;
}

}  // namespace tb
