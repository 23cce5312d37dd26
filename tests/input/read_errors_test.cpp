#include "input/read_errors.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <regex>
#include <fstream>
#include <set>
#include <sstream>

#include "platform/list_read.h"
#include "platform/texts.h"
#include "run/run_control.h"
#include "test_support.h"

namespace tb {
namespace {

TEST(CheckReadStatus, StatusClasses) {
  // Every status that stops prints the label's line and then the line that
  // names the file, here a unit that was never opened: the label's file.
  struct Case {
    std::int32_t status;
    bool stops;
    bool node_message;
    const char* detail;
  };
  const Case cases[] = {{0, false, false, ""},
                        {100, false, false, ""},
                        {102, false, false, ""},
                        {9999, false, false, ""},
                        {-1, true, false, "Modal_Substructure_Bridge.dat: the file ends before this record"},
                        {-2, true, false, "Modal_Substructure_Bridge.dat: cannot be read (status -2)"},
                        {1, true, false, "Modal_Substructure_Bridge.dat: cannot be read (status 1)"},
                        {99, true, false, "Modal_Substructure_Bridge.dat: cannot be read (status 99)"},
                        {101, true, true, "Modal_Substructure_Bridge.dat: a node number outside the node list"}};
  for (const Case& c : cases) {
    test::TestContext t;
    const std::string label = "\\Modal_Substructure_Bridge.dat   ";
    const std::int32_t unit = t->control.unit_bridge_master;
    if (!c.stops) {
      check_read_status(*t, c.status, label, unit);
      EXPECT_EQ(t.console(), "") << c.status;
      continue;
    }
    EXPECT_EQ(test::expect_stop([&] { check_read_status(*t, c.status, label, unit); }), 1) << c.status;
    EXPECT_EQ(t.console(), c.node_message ? test::node_error_line("\\Modal_Substructure_Bridge.dat", c.detail)
                                          : test::data_error_line("\\Modal_Substructure_Bridge.dat", c.detail))
        << c.status;
  }
}

TEST(CheckReadStatus, BlankLabelPrintsNothingBetweenTheTexts) {
  test::TestContext t;
  test::expect_stop([&] { check_read_status(*t, -1, std::string(256, ' '), t->control.unit_bridge_master); });
  const std::string console = t.console();
  EXPECT_EQ(console.substr(0, console.find('\n') + 1),
            " " + std::string(text::error_prefix) + std::string(text::data_error) + "\n");
}

// Every stop for bad input prints its first line, then the line that names
// the file as opened, the record and the value, then pauses: each entry point
// of the stops, on a file of three lines opened on unit 9.
TEST(StopsForBadInput, EachPrintsItsFirstLineThenTheFileTheRecordAndTheValue) {
  const std::string label = "\\case.dat";
  const std::string data = std::string(text::error_prefix) + label + std::string(text::data_error);
  const std::string node = std::string(text::error_prefix) + label + std::string(text::node_out_of_range);
  const std::int32_t unit = 9;
  std::int32_t a = 0, b = 0, c = 0;
  std::int32_t many[5] = {};
  const auto read = [&](RunContext& ctx, std::initializer_list<ReadTarget> targets) {
    return read_list(ctx.units, unit, targets);
  };
  const CountSource source{label, unit, "header"};
  const struct {
    const char* what;
    std::function<void(RunContext&)> stop;
    std::string first;
    std::string detail;
  } cases[] = {
      {"a value that is not a number",
       [&](RunContext& x) { check_read_status(x, read(x, {a, b, c}), label, unit, "counts"); }, data,
       "case.dat line 2 (counts): bad value \"word\", not a number"},
      {"a counted list cut short by the end of the file",
       [&](RunContext& x) {
         std::string skipped;
         for (int k = 0; k < 2; ++k) read_text_record(x.units, unit, skipped, 80);
         check_read_status(x, read(x, {std::span<std::int32_t>(many)}), label, unit, counted("node", 5, 1));
       },
       data, "case.dat (node 3 of 5; count on line 1): the file ends after line 3 before this record is complete"},
      {"a node number outside the list",
       [&](RunContext& x) { check_read_status(x, 101, label, unit, "interface nodes"); }, node,
       "case.dat (interface nodes): a node number outside the node list"},
      {"a file that is not there",
       [&](RunContext& x) {
         check_read_status(x, x.units.open(unit, "missing.dat", OpenMode::old, UnitForm::text), label, unit, "header");
       },
       data, "missing.dat (header): file not found"},
      {"a file without its marker line",
       [&](RunContext& x) {
         std::string line;
         while (read_text_record(x.units, unit, line, 80) == 0) {
         }
         check_search_status(x, io_status::end_of_file, label, unit, "a line holding \"Post\"");
       },
       data, "case.dat: the file ends after line 3 without a line holding \"Post\""},
      {"a value that reads but cannot be used",
       [&](RunContext& x) { stop_with_bad_value(x, label, unit, "counts", "-1, must be 0 or more"); }, data,
       "case.dat (counts): bad value -1, must be 0 or more"},
      {"a check of the reader's own",
       [&](RunContext& x) { stop_with_data_error(x, label, unit, "tracks", "no track reaches the bridge"); }, data,
       "case.dat (tracks): no track reaches the bridge"},
      {"a node that the list does not hold",
       [&](RunContext& x) { stop_with_unknown_node(x, label, unit, "output points", 77); }, node,
       "case.dat (output points): node 77 is not in the node list"},
      {"a check with a message of its own",
       [&](RunContext& x) { stop_with_message(x, "Own message", label, unit, "points", "2 points, must be 3"); },
       "Own message", "case.dat (points): 2 points, must be 3"},
      {"an interpolation through too few points",
       [&](RunContext& x) { stop_with_too_few_points(x, {label, unit, "control points"}, 2, 3); },
       std::string(too_few_interpolation_points), "case.dat (control points): 2 points, must be 3 or more"},
      {"a count beyond what the file holds",
       [&](RunContext& x) { check_count_fits_file(x, label, unit, "header", "node count", 100000); }, data,
       "case.dat (header): bad value node count 100000, more records than the 5 values that the rest of the file "
       "holds"},
      {"tables beyond the memory",
       [&](RunContext& x) { check_tables_fit_memory(x, source, 1.0e21); }, data,
       "case.dat (header): counts that ask for tables (1000000000000.0 GB), more than " + memory_limit_text()},
      {"a table beyond the memory",
       [&](RunContext& x) {
         Array2<float> t;
         resize_from_counts(x, source, t, 2147483647, 2147483647);
       },
       data,
       "case.dat (header): counts that ask for a table of 2147483647 x 2147483647 values (18446744056.5 GB), more "
       "than " +
           memory_limit_text()},
  };
  for (const auto& k : cases) {
    test::TestContext t;
    test::write_file(t.dir / "case.dat", "1 2\nword\n3 4\n");
    ASSERT_EQ(t->units.open(unit, "case.dat", OpenMode::old, UnitForm::text), 0);
    EXPECT_EQ(test::expect_stop([&] { k.stop(*t); }), exit_error) << k.what;
    EXPECT_EQ(t.console(), " " + k.first + "\n " + k.detail + "\n" + test::pause_text()) << k.what;
  }
  // A name taken from a damaged line shows its control characters escaped,
  // in both lines.
  test::TestContext t;
  test::write_file(t.dir / "odd\x01.dat", "1\n");
  ASSERT_EQ(t->units.open(unit, "odd\x01.dat", OpenMode::old, UnitForm::text), 0);
  test::expect_stop([&] { stop_with_bad_value(*t, "In master:odd\x01.dat", unit, "counts", "-1"); });
  const std::string first = std::string(text::error_prefix) + "In master:odd\\x01.dat" + std::string(text::data_error);
  EXPECT_EQ(t.console(), " " + first + "\n odd\\x01.dat (counts): bad value -1\n" + test::pause_text());
}

// The stops above are the only way a run ends for bad input: no other source
// prints the data-error or node-number text, ends the run with exit_error or
// makes the stop itself. A stop added anywhere else in the program, which
// might print its label alone, fails here.
TEST(StopsForBadInput, NoOtherSourceMakesAStop) {
  namespace fs = std::filesystem;
  const fs::path src = fs::path(TRAINBRIDGE_SOURCE_DIR) / "src";
  const struct {
    std::regex pattern;
    std::set<std::string> allowed;
  } rules[] = {
      // The two texts of the input-status check, by name or by their bytes.
      {std::regex(R"(text::(data_error|node_out_of_range))"), {"input/read_errors.cpp"}},
      {std::regex(R"(\\xCA\\xFD\\xBE\\xDD|\\xBD\\xDA\\xB5\\xE3\\xBA\\xC5\\xB3\\xAC)"), {"platform/texts.h"}},
      // An end of the run with any status but 0 (the post-processing run's
      // normal end); a signal's own status.
      {std::regex(R"(\bstop_run\s*\((?!\s*0\s*\)))"),
       {"platform/stop.h", "platform/signals.cpp", "input/read_errors.cpp"}},
      {std::regex(R"(\bRunStop\s*\{)"), {"platform/stop.h"}},
      {std::regex(R"(\b(exit|_Exit|quick_exit|terminate)\s*\()"), {}},
  };
  std::size_t files = 0;
  for (const auto& entry : fs::recursive_directory_iterator(src)) {
    if (!entry.is_regular_file()) continue;
    const std::string name = fs::relative(entry.path(), src).generic_string();
    // The code without its comments.
    std::string code;
    std::istringstream in(test::read_file(entry.path()));
    for (std::string line; std::getline(in, line);) code += line.substr(0, line.find("//")) + "\n";
    ++files;
    for (const auto& r : rules) {
      if (r.allowed.contains(name)) continue;
      EXPECT_FALSE(std::regex_search(code, r.pattern)) << name << " makes a stop of its own";
    }
  }
  EXPECT_GT(files, 50u);
}

TEST(RecordName, NamesTheEntryOfACountedListAndTheLineOfItsCount) {
  const struct {
    RecordName name;
    std::int64_t failed_item;
    const char* text;
  } cases[] = {
      {RecordName("header"), 3, "header"},
      {counted("interface node", 33, 1), 31, "interface node 32 of 33; count on line 1"},
      // Four values an entry: value 9 is in entry 3.
      {counted("node", 68, 1, 4), 9, "node 3 of 68; count on line 1"},
      // A statement that ran past its entries (a value after them) names the last.
      {counted("node", 2, 1, 4), 12, "node 2 of 2; count on line 1"},
      // No failed value: the whole list.
      {counted("control point", 4, 3, 7, "track 1"), -1, "control point 1 to 4, track 1; count on line 3"},
      {counted_entry("train", 2, 5, 4, "speeds"), 7, "train 2 of 5, speeds; count on line 4"},
      {counted_entry("fleet", 1, 1, 0), -1, "fleet 1 of 1"},
  };
  for (const auto& c : cases) EXPECT_EQ(c.name.text(c.failed_item), c.text);
}

// Under an address-space limit (ulimit -v) the memory stops name that limit,
// not the machine's memory: a table beyond it is refused before anything is
// allocated, one within it whose allocation fails says so. Run in a child
// process, whose limit ends with it.
TEST(MemoryLimit, TheAddressSpaceLimitAppliesWhenItIsLower) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "the address sanitizer needs an address space without limit";
#else
  int pipe_fd[2];
  ASSERT_EQ(::pipe(pipe_fd), 0);
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    ::close(pipe_fd[0]);
    // The address space in use now and 2 GB more; a table 1 GB beyond the
    // limit, and one within it but larger than what is left of it.
    std::size_t in_use = 0;
    {
      std::ifstream status("/proc/self/status");
      for (std::string line; std::getline(status, line);)
        if (line.rfind("VmSize:", 0) == 0) in_use = std::stoull(line.substr(7)) * 1024;
    }
    const std::size_t gb = std::size_t{1} << 30;
    const rlimit limit{in_use + 2 * gb, in_use + 2 * gb};
    std::string report;
    if (::setrlimit(RLIMIT_AS, &limit) == 0) {
      report += memory_limit().address_space ? "address-space\n" : "machine\n";
      const std::int64_t beyond = static_cast<std::int64_t>((limit.rlim_cur + gb) / 4);
      const std::int64_t within = static_cast<std::int64_t>((2 * gb + in_use / 2) / 4);
      for (const std::int64_t values : {beyond, within}) {
        test::TestContext t;
        Array1<float> a;
        const CountSource source{"\\case.dat", 9, "header"};
        try {
          resize_from_counts(*t, source, a, values);
        } catch (const RunStop&) {
        }
        const std::string console = t.console();
        const std::size_t from = console.find("\n ") + 2;
        report += console.substr(from, console.find('\n', from) - from) + "\n";
      }
    }
    (void)!::write(pipe_fd[1], report.data(), report.size());
    ::_exit(0);
  }
  ::close(pipe_fd[1]);
  std::string report;
  char buf[4096];
  for (ssize_t n; (n = ::read(pipe_fd[0], buf, sizeof buf)) > 0;) report.append(buf, static_cast<std::size_t>(n));
  ::close(pipe_fd[0]);
  int status = 0;
  ::waitpid(child, &status, 0);
  ASSERT_FALSE(report.empty()) << "the child could not set the limit";
  std::istringstream lines(report);
  std::string which, beyond, failed;
  std::getline(lines, which);
  std::getline(lines, beyond);
  std::getline(lines, failed);
  EXPECT_EQ(which, "address-space");
  EXPECT_TRUE(std::regex_match(beyond, std::regex("case\\.dat \\(header\\): counts that ask for a table of [0-9]+ "
                                                  "values \\([0-9.]+ GB\\), more than the address-space limit of "
                                                  "this run, [0-9.]+ GB")))
      << beyond;
  EXPECT_TRUE(std::regex_match(failed, std::regex("case\\.dat \\(header\\): counts that ask for a table of [0-9]+ "
                                                  "values \\([0-9.]+ GB\\), whose allocation failed within the "
                                                  "address-space limit of this run, [0-9.]+ GB")))
      << failed;
#endif
}

}  // namespace
}  // namespace tb
