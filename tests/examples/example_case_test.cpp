// The shipped example case run through the whole program: every scheme runs
// it to its end, its result files decode to the expected counts and its
// mid-span response has the right sign and size; the post-processing run
// recovers the same bridge responses; a shorter second run leaves nothing of
// the first behind; a mode count above the modes of the modal file changes no
// bulk response; the response requests are checked before the first step;
// a run refused at start-up touches no result file, a run that blows up or
// is stopped by a signal leaves every result file reading to its end by its
// own counts; a brake command slows the train by its deceleration; the girder's wind
// acts on its axis and makes the girder move sideways.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <fstream>
#include <regex>

#include "../results/series_reader.h"
#include "platform/format.h"
#include "platform/texts.h"
#include "run/run_control.h"
#include "test_support.h"

namespace tb {
namespace {

namespace fs = std::filesystem;

const char* const kSeriesFiles[] = {"Res_DisResults_Bridge.bin",         "Res_AccResults_Bridge.bin",
                                    "Res_DisResults_Vehicles.bin",       "Res_AccResults_Vehicles.bin",
                                    "Res_DerailmentFactor_Vehicles.bin", "Res_ReductionRation_Vehicles.bin",
                                    "Res_WheelsetirregDisVehilces.bin",  "Res_BrakeForceDis_Vehicles.bin",
                                    "Res_Modal_Coordinate_Results_Bridge.bin"};
const char* const kBulkFiles[] = {"Res_BridgeResponseBulkDate_disacc.bin", "Res_BridgeResponseBulkDate_stress.bin",
                                  "Res_BridgeResponseBulkDate_dis_static.bin",
                                  "Res_BridgeResponseBulkDate_stress_static.bin"};

// All thirteen result files.
std::vector<std::string> all_result_files() {
  std::vector<std::string> names(std::begin(kSeriesFiles), std::end(kSeriesFiles));
  names.insert(names.end(), std::begin(kBulkFiles), std::end(kBulkFiles));
  return names;
}

ClockReading frozen_clock() { return {2026, 12, 10, 0, 8, 0, 0, 0}; }

// A copy of examples/case in a scratch directory, shortened for the test
// suite: one car of the train, one speed stage, its wheels starting just
// before the track (they meet the irregularity where it tapers in, not by
// dropping onto it), the run ending when the car has left the girder.
struct ExampleRun {
  test::TestContext t;
  fs::path input;

  explicit ExampleRun(std::int32_t method, float speed_kmh = 250.0f, float run_out = -40.0f) {
    fs::copy(fs::path(TRAINBRIDGE_SOURCE_DIR) / "examples/case", t.dir.path(), fs::copy_options::recursive);
    input = t.dir / "input";
    set_method(method);
    set_train(speed_kmh, run_out);
    t->clock = frozen_clock;
  }

  void set_method(std::int32_t method) { replace_first_value("SolutionParameters.dat", std::to_string(method)); }
  void set_contact_option(std::int32_t option) {
    std::string s = test::read_file(input / "SolutionParameters.dat");
    std::vector<std::string> lines;
    std::istringstream in(s);
    for (std::string l; std::getline(in, l);) lines.push_back(l);
    lines[3] = "   " + std::to_string(option) + "  contact option";
    std::string out;
    for (const std::string& l : lines) out += l + "\n";
    test::write_file(input / "SolutionParameters.dat", out);
  }
  void set_train(float speed_kmh, float run_out) {
    test::write_file(input / "VehicleOrganization.dat",
                     "1 1\n1\n1\n1 1\n1 1 " + std::to_string(speed_kmh) + " -2.0 " + std::to_string(run_out) +
                         " 0.0 0.0\n");
  }
  // The mean wind speed, and the coefficient set of the one car at the one
  // vehicle station (the shipped file gives one set per car of three).
  void set_mean_wind(float speed) {
    std::string s = test::read_file(input / "Wind_Coefficients.dat");
    s.replace(0, s.find('\n'), "1.225 " + std::to_string(speed) + " 0.0");
    const std::string three_cars = "  -40\n  2\n  2\n  2\n";
    const std::size_t at = s.find(three_cars);
    if (at != std::string::npos) s.replace(at, three_cars.size(), "  -40\n  2\n");
    test::write_file(input / "Wind_Coefficients.dat", s);
  }
  void replace_first_value(const std::string& file, const std::string& value) {
    std::string s = test::read_file(input / file);
    s.replace(0, s.find('!'), "    " + value + "  ");
    test::write_file(input / file, s);
  }

  int run() {
    t.clear_console();
    t->units.close_all();
    RunContext& c = *t;
    // A fresh context for every run of the same directory.
    auto fresh = std::make_unique<RunContext>();
    fresh->console.redirect(t.out, t.in);
    fresh->units.working_dir = t.dir.path();
    fresh->clock = frozen_clock;
    (void)c;
    t.ctx = std::move(fresh);
    return run_program(*t);
  }
  test::SeriesFile series(const char* name) { return test::decode_series(input / name); }
  std::vector<float> channel(const char* name, std::size_t c) {
    const test::SeriesFile f = series(name);
    std::vector<float> v;
    if (f.blocks.empty()) return v;
    for (const auto& r : f.blocks[0].records) v.push_back(r[c]);
    return v;
  }
};

std::size_t count(const std::string& s, const std::string& what) {
  std::size_t n = 0;
  for (std::size_t p = s.find(what); p != std::string::npos; p = s.find(what, p + 1)) ++n;
  return n;
}

TEST(ExampleCase, EverySchemeRunsItToItsEndWithTheSameMidSpanResponse) {
  std::vector<float> peaks;
  for (std::int32_t method : {method::newmark, method::explicit_two_step, method::runge_kutta}) {
    ExampleRun r(method);
    ASSERT_EQ(r.run(), 0) << method;
    const std::string out = r.t.console();
    ASSERT_NE(out.find("The Total Running Time"), std::string::npos);
    EXPECT_EQ(out.find("Warning"), std::string::npos) << method;
    const std::size_t steps = count(out, " Speed Stage= 1    Run Time=");

    for (const char* name : kSeriesFiles) {
      const test::SeriesFile f = r.series(name);
      ASSERT_FALSE(f.truncated) << name;
      EXPECT_EQ(f.stage_count, 1.0f) << name;
      ASSERT_EQ(f.blocks.size(), 1u) << name;
      EXPECT_EQ(f.blocks[0].record_count, static_cast<float>(steps / 10)) << name;
      EXPECT_FLOAT_EQ(f.blocks[0].interval, 2.0E-3f) << name;
      for (const auto& rec : f.blocks[0].records)
        for (float v : rec) ASSERT_TRUE(std::isfinite(v)) << name;
    }
    // Four output points; one car of eight wheel entries and six outputs.
    EXPECT_EQ(r.series("Res_DisResults_Bridge.bin").blocks[0].channel_count, 4.0f);
    EXPECT_EQ(r.series("Res_DisResults_Vehicles.bin").blocks[0].channel_count, 6.0f);
    EXPECT_EQ(r.series("Res_ReductionRation_Vehicles.bin").blocks[0].channel_count, 8.0f);
    EXPECT_EQ(r.series("Res_Modal_Coordinate_Results_Bridge.bin").blocks[0].channel_count, 33.0f);
    for (const char* name : kBulkFiles) {
      const test::SeriesFile f = r.series(name);
      ASSERT_FALSE(f.truncated) << name;
      ASSERT_EQ(f.blocks.size(), 1u) << name;
      EXPECT_EQ(f.blocks[0].record_count, static_cast<float>(steps / 10)) << name;
    }

    // Mid-span soffit, vertical: the girder sags by about a millimetre under
    // one car of about 56 t (the static deflection of a 32 m span of
    // EI = 1.8E11 N m2 under that weight at mid-span is 2.1 mm, spread over
    // its two bogies somewhat less).
    const std::vector<float> mid = r.channel("Res_DisResults_Bridge.bin", 0);
    const float peak = *std::min_element(mid.begin(), mid.end());
    EXPECT_LT(peak, -0.5E-3f) << method;
    EXPECT_GT(peak, -2.5E-3f) << method;
    EXPECT_LT(*std::max_element(mid.begin(), mid.end()), -0.5f * peak) << method;
    peaks.push_back(peak);

    // The wheels stay on the rails: per wheel pair the wheel-load reduction
    // 1 - min(NL, NR)/W and the derailment factor Q/N keep well inside the
    // limits of 0.8 that a lifting or climbing wheel would reach.
    for (const char* name : {"Res_ReductionRation_Vehicles.bin", "Res_DerailmentFactor_Vehicles.bin"}) {
      const test::SeriesFile f = r.series(name);
      float largest = 0.0f;
      for (const auto& rec : f.blocks[0].records)
        for (std::size_t c = 0; c < rec.size(); c += 2) largest = std::max(largest, std::fabs(rec[c]));
      EXPECT_GT(largest, 0.0f) << name << " " << method;
      EXPECT_LT(largest, 0.8f) << name << " " << method;
    }
  }
  EXPECT_NEAR(peaks[1], peaks[0], 0.01f * std::fabs(peaks[0]));
  EXPECT_NEAR(peaks[2], peaks[0], 0.01f * std::fabs(peaks[0]));
}

TEST(ExampleCase, EveryStepConvergesAlsoWithTheCarBeyondTheTrackEnd) {
  // The car runs on 30 m past the last control point: beyond it the wheels
  // see the track's end values held, and no step runs to the pass limit (the
  // tenth iteration line), neither there nor on the approach, where the
  // vehicle's modes settle to values near the rounding of the force sums.
  ExampleRun r(method::newmark, 160.0f, 30.0f);
  ASSERT_EQ(r.run(), 0);
  const std::string out = r.t.console();
  const std::size_t steps = count(out, " Speed Stage= 1    Run Time=");
  EXPECT_GT(steps, 18000u);
  EXPECT_EQ(count(out, "Iteration_Number =10"), 0u);
  EXPECT_LT(count(out, "Iteration_Number ="), 3 * steps);
  const test::SeriesFile f = r.series("Res_ReductionRation_Vehicles.bin");
  ASSERT_EQ(f.blocks.size(), 1u);
  float largest = 0.0f;
  for (const auto& rec : f.blocks[0].records)
    for (std::size_t c = 0; c < rec.size(); c += 2) largest = std::max(largest, std::fabs(rec[c]));
  EXPECT_LT(largest, 0.8f);
}

TEST(ExampleCase, PostProcessingRecoversTheSameBulkFilesAndAShorterRunLeavesNothingBehind) {
  ExampleRun r(method::newmark);
  ASSERT_EQ(r.run(), 0);
  std::vector<std::string> bulk;
  for (const char* name : kBulkFiles) bulk.push_back(test::read_file(r.input / name));

  // Stale bytes behind each bulk file, as a longer earlier run would leave
  // them: the post-processing run's stop cuts every file it wrote.
  for (const char* name : kBulkFiles) {
    std::ofstream(r.input / name, std::ios::binary | std::ios::app) << "stale tail of an earlier run";
  }
  r.set_method(method::post_processing);
  ASSERT_EQ(r.run(), 0);
  EXPECT_EQ(r.t.console().find("Terminated"), std::string::npos);
  for (std::size_t i = 0; i < bulk.size(); ++i) EXPECT_EQ(test::read_file(r.input / kBulkFiles[i]), bulk[i]) << i;

  // A second, shorter run in the same directory: every file it wrote holds
  // exactly its own blocks.
  r.set_method(method::newmark);
  r.set_train(250.0f, -60.0f);
  ASSERT_EQ(r.run(), 0);
  const std::size_t steps = count(r.t.console(), " Speed Stage= 1    Run Time=");
  for (const char* names : {"series", "bulk"}) {
    const bool series = std::string(names) == "series";
    for (const char* name : series ? std::vector<const char*>(std::begin(kSeriesFiles), std::end(kSeriesFiles))
                                   : std::vector<const char*>(std::begin(kBulkFiles), std::end(kBulkFiles))) {
      const test::SeriesFile f = r.series(name);
      ASSERT_EQ(f.blocks.size(), 1u) << name;
      EXPECT_FALSE(f.truncated) << name;
      EXPECT_EQ(f.blocks[0].record_count, static_cast<float>(steps / 10)) << name;
      const std::size_t n = static_cast<std::size_t>(f.blocks[0].channel_count);
      EXPECT_EQ(f.values.size(), 1 + 3 + 2 * n + (steps / 10) * n) << name;
    }
  }
}

// Replaces the first occurrence of what in the input file.
void edit_input(ExampleRun& r, const std::string& file, const std::string& what, const std::string& by) {
  std::string s = test::read_file(r.input / file);
  const std::size_t at = s.find(what);
  ASSERT_NE(at, std::string::npos) << what;
  s.replace(at, what.size(), by);
  test::write_file(r.input / file, s);
}

TEST(ExampleCase, ATimeStepTooLongForTheIterationIsNamedAndCounted) {
  // The time step 2.0E-4 typed as 0.01: the equilibrium iteration of the
  // wheel-rail contact diverges. The steps run to the pass limit, the first
  // of them is named with its time and change, and the stage's end counts
  // them; the run goes on to its end. (At its own time step the example
  // prints no warning at all: EverySchemeRunsItToItsEndWithTheSameMidSpanResponse.)
  ExampleRun r(method::newmark);
  edit_input(r, "SolutionParameters.dat", "  0.0002 ", "  0.01 ");
  ASSERT_EQ(r.run(), 0);
  const std::string out = r.t.console();
  const std::size_t at_limit = count(out, "\tIteration_Number =10 ");
  EXPECT_GT(at_limit, 0u);
  const std::regex first(
      " Warning: speed stage 1, time [0-9]+\\.[0-9]{6} s: the equilibrium iteration did not converge in 11 passes "
      "\\(change [0-9]+\\.[0-9]{2} %\\); the run goes on with the step as it stands\\.\n");
  EXPECT_EQ(std::distance(std::sregex_iterator(out.begin(), out.end(), first), std::sregex_iterator()), 1);
  const std::string tally = " Warning: speed stage 1 had " + std::to_string(at_limit) +
                            (at_limit == 1 ? " time step" : " time steps") +
                            " whose equilibrium iteration did not converge in 11 passes (largest change ";
  ASSERT_EQ(count(out, tally), 1u);
  EXPECT_NE(out.find(" %); a shorter time step usually helps.\n", out.find(tally)), std::string::npos);
  EXPECT_GT(out.find(tally), out.rfind("Iteration_Number ="));
  EXPECT_NE(out.find("The Total Running Time"), std::string::npos);
}

TEST(ExampleCase, AModeCountAboveTheModalFilesLeavesTheBulkResponsesFiniteAndAsTheyWere) {
  // The header asks for twelve modes where the modal file gives eleven: mode
  // 12 has no frequency and no shape, and adds nothing to any response.
  std::vector<std::vector<float>> unchanged;
  for (const char* header : {"  68 33 0 4 11 0\n", "  68 33 0 4 12 0\n"}) {
    SCOPED_TRACE(header);
    ExampleRun r(method::newmark);
    edit_input(r, "Modal_Substructure_Bridge.dat", "  68 33 0 4 11 0\n", header);
    ASSERT_EQ(r.run(), 0);
    const bool raised = unchanged.size() == 4;
    const std::string warning =
        " Warning: bridge modes without a frequency: 1 of 12; their quasi-static modal displacement is written as "
        "0.\n";
    const std::string out = r.t.console();
    EXPECT_EQ(count(out, warning), raised ? 1u : 0u);
    if (raised) {
      EXPECT_LT(out.find(warning), out.find(" Speed Stage= 1"));
    }
    EXPECT_EQ(r.series("Res_Modal_Coordinate_Results_Bridge.bin").blocks[0].channel_count, raised ? 36.0f : 33.0f);
    for (std::size_t k = 0; k < 4; ++k) {
      const test::SeriesFile f = r.series(kBulkFiles[k]);
      ASSERT_FALSE(f.truncated) << kBulkFiles[k];
      for (float v : f.values) ASSERT_TRUE(std::isfinite(v)) << kBulkFiles[k];
      if (!raised) {
        // Quasi-static responses there are: the car's weight bends the girder.
        EXPECT_GT(std::count_if(f.values.begin(), f.values.end(), [](float v) { return v != 0.0f; }), 100)
            << kBulkFiles[k];
        unchanged.push_back(f.values);
      } else {
        ASSERT_EQ(f.values.size(), unchanged[k].size()) << kBulkFiles[k];
        for (std::size_t i = 0; i < f.values.size(); ++i)
          ASSERT_EQ(f.values[i], unchanged[k][i]) << kBulkFiles[k] << " value " << i;
      }
    }
  }
}

TEST(ExampleCase, ResponseRequestsAreCheckedAtStartUp) {
  // A node that the modal file does not list: named once, before the modal
  // data are read for the integration; its responses are zero.
  ExampleRun r(method::newmark, 250.0f, -60.0f);
  edit_input(r, "Modal_Substructure_Bridge.dat", " Post\n  2\n", " Post\n  3\n  999 999 1\n");
  ASSERT_EQ(r.run(), 0);
  const std::string out = r.t.console();
  const std::string warning = " Warning: requested node 999 is in no modal file; its responses are written as 0.\n";
  EXPECT_EQ(count(out, warning), 1u);
  EXPECT_LT(out.find(warning), out.find(std::string(text::preprocessing_no)));
  const test::SeriesFile f = r.series("Res_BridgeResponseBulkDate_disacc.bin");
  ASSERT_EQ(f.blocks.size(), 1u);
  ASSERT_FALSE(f.blocks[0].records.empty());
  EXPECT_EQ(f.blocks[0].labels[0], 999.0f);
  for (const auto& rec : f.blocks[0].records)
    EXPECT_EQ(std::vector<float>(rec.begin(), rec.begin() + 12), std::vector<float>(12, 0.0f));
  // Seven internal-force components where the modal file's records after
  // "Stress" hold six: the seventh would be read from the next element's
  // record. The run stops before its first step, naming both counts.
  {
    ExampleRun r(method::newmark);
    edit_input(r, "Modal_Substructure_Bridge.dat", "  1 32 1 6\n", "  1 32 1 7\n");
    ASSERT_EQ(r.run(), 1);
    const std::string out = r.t.console();
    const std::string stop = test::data_error_line(
        "\\Modal_Substructure_Bridge.dat",
        "input/Modal_Substructure_Bridge.dat (Post section, element ranges): bad value 7 force components of element "
        "1, must be at most 6, the values that each record after \"Stress\" holds in input/Girder32m_Modes.out "
        "(line 770)");
    ASSERT_GE(out.size(), stop.size());
    EXPECT_EQ(out.substr(out.size() - stop.size()), stop);
    EXPECT_EQ(out.find("Speed Stage="), std::string::npos);
  }
}

TEST(ExampleCase, ARunRefusedAtStartUpTouchesNoResultFile) {
  // Every input file is read and checked before the first result file is
  // opened: in a fresh directory the refused run creates no result file, and
  // beside an earlier run's thirteen files it leaves each byte for byte.
  const struct {
    const char* what;
    const char* file;
    const char* from;
    const char* to;
    const char* label;
  } cases[] = {
      {"a node range of step 0", "Modal_Substructure_Bridge.dat", "  1 33 4\n", "  1 33 0\n",
       "\\Modal_Substructure_Bridge.dat"},
      {"a fleet naming vehicle type 2 of a one-type library", "VehicleOrganization.dat", "1\n1 1\n", "2\n1 1\n",
       "\\VehicleOrganization.dat"},
  };
  for (const auto& c : cases)
    for (bool earlier : {false, true}) {
      SCOPED_TRACE(std::string(c.what) + (earlier ? ", beside an earlier run" : ", in a fresh directory"));
      ExampleRun r(method::newmark);
      const std::vector<std::string> names = all_result_files();
      if (earlier)
        for (const std::string& name : names) test::write_file(r.input / name, "earlier bytes of " + name);
      edit_input(r, c.file, c.from, c.to);
      ASSERT_EQ(r.run(), 1);
      const std::string out = r.t.console();
      EXPECT_NE(out.find(std::string(text::error_prefix) + c.label + std::string(text::data_error)), std::string::npos)
          << out;
      EXPECT_EQ(out.find("Speed Stage="), std::string::npos);
      for (const std::string& name : names) {
        if (earlier)
          EXPECT_EQ(test::read_file(r.input / name), "earlier bytes of " + name) << name;
        else
          EXPECT_FALSE(fs::exists(r.input / name)) << name;
      }
    }
}

TEST(ExampleCase, MovingLoadAndVerticalContactRunsPrintTheirLines) {
  for (std::int32_t option : {-1, 0}) {
    ExampleRun r(method::newmark);
    r.set_contact_option(option);
    ASSERT_EQ(r.run(), 0) << option;
    const std::string out = r.t.console();
    const std::string banner = "\n" + std::string(text::speed_stage) + " 1" +
                               std::string(text::train_bridge_computation_begins) + "\n";
    const std::size_t b = out.find(banner);
    ASSERT_NE(b, std::string::npos);
    const std::string first = out.substr(b + banner.size(), 80);
    EXPECT_EQ(first.substr(0, first.find('\n', 1) + 1),
              "\n Speed Stage= 1    Run Time=  0.000200/  " + first.substr(42, 8) + " Time Remaining:  0H  0M  0S\n");
    const std::regex progress(R"(\n Speed Stage= 1    Run Time=[ 0-9.]{10}/[ 0-9.]{10} Time Remaining:  0H  0M  0S\n)");
    EXPECT_TRUE(std::regex_search(out, progress));
    const std::regex iteration(R"(\n\tIteration_Number =[ 0-9]{2}    Tolerance=[ 0-9.]{15} %\n)");
    EXPECT_TRUE(std::regex_search(out, iteration)) << option;
    const std::vector<float> mid = r.channel("Res_DisResults_Bridge.bin", 0);
    EXPECT_LT(*std::min_element(mid.begin(), mid.end()), -0.5E-3f) << option;
  }
}

TEST(ExampleCase, WithoutTheTrackContactSpringTheStartUpSaysThatTheWheelsMeetARigidRail) {
  // The shipped case gives the track contact spring in record 6 of
  // "SolutionParameters.dat"; without that record the wheels turn to Hertz
  // contact where the girder moves under them, and the run says so once,
  // before its first stage. A short run, on the approach.
  const std::string note =
      "\n Wheel-rail contact: the wheels of contact type 0 turn to Hertz contact on a rigid rail once the bridge "
      "moves under them; the track contact spring in record 6 of \"SolutionParameters.dat\" (1, stiffness, "
      "damping) avoids it.\n";
  for (bool spring : {true, false}) {
    ExampleRun r(method::newmark, 250.0f, -100.0f);
    if (!spring) {
      const std::string s = test::read_file(r.input / "SolutionParameters.dat");
      const std::size_t record_6 = s.find("IsContact");
      ASSERT_NE(record_6, std::string::npos);
      test::write_file(r.input / "SolutionParameters.dat", s.substr(0, s.rfind('\n', record_6) + 1));
    }
    ASSERT_EQ(r.run(), 0) << spring;
    const std::string out = r.t.console();
    EXPECT_EQ(count(out, note), spring ? 0u : 1u);
    if (!spring) {
      EXPECT_LT(out.find(note), out.find(std::string(text::speed_stage)));
    }
    EXPECT_GT(count(out, " Speed Stage= 1    Run Time="), 100u) << spring;
  }
}

TEST(ExampleCase, EverySpeedStageStartsFromRestAndWritesItsOwnBlock) {
  // Two stages at the same speed: after the reset between them the second
  // stage repeats the first, record for record.
  for (std::int32_t method : {method::newmark, method::runge_kutta}) {
    ExampleRun r(method);
    test::write_file(r.input / "VehicleOrganization.dat",
                     "1 1\n1\n1\n1 2\n1 1 250.0 250.0 -2.0 -2.0 -40.0 -40.0 0.0 0.0 0.0 0.0\n");
    ASSERT_EQ(r.run(), 0) << method;
    const std::string out = r.t.console();
    const std::size_t steps = count(out, " Speed Stage= 2    Run Time=");
    EXPECT_EQ(count(out, " Speed Stage= 1    Run Time="), steps);
    for (const char* name : {"Res_DisResults_Bridge.bin", "Res_DisResults_Vehicles.bin",
                             "Res_Modal_Coordinate_Results_Bridge.bin", "Res_BridgeResponseBulkDate_disacc.bin"}) {
      const test::SeriesFile f = r.series(name);
      EXPECT_EQ(f.stage_count, 2.0f) << name;
      ASSERT_EQ(f.blocks.size(), 2u) << name;
      EXPECT_FALSE(f.truncated) << name;
      EXPECT_EQ(f.blocks[1].record_count, static_cast<float>(steps / 10)) << name;
      EXPECT_EQ(f.blocks[1].labels, f.blocks[0].labels) << name;
      ASSERT_EQ(f.blocks[1].records.size(), f.blocks[0].records.size()) << name;
      for (std::size_t k = 0; k < f.blocks[0].records.size(); ++k)
        for (std::size_t c = 0; c < f.blocks[0].records[k].size(); ++c) {
          const float a = f.blocks[0].records[k][c], b = f.blocks[1].records[k][c];
          ASSERT_NEAR(b, a, 1.0E-4f * std::fabs(a) + 1.0E-12f) << name << " record " << k << " channel " << c;
        }
    }
  }
}

TEST(ExampleCase, AStageAtRestWritesAnEmptyBlock) {
  // The second stage's train stands still: the stage has no time step and no
  // output instant, and every file still gets its block, with no records.
  for (std::int32_t method : {method::newmark, method::runge_kutta}) {
    ExampleRun r(method);
    test::write_file(r.input / "VehicleOrganization.dat",
                     "1 1\n1\n1\n1 2\n1 1 250.0 0.0 -2.0 -2.0 -40.0 -40.0 0.0 0.0 0.0 0.0\n");
    ASSERT_EQ(r.run(), 0) << method;
    const std::string out = r.t.console();
    const std::string line = " Speed stage 2 runs no time step: no train of it moves along its track; its block in "
                             "every result file holds no record.\n";
    EXPECT_EQ(count(out, line), 1u) << method;
    EXPECT_LT(out.find(line), out.find(std::string(text::speed_stage))) << method;  // at start-up
    for (const char* name : kSeriesFiles) {
      const test::SeriesFile f = r.series(name);
      EXPECT_EQ(f.stage_count, 2.0f) << name;
      ASSERT_EQ(f.blocks.size(), 2u) << name;
      EXPECT_GT(f.blocks[0].record_count, 0.0f) << name;
      EXPECT_EQ(f.blocks[1].record_count, 0.0f) << name;
      EXPECT_EQ(f.blocks[1].channel_count, f.blocks[0].channel_count) << name;
      EXPECT_EQ(f.blocks[1].labels, f.blocks[0].labels) << name;
      EXPECT_FALSE(f.truncated) << name;
    }
  }
}

TEST(ExampleCase, AStageOrAResultFileTooLargeToRunStopsBeforeTheFirstStage) {
  // A run-out of 1E9 m: more steps than a stage can count. An element range
  // of 10^6 components: internal-force files of 8 GB and more.
  struct Case {
    const char* file;
    const char* what;
    const char* by;
    const char* label;
  };
  for (const Case& k : {Case{"VehicleOrganization.dat", " -40.000000 0.0", " 1e9 0.0", "\\VehicleOrganization.dat"},
                        Case{"Modal_Substructure_Bridge.dat", "  1 32 1 6", "  1 32 1 1000000",
                             "\\Modal_Substructure_Bridge.dat"}}) {
    ExampleRun r(method::newmark);
    edit_input(r, k.file, k.what, k.by);
    ASSERT_EQ(r.run(), 1) << k.file;
    const std::string out = r.t.console();
    EXPECT_NE(out.find(std::string(text::error_prefix) + k.label + std::string(text::data_error)), std::string::npos)
        << out;
    EXPECT_EQ(out.find(std::string(text::speed_stage)), std::string::npos) << k.file;
  }
}

// Checks that each of the thirteen result files reads to its end by its own
// counts: one block per stage its run header counts, each block's records all
// there, nothing after the last; the bulk files hold the instants of the
// modal coordinates, or, where the console says that the recovery ended
// early, fewer. Returns the record count of each block of the modal
// coordinates.
std::vector<float> expect_files_read_to_their_end(ExampleRun& r) {
  const bool recovery_ended_early = r.t.console().find("\n Bridge responses: speed stage") != std::string::npos;
  std::vector<float> records;
  for (const std::string& name : all_result_files()) {
    SCOPED_TRACE(name);
    const test::SeriesFile f = r.series(name.c_str());
    EXPECT_FALSE(f.truncated);
    EXPECT_EQ(f.stage_count, static_cast<float>(f.blocks.size()));
    std::size_t values = 1;
    for (const test::SeriesBlock& b : f.blocks) {
      EXPECT_EQ(b.records.size(), static_cast<std::size_t>(b.record_count));
      values += 3 + 2 * static_cast<std::size_t>(b.channel_count) +
                static_cast<std::size_t>(b.record_count) * static_cast<std::size_t>(b.channel_count);
      for (const auto& rec : b.records)
        for (float v : rec) EXPECT_TRUE(std::isfinite(v));
    }
    EXPECT_EQ(f.values.size(), values);
    std::vector<float> counts;
    for (const test::SeriesBlock& b : f.blocks) counts.push_back(b.record_count);
    if (name == "Res_Modal_Coordinate_Results_Bridge.bin") records = counts;
    if (name.find("BulkDate") != std::string::npos) {
      if (recovery_ended_early) {
        EXPECT_EQ(counts.size(), records.size());
        if (!counts.empty() && counts.size() == records.size()) {
          EXPECT_LT(counts.back(), records.back());
        }
      } else {
        EXPECT_EQ(counts, records);
      }
    }
  }
  return records;
}

TEST(ExampleCase, ARunThatBlowsUpLeavesEveryResultFileReadingToItsEnd) {
  // Two stages are planned; the run blows up in the first. Beside an earlier
  // run's files of 2 MB each (more than the write buffer holds), every file
  // then holds this run's values alone, its counts rewritten to what it
  // holds, and the bulk files are recovered from the modal coordinates
  // written so far. The explicit scheme at dt = 5 ms warns once (the stage's
  // first step above 1E12) and waits for Enter once; its stop repeats the
  // warning without waiting, and the stage's line counts the steps. With an
  // output interval beyond the blow-up nothing is written and nothing is
  // recovered: the files are empty and the console says why.
  const struct {
    std::int32_t method;
    const char* time_step;
    const char* interval;
    bool written;
  } cases[] = {{method::runge_kutta, "0.01  ", "10", true},
               {method::explicit_two_step, "0.005 ", "10", true},
               {method::explicit_two_step, "0.005 ", "100", false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string("method ") + std::to_string(c.method) + ", interval " + c.interval);
    ExampleRun r(c.method);
    test::write_file(r.input / "VehicleOrganization.dat",
                     "1 1\n1\n1\n1 2\n1 1 250.0 250.0 -2.0 -2.0 -40.0 -40.0 0.0 0.0 0.0 0.0\n");
    edit_input(r, "SolutionParameters.dat", "0.0002", c.time_step);
    edit_input(r, "SolutionParameters.dat", "   10  ", std::string("   ") + c.interval + "  ");
    for (const std::string& name : all_result_files())
      test::write_file(r.input / name, std::string(2 << 20, '\x7f'));
    r.t.in.str(std::string(100, '\n'));  // Enter at every pause
    ASSERT_EQ(r.run(), 1);
    const std::string out = r.t.console();
    EXPECT_EQ(out.find("The Total Running Time"), std::string::npos);
    EXPECT_EQ(out.find(std::string(text::speed_stage) + " 2"), std::string::npos);
    const std::string stop = "\n Warning:System response blow out!\n";
    if (c.method == method::explicit_two_step) {
      EXPECT_EQ(count(out, stop), 2u);
      EXPECT_EQ(count(out, test::pause_text()), 1u);
      EXPECT_EQ(count(out, " Warning: speed stage 1 had "), 1u);
    } else {
      EXPECT_EQ(out.find(stop + test::pause_text()), out.rfind(stop)) << "the stop waits once";
    }
    if (c.written) {
      const std::vector<float> records = expect_files_read_to_their_end(r);
      ASSERT_EQ(records.size(), 1u);
      EXPECT_GT(records[0], 0.0f);
      EXPECT_LT(records[0], 50.0f);
    } else {
      EXPECT_NE(out.find("\n No bridge responses recovered: the run stopped before its first output instant.\n"),
                std::string::npos);
      for (const std::string& name : all_result_files()) EXPECT_EQ(fs::file_size(r.input / name), 0u) << name;
    }
  }
}

TEST(ExampleCase, ABrakeCommandSlowsTheTrainByItsDeceleration) {
  // A brake command of -1 m/s2 from the start of the stage at 250 km/h: the
  // car's longitudinal rigid-body mode takes the brake forces of its wheels,
  // and the train loses 1 m/s of speed every second, from its second step on
  // (the first places it); without a command the speed stays.
  for (float command : {-1.0f, 0.0f}) {
    SCOPED_TRACE(command);
    ExampleRun r(method::newmark);
    test::write_file(r.input / "VehicleOrganization.dat",
                     "1 1\n1\n1\n1 1\n1 1 250.0 -2.0 -40.0 " + std::to_string(command) + " 0.0\n");
    ASSERT_EQ(r.run(), 0);
    const std::size_t steps = count(r.t.console(), " Speed Stage= 1    Run Time=");
    ASSERT_GT(steps, 5000u);
    const double elapsed = static_cast<double>(steps - 1) * 2.0E-4;
    const double lost = 250.0 / 3.6 - r.t->trains.train_speed(1, 1);
    EXPECT_NEAR(lost, -command * elapsed, 0.01 * elapsed) << elapsed;
    // Each wheel pair brakes a quarter of the car's 54 t (its static wheel
    // loads over 9.8 m/s2) by the command.
    const std::vector<float> force = r.channel("Res_BrakeForceDis_Vehicles.bin", 1);
    ASSERT_GT(force.size(), 300u);
    EXPECT_NEAR(force[300], 54.0E3 * 9.81 / 9.8 / 4.0 * command, 1.0);
    // The wheels' track coordinate follows the same deceleration: the rigid
    // longitudinal motion of the car is counted once, in the train's
    // position (second difference of the records at 0.1 s, 0.5 s and 0.9 s).
    const std::vector<float> x = r.channel("Res_BrakeForceDis_Vehicles.bin", 0);
    ASSERT_GT(x.size(), 450u);
    const double span = 200 * 10 * 2.0E-4;
    const double deceleration = (static_cast<double>(x[450]) - 2.0 * x[250] + x[50]) / (span * span);
    EXPECT_NEAR(deceleration, command, 0.02) << x[50] << " " << x[250] << " " << x[450];
  }
}

TEST(ExampleCase, TheWindOnTheGirderActsOnItsAxis) {
  // The wind group of the example lies on girder-axis nodes that are no
  // interface nodes (an interface node's shapes are those of the track at
  // rail height, 1.6 m above the axis, and a load there acts there): at a
  // mean wind of 20 m/s without turbulence the first torsional mode takes
  // the moment of the moment coefficient alone and the first lateral mode
  // the drag. Their quasi-static modal displacements F / omega^2 once the
  // wind has ramped up and the car has left the span by 10 m, the calm
  // run's subtracted, against the sums over the 32 elements of 1 m.
  std::vector<float> modal[2];
  for (float wind : {0.0f, 20.0f}) {
    ExampleRun r(method::newmark, 250.0f, -30.0f);
    r.set_mean_wind(wind);
    edit_input(r, "Wind_Coefficients.dat", "  1                  1: mean wind with turbulence",
               "  0                  0: mean wind only");
    ASSERT_EQ(r.run(), 0) << wind;
    const test::SeriesFile f = r.series("Res_Modal_Coordinate_Results_Bridge.bin");
    ASSERT_EQ(f.blocks.size(), 1u);
    ASSERT_FALSE(f.blocks[0].records.empty());
    modal[wind > 0.0f ? 1 : 0] = f.blocks[0].records.back();
  }
  const double q = 0.5 * 1.225 * 20.0 * 20.0;
  const double pi = 3.14159265358979;
  // Mode 2: lateral bending, amplitude sqrt(2 / (m L)); mode 3: torsion,
  // sqrt(2 / (Ip L)); both sin(pi x / 32) along the span.
  const struct {
    std::size_t mode;
    double load, amplitude, omega;  // per metre, shape amplitude, rad/s
  } modes[] = {{2, q * 3.0 * 1.3, std::sqrt(2.0 / (2.0E4 * 32.0)), 75.968402},
               {3, q * 7.0 * 7.0 * 0.05, std::sqrt(2.0 / (2.4E5 * 32.0)), 77.0731}};
  for (const auto& m : modes) {
    double generalised = 0.0;
    for (int e = 0; e < 32; ++e)
      generalised += m.load * m.amplitude * 0.5 * (std::sin(pi * e / 32.0) + std::sin(pi * (e + 1) / 32.0));
    const std::size_t c = 3 * (m.mode - 1) + 2;  // quasi-static modal displacement
    const double induced = static_cast<double>(modal[1][c]) - modal[0][c];
    EXPECT_NEAR(induced, generalised / (m.omega * m.omega), 0.005 * generalised / (m.omega * m.omega)) << m.mode;
  }
}

TEST(ExampleCase, TheGirdersLateralResponseGrowsWithTheMeanWind) {
  // The wind-induced part of the lateral displacement at mid-span of the
  // track's centre line at rail height, 1.6 m above the girder axis (output
  // node 17: an interface node, whose shapes are carried to the track; in
  // place of the soffit output point, 1.2 m below the axis), once the wind
  // has ramped up over its first second: the displacement of the same run
  // without wind is subtracted.
  std::vector<double> induced;
  std::vector<float> calm;
  for (float wind : {0.0f, 10.0f, 20.0f}) {
    ExampleRun r(method::newmark);
    r.set_mean_wind(wind);
    std::string bridge = test::read_file(r.input / "Modal_Substructure_Bridge.dat");
    const std::size_t at = bridge.find("\n  102 3\n");
    ASSERT_NE(at, std::string::npos);
    bridge.replace(at, 9, "\n  17 3\n");
    test::write_file(r.input / "Modal_Substructure_Bridge.dat", bridge);
    ASSERT_EQ(r.run(), 0) << wind;
    const std::vector<float> lateral = r.channel("Res_DisResults_Bridge.bin", 2);
    ASSERT_FALSE(lateral.empty());
    if (calm.empty()) calm = lateral;
    ASSERT_EQ(lateral.size(), calm.size());
    induced.push_back(static_cast<double>(lateral.back()) - calm.back());
  }
  // The girder's own drag, 0.5 rho U^2 Cd h = 955 N/m at 20 m/s on its 3 m
  // depth, acting on its axis (the wind group's nodes are girder-axis nodes,
  // not interface nodes), deflects the 32 m span of EI = 1.24E12 N m2 by
  // 5 w L^4 / (384 EI) = 10.5 um; the twist of its moment coefficient moves
  // the rail level by under 1 um more; the car's crosswind load, which grows
  // with the product of the mean wind and the train speed, adds to it while
  // the car is on the span.
  EXPECT_GT(induced[1], 0.0);
  EXPECT_GT(induced[2], 2.5 * induced[1]) << induced[1] << " " << induced[2];
  EXPECT_GT(induced[2], 0.5 * 10.5E-6);
  EXPECT_LT(induced[2], 5.0 * 10.5E-6);
}

// The program run as a child process in a directory, its console read
// through a pipe. Standard input is /dev/null, or a pipe that stays open and
// silent, so that a pause waits. A hang guard kills the child when its
// output stops for two minutes.
class ChildRun {
 public:
  ChildRun(const fs::path& dir, bool silent_input) {
    int out[2], in[2] = {-1, -1};
    if (pipe(out) != 0 || (silent_input && pipe(in) != 0)) throw std::runtime_error("pipe");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_adddup2(&actions, out[1], 2);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    if (silent_input) {
      posix_spawn_file_actions_adddup2(&actions, in[0], 0);
      posix_spawn_file_actions_addclose(&actions, in[1]);
    } else {
      posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    }
    const std::string command = "cd '" + dir.string() + "' && exec '" TRAINBRIDGE_BINARY "'";
    const char* argv[] = {"/bin/sh", "-c", command.c_str(), nullptr};
    if (posix_spawn(&pid_, "/bin/sh", &actions, nullptr, const_cast<char* const*>(argv), environ) != 0)
      throw std::runtime_error("posix_spawn");
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    if (silent_input) close(in[0]);
    out_ = out[0];
    in_ = in[1];
  }
  ~ChildRun() {
    if (pid_ > 0) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
    close(out_);
    if (in_ >= 0) close(in_);
  }

  // Reads the console until it holds text; false when it ends first.
  bool wait_for(const std::string& text) {
    while (output.find(text) == std::string::npos)
      if (!read_some()) return false;
    return true;
  }
  void send(int signal) { kill(pid_, signal); }
  // Reads the console to its end and returns the child's wait status.
  int finish() {
    while (read_some()) {
    }
    int status = 0;
    waitpid(pid_, &status, 0);
    pid_ = -1;
    return status;
  }
  std::string output;

 private:
  bool read_some() {
    pollfd p{out_, POLLIN, 0};
    if (poll(&p, 1, 120000) <= 0) {
      ADD_FAILURE() << "the run made no progress for two minutes";
      kill(pid_, SIGKILL);
      return false;
    }
    char buf[65536];
    const ssize_t n = read(out_, buf, sizeof buf);
    if (n <= 0) return false;
    output.append(buf, static_cast<std::size_t>(n));
    return true;
  }
  pid_t pid_ = -1;
  int out_ = -1;
  int in_ = -1;
};

TEST(ExampleCase, AStopSignalEndsTheRunAtTheEndOfATimeStepWithItsResultFilesWhole) {
  // The whole example, its first stage lengthened by a run-out of 2 km,
  // beside an earlier run's files of 2 MB each. Once the run has passed
  // 0.02 s (ten output instants) a stop signal arrives: the run finishes its
  // time step, says where it stopped, rewrites the counts of its nine files,
  // recovers the bulk files from the modal coordinates written so far and
  // exits with 128 + the signal number. No byte of the earlier run is left.
  const struct {
    std::int32_t method;
    int signal;
    const char* name;
  } cases[] = {{method::newmark, SIGINT, "SIGINT"}, {method::runge_kutta, SIGTERM, "SIGTERM"},
               {method::newmark, SIGHUP, "SIGHUP"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ExampleRun r(c.method);
    test::write_file(r.input / "VehicleOrganization.dat",
                     test::read_file(fs::path(TRAINBRIDGE_SOURCE_DIR) / "examples/case/input/VehicleOrganization.dat"));
    edit_input(r, "VehicleOrganization.dat", "  0.0 0.0  0.0 0.0  0.0 0.0  0.0 0.0",
               "  0.0 0.0  2000.0 0.0  0.0 0.0  0.0 0.0");
    for (const std::string& name : all_result_files()) test::write_file(r.input / name, std::string(2 << 20, '\x7f'));
    ChildRun child(r.t.dir.path(), false);
    ASSERT_TRUE(child.wait_for(" Run Time=  0.020000/")) << child.output;
    child.send(c.signal);
    const int status = child.finish();
    ASSERT_TRUE(WIFEXITED(status)) << child.output;
    EXPECT_EQ(WEXITSTATUS(status), 128 + c.signal);
    const std::regex stop_line(std::string("\n Stopped by ") + c.name +
                               R"(: speed stage 1, simulated time ([0-9.]+) s of ([0-9.]+) s; the result files hold )"
                               R"(the records written up to there\.\n)");
    std::smatch m;
    ASSERT_TRUE(std::regex_search(child.output, m, stop_line)) << child.output.substr(child.output.size() - 2000);
    const double reached = std::stod(m[1]);
    EXPECT_GE(reached, 0.02);
    EXPECT_LT(reached, std::stod(m[2]));
    EXPECT_EQ(child.output.find("Terminated"), std::string::npos);
    // The last progress line is that of the step the run finished.
    EXPECT_NE(child.output.find(" Run Time=" + format_fixed(std::stof(m[1]), 10, 6) + "/"), std::string::npos);
    EXPECT_EQ(child.output.find(" Run Time=" + format_fixed(std::stof(m[1]) + 2.0E-4f, 10, 6) + "/"),
              std::string::npos);
    const std::vector<float> records = expect_files_read_to_their_end(r);
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0], std::floor(static_cast<float>(reached / 2.0E-3 + 1.0E-6)));
  }
}

TEST(ExampleCase, ASecondStopSignalEndsTheRunAtOnce) {
  // The explicit scheme at dt = 5 ms waits at the blow-up warning for a line
  // of its standard input, which stays silent. The first stop signal is
  // noted; the second ends the process by its default action.
  ExampleRun r(method::explicit_two_step);
  edit_input(r, "SolutionParameters.dat", "0.0002", "0.005 ");
  ChildRun child(r.t.dir.path(), true);
  ASSERT_TRUE(child.wait_for("Warning:System response blow out!\n" + test::pause_text())) << child.output;
  child.send(SIGINT);
  child.send(SIGTERM);
  const int status = child.finish();
  ASSERT_TRUE(WIFSIGNALED(status)) << child.output;
  EXPECT_TRUE(WTERMSIG(status) == SIGINT || WTERMSIG(status) == SIGTERM) << WTERMSIG(status);
}

}  // namespace
}  // namespace tb
