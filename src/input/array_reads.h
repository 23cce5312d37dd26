// Read targets over runs of elements of the model arrays, for the readers
// whose records fill one row of a table, e.g. wheelset_nodes(type, 1..n).
#pragma once

#include <cstdint>
#include <type_traits>

#include "platform/array.h"
#include "platform/list_read.h"

namespace tb {

// The `count` elements of `a` that start at index (first...) and run along
// dimension `dim`. A count of 0 or less gives a target without elements
// (and does not touch the array, which may then have no such element).
template <class T, int R, class... I>
ReadTarget array_run(Array<T, R>& a, int dim, std::int32_t count, I... first) {
  static_assert(std::is_same_v<T, std::int32_t> || std::is_same_v<T, float>);
  const std::size_t n = count > 0 ? static_cast<std::size_t>(count) : 0;
  T* p = n > 0 ? a.at_ptr(first...) : nullptr;
  const auto stride = static_cast<std::ptrdiff_t>(a.stride(dim));
  if constexpr (std::is_same_v<T, std::int32_t>)
    return ReadTarget::ints(p, n, stride);
  else
    return ReadTarget::reals(p, n, stride);
}

}  // namespace tb
