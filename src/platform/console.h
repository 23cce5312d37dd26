// The console: buffered standard output and the pause.
//
// Output is collected in a buffer and written out when a line ends and the
// last write-out is a quarter of a second or more ago, so that a console
// redirected to a file or a pipe shows each line at once while lines come
// seldom, and in batches (a few write-outs a second) while they come fast.
// It is also written out when the buffer reaches 64 KiB, before every pause,
// when a caller asks for it (the integration asks once per time step, a
// long piece of work when it begins and at each of its progress lines) and
// at the end of the run. Texts are bytes: the Chinese texts of texts.h go
// out as GBK.
#pragma once

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <iosfwd>
#include <span>
#include <string>
#include <string_view>

#include "platform/format.h"

namespace tb {

// A clock in seconds that never goes back: monotonic_seconds (clock.h), or
// a test's own.
using TimeSource = std::function<double()>;

class Console {
 public:
  Console();
  Console(std::ostream& out, std::istream& in);
  Console(const Console&) = delete;
  Console& operator=(const Console&) = delete;
  ~Console();

  void redirect(std::ostream& out, std::istream& in);

  // The clock that paces the write-outs and the progress lines of long work
  // (progress.h); an empty source restores monotonic_seconds.
  void set_time_source(TimeSource source);
  double now() const { return time_(); }

  // Writes bytes as they stand.
  void write(std::string_view bytes);
  // Writes one whole line.
  void line(std::string_view text);
  // One list-directed line: a leading blank, then the items.
  void list_line(std::initializer_list<FmtArg> items);
  void list_line(std::span<const FmtArg> items);
  // Lines laid out by edit descriptors (see format.h).
  void formatted(std::string_view layout, std::initializer_list<FmtArg> items);
  void formatted(std::string_view layout, std::span<const FmtArg> items);

  // Prints the prompt line and reads one line from standard input; any line,
  // or the end of the input, continues.
  void pause();

  // Writes the buffer out to the stream and flushes the stream itself, so
  // that the bytes reach the file or pipe behind it.
  void flush();

  // A line that ends this long after the last write-out is written out with
  // it.
  static constexpr double write_out_interval = 0.25;  // s

 private:
  void line_ended();

  std::ostream* out_;
  std::istream* in_;
  std::string buffer_;
  TimeSource time_;
  double last_write_out_;
};

// The prompt line of a pause.
inline constexpr std::string_view pause_prompt = "Press Enter to continue.";

}  // namespace tb
