#include "platform/progress.h"

#include <gtest/gtest.h>

#include <csignal>
#include <string>

#include "test_support.h"

namespace tb {
namespace {

// A run context whose console clock stands where the test puts it.
struct TimedWork {
  test::TestContext t;
  double now = 1000.0;
  TimedWork() {
    t->console.set_time_source([this] { return now; });
  }
};

TEST(ProgressLines, LongWorkPrintsAfterFiveSecondsThenEveryTenAndShortWorkNothing) {
  // Steps of work of 100 in all, each the given time after the one before.
  const struct {
    const char* what;
    int steps;
    double seconds_a_step;
    std::string lines;
  } cases[] = {
      {"short work", 100, 0.04, ""},
      {"work of just under five seconds", 100, 0.0499, ""},
      {"work of a few long steps", 1, 4.9, ""},
      {"long work", 100, 0.5,
       // Due at 5 s (step 10), 15 s (step 30), ..., 45 s (step 90).
       " Sorting: item 10 of 100; 10 % done in 5 s, about 45 s to go.\n"
       " Sorting: item 30 of 100; 30 % done in 15 s, about 35 s to go.\n"
       " Sorting: item 50 of 100; 50 % done in 25 s, about 25 s to go.\n"
       " Sorting: item 70 of 100; 70 % done in 35 s, about 15 s to go.\n"
       " Sorting: item 90 of 100; 90 % done in 45 s, about 5 s to go.\n"},
      {"work of hours", 2, 720.0,
       " Sorting: item 1 of 100; 1 % done in 12 min 0 s, about 19 h 48 min to go.\n"
       " Sorting: item 2 of 100; 2 % done in 24 min 0 s, about 19 h 36 min to go.\n"},
      // Steps 9 s apart: once the work has shown itself, a line at every
      // step, since waiting for the next one would leave 18 s without.
      {"steps of nine seconds", 3, 9.0,
       " Sorting: item 1 of 100; 1 % done in 9 s, about 14 min 51 s to go.\n"
       " Sorting: item 2 of 100; 2 % done in 18 s, about 14 min 42 s to go.\n"
       " Sorting: item 3 of 100; 3 % done in 27 s, about 14 min 33 s to go.\n"},
      // Steps 4 s apart: the first line at 8 s, then at 16 s (the step at
      // 20 s would come after 18 s) and 24 s.
      {"steps of four seconds", 6, 4.0,
       " Sorting: item 2 of 100; 2 % done in 8 s, about 6 min 32 s to go.\n"
       " Sorting: item 4 of 100; 4 % done in 16 s, about 6 min 24 s to go.\n"
       " Sorting: item 6 of 100; 6 % done in 24 s, about 6 min 16 s to go.\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    TimedWork w;
    w.t.clear_console();
    ProgressLines progress(w.t->console, "Sorting", 100);
    const double start = w.now;
    for (int i = 1; i <= c.steps; ++i) {
      w.now = start + i * c.seconds_a_step;
      progress.advance(1, [&] { return "item " + std::to_string(i) + " of 100"; });
    }
    EXPECT_EQ(w.t.console(), c.lines);
  }
}

TEST(ProgressLines, WhatTheConsoleHoldsGoesOutWhenTheWorkBeginsAndEachLineAtOnce) {
  TimedWork w;
  w.t->console.line(" first");    // out at once
  w.t->console.line(" Working");  // within the quarter of a second: waits
  EXPECT_EQ(w.t.out.str(), " first\n");
  ProgressLines progress(w.t->console, "Work", 0);
  EXPECT_EQ(w.t.out.str(), " first\n Working\n");
  w.now += 6.0;
  progress.advance(1, [] { return std::string("step 1"); });
  EXPECT_EQ(w.t.out.str(), " first\n Working\n Work: step 1; 6 s so far.\n");  // without a total, no share
}

TEST(ProgressLines, AStopSignalEndsWorkThatCanBeGivenUpAtItsNextStep) {
  TimedWork w;
  StopSignalWatch watch;
  ProgressLines kept(w.t->console, "Storing", 10);
  ProgressLines given_up(w.t->console, "Turbulent wind field", 10, start_up_stop_note);
  std::raise(SIGTERM);
  kept.advance(1, [] { return std::string("sample 1"); });  // goes on
  EXPECT_EQ(test::expect_stop([&] { given_up.advance(1, [] { return std::string("point 3 of 10"); }); }), 143);
  EXPECT_EQ(w.t.console(),
            " Stopped by SIGTERM: turbulent wind field, point 3 of 10, before the result files were opened; they are "
            "as they were.\n");
}

TEST(ProgressLines, CountsAndDurationsAsTheLinesShowThem) {
  const struct {
    std::int64_t n;
    const char* text;
  } counts[] = {{0, "0"}, {999, "999"}, {1000, "1 000"}, {100000, "100 000"}, {1234567, "1 234 567"},
                {-1234, "-1 234"}, {INT64_MIN, "-9 223 372 036 854 775 808"}};
  for (const auto& c : counts) EXPECT_EQ(grouped(c.n), c.text);
  const struct {
    double s;
    const char* text;
  } durations[] = {{-1.0, "0 s"}, {0.4, "0 s"}, {59.4, "59 s"}, {59.6, "1 min 0 s"}, {3599.0, "59 min 59 s"},
                   {3600.0, "1 h 0 min"}, {90061.0, "25 h 1 min"}};
  for (const auto& d : durations) EXPECT_EQ(duration_text(d.s), d.text) << d.s;
}

}  // namespace
}  // namespace tb
