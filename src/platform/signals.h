// Stop signals: SIGINT, SIGTERM and SIGHUP end a run cleanly.
//
// While a StopSignalWatch is alive, the first of these signals does not end
// the process: it is noted, and the run stops at the next point where every
// file it writes is whole (the end of a time step, the end of a recovered
// record, or before the result files are opened), rewrites the counts of its
// result files to what they hold and exits with 128 + the signal number. A
// second signal ends the process at once, by the signal's default action. A
// signal that the process was started ignoring (SIGHUP under nohup) stays
// ignored.
#pragma once

#include <signal.h>

#include <array>
#include <cstdint>
#include <string_view>

#include "platform/console.h"

namespace tb {

class StopSignalWatch {
 public:
  StopSignalWatch();
  ~StopSignalWatch();
  StopSignalWatch(const StopSignalWatch&) = delete;
  StopSignalWatch& operator=(const StopSignalWatch&) = delete;

 private:
  std::array<struct sigaction, 3> previous_{};
  std::array<bool, 3> installed_{};
};

// The stop signal noted since the watch began, or 0.
int stop_signal_received();

// The exit status of a run stopped by a signal: 128 + its number, as a shell
// reports a process that the signal ended.
constexpr std::int32_t exit_status_for_signal(int signal) { return 128 + signal; }

// Ends the run after a stop signal: the console line " Stopped by SIGINT: "
// followed by where, then the stop with exit status 128 + the signal number.
// There is no pause: the user asked for the stop.
[[noreturn]] void stop_for_signal(Console& console, int signal, std::string_view where);

}  // namespace tb
