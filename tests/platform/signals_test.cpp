#include "platform/signals.h"

#include <gtest/gtest.h>

#include <csignal>

#include "test_support.h"

namespace tb {
namespace {

TEST(StopSignals, TheFirstSignalIsNotedAndTheHandlersAreRestoredAfterTheWatch) {
  // SIGHUP ignored, as nohup starts a program: it stays ignored.
  const auto previous_hup = std::signal(SIGHUP, SIG_IGN);
  {
    StopSignalWatch watch;
    EXPECT_EQ(stop_signal_received(), 0);
    std::raise(SIGHUP);
    EXPECT_EQ(stop_signal_received(), 0);
    std::raise(SIGTERM);
    EXPECT_EQ(stop_signal_received(), SIGTERM);
  }
  // A new watch starts with nothing noted; after it the dispositions are
  // those before it.
  {
    StopSignalWatch watch;
    EXPECT_EQ(stop_signal_received(), 0);
  }
  struct sigaction now {};
  sigaction(SIGTERM, nullptr, &now);
  EXPECT_EQ(now.sa_handler, SIG_DFL);
  sigaction(SIGHUP, nullptr, &now);
  EXPECT_EQ(now.sa_handler, SIG_IGN);
  std::signal(SIGHUP, previous_hup);

  // The stop: its line, no pause, and 128 + the signal number.
  test::TestContext t;
  EXPECT_EQ(test::expect_stop([&] { stop_for_signal(t->console, SIGINT, "where the run stood."); }), 130);
  EXPECT_EQ(t.console(), " Stopped by SIGINT: where the run stood.\n");
}

}  // namespace
}  // namespace tb
