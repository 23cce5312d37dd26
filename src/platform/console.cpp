#include "platform/console.h"

#include <iostream>
#include <limits>

#include "platform/clock.h"

namespace tb {

namespace {
constexpr std::size_t kFlushThreshold = 1 << 16;
// Before the first write-out: the first line goes out at once.
constexpr double kNever = -std::numeric_limits<double>::infinity();
}  // namespace

Console::Console() : Console(std::cout, std::cin) {}

Console::Console(std::ostream& out, std::istream& in)
    : out_(&out), in_(&in), time_(monotonic_seconds), last_write_out_(kNever) {}

Console::~Console() {
  try {
    flush();
  } catch (...) {
  }
}

void Console::redirect(std::ostream& out, std::istream& in) {
  flush();
  out_ = &out;
  in_ = &in;
}

void Console::set_time_source(TimeSource source) {
  time_ = source ? std::move(source) : TimeSource(monotonic_seconds);
  last_write_out_ = kNever;
}

void Console::line_ended() {
  if (buffer_.size() >= kFlushThreshold || now() - last_write_out_ >= write_out_interval) flush();
}

void Console::write(std::string_view bytes) {
  buffer_.append(bytes);
  if (!bytes.empty() && bytes.back() == '\n') {
    line_ended();
  } else if (buffer_.size() >= kFlushThreshold) {
    flush();
  }
}

void Console::line(std::string_view text) {
  buffer_.append(text);
  buffer_.push_back('\n');
  line_ended();
}

void Console::list_line(std::initializer_list<FmtArg> items) {
  list_line(std::span<const FmtArg>(items.begin(), items.size()));
}

void Console::list_line(std::span<const FmtArg> items) { line(list_directed_line(items)); }

void Console::formatted(std::string_view layout, std::initializer_list<FmtArg> items) {
  formatted(layout, std::span<const FmtArg>(items.begin(), items.size()));
}

void Console::formatted(std::string_view layout, std::span<const FmtArg> items) {
  write(format_records(layout, items));
}

void Console::pause() {
  line(pause_prompt);
  flush();
  std::string reply;
  if (in_ && *in_) std::getline(*in_, reply);
}

void Console::flush() {
  if (buffer_.empty()) return;
  out_->write(buffer_.data(), static_cast<std::streamsize>(buffer_.size()));
  out_->flush();
  buffer_.clear();
  last_write_out_ = now();
}

}  // namespace tb
