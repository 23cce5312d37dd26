#include "run/run_control.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <string>

#include "interaction/contact_table_files.h"
#include "test_support.h"

namespace tb {
namespace {

ClockReading fixed_clock() { return {2026, 3, 7, 480, 9, 5, 3, 42}; }

// The smallest model that reads without error: a bridge master file without
// nodes, modes, substructures or requested responses, a stored irregularity
// profile of 32 zero samples, one straight track of 10 m, a vehicle library
// without types and a train organisation without fleets or trains (empty
// files stop the run).
void write_empty_model(const std::filesystem::path& dir) {
  test::write_file(dir / "Modal_Substructure_Bridge.dat", "0 0 0 0 0 0\n\n0\nPost\n0\n0\n");
  test::write_file(dir / "Modal_Substructure_Vehicletypes.dat", "0 0 0 0 0 0 0\n");
  test::write_file(dir / "VehicleOrganization.dat", "0 0\n0 1\n");
  std::string zeros;
  for (int i = 0; i < 32; ++i) zeros += "0 0 0\n";
  test::write_file(dir / "Irregularity.dat", "-\n0 1 0 1 100 16 1 0\n-\n0\n-\n1 1 1\n" + zeros);
  test::write_file(dir / "Rails_Location.dat", "1.0 2\n1\n2 1.5\n0 0 0 0 0 0 0\n10 0 0 0 0 10 0\n0\n");
}

// A working directory with the two contact tables, as every run needs.
struct ProgramRun {
  test::TestContext t;
  ProgramRun() {
    t->clock = fixed_clock;
    test::write_contact_tables(t.dir.path());
  }
  int run() { return run_program(*t); }
};

TEST(RunControl, NormalRunPrintsStartEndAndTotalLines) {
  ProgramRun r;
  test::write_file(r.t.dir / "QEL.PATH", "case   \n");
  test::write_file(r.t.dir / "case/SolutionParameters.dat", "1\n");
  write_empty_model(r.t.dir / "case");
  EXPECT_EQ(r.run(), 0);
  EXPECT_EQ(r.t.console(),
            "  Program Began at      2026. 3. 7   9: 5: 3 and  42ms\n"
            " Track irregularity: the stored profile of case/Irregularity.dat (source flag 0, 32 samples); set the "
            "flag to 1 to generate a new one.\n"
            " Optional input files not found, the run goes without them: "
            "case/NonlinearSpringParameters_Vehicletypes.dat, case/NonlinearSpringParameters_Bridge.dat, "
            "case/Wind_Coefficients.dat, case/ExternalForces.dat\n"
            " Speed stage 1 runs no time step: it has no train; its block in every result file holds no record.\n"
            "\n \xCB\xD9\xB6\xC8\xB5\xB5 1 \xA1\xAA\xA1\xAA\xC1\xD0\xB3\xB5\xB6\xAF\xC1\xA6\xC1\xA6\xB9\xFD"
            "\xC7\xC5\xBC\xC6\xCB\xE3\xBF\xAA\xCA\xBC\n"  // the banner of the one stage, which has no train
            "  Program Terminated at  2026. 3. 7   9: 5: 3 and  42ms\n"
            "\n"
            "  The Total Running Time is   0h 0m 0s   0ms\n");
  // The result files are in the input directory, and nothing lands beside
  // QEL.PATH; the optional input files that are not there are not created.
  for (const char* name : {"Res_DisResults_Bridge.bin", "Res_BridgeResponseBulkDate_stress_static.bin"})
    EXPECT_TRUE(std::filesystem::exists(r.t.dir / "case" / name)) << name;
  for (const char* name : {"ExternalForces.dat", "Wind_Coefficients.dat", "NonlinearSpringParameters_Bridge.dat",
                           "NonlinearSpringParameters_Vehicletypes.dat"})
    EXPECT_FALSE(std::filesystem::exists(r.t.dir / "case" / name)) << name;
  EXPECT_FALSE(std::filesystem::exists(r.t.dir / "ExternalForces.dat"));
  EXPECT_FALSE(std::filesystem::exists(r.t.dir / "case" / "WormCoeefficient.dat"));  // working directory only
}

TEST(RunControl, AMissingRequiredInputFileStopsAsNotFoundAndIsNotCreated) {
  // Each required file in turn is taken away: the run stops with its reader's
  // data-error line and a line saying the file is not found, and leaves no
  // empty file in its place.
  const struct {
    const char* name;
    const char* label;
    const char* detail;
  } cases[] = {
      {"SolutionParameters.dat", "\\SolutionParameters.dat", "case/SolutionParameters.dat: file not found"},
      {"Irregularity.dat", "\\Irregularity.dat", "case/Irregularity.dat: file not found"},
      {"Modal_Substructure_Vehicletypes.dat", "\\Modal_Substructure_Vehicletypes.dat",
       "case/Modal_Substructure_Vehicletypes.dat: file not found"},
      {"Modal_Substructure_Bridge.dat", "\\Modal_Substructure_Bridge.dat",
       "case/Modal_Substructure_Bridge.dat: file not found"},
      {"Rails_Location.dat", "\\Rails_Location.dat", "case/Rails_Location.dat: file not found"},
      {"VehicleOrganization.dat", "\\VehicleOrganization.dat", "case/VehicleOrganization.dat: file not found"},
      {"../WormCoeefficient.dat", "WormCoeefficient.DAT", "WormCoeefficient.dat: file not found"},
      {"../Geometry.dat", "Geometry.dat", "Geometry.dat: file not found"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ProgramRun r;
    test::write_file(r.t.dir / "QEL.PATH", "case\n");
    test::write_file(r.t.dir / "case/SolutionParameters.dat", "1\n");
    write_empty_model(r.t.dir / "case");
    const std::filesystem::path missing = r.t.dir / "case" / c.name;
    std::filesystem::remove(missing);
    EXPECT_EQ(r.run(), 1);
    const std::string out = r.t.console();
    const std::string stop = test::data_error_line(c.label, c.detail);
    ASSERT_GE(out.size(), stop.size());
    EXPECT_EQ(out.substr(out.size() - stop.size()), stop);
    EXPECT_FALSE(std::filesystem::exists(missing));
  }
}

TEST(RunControl, AnInputDirectoryThatDoesNotExistStopsBeforeAnythingIsCreated) {
  ProgramRun r;
  test::write_file(r.t.dir / "QEL.PATH", "cas\\input  \n");
  write_empty_model(r.t.dir / "case");
  EXPECT_EQ(r.run(), 1);
  EXPECT_EQ(r.t.console(), test::data_error_line("QEL.PATH",
                                                 "QEL.PATH (the input directory on line 1): bad value \"cas\\input\": "
                                                 "no such directory"));
  EXPECT_FALSE(std::filesystem::exists(r.t.dir / "cas"));
}

TEST(RunControl, EmptyPathRecordIsTheWorkingDirectory) {
  ProgramRun r;
  test::write_file(r.t.dir / "QEL.PATH", "\n");
  test::write_file(r.t.dir / "SolutionParameters.dat", "1\n");
  write_empty_model(r.t.dir.path());
  EXPECT_EQ(r.run(), 0);
  EXPECT_TRUE(std::filesystem::exists(r.t.dir / "VehicleOrganization.dat"));
}

TEST(RunControl, MissingOrEmptyPathFileStopsBeforeAnythingIsCreated) {
  for (bool exists : {false, true}) {
    ProgramRun r;
    if (exists) test::write_file(r.t.dir / "QEL.PATH", "");
    EXPECT_EQ(r.run(), 1);
    EXPECT_EQ(r.t.console(),
              test::data_error_line("QEL.PATH", exists ? "QEL.PATH: the file is empty" : "QEL.PATH: file not found"));
    std::size_t files = 0;
    for (auto& e : std::filesystem::directory_iterator(r.t.dir.path())) (void)e, ++files;
    EXPECT_EQ(files, (exists ? 1u : 0u) + 2u);  // and the two contact tables
  }
}

TEST(RunControl, OutputIntervalZeroStopsWithTheDataErrorAfterTheStartLine) {
  ProgramRun r;
  test::write_file(r.t.dir / "QEL.PATH", ".\n");
  test::write_file(r.t.dir / "SolutionParameters.dat", "1\n1e-4\n0\n");
  EXPECT_EQ(r.run(), 1);
  const std::string out = r.t.console();
  EXPECT_EQ(out.rfind("  Program Began at", 0), 0u);
  EXPECT_NE(out.find("\\SolutionParameters.dat \xCA\xFD"), std::string::npos);
  EXPECT_EQ(out.find("Terminated"), std::string::npos);
}

TEST(RunControl, PostProcessingEndsWithoutTheEndLines) {
  ProgramRun r;
  test::write_file(r.t.dir / "QEL.PATH", ".\n");
  test::write_file(r.t.dir / "SolutionParameters.dat", "-1\n");
  write_empty_model(r.t.dir.path());
  // The modal coordinates of an earlier run: a run header of no stages.
  test::write_file(r.t.dir / "Res_Modal_Coordinate_Results_Bridge.bin", std::string(4, '\0'));
  EXPECT_EQ(r.run(), 0);
  const std::string out = r.t.console();
  EXPECT_NE(out.find("Program Began"), std::string::npos);
  EXPECT_EQ(out.find("Terminated"), std::string::npos);
  // Post-processing reads none of the optional files, and says nothing of them.
  EXPECT_EQ(out.find("Optional input files"), std::string::npos);
}

TEST(RunControl, PostProcessingWithoutTheModalCoordinatesOfAnEarlierRunStopsAndTouchesNoResultFile) {
  // A missing file is not created; an empty one holds no run header. Either
  // way the earlier run's bulk files stay as they were.
  const char* bulk = "Res_BridgeResponseBulkDate_disacc.bin";
  for (bool exists : {false, true}) {
    SCOPED_TRACE(exists ? "empty" : "missing");
    ProgramRun r;
    test::write_file(r.t.dir / "QEL.PATH", ".\n");
    test::write_file(r.t.dir / "SolutionParameters.dat", "-1\n");
    write_empty_model(r.t.dir.path());
    test::write_file(r.t.dir / bulk, "bytes of an earlier run");
    if (exists) test::write_file(r.t.dir / "Res_Modal_Coordinate_Results_Bridge.bin", "");
    EXPECT_EQ(r.run(), 1);
    const std::string stop = test::data_error_line(
        "\\Res_Modal_Coordinate_Results_Bridge.bin",
        std::string("./Res_Modal_Coordinate_Results_Bridge.bin (the modal coordinates of an earlier run, which a "
                    "post-processing run reads): ") +
            (exists ? "the file ends before this record" : "file not found"));
    const std::string out = r.t.console();
    ASSERT_GE(out.size(), stop.size());
    EXPECT_EQ(out.substr(out.size() - stop.size()), stop);
    EXPECT_EQ(std::filesystem::exists(r.t.dir / "Res_Modal_Coordinate_Results_Bridge.bin"), exists);
    EXPECT_EQ(test::read_file(r.t.dir / bulk), "bytes of an earlier run");
    EXPECT_FALSE(std::filesystem::exists(r.t.dir / "Res_DisResults_Bridge.bin"));
  }
}

// Input files that a run writes back: a "SolutionParameters.dat" with the
// user's own comments, and an "Irregularity.dat" that asks for a generated
// profile of 128 samples.
const std::string kUserSolutionParameters = "1     Newmark, as agreed with the client\n2e-4  dt for 160 km/h\n";
const std::string kIrregularityRequest = "-\n1 7 2718 1.0 80.0 16.0 0.25 0.0\n-\n0\n-\n1 1 1\n";

struct RewriteRun : ProgramRun {
  std::filesystem::path dir = t.dir.path();
  explicit RewriteRun(const std::string& method_line = {}) {
    test::write_file(dir / "QEL.PATH", ".\n");
    write_empty_model(dir);
    test::write_file(dir / "SolutionParameters.dat", method_line + kUserSolutionParameters);
    test::write_file(dir / "Irregularity.dat", kIrregularityRequest);
  }
  std::string solution_parameters() { return test::read_file(dir / "SolutionParameters.dat"); }
  std::string irregularity() { return test::read_file(dir / "Irregularity.dat"); }
};

TEST(RunControl, ARunRefusedAtStartUpLeavesTheInputFilesItRewritesAsTheyWere) {
  const struct {
    const char* what;
    std::function<void(RewriteRun&)> refuse;
    int status;
    const char* stop;  // the line that says why the run stops
  } cases[] = {
      {"a bad value in a later file",
       [](RewriteRun& r) {
         test::write_file(r.dir / "Rails_Location.dat", "1.0 2\n1\n2 1.5\n0 0 0 0 0 0 0\n10 0 0 0 0 1O 0\n0\n");
       },
       1, " ./Rails_Location.dat line 5"},
      {"a later file missing", [](RewriteRun& r) { std::filesystem::remove(r.dir / "VehicleOrganization.dat"); }, 1,
       " ./VehicleOrganization.dat: file not found"},
      {"a stop signal during the start-up",
       [](RewriteRun& r) {
         // The signal arrives as the start line is printed: the run stops in
         // the generation of the profile, at its first step.
         r.t->console.set_time_source([raised = false]() mutable {
           if (!raised) std::raise(SIGINT);
           raised = true;
           return 0.0;
         });
       },
       130,
       " Stopped by SIGINT: track irregularity, generating 128 samples, the phases drawn, before the result files "
       "were opened; they are as they were."},
      {"a post-processing run without an earlier run's modal coordinates",
       [](RewriteRun& r) { test::write_file(r.dir / "SolutionParameters.dat", "-1 " + kUserSolutionParameters); },
       1, " ./Res_Modal_Coordinate_Results_Bridge.bin (the modal coordinates of an earlier run"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    RewriteRun r;
    c.refuse(r);
    const std::string solution_parameters = r.solution_parameters();
    EXPECT_EQ(r.run(), c.status);
    EXPECT_NE(r.t.console().find(std::string("\n") + c.stop), std::string::npos) << r.t.console();
    EXPECT_EQ(r.solution_parameters(), solution_parameters);
    EXPECT_EQ(r.irregularity(), kIrregularityRequest);
    EXPECT_FALSE(std::filesystem::exists(r.dir / "Res_DisResults_Bridge.bin"));
    EXPECT_FALSE(std::filesystem::exists(r.dir / "Res_BridgeResponseBulkDate_disacc.bin"));
  }
}

TEST(RunControl, ARunThatStartsRewritesItsInputFilesWhereItOpensItsResultFiles) {
  // A run of the step-by-step schemes, and a post-processing run (of an
  // earlier run of no stages): each completes "SolutionParameters.dat" with
  // the program's comments and stores the generated profile with source
  // flag 0, so that the next run reads the same one.
  for (const char* method : {"", "-1 "}) {
    SCOPED_TRACE(method);
    RewriteRun r;
    test::write_file(r.dir / "SolutionParameters.dat", std::string(method) + kUserSolutionParameters);
    test::write_file(r.dir / "Res_Modal_Coordinate_Results_Bridge.bin", std::string(4, '\0'));
    EXPECT_EQ(r.run(), 0);
    const std::string sp = r.solution_parameters();
    EXPECT_EQ(sp.substr(0, 5), *method ? "   -1" : "    1");
    EXPECT_NE(sp.find("    0.200000E-03" + std::string(54, ' ') + "!Time step for integration\n"), std::string::npos);
    EXPECT_EQ(sp.find("client"), std::string::npos);
    EXPECT_EQ(std::count(sp.begin(), sp.end(), '\n'), 6);
    const std::string irr = r.irregularity();
    EXPECT_EQ(std::count(irr.begin(), irr.end(), '\n'), 7 + 128);
    EXPECT_EQ(irr.substr(irr.find('\n') + 1, 13), "            0");  // the source flag: stored
  }
}

TEST(RunControl, TheProgramExitsWithStatusOneOnAnErrorStop) {
  test::TempDir dir;
  const std::string cmd = "cd '" + dir.path().string() + "' && '" TRAINBRIDGE_BINARY "' </dev/null >out.txt";
  const int rc = std::system(cmd.c_str());
  ASSERT_TRUE(WIFEXITED(rc));
  EXPECT_EQ(WEXITSTATUS(rc), 1);
  test::write_contact_tables(dir.path());
  test::write_file(dir / "QEL.PATH", ".\n");
  test::write_file(dir / "SolutionParameters.dat", "1\n");
  write_empty_model(dir.path());
  const int rc2 = std::system(cmd.c_str());
  ASSERT_TRUE(WIFEXITED(rc2));
  EXPECT_EQ(WEXITSTATUS(rc2), 0);
  EXPECT_NE(test::read_file(dir / "out.txt").find("The Total Running Time"), std::string::npos);
}

ClockReading clock_at(int h, int m, int s, int ms) { return {2026, 12, 10, 60, h, m, s, ms}; }

TEST(ComputeElapsedTime, BorrowsAndMidnight) {
  EXPECT_EQ(compute_elapsed_time(clock_at(23, 59, 59, 900), clock_at(0, 0, 0, 100)),
            (std::array<std::int32_t, 4>{0, 0, 0, 200}));
  EXPECT_EQ(compute_elapsed_time(clock_at(10, 30, 0, 0), clock_at(11, 30, 0, 0)),
            (std::array<std::int32_t, 4>{1, 0, 0, 0}));  // 25 hours shows as 1 h too
  EXPECT_EQ(compute_elapsed_time(clock_at(10, 59, 58, 999), clock_at(12, 0, 0, 0)),
            (std::array<std::int32_t, 4>{1, 0, 1, 1}));
}

TEST(RunControl, TwoPiIsTheFloatOfTheDecimal6283185) {
  EXPECT_EQ(std::bit_cast<std::uint32_t>(RunControl{}.two_pi), 0x40C90FDAu);
}

}  // namespace
}  // namespace tb
