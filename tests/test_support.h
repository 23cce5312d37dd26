// Shared test fixtures: a scratch directory and a run context whose console
// is captured and whose files live in that directory.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <string_view>

#include "model/run_context.h"
#include "platform/stop.h"

namespace tb::test {

class TempDir {
 public:
  TempDir() {
    std::string tmpl = (std::filesystem::temp_directory_path() / "trainbridge-XXXXXX").string();
    char* made = ::mkdtemp(tmpl.data());
    if (!made) throw std::runtime_error("mkdtemp failed");
    path_ = made;
  }
  ~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  const std::filesystem::path& path() const { return path_; }
  std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

 private:
  std::filesystem::path path_;
};

inline void write_file(const std::filesystem::path& p, const std::string& content) {
  std::filesystem::create_directories(p.parent_path());
  std::ofstream out(p, std::ios::binary);
  out << content;
}

inline std::string read_file(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

// A run context working in a scratch directory with a captured console and a
// standard input that is at its end (every pause continues at once).
struct TestContext {
  TempDir dir;
  std::ostringstream out;
  std::istringstream in;
  std::unique_ptr<RunContext> ctx = std::make_unique<RunContext>();

  TestContext() {
    ctx->console.redirect(out, in);
    ctx->units.working_dir = dir.path();
  }
  RunContext& operator*() { return *ctx; }
  RunContext* operator->() { return ctx.get(); }

  // Console bytes written so far (the buffer flushed first).
  std::string console() {
    ctx->console.flush();
    return out.str();
  }
  void clear_console() {
    ctx->console.flush();
    out.str("");
  }
};

// Runs fn, which must end the run; returns the exit status of the stop.
inline int expect_stop(const std::function<void()>& fn) {
  try {
    fn();
  } catch (const RunStop& s) {
    return s.exit_status;
  }
  ADD_FAILURE() << "the run did not stop";
  return -1000;
}

// The console text of a pause, as the error stops print it.
inline std::string pause_text() { return std::string(pause_prompt) + "\n"; }

// The console lines of the error stops, as GBK bytes: the data-error or
// node-number line of the label, then (when given) the line that says what
// to fix, then the pause.
inline std::string data_error_line(std::string_view label, std::string_view detail = {}) {
  return "  \xB4\xED\xCE\xF3:" + std::string(label) + " \xCA\xFD\xBE\xDD\xD3\xD0\xCE\xF3\xA3\xA1 \n" +
         (detail.empty() ? "" : " " + std::string(detail) + "\n") + pause_text();
}
inline std::string node_error_line(std::string_view label, std::string_view detail = {}) {
  return "  \xB4\xED\xCE\xF3:" + std::string(label) +
         " \xBD\xDA\xB5\xE3\xBA\xC5\xB3\xAC\xB3\xF6\xB6\xA8\xD2\xE5\xA3\xA1 \n" +
         (detail.empty() ? "" : " " + std::string(detail) + "\n") + pause_text();
}

}  // namespace tb::test
