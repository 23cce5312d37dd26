// One-based, column-major arrays for the model records.
//
// The records of the run hold tables such as mode_shapes(mode, node, component)
// whose extents are counts read from the input files. Array<T, R> keeps the
// index order of those tables: indices start at 1 and the first index varies
// fastest in memory, which is also the order in which the tables are read from
// the input files and written to the result files. Extents below 0 count as 0.
// Index checks are compiled in when TRAINBRIDGE_CHECKS is defined (the test
// build); a failed check is a programming error and aborts.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <span>
#include <tuple>
#include <utility>
#include <vector>

namespace tb {

// Bytes of memory this machine has.
std::size_t physical_memory_bytes();

// The most memory this process can have: the machine's memory, or the
// address-space limit of the process (getrlimit RLIMIT_AS, "ulimit -v") when
// that is lower. An array larger than that cannot be created (the extents
// come from input files and may be absurd).
struct MemoryLimit {
  std::size_t bytes;
  bool address_space;  // the address-space limit, not the machine's memory
};
MemoryLimit memory_limit();
inline std::size_t memory_limit_bytes() { return memory_limit().bytes; }

// The failure of an array's allocation, with the bytes that it asked for.
class TableAllocationFailure : public std::bad_alloc {
 public:
  explicit TableAllocationFailure(double bytes) : bytes_(bytes) {}
  double bytes() const { return bytes_; }
  const char* what() const noexcept override { return "the allocation of a table failed"; }

 private:
  double bytes_;
};

template <class T, int R>
class Array {
  static_assert(R >= 1 && R <= 5, "Array rank must be 1 to 5");

 public:
  using value_type = T;

  Array() { ext_.fill(0); stride_.fill(0); }

  template <class... N>
  explicit Array(N... extents) {
    resize(extents...);
  }

  // Allocates with the given extents (negative counts as 0); every element is
  // value-initialised (0 for numbers). An array larger than the memory this
  // process can have throws TableAllocationFailure before anything is
  // allocated, as does an allocation that fails.
  template <class... N>
  void resize(N... extents) {
    static_assert(sizeof...(N) == R, "resize needs one extent per dimension");
    const std::array<std::int64_t, R> e{static_cast<std::int64_t>(extents)...};
    std::array<std::int32_t, R> ext{};
    std::array<std::size_t, R> stride{};
    std::size_t total = 1;
    double bytes = sizeof(T);
    bool beyond = false;
    const std::size_t limit = memory_limit_bytes() / sizeof(T);
    for (int d = 0; d < R; ++d) {
      ext[d] = static_cast<std::int32_t>(std::clamp<std::int64_t>(e[d], 0, INT32_MAX));
      stride[d] = total;
      bytes *= static_cast<double>(ext[d]);
      if (beyond) continue;
      if (ext[d] != 0 && total > limit / static_cast<std::size_t>(ext[d]))
        beyond = true;
      else
        total *= static_cast<std::size_t>(ext[d]);
    }
    if (bytes == 0.0) total = 0;  // an extent of 0: an empty table, whatever the others
    else if (beyond) throw TableAllocationFailure(bytes);
    try {
      data_.assign(total, T{});
    } catch (const std::bad_alloc&) {
      throw TableAllocationFailure(bytes);
    }
    ext_ = ext;
    stride_ = stride;
    allocated_ = true;
  }

  // True once resize has been called (even with zero extents).
  bool allocated() const { return allocated_; }

  void fill(const T& v) { std::fill(data_.begin(), data_.end(), v); }

  std::int32_t extent(int dim) const { return ext_[dim - 1]; }
  std::size_t size() const { return data_.size(); }
  bool empty() const { return data_.empty(); }

  T* data() { return data_.data(); }
  const T* data() const { return data_.data(); }
  std::span<T> span() { return {data_.data(), data_.size()}; }
  std::span<const T> span() const { return {data_.data(), data_.size()}; }

  template <class... I>
  T& operator()(I... idx) {
    return data_[offset(idx...)];
  }
  template <class... I>
  const T& operator()(I... idx) const {
    return data_[offset(idx...)];
  }

  // Pointer to element (idx...) for callers that walk a contiguous run along
  // the first index; the element must exist.
  template <class... I>
  T* at_ptr(I... idx) {
    return data_.data() + offset(idx...);
  }
  template <class... I>
  const T* at_ptr(I... idx) const {
    return data_.data() + offset(idx...);
  }

  // Distance in elements between neighbours along dimension dim (1-based).
  std::size_t stride(int dim) const { return stride_[dim - 1]; }

  // Copies values and shape of another array of the same type and rank
  // without reallocating when the sizes already agree.
  void assign_from(const Array& other) {
    ext_ = other.ext_;
    stride_ = other.stride_;
    data_.assign(other.data_.begin(), other.data_.end());
    allocated_ = other.allocated_;
  }

 private:
  template <class... I>
  std::size_t offset(I... idx) const {
    static_assert(sizeof...(I) == R, "one index per dimension");
    const std::array<std::int64_t, R> i{static_cast<std::int64_t>(idx)...};
    std::size_t off = 0;
    for (int d = 0; d < R; ++d) {
#ifdef TRAINBRIDGE_CHECKS
      if (i[d] < 1 || i[d] > ext_[d]) {
        std::fprintf(stderr, "array index %lld outside 1..%d in dimension %d\n",
                     static_cast<long long>(i[d]), ext_[d], d + 1);
        std::abort();
      }
#endif
      off += static_cast<std::size_t>(i[d] - 1) * stride_[d];
    }
    return off;
  }

  std::vector<T> data_;
  std::array<std::int32_t, R> ext_;
  std::array<std::size_t, R> stride_;
  bool allocated_ = false;
};

template <class T>
using Array1 = Array<T, 1>;
template <class T>
using Array2 = Array<T, 2>;
template <class T>
using Array3 = Array<T, 3>;
template <class T>
using Array4 = Array<T, 4>;
template <class T>
using Array5 = Array<T, 5>;

// Narrows a table to smaller extents (each one at most the present one),
// keeping every element whose indices lie within them: a table created with
// the largest counts that a file declares keeps only the room that its
// records use.
template <class T, int R, class... N>
void shrink_table(Array<T, R>& a, N... extents) {
  static_assert(sizeof...(N) == R, "shrink_table needs one extent per dimension");
  std::array<std::int32_t, R> e{static_cast<std::int32_t>(extents)...};
  bool same = true;
  for (int d = 0; d < R; ++d) {
    e[d] = std::clamp<std::int32_t>(e[d], 0, a.extent(d + 1));
    same = same && e[d] == a.extent(d + 1);
  }
  if (same) return;
  Array<T, R> b;
  std::apply([&](auto... n) { b.resize(n...); }, e);
  // Every index of the narrow table, the first varying fastest.
  std::array<std::int32_t, R> i;
  i.fill(1);
  for (std::size_t k = 0; k < b.size(); ++k) {
    std::size_t from = 0;
    for (int d = 0; d < R; ++d) from += static_cast<std::size_t>(i[d] - 1) * a.stride(d + 1);
    b.data()[k] = a.data()[from];
    for (int d = 0; d < R && ++i[d] > e[d]; ++d) i[d] = 1;
  }
  a = std::move(b);
}

}  // namespace tb
