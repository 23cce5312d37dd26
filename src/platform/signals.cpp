#include "platform/signals.h"

#include <csignal>
#include <string>

#include "platform/stop.h"

namespace tb {

namespace {

constexpr std::array<int, 3> kStopSignals{SIGINT, SIGTERM, SIGHUP};

// The one piece of process-wide mutable state of the program. A signal
// handler may not touch the run's records (it interrupts the run anywhere,
// in the middle of a write or of a force sum), and it can reach nothing that
// is handed around by reference: it can only set a flag that the run reads
// at the points where it can stop cleanly, through stop_signal_received().
volatile std::sig_atomic_t received_signal = 0;

void note_stop_signal(int signal) {
  if (received_signal != 0) {
    // The second stop signal: the default action, at once. The signal stays
    // blocked until this handler returns, and is then delivered again.
    std::signal(signal, SIG_DFL);
    std::raise(signal);
    return;
  }
  received_signal = signal;
}

std::string_view signal_name(int signal) {
  switch (signal) {
    case SIGINT:
      return "SIGINT";
    case SIGTERM:
      return "SIGTERM";
    case SIGHUP:
      return "SIGHUP";
    default:
      return "a signal";
  }
}

}  // namespace

StopSignalWatch::StopSignalWatch() {
  received_signal = 0;
  struct sigaction act {};
  act.sa_handler = note_stop_signal;
  sigemptyset(&act.sa_mask);
  // Reads and writes that the signal interrupts go on: the run stops at its
  // own next clean point, not inside a console or file operation.
  act.sa_flags = SA_RESTART;
  for (std::size_t i = 0; i < kStopSignals.size(); ++i) {
    if (sigaction(kStopSignals[i], nullptr, &previous_[i]) != 0 || previous_[i].sa_handler == SIG_IGN) continue;
    installed_[i] = sigaction(kStopSignals[i], &act, nullptr) == 0;
  }
}

StopSignalWatch::~StopSignalWatch() {
  for (std::size_t i = 0; i < kStopSignals.size(); ++i)
    if (installed_[i]) sigaction(kStopSignals[i], &previous_[i], nullptr);
}

int stop_signal_received() { return received_signal; }

void stop_for_signal(Console& console, int signal, std::string_view where) {
  console.line(" Stopped by " + std::string(signal_name(signal)) + ": " + std::string(where));
  stop_run(exit_status_for_signal(signal));
}

}  // namespace tb
