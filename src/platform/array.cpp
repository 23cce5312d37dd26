#include "platform/array.h"

#include <unistd.h>

namespace tb {

std::size_t physical_memory_bytes() {
  static const std::size_t bytes = [] {
    const long pages = ::sysconf(_SC_PHYS_PAGES);
    const long page = ::sysconf(_SC_PAGE_SIZE);
    if (pages <= 0 || page <= 0) return static_cast<std::size_t>(-1);
    return static_cast<std::size_t>(pages) * static_cast<std::size_t>(page);
  }();
  return bytes;
}

}  // namespace tb
