// The damping ratios that the modes of a substructure or of a vehicle type
// get, as the start-up checks of their readers see them.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tb {

// The modes whose damping ratio is 1 or more (critical damping or beyond),
// gathered one by one for one console line: a ratio typed as a percentage
// ("2" for 2 %) damps every oscillation of its mode away.
class OverdampedModes {
 public:
  void add(std::int32_t mode, float ratio);
  bool empty() const { return count_ == 0; }

  // " Warning: <file>, <owner>: <kind>modes a to b have the damping ratio
  // r<how>, ...": the modes (kind "bridge " for the bridge's mode numbers),
  // the ratio (or the range of the ratios) and what a ratio is.
  std::string warning(std::string_view file, std::string_view owner, std::string_view kind = {},
                      std::string_view how = {}) const;

 private:
  std::int32_t count_ = 0;
  std::int32_t first_ = 0, last_ = 0;
  float smallest_ = 0.0f, largest_ = 0.0f;
};

}  // namespace tb
