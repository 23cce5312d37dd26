// The console: buffered standard output and the pause.
//
// Output is collected in a buffer and written out before every pause, when a
// caller asks for it (the integration flushes once per time step) and at the
// end of the run. Texts are bytes: the Chinese texts of texts.h go out as GBK.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <iosfwd>
#include <span>
#include <string>
#include <string_view>

#include "platform/format.h"

namespace tb {

class Console {
 public:
  Console();
  Console(std::ostream& out, std::istream& in);
  Console(const Console&) = delete;
  Console& operator=(const Console&) = delete;
  ~Console();

  void redirect(std::ostream& out, std::istream& in);

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

  void flush();

 private:
  std::ostream* out_;
  std::istream* in_;
  std::string buffer_;
};

// The prompt line of a pause.
inline constexpr std::string_view pause_prompt = "Press Enter to continue.";

}  // namespace tb
