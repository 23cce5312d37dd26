#include "platform/progress.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <utility>

namespace tb {

ProgressLines::ProgressLines(Console& console, std::string what, std::int64_t total, std::string_view stop_note)
    : console_(console), what_(std::move(what)), total_(total), stop_note_(stop_note) {
  // What the console holds reaches its file before the work keeps it quiet.
  console_.flush();
  start_ = console_.now();
  next_line_ = start_ + first_line;
  last_update_ = start_;
}

bool ProgressLines::due(double t) const {
  if (t >= next_line_) return true;
  // Once the work has shown itself, a line comes early rather than late
  // when its steps are long (transforms of many millions of samples).
  return printed_ && t + (t - last_update_) > next_line_;
}

void ProgressLines::print(double t, const std::string& how_far) {
  const double elapsed = t - start_;
  std::string line = " " + what_ + ": " + how_far;
  if (total_ > 0) {
    const double share = std::clamp(static_cast<double>(done_) / static_cast<double>(total_), 0.0, 1.0);
    line += "; " + std::to_string(static_cast<int>(100.0 * share)) + " % done in " + duration_text(elapsed);
    if (share > 0.0) line += ", about " + duration_text(elapsed * (1.0 - share) / share) + " to go";
  } else {
    line += "; " + duration_text(elapsed) + " so far";
  }
  console_.line(line + ".");
  console_.flush();
  next_line_ = t + line_interval;
  printed_ = true;
}

void ProgressLines::stop(int signal, const std::string& how_far) {
  std::string where = what_;
  if (!where.empty()) where[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(where[0])));
  stop_for_signal(console_, signal, where + ", " + how_far + ", " + std::string(stop_note_));
}

std::string grouped(std::int64_t n) {
  const bool negative = n < 0;
  std::string digits = std::to_string(negative ? -(n + 1) + 1ull : static_cast<unsigned long long>(n));
  std::string out;
  for (std::size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) out += ' ';
    out += digits[i];
  }
  return negative ? "-" + out : out;
}

std::string duration_text(double seconds) {
  const std::int64_t s = seconds > 0.0 ? static_cast<std::int64_t>(std::llround(std::min(seconds, 1e15))) : 0;
  if (s < 60) return std::to_string(s) + " s";
  if (s < 3600) return std::to_string(s / 60) + " min " + std::to_string(s % 60) + " s";
  return std::to_string(s / 3600) + " h " + std::to_string(s % 3600 / 60) + " min";
}

}  // namespace tb
