#include "input/solution_parameters.h"

#include <gtest/gtest.h>

#include <tuple>

#include "test_support.h"

namespace tb {
namespace {

// The complete file that the defaults give: each comment stands right-aligned
// in its 80 columns after 3, 54, 52, 8, 22 and 7 blanks.
std::string blanks(int n) { return std::string(static_cast<std::size_t>(n), ' '); }
const std::string kDefaultFile =
    "    4" + blanks(17 + 3) + "!Integral Method (Wilson:0;Newmark:1;New Explicit:2;Rugge-kutta:4;PostPro:-1)\n" +
    "        0.100000E-03" + blanks(54) + "!Time step for integration\n" +
    "   10" + blanks(17 + 52) + "!Output Result Every N Steps\n" +
    "    0" + blanks(17 + 8) + "!Option for wheel-rail contact (Sptial:1;Vertical only:0;Moving load:-1)\n" +
    "    0" + blanks(17 + 22) + "!Coordination_sys_bridge (Z axis upward:1;Y axis upward:0)\n" +
    "    0   0.000000E+00   0.000000E+00" + blanks(7) +
    "!IsContact,StiContact and DamContact of track contact,for wheel-rail jump\n";

struct SolutionFile {
  test::TestContext t;
  explicit SolutionFile(const std::string& content) {
    test::write_file(t.dir / "SolutionParameters.dat", content);
    t->units.open(t->control.unit_solution_parameters, "SolutionParameters.dat", OpenMode::unknown,
                  UnitForm::text);
  }
  // The file as it stands.
  std::string file() { return test::read_file(t.dir / "SolutionParameters.dat"); }
  // The file as a run that starts leaves it: rewritten where the run opens
  // its result files.
  std::string rewritten() {
    rewrite_solution_parameters(*t);
    return file();
  }
};

TEST(SolutionParameters, EmptyFileIsCompletedWithTheDefaults) {
  SolutionFile f("");
  read_solution_parameters(*f.t);
  EXPECT_EQ(f.file(), "");  // the reading alone writes nothing
  EXPECT_EQ(f.rewritten(), kDefaultFile);
  const SolutionParameters& p = f.t->solution;
  EXPECT_EQ(p.integration_method, 4);
  EXPECT_EQ(p.second_header_switch, 1);
  EXPECT_EQ(f.t->track.modal_node_decimation, 1);
  EXPECT_FALSE(f.t->units.is_open(f.t->control.unit_solution_parameters));
  EXPECT_EQ(f.t.console(), "");
}

TEST(SolutionParameters, ASparseFileKeepsTheDefaultsOfWhatItLacks) {
  SolutionFile f("0\n");
  read_solution_parameters(*f.t);
  EXPECT_EQ(f.t->solution.integration_method, 0);
  std::string expected = kDefaultFile;
  expected[4] = '0';
  EXPECT_EQ(f.rewritten(), expected);
}

TEST(SolutionParameters, ValuesBeforeCommentsAndLinesWithoutValues) {
  SolutionFile f(
      "1 Newmark please\n"
      "0.0005 dt\n"
      "20\n"
      "\n"
      "1 rest\n"
      "0\n"
      "1\n"
      "2.0e8 5.0e7 text here\n");
  read_solution_parameters(*f.t);
  const SolutionParameters& p = f.t->solution;
  EXPECT_EQ(p.integration_method, 1);
  EXPECT_EQ(p.time_step, 0.0005f);
  EXPECT_EQ(p.output_interval, 20);
  EXPECT_EQ(p.contact_option, 1);  // the empty line holds no value: read from the next line
  EXPECT_EQ(p.Coordination_sys_bridge, 0);
  EXPECT_EQ(p.IsContact, 1);       // its record ends after the value:
  EXPECT_EQ(p.StiContact, 2.0e8f);  // the other two come from the next line
  EXPECT_EQ(p.DamContact, 5.0e7f);
  const std::string out = f.rewritten();
  EXPECT_NE(out.find("        0.500000E-03"), std::string::npos);
  EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), 6);
  EXPECT_EQ(f.t.console(), "");
}

TEST(SolutionParameters, BadValuesStopBeforeTheFileIsRewritten) {
  // A value that does not read as a number is an error of the file, not a
  // default: the file keeps it, and the message names its line and the
  // value. Values that read but that every integration divides by are
  // refused the same way.
  const std::string file = "SolutionParameters.dat";
  const struct {
    const char* what;
    std::string content;
    std::string detail;
  } cases[] = {
      {"a letter for the method", "l\n0.0002\n",
       file + " line 1 (record 1, integration method): bad value \"l\", not a number"},
      {"letters O in the time step", "1\n0.OOO2 !Time step\n10\n",
       file + " line 2 (record 2, time step): bad value \"0.OOO2\", not a number"},
      {"a comment in place of the output interval", "1\n0.0002\n!Output Result Every N Steps\n20\n",
       file + " line 3 (record 3, output interval): bad value \"!Output\", not a number"},
      {"a letter in the track contact spring", "1\n0.0002\n10\n1\n0\n1 6e7 8e4x\n",
       file + " line 6 (record 6, track contact spring): bad value \"8e4x\", not a number"},
      {"output interval 0", "4\n1.0e-4\n0\n", file + " (record 3, output interval): bad value 0, must be 1 or more"},
      {"time step 0", "4\n0.0\n", file + " (record 2, time step): bad value 0, must be above 0"},
      {"a negative time step", "4\n-1.0e-4\n", file + " (record 2, time step): bad value -1e-04, must be above 0"},
      {"a time step whose result interval overflows", "4\n1.0e38\n10\n",
       file + " (record 2, time step): bad value 1e+38, gives a result interval of 10 steps beyond single precision"},
      // Codes that select no scheme or no contact solution, and switches
      // that are neither 0 nor 1.
      {"method 3", "3\n", file + " (record 1, integration method): bad value 3, must be -1, 0, 1, 2 or 4"},
      {"method 5", "5\n", file + " (record 1, integration method): bad value 5, must be -1, 0, 1, 2 or 4"},
      {"method -2", "-2\n", file + " (record 1, integration method): bad value -2, must be -1, 0, 1, 2 or 4"},
      {"contact option -2", "1\n1e-4\n10\n-2\n",
       file + " (record 4, wheel-rail contact option): bad value -2, must be -1, 0 or 1"},
      {"axis convention 2", "1\n1e-4\n10\n0\n2\n",
       file + " line 5 (record 5, bridge axis convention): bad value \"2\", must be 0 or 1"},
      {"a real for the axis convention", "1\n1e-4\n10\n0\n0.0\n",
       file + " line 5 (record 5, bridge axis convention): bad value \"0.0\", must be 0 or 1"},
      {"track contact spring switch 2", "1\n1e-4\n10\n0\n0\n2 6e7 8e4\n",
       file + " line 6 (record 6, track contact spring): bad value \"2\", must be 0 or 1"},
      {"a sign after a sign", "+-5\n", file + " line 1 (record 1, integration method): bad value \"+-5\", not a number"},
      {"an exponent in an integer", "1\n1e-4\n6e+07\n",
       file + " line 3 (record 3, output interval): bad value \"6e+07\", must be a whole number"},
      {"an integer beyond 32 bits", "1\n1e-4\n99999999999\n",
       file + " line 3 (record 3, output interval): bad value \"99999999999\", must be a whole number from "
              "-2147483648 to 2147483647"},
      {"a time step beyond single precision", "1\n1e39\n",
       file + " line 2 (record 2, time step): bad value \"1e39\", beyond single precision"},
      {"a value of a hundred digits", "1\n" + std::string(100, '7') + "x\n",
       file + " line 2 (record 2, time step): bad value \"" + std::string(37, '7') + "...\", not a number"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    SolutionFile f(c.content);
    EXPECT_EQ(test::expect_stop([&] { read_solution_parameters(*f.t); }), 1);
    EXPECT_EQ(f.t.console(), test::data_error_line("\\SolutionParameters.dat", c.detail));
    EXPECT_EQ(f.rewritten(), c.content);
  }
}

TEST(SolutionParameters, NullValuesKeepTheValuesBeforeReading) {
  // A null value or a slash gives no value: the record keeps its default,
  // and the rewrite writes it.
  SolutionFile f("1\n,\n2*\n1\n/\n1,,8e4\n");
  read_solution_parameters(*f.t);
  const SolutionParameters& p = f.t->solution;
  EXPECT_EQ(p.integration_method, 1);
  EXPECT_EQ(p.time_step, 1.0E-4f);
  EXPECT_EQ(p.output_interval, 10);
  EXPECT_EQ(p.contact_option, 1);
  EXPECT_EQ(p.Coordination_sys_bridge, 0);
  EXPECT_EQ(p.IsContact, 1);
  EXPECT_EQ(p.StiContact, 0.0f);
  EXPECT_EQ(p.DamContact, 8.0e4f);
  EXPECT_NE(f.rewritten().find("        0.100000E-03"), std::string::npos);
}

TEST(SolutionParameters, ATrackContactSpringIsCheckedWhereAWheelPairUsesIt) {
  SolutionFile ok("4\n1e-4\n10\n0\n0\n1 2.0e8 0.0\n");
  read_solution_parameters(*ok.t);
  EXPECT_EQ(ok.t->solution.StiContact, 2.0e8f);
  // A track contact spring without stiffness is refused only where a wheel
  // pair uses it, with the vehicle types.
  SolutionFile no_stiffness("4\n1e-4\n10\n0\n0\n1 0.0 0.0\n");
  read_solution_parameters(*no_stiffness.t);
  EXPECT_EQ(no_stiffness.t->solution.IsContact, 1);
  EXPECT_EQ(no_stiffness.t.console(), "");
}

// The six values of a run as the reader stores them.
std::tuple<std::int32_t, float, std::int32_t, std::int32_t, std::int32_t, std::int32_t, float, float> values_of(
    const SolutionParameters& p) {
  return {p.integration_method, p.time_step,  p.output_interval, p.contact_option,
          p.Coordination_sys_bridge, p.IsContact, p.StiContact,      p.DamContact};
}

TEST(SolutionParameters, TheRewrittenFileReadsBackAsItWas) {
  const struct {
    const char* what;
    std::string file;
    std::string line;  // a line the rewrite must hold
  } cases[] = {
      {"an output interval of six digits", "1\n2e-4\n100000\n1\n0\n1 6e7 8e4\n",
       "100000" + blanks(16 + 52) + "!Output Result Every N Steps"},
      {"integers of ten digits", "1\n2e-4\n2147483647\n2147483647\n",
       "2147483647" + blanks(12 + 8) + "!Option for wheel-rail contact"},
      {"reals that six digits do not give back", "4\n1.23456789e-4\n10\n0\n0\n1 0.333333333 -7.65432198e-33\n",
       "    1   0.33333334E+00  -0.7654322E-32" + blanks(7) + "!IsContact"},
      {"a time step of seven digits", "4\n2.000001e-4\n10\n0\n0\n", "        0.2000001E-03" + blanks(54) + "!Time"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    SolutionFile first(c.file);
    read_solution_parameters(*first.t);
    const std::string rewritten = first.rewritten();
    EXPECT_EQ(rewritten.find('*'), std::string::npos) << rewritten;
    EXPECT_NE(rewritten.find(c.line), std::string::npos) << rewritten;
    SolutionFile second(rewritten);
    read_solution_parameters(*second.t);
    EXPECT_EQ(values_of(second.t->solution), values_of(first.t->solution));
    EXPECT_EQ(second.rewritten(), rewritten);
  }
}

TEST(SolutionParameters, AFileWhoseValuesFitKeepsItsLayout) {
  SolutionFile f("1\n0.0002\n10\n1\n0\n1 6e+07 80000\n");
  read_solution_parameters(*f.t);
  EXPECT_EQ(f.rewritten(),
            "    1" + blanks(17 + 3) + "!Integral Method (Wilson:0;Newmark:1;New Explicit:2;Rugge-kutta:4;PostPro:-1)\n" +
                "        0.200000E-03" + blanks(54) + "!Time step for integration\n" +
                "   10" + blanks(17 + 52) + "!Output Result Every N Steps\n" +
                "    1" + blanks(17 + 8) + "!Option for wheel-rail contact (Sptial:1;Vertical only:0;Moving load:-1)\n" +
                "    0" + blanks(17 + 22) + "!Coordination_sys_bridge (Z axis upward:1;Y axis upward:0)\n" +
                "    1   0.600000E+08   0.800000E+05" + blanks(7) +
                "!IsContact,StiContact and DamContact of track contact,for wheel-rail jump\n");
}

}  // namespace
}  // namespace tb
