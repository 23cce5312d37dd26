#include "input/modal_damping.h"

#include <algorithm>

#include "input/read_errors.h"

namespace tb {

void OverdampedModes::add(std::int32_t mode, float ratio) {
  if (count_ == 0) {
    first_ = mode;
    smallest_ = largest_ = ratio;
  }
  ++count_;
  last_ = mode;
  smallest_ = std::min(smallest_, ratio);
  largest_ = std::max(largest_, ratio);
}

std::string OverdampedModes::warning(std::string_view file, std::string_view owner, std::string_view kind,
                                     std::string_view how) const {
  const std::string k(kind);
  std::string modes;
  if (count_ == 1)
    modes = k + "mode " + std::to_string(first_) + " has";
  else if (last_ - first_ + 1 == count_)
    modes = k + "modes " + std::to_string(first_) + " to " + std::to_string(last_) + " have";
  else
    modes = std::to_string(count_) + " " + k + "modes from " + std::to_string(first_) + " to " +
            std::to_string(last_) + " have";
  const std::string ratio = smallest_ == largest_
                                ? "the damping ratio " + value_text(largest_)
                                : "damping ratios " + value_text(smallest_) + " to " + value_text(largest_);
  return " Warning: " + std::string(file) + ", " + std::string(owner) + ": " + modes + " " + ratio +
         std::string(how) +
         ", at or beyond critical damping (a ratio is a fraction of critical damping: 0.02 for 2 %).";
}

}  // namespace tb
