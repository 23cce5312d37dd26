#include "results/bridge_response_recovery.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>

#include "platform/texts.h"
#include "results/output_responses.h"
#include "results/result_series.h"
#include "results/result_writer.h"
#include "run/run_control.h"
#include "series_reader.h"
#include "test_support.h"

namespace tb {
namespace {

// Four bridge nodes, three modes from two substructures (two from
// "subs\a.txt", one from "subs\b.txt"), then the post-processing requests.
const std::string kMasterHead =
    "4 0 0 0 3 0\n"
    "10 0.0 0.0 0.0\n20 1.0 0.0 0.0\n30 2.0 0.0 0.0\n40 3.0 0.0 0.0\n"
    "2\n"
    "subs\na.txt\n2\n1.0 10.0 0.02 0.02\n"
    "subs\nb.txt\n1\n0.0 0.0 0.02 0.02\n"
    "any text before the requests\n";

// Nodes 10 and 30, then 30 again; elements 7 and 8 with three components,
// element 9 with six (cmax 6, M = 12).
const std::string kPost = "Post\n2\n10 30 20\n30 30 1\n2\n7 8 1 3\n9 9 1 6\n";

// Substructure 1: two header lines with "(N,m)" and a line between; a node
// that is not requested; the force records carry cmax = 6 values. The force
// table's header also names its units "(N,m)": the next file's search for its
// displacement table must not stop at it.
const std::string kFileA =
    "MODAL ANALYSIS\n"
    " Mode shapes (N,m)\n"
    " NODE MODE UX UY UZ RX RY RZ\n"
    " units (N,m)\n"
    "10 1 1 2 3 4 5 6\n"
    "30 1 0.5 0 0 0 0 0\n"
    "99 1 7 7 7 7 7 7\n"
    "10 2 2 0 0 0 0 1\n"
    "30 2 1 1 1 1 1 1\n"
    "end of the table\n"
    "\n"
    " Stress (N,m)\n"
    "7 1 1 2 3 9 9 9\n"
    "8 1 0 1 0 0 0 0\n"
    "7 2 1 0 0 0 0 0\n";

// Substructure 2: the line after the first "(N,m)" line is itself the second.
const std::string kFileB =
    " first (N,m)\n"
    " second (N,m)\n"
    "30 1 0 2 0 0 0 0\n"
    " Stress\n"
    "9 1 1 2 3 4 5 6\n";

// Modal values (q, q'', z) of the three modes at one output instant.
std::vector<float> instant(float scale) {
  return {1 * scale, 10 * scale, 0, 2 * scale, 0, 0, 3 * scale, 0, 1 * scale};
}

// A unit 36 of two stages, two instants and one, with the given channel count.
std::vector<float> modal_coordinates(float channels = 9.0f) {
  std::vector<float> v{2.0f};
  const std::vector<float> labels{1, 10, 1, 30, 1, 0, 2, 10, 2, 30, 2, 0, 3, 10, 3, 30, 3, 0};
  for (auto [records, scales] : {std::pair{2.0f, std::vector<float>{1, 2}}, std::pair{1.0f, std::vector<float>{1}}}) {
    v.insert(v.end(), {0.005f, records, channels});
    v.insert(v.end(), labels.begin(), labels.end());
    for (float s : scales) {
      const std::vector<float> r = instant(s);
      v.insert(v.end(), r.begin(), r.end());
    }
  }
  return v;
}

struct Recovery {
  test::TestContext t;
  explicit Recovery(const std::string& post = kPost, const std::string& a = kFileA, const std::string& b = kFileB,
                    const std::vector<float>& unit36 = modal_coordinates()) {
    test::write_file(t.dir / "Modal_Substructure_Bridge.dat", kMasterHead + post);
    test::write_file(t.dir / "subs/a.txt", a);
    if (!b.empty()) test::write_file(t.dir / "subs/b.txt", b);
    t->solution.second_header_switch = 1;
    open_result_files(*t);
    // Unit 36 as the integration leaves it, holding the given values.
    t->units.close(t->control.unit_res_modal_coordinates);
    test::write_floats(t.dir / "Res_Modal_Coordinate_Results_Bridge.bin", unit36);
    t->units.open(t->control.unit_res_modal_coordinates, "Res_Modal_Coordinate_Results_Bridge.bin", OpenMode::old,
                  UnitForm::binary);
  }
  // The requests at start-up, then the recovery after the integration.
  void run() {
    read_response_requests(*t);
    recover_bridge_responses(*t);
    t->units.close_all();
  }
  test::SeriesFile bulk(const char* name) { return test::decode_series(t.dir / name); }
};

std::vector<float> times(const std::vector<float>& v, float s) {
  std::vector<float> r = v;
  for (float& x : r) x *= s;
  return r;
}

std::vector<float> repeated(const std::vector<float>& v, int n) {
  std::vector<float> r;
  for (int i = 0; i < n; ++i) r.insert(r.end(), v.begin(), v.end());
  return r;
}

std::string progress(int j, std::string_view section, int i) {
  return format_records("(1X,A12,I5,A16,I5,A18)", {text::postprocessing_no, j, section, i, text::files_read_ok});
}

TEST(BridgeResponseRecovery, WritesTheSuperposedResponsesOfEveryRequestedNodeAndElement) {
  Recovery r;
  r.run();

  // At the instant of scale 1: u = 1 Phi1 + 2 Phi2 + 3 Phi3, a = 10 Phi1,
  // internal forces 1 Psi1 + 2 Psi2 + 3 Psi3, quasi-static ones 1 x mode 3.
  const std::vector<float> node30_disacc{2.5f, 5, 8, 0, 2, 0, 2, 0, 2, 0, 2, 0};
  std::vector<float> disacc{5, 10, 2, 20, 3, 30, 4, 40, 5, 50, 8, 60};
  disacc.insert(disacc.end(), node30_disacc.begin(), node30_disacc.end());
  disacc.insert(disacc.end(), node30_disacc.begin(), node30_disacc.end());  // requested twice
  const std::vector<float> stress{3, 2, 3, 0, 1, 0, 3, 6, 9, 12, 15, 18};   // 3 + 3 + 6 components
  const std::vector<float> dis_static{0, 0, 0, 0, 0, 0, 0, 2, 0, 0, 0, 0, 0, 2, 0, 0, 0, 0};
  const std::vector<float> stress_static{0, 0, 0, 0, 0, 0, 1, 2, 3, 4, 5, 6};

  struct Case {
    const char* name;
    float channels;
    std::vector<float> labels;
    std::vector<float> record;
  };
  const std::vector<Case> cases{
      {"Res_BridgeResponseBulkDate_disacc.bin", 36, repeated({10, 30, 30}, 24), disacc},
      {"Res_BridgeResponseBulkDate_stress.bin", 12, std::vector<float>(24, 12.0f), stress},
      {"Res_BridgeResponseBulkDate_dis_static.bin", 18, repeated({10, 30, 30}, 12), dis_static},
      {"Res_BridgeResponseBulkDate_stress_static.bin", 12, std::vector<float>(24, 12.0f), stress_static},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const test::SeriesFile f = r.bulk(c.name);
    ASSERT_FALSE(f.truncated);
    EXPECT_EQ(f.stage_count, 2.0f);
    ASSERT_EQ(f.blocks.size(), 2u);
    for (std::size_t s = 0; s < 2; ++s) {
      const test::SeriesBlock& b = f.blocks[s];
      EXPECT_EQ(b.interval, 0.005f);
      EXPECT_EQ(b.channel_count, c.channels);
      EXPECT_EQ(b.labels, c.labels);
      ASSERT_EQ(b.records.size(), s == 0 ? 2u : 1u);
      EXPECT_EQ(b.records[0], c.record);
      if (s == 0) {
        EXPECT_EQ(b.records[1], times(c.record, 2.0f));
      }
    }
  }

  // One progress line per mode and section of every file.
  EXPECT_EQ(r.t.console(), progress(1, text::displacement_modes_from, 1) +
                               progress(2, text::displacement_modes_from, 1) +
                               progress(1, text::internal_force_modes_from, 1) +
                               progress(2, text::internal_force_modes_from, 1) +
                               progress(1, text::displacement_modes_from, 2) +
                               progress(1, text::internal_force_modes_from, 2));
  EXPECT_EQ(r.t->bridge.modal_file_index, 3);
  EXPECT_EQ(r.t->bridge.modal_mode_offset, 3);
}

TEST(BridgeResponseRecovery, AModalCoordinateFileCutShortKeepsWhatWasComplete) {
  // Stage count 2.9 gives two stages; the second stage's instant is missing.
  std::vector<float> unit36 = modal_coordinates();
  unit36[0] = 2.9f;
  unit36.resize(unit36.size() - 9);
  Recovery r(kPost, kFileA, kFileB, unit36);
  r.run();
  const test::SeriesFile f = r.bulk("Res_BridgeResponseBulkDate_stress.bin");
  EXPECT_TRUE(f.truncated);
  EXPECT_EQ(f.stage_count, 2.9f);
  ASSERT_EQ(f.blocks.size(), 2u);
  EXPECT_EQ(f.blocks[0].records.size(), 2u);
  EXPECT_EQ(f.blocks[1].labels.size(), 24u);
  EXPECT_EQ(f.blocks[1].records.size(), 0u);
  EXPECT_EQ(f.values.size(), 1 + 2 * (3 + 24) + 2 * 12u);
}

const std::array<const char*, 4> kBulkFiles{
    "Res_BridgeResponseBulkDate_disacc.bin", "Res_BridgeResponseBulkDate_stress.bin",
    "Res_BridgeResponseBulkDate_dis_static.bin", "Res_BridgeResponseBulkDate_stress_static.bin"};

TEST(BridgeResponseRecovery, AModalCoordinateThatIsNotANumberEndsTheRecoveryAsABlowUp) {
  // The second instant of stage 1 holds NaN for mode 1 (a file of a run that
  // blew up), or a value whose superposition overflows single precision. No
  // bulk file takes that instant; once their counts are settled, as the end
  // of a stopped run does, each reads to its end: one stage of one record.
  for (float spoilt : {std::nanf(""), 3.0E38f}) {
    std::vector<float> unit36 = modal_coordinates();
    unit36[1 + 3 + 18 + 9] = spoilt;
    Recovery r(kPost, kFileA, kFileB, unit36);
    EXPECT_EQ(test::expect_stop([&] { r.run(); }), 1) << spoilt;
    const std::string console = r.t.console();
    const std::string warning = "\n Warning:System response blow out!\n" + test::pause_text();
    ASSERT_GE(console.size(), warning.size());
    EXPECT_EQ(console.substr(console.size() - warning.size()), warning) << spoilt;
    settle_series_counts(r.t->units, r.t->result_files);
    r.t->units.close_all();
    for (const char* name : kBulkFiles) {
      const test::SeriesFile f = r.bulk(name);
      EXPECT_FALSE(f.truncated) << name;
      EXPECT_EQ(f.stage_count, 1.0f) << name;
      ASSERT_EQ(f.blocks.size(), 1u) << spoilt << name;
      EXPECT_EQ(f.blocks[0].record_count, 1.0f) << name;
      EXPECT_EQ(f.blocks[0].records.size(), 1u) << spoilt << name;
    }
  }
}

TEST(BridgeResponseRecovery, MalformedRequestsStopAtStartUpBeforeAnyBulkValueIsWritten) {
  const std::string file = "Modal_Substructure_Bridge.dat";
  const std::string direction = ", must be nonzero and lead from the first number to the last";
  const std::size_t head_lines = static_cast<std::size_t>(std::count(kMasterHead.begin(), kMasterHead.end(), '\n'));
  const auto line = [&](std::size_t k) { return " line " + std::to_string(head_lines + k); };
  struct Case {
    const char* what;
    std::string post;
    std::string detail;
  };
  const std::vector<Case> cases{
      {"node range step 0", "Post\n1\n10 30 0\n0\n",
       file + " (Post section, node range 1): bad value step 0 from 10 to 30" + direction},
      {"node range running backwards", "Post\n1\n30 10 20\n0\n",
       file + " (Post section, node range 1): bad value step 20 from 30 to 10" + direction},
      {"node range running backwards with a negative step", "Post\n1\n10 30 -20\n0\n",
       file + " (Post section, node range 1): bad value step -20 from 10 to 30" + direction},
      {"node range count not a number", "Post\nx\n",
       file + line(2) + " (Post section, node range count): bad value \"x\", not a number"},
      {"negative node range count", "Post\n-1\n0\n",
       file + " (Post section, node range count): bad value -1, must be 0 or more"},
      {"node ranges cut short by the end of the file", "Post\n2\n10 30 20\n",
       file + " (Post section, node range 2 of 2; count on line " + std::to_string(head_lines + 2) +
           "): the file ends after line " + std::to_string(head_lines + 3) + " before this record is complete"},
      {"element range count not a number", "Post\n1\n10 30 20\nnone\n",
       file + line(4) + " (Post section, element range count): bad value \"none\", not a number"},
      {"element range step 0", "Post\n0\n1\n7 8 0 3\n",
       file + " (Post section, element range 1): bad value step 0 from 7 to 8" + direction},
      {"negative component count", "Post\n0\n1\n7 8 1 -3\n",
       file + " (Post section, element range 1): bad value component count -3, must be 0 or more"},
      {"element range without its component count", "Post\n0\n1\n7 8 1\n",
       file + " (Post section, element range 1 of 1; count on line " + std::to_string(head_lines + 3) +
           "): the file ends after line " + std::to_string(head_lines + 4) + " before this record is complete"},
      {"a Post line and nothing after it", "Post\n\n",
       file + " (Post section, node range count): the file ends after line " + std::to_string(head_lines + 2) +
           " before this record is complete"},
      {"no element range count", "Post\n1\n10 30 20\n",
       file + " (Post section, element range count): the file ends after line " + std::to_string(head_lines + 3) +
           " before this record is complete"},
      // The element range count and the first range are taken as node
      // range 2; the element requests must not vanish in silence.
      {"a node range count one too large", "Post\n2\n10 30 20\n1\n7 8 1 3\n",
       file + " (Post section, element range count): the file ends after line " + std::to_string(head_lines + 5) +
           " before this record is complete"},
      // The records after "Stress" hold six values: a seventh would be read
      // from the next element's record.
      {"more force components than the modal file's records hold", "Post\n0\n1\n7 8 1 7\n",
       file + " (Post section, element ranges): bad value 7 force components of element 7, must be at most 6, the "
              "values that each record after \"Stress\" holds in subs/a.txt (line 13)"},
      // The first record's read runs to the end of the file, not into a
      // second record of the section: still the values of its line count.
      {"force components running past the end of the modal file", "Post\n0\n1\n9 9 1 1000000\n",
       file + " (Post section, element ranges): bad value 1000000 force components of element 9, must be at most 6, "
              "the values that each record after \"Stress\" holds in subs/a.txt (line 13)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    test::TestContext t;
    // Bulk files of an earlier run: opening them for this run empties them.
    for (const char* name : kBulkFiles) test::write_file(t.dir / name, std::string(400, '\x7f'));
    test::write_file(t.dir / "Modal_Substructure_Bridge.dat", kMasterHead + c.post);
    test::write_file(t.dir / "subs/a.txt", kFileA);
    test::write_file(t.dir / "subs/b.txt", kFileB);
    t->solution.second_header_switch = 1;
    open_result_files(*t);
    EXPECT_EQ(test::expect_stop([&] { read_response_requests(*t); }), 1);
    EXPECT_EQ(t.console(), test::data_error_line("\\Modal_Substructure_Bridge.dat", c.detail));
    t->units.close_all();
    for (const char* name : kBulkFiles) EXPECT_EQ(std::filesystem::file_size(t.dir / name), 0u) << name;
  }
}

TEST(BridgeResponseRecovery, BlankLinesBeforeTheInternalForceRecordsAreNoShortRecord) {
  // The component check looks at the line of each record's first value.
  std::string spaced = kFileA;
  spaced.insert(spaced.find(" Stress (N,m)\n") + 14, "\n   \n");
  Recovery plain;
  plain.run();
  Recovery r(kPost, spaced);
  r.run();
  EXPECT_EQ(test::read_file(r.t.dir / "Res_BridgeResponseBulkDate_stress.bin"),
            test::read_file(plain.t.dir / "Res_BridgeResponseBulkDate_stress.bin"));
}

TEST(BridgeResponseRecovery, AMasterFileWithoutThePostLineRequestsNothing) {
  // One console line says why no response is recovered; a line that holds
  // the marker in another letter case is named, as the likely slip.
  const std::string why =
      "Modal_Substructure_Bridge.dat has no line holding \"Post\" after its substructure list";
  const std::size_t head_lines = static_cast<std::size_t>(std::count(kMasterHead.begin(), kMasterHead.end(), '\n'));
  const struct {
    const char* post;
    std::string console;
  } cases[] = {
      {"Pots\n2\n10 30 20\n30 30 1\n0\n",
       " No bridge responses recovered: " + why + ", so it requests no node or element.\n"},
      {"", " No bridge responses recovered: " + why + ", so it requests no node or element.\n"},
      {"\n POST-PROCESSING\n post\n2\n10 30 20\n30 30 1\n0\n",
       " Warning: no bridge responses recovered: " + why + "; line " + std::to_string(head_lines + 2) +
           " holds \"POST\", but \"Post\" is matched with its letter case.\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.post);
    Recovery r(c.post);
    r.run();
    for (const char* name : kBulkFiles) {
      const test::SeriesFile f = r.bulk(name);
      ASSERT_EQ(f.blocks.size(), 2u) << name;
      EXPECT_EQ(f.blocks[0].channel_count, 0.0f) << name;
      ASSERT_EQ(f.blocks[0].records.size(), 2u) << name;
    }
    EXPECT_EQ(r.t.console(), c.console);
  }
}

TEST(BridgeResponseRecovery, AForceRecordWhoseReadRunsIntoTextAfterTheSectionIsAShortRecord) {
  // 30 components take the values of three records and then meet the line
  // after the section: the request is refused as one that asks for more
  // values than a record holds, not taken as the end of the section.
  Recovery r("Post\n0\n1\n7 7 1 30\n", kFileA + " END OF THE STRESS TABLE\n");
  EXPECT_EQ(test::expect_stop([&] { read_response_requests(*r.t); }), 1);
  EXPECT_EQ(r.t.console(),
            test::data_error_line("\\Modal_Substructure_Bridge.dat",
                                  "Modal_Substructure_Bridge.dat (Post section, element ranges): bad value 30 force "
                                  "components of element 7, must be at most 6, the values that each record after "
                                  "\"Stress\" holds in subs/a.txt (line 13)"));
}

TEST(BridgeResponseRecovery, RequestsThatNoModalFileListsAreNamedOnceAtStartUpAndGetZeroResponses) {
  const std::string no_stress_b = kFileB.substr(0, kFileB.find(" Stress"));
  auto node_line = [](int n) {
    return " Warning: requested node " + std::to_string(n) + " is in no modal file; its responses are written as 0.\n";
  };
  auto element_line = [](int e) {
    return " Warning: requested element " + std::to_string(e) +
           " has internal forces in no modal file; its forces are written as 0.\n";
  };
  struct Case {
    const char* what;
    std::string post, a, b;
    std::string warnings;
    const char* file;     // the bulk file whose channels are checked
    std::size_t first;    // the unlisted request's channels in a record
    std::size_t count;
  };
  const std::vector<Case> cases{
      // Nodes 10 and 50: node 50's twelve channels follow node 10's.
      {"node", "Post\n1\n10 50 40\n0\n", kFileA, kFileB, node_line(50), "Res_BridgeResponseBulkDate_disacc.bin", 12,
       12},
      {"node requested twice", "Post\n2\n50 50 1\n50 50 1\n0\n", kFileA, kFileB, node_line(50),
       "Res_BridgeResponseBulkDate_dis_static.bin", 0, 12},
      {"element of a file without any internal-force section", kPost, kFileA, no_stress_b, element_line(9),
       "Res_BridgeResponseBulkDate_stress.bin", 6, 6},
      // The file ends on a displacement record: the search for the
      // internal-force section runs to the end, and stepping back from there
      // must not read that record again as the force shape of element 30.
      {"element matching a node of a file without internal-force section", "Post\n0\n1\n30 30 1 6\n",
       kFileA.substr(0, kFileA.find("end of the table")), kFileB, element_line(30),
       "Res_BridgeResponseBulkDate_stress.bin", 0, 6},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Recovery r(c.post, c.a, c.b);
    read_response_requests(*r.t);
    EXPECT_EQ(r.t.console(), c.warnings);  // at start-up, quietly otherwise
    r.t.clear_console();
    recover_bridge_responses(*r.t);
    r.t->units.close_all();
    EXPECT_EQ(r.t.console().find("Warning"), std::string::npos);
    const test::SeriesFile f = r.bulk(c.file);
    ASSERT_FALSE(f.truncated);
    ASSERT_EQ(f.blocks.size(), 2u);
    for (const test::SeriesBlock& b : f.blocks)
      for (const std::vector<float>& rec : b.records) {
        ASSERT_GE(rec.size(), c.first + c.count);
        EXPECT_EQ(std::vector<float>(rec.begin() + c.first, rec.begin() + c.first + c.count),
                  std::vector<float>(c.count, 0.0f));
        // The listed requests beside it still respond.
        if (rec.size() > c.count) {
          EXPECT_NE(std::count(rec.begin(), rec.end(), 0.0f), static_cast<std::ptrdiff_t>(rec.size()));
        }
      }
  }
}

TEST(BridgeResponseRecovery, InputErrorsOfTheModalFilesAndOfUnit36StopWithTheirFile) {
  const std::string modal_b = "In Modal_Substructure_Bridge.dat:subs\\b.txt";
  const std::string unit36 = "\\Res_Modal_Coordinate_Results_Bridge.bin";
  const std::string missing_b =
      "subs/b.txt (the modal file of substructure 2, named from the working directory): file not found";
  struct Case {
    const char* what;
    std::string post, a, b;
    std::vector<float> unit36;
    bool at_start_up;
    const std::string& label;
    std::string detail;
  };
  const std::vector<Case> cases{
      {"modal file missing, nothing requested", "Post\n0\n0\n", kFileA, "", modal_coordinates(), false, modal_b,
       missing_b},
      {"modal file missing, a node requested", "Post\n1\n10 10 1\n0\n", kFileA, "", modal_coordinates(), true, modal_b,
       missing_b},
      {"modal file without its displacement table", "Post\n1\n10 10 1\n0\n", kFileA, " Stress\n9 1 1 2 3 4 5 6\n",
       modal_coordinates(), true, modal_b,
       "subs/b.txt: the file ends after line 2 without the lines holding \"(N,m)\" before the displacement mode "
       "shapes"},
      {"a shape record with a value that is not a number", "Post\n1\n10 10 1\n0\n", kFileA,
       "(N,m)\n-\n(N,m)\n10 1 1 2 3 4 5 6\n10 2 1 2 3 4 5 6x\n", modal_coordinates(), true, modal_b,
       "subs/b.txt line 5 (displacement mode shapes): bad value \"6x\", not a number"},
      {"unit 36 of another model", kPost, kFileA, kFileB, modal_coordinates(6.0f), false, unit36,
       "Res_Modal_Coordinate_Results_Bridge.bin (stage 1 header): bad value channel count 6, must be 3 per bridge "
       "mode, 9 (the file of another model?)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Recovery r(c.post, c.a, c.b, c.unit36);
    bool requests_read = false;
    EXPECT_EQ(test::expect_stop([&] {
                read_response_requests(*r.t);
                requests_read = true;
                recover_bridge_responses(*r.t);
              }),
              1);
    EXPECT_EQ(requests_read, !c.at_start_up);
    const std::string out = r.t.console();
    EXPECT_NE(out.find(test::data_error_line(c.label, c.detail)), std::string::npos) << out;
  }
}

TEST(BridgeResponseRecovery, SubstructuresWithoutInternalForceShapesAreFineWhenNoElementIsAsked) {
  Recovery r("Post\n1\n10 30 20\n0\n", kFileA.substr(0, kFileA.find(" Stress")), kFileB);
  r.run();
  const test::SeriesFile f = r.bulk("Res_BridgeResponseBulkDate_stress.bin");
  ASSERT_EQ(f.blocks.size(), 2u);
  EXPECT_EQ(f.blocks[0].channel_count, 0.0f);
  EXPECT_EQ(r.bulk("Res_BridgeResponseBulkDate_disacc.bin").blocks[0].records[0][0], 5.0f);
}

// A run of the writer and the recovery over one stage, then a post-processing
// run in the same directory, whose recovery reads the first run's unit 36.
TEST(BridgeResponseRecovery, PostProcessingRunWritesTheSameBulkFilesAsTheRun) {
  test::TempDir dir;
  const std::array<const char*, 4>& bulk = kBulkFiles;
  // An earlier, longer result in every bulk file.
  for (const char* name : bulk) test::write_file(dir / name, std::string(4000, '\x7f'));
  std::array<std::string, 4> after_run;
  for (int run = 1; run <= 2; ++run) {
    test::TestContext t;
    t->units.working_dir = dir.path();
    test::write_file(dir / "Modal_Substructure_Bridge.dat", kMasterHead + kPost);
    test::write_file(dir / "subs/a.txt", kFileA);
    test::write_file(dir / "subs/b.txt", kFileB);
    t->solution.second_header_switch = 1;
    if (run == 1) {
      open_result_files(*t);
      // The bridge as prepared: three modes, one output point at node
      // position 1 (node 10), component 6; mode 1 alone moves, q1 = 0.25.
      RunContext& c = *t;
      c.solution.time_step = 0.001f;
      c.solution.output_interval = 1;
      c.trains.speed_stage_count = 1;
      BridgeModalModel& b = c.bridge;
      b.bridge_mode_count = 3;
      b.bridge_node_count = 4;
      b.mode_frequency.resize(3);
      b.mode_frequency.fill(1.0f);
      b.mode_shapes.resize(3, 4, 6);
      b.mode_shapes(1, 1, 6) = 6.0f;
      b.output_point_count = 1;
      b.output_points.resize(1, 2);
      b.output_points(1, 1) = 1, b.output_points(1, 2) = 6;
      b.output_point_response.resize(1, 3);
      c.solver.bridge_modal_state.resize(3, 3);
      c.solver.bridge_modal_force.resize(3);
      c.solver.quasi_static_modal_displacement.resize(3);
      c.solver.bridge_modal_state(1, 1) = 0.25;
      compute_output_responses(c);
      write_step_results(c, 1, 1.0f, 1);
      end_stage_results(c, 1, 1);
      EXPECT_EQ(b.output_point_response(1, 1), 1.5f);  // 0.25 x 6
      read_response_requests(*t);
    } else {
      // The post-processing run reads the requests, then opens the earlier
      // run's unit 36 for reading and cuts the bulk files.
      t->solution.integration_method = method::post_processing;
      read_response_requests(*t);
      open_post_processing_files(*t);
    }
    recover_bridge_responses(*t);
    t->units.close_all();
    for (std::size_t k = 0; k < 4; ++k) {
      const std::string bytes = test::read_file(dir / bulk[k]);
      if (run == 1)
        after_run[k] = bytes;
      else
        EXPECT_EQ(bytes, after_run[k]) << bulk[k];
    }
  }
  // The coordinate times the shape at the node, as the output point had it;
  // nothing of the earlier result is left.
  const test::SeriesFile f = test::decode_series(dir / bulk[0]);
  ASSERT_FALSE(f.truncated);
  ASSERT_EQ(f.blocks.size(), 1u);
  ASSERT_EQ(f.blocks[0].records.size(), 1u);
  EXPECT_EQ(f.blocks[0].records[0][10], 0.25f * 6.0f);  // node 10, component 6, displacement
  EXPECT_EQ(f.values.size(), 1 + 3 + 72 + 36u);
}

}  // namespace
}  // namespace tb
