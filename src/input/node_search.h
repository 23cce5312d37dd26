// The search of a node number in a node list, by which the readers replace
// the node numbers of their files with positions in the node lists.
#pragma once

#include <cstdint>

namespace tb {

// 1-based position of the first element of list(1..n) equal to value; 0 when
// there is none or n <= 0.
std::int32_t find_node_index(std::int32_t value, const std::int32_t* list, std::int32_t n);

}  // namespace tb
