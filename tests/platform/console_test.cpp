#include "platform/console.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <iostream>
#include <sstream>
#include <string>

#include "test_support.h"

namespace tb {
namespace {

// A console on a string stream whose clock stands where the test puts it.
struct TimedConsole {
  std::ostringstream out;
  std::istringstream in;
  Console console{out, in};
  double t = 100.0;
  TimedConsole() {
    console.set_time_source([this] { return t; });
  }
};

TEST(Console, LinesGoOutAtOnceWhileTheyComeSeldomAndInBatchesWhileTheyComeFast) {
  TimedConsole c;
  // Each step: the clock, then a line; what the stream holds after it.
  const struct {
    double t;
    const char* line;
    const char* written;
  } steps[] = {
      {100.0, "first", "first\n"},                       // the first line at once
      {100.1, "second", "first\n"},                      // within a quarter of a second of that: waits
      {100.2, "third", "first\n"},
      {100.3, "fourth", "first\nsecond\nthird\nfourth\n"},  // a quarter of a second on: all of them
      {107.0, "fifth", "first\nsecond\nthird\nfourth\nfifth\n"},
  };
  for (const auto& s : steps) {
    c.t = s.t;
    c.console.line(s.line);
    EXPECT_EQ(c.out.str(), s.written) << s.line;
  }
  // Pieces of a line wait for its end; a text that ends a line counts as one.
  c.t = 200.0;
  c.console.write(" Speed Stage=");
  EXPECT_EQ(c.out.str().find("Speed"), std::string::npos);
  c.console.formatted("(A)", {"    1\n"});
  EXPECT_NE(c.out.str().find(" Speed Stage=    1\n"), std::string::npos);
}

TEST(Console, WaitingOutputGoesOutWhenAskedAtAPauseAndBeyond64KiB) {
  TimedConsole c;
  c.console.line("first");
  c.console.line("waits");
  EXPECT_EQ(c.out.str(), "first\n");
  c.console.flush();
  EXPECT_EQ(c.out.str(), "first\nwaits\n");

  c.console.line("before the pause");
  c.console.pause();
  EXPECT_EQ(c.out.str(), "first\nwaits\nbefore the pause\n" + std::string(pause_prompt) + "\n");

  const std::size_t before = c.out.str().size();
  const std::string big(1 << 16, 'x');
  c.console.write(big);  // no line end, but a full buffer
  EXPECT_EQ(c.out.str().size(), before + big.size());
}

TEST(Console, AWriteOutReachesTheFileBehindStandardOutput) {
  // Standard output redirected to a file is block-buffered by the C library;
  // the console's write-out must get past that buffer to the file itself.
  test::TempDir dir;
  const std::string path = (dir / "console.txt").string();
  std::fflush(stdout);
  std::cout.flush();
  const int saved = ::dup(STDOUT_FILENO);
  ASSERT_GE(saved, 0);
  ASSERT_NE(std::freopen(path.c_str(), "w", stdout), nullptr);
  std::string seen_after_line, seen_after_flush;
  {
    Console console;
    double t = 0.0;
    console.set_time_source([&] { return t; });
    console.line(" Program Began");  // the first line goes out at once
    seen_after_line = test::read_file(path);
    console.line(" waits in the console");
    console.flush();
    seen_after_flush = test::read_file(path);
  }
  std::fflush(stdout);
  ::dup2(saved, STDOUT_FILENO);
  ::close(saved);
  EXPECT_EQ(seen_after_line, " Program Began\n");
  EXPECT_EQ(seen_after_flush, " Program Began\n waits in the console\n");
}

}  // namespace
}  // namespace tb
