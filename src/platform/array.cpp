#include "platform/array.h"

#include <sys/resource.h>
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

MemoryLimit memory_limit() {
  const std::size_t physical = physical_memory_bytes();
  rlimit r{};
  if (::getrlimit(RLIMIT_AS, &r) == 0 && r.rlim_cur != RLIM_INFINITY && r.rlim_cur < physical)
    return {static_cast<std::size_t>(r.rlim_cur), true};
  return {physical, false};
}

}  // namespace tb
