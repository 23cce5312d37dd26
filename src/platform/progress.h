// Progress lines of long work.
//
// A piece of work that can take long on large input (the turbulent wind
// field of many points, the irregularity of a very long track) keeps a
// ProgressLines while it runs and tells it, as it goes, how much of its work
// is done. While the work is short nothing is printed; once it has run for
// first_line seconds one line is printed, then one every line_interval
// seconds (or at the step before, when the steps come so far apart that the
// next one would come later): what the work is, where it stands, the share
// done, the time so far and, from the rate so far, the time still to go:
//
//    Turbulent wind field: along-wind turbulence, point 1 200 of 100 000; 2 % done in 5 min 3 s, about 3 h 40 min to go.
//
// Each line is written out to the console's stream at once, and so is what
// the console holds when the work begins. Work that can be given up (start-up
// work, before any file is written) names what a stop then leaves as it was:
// a stop signal noted by then (signals.h) ends the run at the next update.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/console.h"
#include "platform/signals.h"

namespace tb {

// What a stop signal during start-up work leaves untouched.
inline constexpr std::string_view start_up_stop_note = "before the result files were opened; they are as they were.";

class ProgressLines {
 public:
  static constexpr double first_line = 5.0;      // s
  static constexpr double line_interval = 10.0;  // s

  // what: the work, as the line begins ("Turbulent wind field"); total: the
  // amount of it, in steps that each take about the same time (the share
  // done and the time to go count them); stop_note: empty for work that
  // cannot be given up, else the end of the stop line.
  ProgressLines(Console& console, std::string what, std::int64_t total, std::string_view stop_note = {});

  // Counts `steps` more steps done; how_far(): where the work stands now,
  // called only for a line or a stop. Cheap when no line is due: a clock
  // reading.
  template <class HowFar>
  void advance(std::int64_t steps, HowFar&& how_far) {
    done_ += steps;
    if (!stop_note_.empty())
      if (const int signal = stop_signal_received()) stop(signal, how_far());
    const double t = console_.now();
    if (due(t)) print(t, how_far());
    last_update_ = t;
  }

 private:
  bool due(double t) const;
  void print(double t, const std::string& how_far);
  [[noreturn]] void stop(int signal, const std::string& how_far);

  Console& console_;
  std::string what_;
  std::int64_t total_;
  std::int64_t done_ = 0;
  std::string_view stop_note_;
  double start_;
  double next_line_;
  double last_update_;
  bool printed_ = false;
};

// A count with its digits in groups of three: "100 000".
std::string grouped(std::int64_t n);

// A duration for a progress line: "42 s", "5 min 3 s", "3 h 40 min".
std::string duration_text(double seconds);

}  // namespace tb
