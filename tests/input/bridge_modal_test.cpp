#include "input/bridge_modal.h"

#include <gtest/gtest.h>

#include <cmath>
#include <optional>
#include <vector>

#include "platform/list_read.h"
#include "platform/texts.h"
#include "test_support.h"

namespace tb {
namespace {

// A bridge of five nodes (two per line in places) with three interface nodes,
// two spring elements, two output points and seven modes: substructure 1
// gives four, substructure 2 two, and mode 7 belongs to none. Three excluded
// ranges, the second and third on the line after the header.
const std::string kMaster =
    "5 3 2 2 7 3 2 2\n"
    "  9 6  -3 0\n"
    "101 0.0 0.0 0.0   102 10.0 0.0 2.0\n"
    "103 20.0 1.0 5.0\n"
    "104 30.0 -1.5 0.5   105 40.0 0.0 0.0\n"
    "105 101 103\n"
    "101 105 0 7\n"
    "102 104 103 8\n"
    "103 2\n"
    "105 6\n"
    "2\n"
    "\n"
    "modal\\sub\n"
    "   \n"
    "a.txt\n"
    "4\n"
    "2.0 2.0 0.03 0.05\n"
    "modal\\sub\n"
    "b.txt\n"
    "2\n"
    "1.0 10.0 0.02 0.02\n"
    "Post\n"
    "0\n"
    "0\n";

// Modes listed out of order in the frequency table; mode 3 has no shapes;
// node 999 is not a bridge node; the file ends after the last mode.
const std::string kModalA =
    " MODAL ANALYSIS\n"
    " MODE  EIGENVALUE  FREQUENCY (cycle/sec)\n"
    "    1   88.8    1.5\n"
    "    3   1234.0  5.6\n"
    "    2   355.3   3.0\n"
    "    4   1.0     20.0\n"
    " PARTICIPATION\n"
    " DISPLACEMENT MODE SHAPES (N,m)\n"
    " ------------------------------\n"
    " NODE MODE UX UY UZ RX RY RZ  (N,m)\n"
    " 101 1  0.1 0.2 0.3 0.4 0.5 0.6\n"
    " 102 1  1.1 1.2 1.3 1.4 1.5 1.6\n"
    " 999 1  9 9 9 9 9 9\n"
    " 103 1  1 2 3 4 5 6\n"
    " 102 2  2.1 2.2 2.3 2.4 2.5 2.6\n"
    " 101 4  4.1 4.2 4.3 4.4 4.5 4.6\n"
    " 105 4  -4.1 -4.2 -4.3 -4.4 -4.5 -4.6\n";

// The line after the first "(N,m)" line is itself the second; the file holds
// one mode more than it is asked for.
const std::string kModalB =
    " FREQUENCIES (cycle/sec)\n"
    "  1  0.0  2.0\n"
    "  2  0.0  4.0\n"
    " DISPLACEMENTS (N,m)\n"
    " NODE MODE (N,m)\n"
    " 104 1 0.5 0 0 0 0 0.01\n"
    " 105 1 0.6 0 0 0 0 0.02\n"
    " 103 2 0 1 0 0 0 0\n"
    " 103 3 7 7 7 7 7 7\n";

struct BridgeCase {
  test::TestContext t;
  explicit BridgeCase(std::optional<std::string> master = kMaster, const std::string& a = kModalA,
                      const std::string& b = kModalB) {
    t->control.input_path = "case";
    t->solution.second_header_switch = 1;
    t->solution.Coordination_sys_bridge = 1;
    if (master) test::write_file(t.dir / "case/Modal_Substructure_Bridge.dat", *master);
    test::write_file(t.dir / "modal/sub/a.txt", a);
    test::write_file(t.dir / "modal/sub/b.txt", b);
  }
  BridgeModalModel& bridge() { return t->bridge; }
  int stop_of(void (*routine)(RunContext&)) {
    return test::expect_stop([&] { routine(*t); });
  }
};

std::string error_line(std::string_view label, std::string_view detail) { return test::data_error_line(label, detail); }

std::string progress_line(int mode, int file) {
  return "   " + std::string(text::preprocessing_no) + format_integer(mode, 5) + "  " +
         std::string(text::displacement_modes_from) + format_integer(file, 5) + "   " +
         std::string(text::files_read_ok) + "\n";
}

template <class T, int R>
std::vector<T> values(const Array<T, R>& a) {
  return {a.data(), a.data() + a.size()};
}

TEST(BridgeModal, FixtureBridgeIsReadAndPrepared) {
  BridgeCase c;
  prepare_bridge_modal_data(*c.t);
  map_bridge_interface_nodes(*c.t);
  map_bridge_output_nodes(*c.t);
  map_bridge_spring_nodes(*c.t);
  const BridgeModalModel& b = c.bridge();

  EXPECT_EQ(b.bridge_node_count, 5);
  EXPECT_EQ(b.bridge_mode_count, 7);
  EXPECT_EQ(values(b.node_numbers), (std::vector<std::int32_t>{101, 102, 103, 104, 105}));
  // z-upward input: (y, z) := (z, -y).
  EXPECT_EQ(values(b.node_coordinates), (std::vector<float>{0, 10, 20, 30, 40,  //
                                                            0, 2, 5, 0.5f, 0,   //
                                                            0, 0, -1, 1.5f, 0}));
  EXPECT_EQ(values(b.interface_nodes), (std::vector<std::int32_t>{5, 1, 3}));
  EXPECT_EQ(values(b.spring_elements), (std::vector<std::int32_t>{1, 2, 5, 4, 0, 3, 7, 8}));
  EXPECT_EQ(values(b.output_points), (std::vector<std::int32_t>{3, 5, 2, 6}));

  // The second value of a frequency record is overwritten by the third; the
  // second file's modes follow the first's; mode 7 has none.
  EXPECT_EQ(values(b.mode_frequency), (std::vector<float>{1.5f, 3.0f, 5.6f, 20.0f, 2.0f, 4.0f, 0.0f}));

  // Shapes, components converted like the axes; modes 2 and 6 excluded
  // (pairs (2, 2) and (9, 6) -> (6, 7)), mode 3 has no record, node 999 and
  // the second file's third mode are not read.
  Array3<float> shapes(7, 5, 6);
  auto set = [&](int mode, int node, std::vector<float> v) {
    for (int k = 1; k <= 6; ++k) shapes(mode, node, k) = v[k - 1];
  };
  set(1, 1, {0.1f, 0.3f, -0.2f, 0.4f, 0.6f, -0.5f});
  set(1, 2, {1.1f, 1.3f, -1.2f, 1.4f, 1.6f, -1.5f});
  set(1, 3, {1, 3, -2, 4, 6, -5});
  set(4, 1, {4.1f, 4.3f, -4.2f, 4.4f, 4.6f, -4.5f});
  set(4, 5, {-4.1f, -4.3f, 4.2f, -4.4f, -4.6f, 4.5f});
  set(5, 4, {0.5f, 0, 0, 0, 0.01f, 0});
  set(5, 5, {0.6f, 0, 0, 0, 0.02f, 0});
  EXPECT_EQ(values(b.mode_shapes), values(shapes));

  // Excluded pairs stored ordered and clamped: (-3, 0) becomes (1, 0).
  EXPECT_EQ(b.excluded_range_count, 3);
  EXPECT_EQ(std::vector<std::int32_t>(b.excluded_mode_ranges.data(), b.excluded_mode_ranges.data() + 6),
            (std::vector<std::int32_t>{2, 2, 6, 7, 1, 0}));

  // Damping: substructure 1 constant (F2 - 1e-6 <= F1), substructure 2
  // Rayleigh through 0.02 at 1 and 10 Hz for its modes and the mode after
  // them, which without a frequency gets 0.
  for (int j = 1; j <= 4; ++j) EXPECT_EQ(b.mode_damping_ratio(j), 0.03f) << j;
  const double w1 = 2 * M_PI * 1.0, w2 = 2 * M_PI * 10.0, xi = 0.02;
  auto rayleigh = [&](double f) {
    const double w = 2 * M_PI * f;
    return xi * (w1 * w2 / w + w) / (w1 + w2);
  };
  EXPECT_NEAR(b.mode_damping_ratio(5), rayleigh(2.0), 5e-9);
  EXPECT_NEAR(b.mode_damping_ratio(6), rayleigh(4.0), 5e-9);
  EXPECT_EQ(b.mode_damping_ratio(7), 0.0f);
  EXPECT_EQ(values(b.mode_damping_ratio_work), std::vector<float>(7, 0.0f));

  EXPECT_EQ(b.substructure_count, 2);
  EXPECT_EQ(b.substructure_dirs(1), "modal\\sub");
  EXPECT_EQ(b.substructure_files(2), "b.txt");
  EXPECT_EQ(values(b.substructure_mode_counts), (std::vector<std::int32_t>{4, 2}));
  EXPECT_EQ(b.modal_mode_offset, 6);
  EXPECT_EQ(b.modal_file_index, 3);
  EXPECT_EQ(b.output_point_response.extent(1), 2);
  EXPECT_EQ(b.interface_point_modes.extent(2), 7);
  EXPECT_FALSE(c.t->units.is_open(c.t->control.unit_bridge_master));
  EXPECT_FALSE(c.t->units.is_open(c.t->control.unit_modal_file));

  // One progress line per mode of every file, mode 3 of file 1 included;
  // then the count of the modes without a frequency (mode 7).
  EXPECT_EQ(c.t.console(), progress_line(1, 1) + progress_line(2, 1) + progress_line(3, 1) +
                               progress_line(4, 1) + progress_line(1, 2) + progress_line(2, 2) +
                               " Warning: bridge modes without a frequency: 1 of 7; their quasi-static modal "
                               "displacement is written as 0.\n");
}

TEST(BridgeModal, OnlyAxisConventionOneConverts) {
  for (std::int32_t convention : {0, 2}) {
    BridgeCase c;
    c.t->solution.Coordination_sys_bridge = convention;
    prepare_bridge_modal_data(*c.t);
    const BridgeModalModel& b = c.bridge();
    EXPECT_EQ(b.node_coordinates(3, 2), 1.0f);
    EXPECT_EQ(b.node_coordinates(3, 3), 5.0f);
    for (int k = 1; k <= 6; ++k) EXPECT_EQ(b.mode_shapes(1, 3, k), static_cast<float>(k));
  }
}

TEST(BridgeModal, SecondMasterReadGivesTheRawModelAgain) {
  // The first read, on a unit that an earlier reader has moved on.
  BridgeCase first;
  first.t->units.open(4, "case/Modal_Substructure_Bridge.dat", OpenMode::unknown, UnitForm::text);
  read_list(first.t->units, 4, {});
  read_list(first.t->units, 4, {});
  read_bridge_modal_master(*first.t);

  // The start-up reading, the maps, then the second read of the recovery.
  BridgeCase c;
  prepare_bridge_modal_data(*c.t);
  map_bridge_interface_nodes(*c.t);
  map_bridge_output_nodes(*c.t);
  map_bridge_spring_nodes(*c.t);
  BridgeModalModel& b = c.bridge();
  const float* shapes = b.mode_shapes.data();
  const std::int32_t* nodes = b.node_numbers.data();
  const float* modes = b.interface_point_modes.data();
  b.interface_point_modes(1, 1, 1) = 3.0f;  // as the track set-up leaves it
  b.output_point_response(1, 1) = 1.0f;     // as the output leaves it
  read_bridge_modal_master(*c.t);

  const BridgeModalModel& a = first.bridge();
  EXPECT_EQ(b.bridge_node_count, a.bridge_node_count);
  EXPECT_EQ(b.interface_node_count, a.interface_node_count);
  EXPECT_EQ(b.spring_element_count, a.spring_element_count);
  EXPECT_EQ(b.output_point_count, a.output_point_count);
  EXPECT_EQ(b.bridge_mode_count, a.bridge_mode_count);
  EXPECT_EQ(b.excluded_range_count, a.excluded_range_count);
  EXPECT_EQ(values(b.node_numbers), values(a.node_numbers));
  EXPECT_EQ(values(b.node_coordinates), values(a.node_coordinates));
  EXPECT_EQ(values(b.interface_nodes), values(a.interface_nodes));
  EXPECT_EQ(values(b.spring_elements), values(a.spring_elements));
  EXPECT_EQ(values(b.output_points), values(a.output_points));
  EXPECT_EQ(values(b.output_point_response), values(a.output_point_response));
  EXPECT_EQ(values(b.mode_frequency), values(a.mode_frequency));
  EXPECT_EQ(values(b.mode_damping_ratio), values(a.mode_damping_ratio));
  EXPECT_EQ(values(b.mode_damping_ratio_work), values(a.mode_damping_ratio_work));
  EXPECT_EQ(values(b.mode_shapes), values(a.mode_shapes));
  EXPECT_EQ(values(b.interface_point_key), values(a.interface_point_key));
  EXPECT_EQ(values(b.interface_point_modes), values(a.interface_point_modes));
  EXPECT_EQ(b.substructure_count, a.substructure_count);
  EXPECT_EQ(values(b.substructure_dirs), values(a.substructure_dirs));
  EXPECT_EQ(values(b.substructure_files), values(a.substructure_files));
  EXPECT_EQ(values(b.substructure_mode_counts), values(a.substructure_mode_counts));
  EXPECT_EQ(values(b.damping_frequency_1), values(a.damping_frequency_1));
  EXPECT_EQ(values(b.damping_frequency_2), values(a.damping_frequency_2));
  EXPECT_EQ(values(b.damping_ratio_1), values(a.damping_ratio_1));
  EXPECT_EQ(values(b.damping_ratio_2), values(a.damping_ratio_2));
  EXPECT_EQ(b.modal_file_index, a.modal_file_index);

  // Raw numbers, nothing prepared; the tables kept their storage.
  EXPECT_EQ(b.interface_nodes(1), 105);
  EXPECT_EQ(b.node_coordinates(3, 2), 1.0f);
  EXPECT_EQ(values(b.mode_shapes), std::vector<float>(7 * 5 * 6, 0.0f));
  EXPECT_EQ(b.mode_shapes.data(), shapes);
  EXPECT_EQ(b.node_numbers.data(), nodes);
  EXPECT_EQ(b.interface_point_modes.data(), modes);

  // Unit 4 stands at the record after the last damping values.
  std::string line;
  EXPECT_EQ(read_text_record(c.t->units, 4, line, 128), 0);
  EXPECT_EQ(line, "Post");
}

TEST(BridgeModal, MasterWithoutNodesPassesOverTheNodeRecord) {
  BridgeCase c("0 1 0 0 0 0\nthis record holds no nodes\n 7\n0\nPost\n");
  read_bridge_modal_master(*c.t);
  EXPECT_EQ(values(c.bridge().interface_nodes), std::vector<std::int32_t>{7});
  EXPECT_EQ(c.bridge().substructure_count, 0);
  EXPECT_EQ(c.t.console(), "");
}

TEST(BridgeModal, MasterFileErrors) {
  const std::string master = "\\Modal_Substructure_Bridge.dat";
  const std::string output = "\\Modal_Substructure_Bridge.dat:BridgeNodeOutput";
  const std::string file = "case/Modal_Substructure_Bridge.dat";
  const std::string too_many =
      " " + std::string(text::too_many_modes) + "\n" +
      error_line(master, file + " (substructure mode counts): bad value 35 modes in the substructures, must be at "
                                "most 34 (the header's mode count)");
  struct Case {
    const char* what;
    std::optional<std::string> file;
    std::string console;
  };
  const Case cases[] = {
      {"missing file", std::nullopt, error_line(master, file + ": file not found")},
      {"empty file", "", error_line(master, file + ": the file is empty")},
      {"ends before a file line", "0 0 0 0 3 0\n\n1\nmodal\n\n   \n",
       error_line(master, file + " (substructure 1 of 1, file line; count on line 3): the file ends after line 6 "
                                 "before this record is complete")},
      {"last damping record short", "0 0 0 0 3 0\n\n1\nd\nf\n3\n1.0 2.0 0.02\n",
       error_line(master, file + " (substructure 1 of 1, damping frequencies and ratios; count on line 3): the file "
                                 "ends after line 7 before this record is complete")},
      {"fewer substructures than announced", "0 0 0 0 3 0\n\n2\nd\nf\n3\n1 2 0.02 0.02\n",
       error_line(master, file + " (substructure 2 of 2, directory line; count on line 3): the file ends after line 7 "
                                 "before this record is complete")},
      {"a letter in the node table", "2 0 0 0 3 0\n1 0 0 0\n2 l 0 0\n0\n",
       error_line(master, file + " line 3 (node 2 of 2; count on line 1): bad value \"l\", not a number")},
      {"a real for a mode count", "0 0 0 0 3 0\n\n1\nd\nf\n3.\n0 0 0.02 0.02\n",
       error_line(master, file + " line 6 (substructure 1 of 1, mode count; count on line 3): bad value \"3.\", must "
                                 "be a whole number")},
      {"a null value for a mode count", "0 0 0 0 3 0\n\n1\nd\nf\n,\n0 0 0.02 0.02\n",
       error_line(master, file + " line 6 (substructure 1 of 1, mode count; count on line 3): bad value \",\", a null "
                                 "value where a value is needed")},
      {"more excluded ranges than the table", "0 0 0 0 3 101\n\n0\n",
       error_line(master, file + " (header: counts and excluded mode ranges): bad value excluded range count "
                                 "101, must be at most 100")},
      {"negative mode count", "0 0 0 0 -1 0\n\n0\n",
       error_line(master, file + " (header: counts and excluded mode ranges): bad value mode count -1, must be 0 "
                                 "or more")},
      {"negative spring element count", "0 0 -1 0 3 0\n\n0\n",
       error_line(master, file + " (header: counts and excluded mode ranges): bad value spring element count -1, "
                                 "must be 0 or more")},
      {"negative excluded range count", "0 0 0 0 3 -1\n\n0\n",
       error_line(master, file + " (header: counts and excluded mode ranges): bad value excluded range count -1, "
                                 "must be 0 or more")},
      {"a node count that the file cannot hold", "100000000 0 0 0 3 0\n1 0 0 0\n0\n",
       error_line(master, file + " (header: counts and excluded mode ranges): bad value node count 100000000, more "
                                 "records than the 5 values that the rest of the file holds")},

      {"negative substructure mode count", "0 0 0 0 3 0\n\n2\nd\nf\n-1\n0 0 0.02 0.02\nd\nf\n2\n0 0 0.02 0.02\n",
       error_line(master, file + " (substructure 1, mode count): bad value -1, must be 0 or more")},
      {"output direction code 7", "1 0 0 1 0 0\n5 0 0 0\n5 7\n0\n",
       error_line(output, file + " (output points): bad value direction 7 of output point 1, must be 1 to 6")},
      {"output direction code 0", "1 0 0 2 0 0\n5 0 0 0\n5 1 5 0\n0\n",
       error_line(output, file + " (output points): bad value direction 0 of output point 2, must be 1 to 6")},
      {"more modes than the bridge has", "0 0 0 0 34 0\n\n2\nd\nf\n20\n0 0 0.02 0.02\nd\nf\n15\n0 0 0.02 0.02\n",
       too_many},
  };
  for (const Case& k : cases) {
    BridgeCase c(k.file);
    EXPECT_EQ(c.stop_of(read_bridge_modal_master), 1) << k.what;
    EXPECT_EQ(c.t.console(), k.console) << k.what;
  }
  // Mode shapes of more nodes and modes than any machine holds stop before
  // anything is allocated, with the size they ask for.
  BridgeCase huge("1000 0 0 0 2000000000 0\n4000*0\n0\n");
  EXPECT_EQ(huge.stop_of(read_bridge_modal_master), 1);
  const std::string data_error = test::data_error_line(master);
  const std::string stop = data_error.substr(0, data_error.find('\n') + 1) + " " + file +
                           " (header: counts and excluded mode ranges): counts that ask for tables (48024.0 GB), "
                           "more than the ";
  EXPECT_EQ(huge.t.console().rfind(stop, 0), 0u) << huge.t.console();
  EXPECT_FALSE(huge.bridge().mode_shapes.allocated());
  // As many modes as the bridge has is accepted.
  BridgeCase ok("0 0 0 0 35 0\n\n2\nd\nf\n20\n0 0 0.02 0.02\nd\nf\n15\n0 0 0.02 0.02\n");
  read_bridge_modal_master(*ok.t);
  EXPECT_EQ(ok.bridge().substructure_count, 2);
}

TEST(BridgeModal, ModalFileErrors) {
  // One substructure of two modes in "modal\sub\a.txt".
  const std::string master = "1 0 0 0 2 0\n101 0 0 0\n1\nmodal\\sub\na.txt\n2\n0 0 0.02 0.02\n";
  const std::string label = "In Modal_Substructure_Bridge.dat:modal\\sub\\a.txt";
  const std::string head = "(cycle/sec)\n1 0 1.0\n2 0 2.0\n(N,m)\n-\n(N,m)\n";
  struct Case {
    const char* what;
    std::optional<std::string> file;
    std::string console;
  };
  const Case cases[] = {
      {"missing modal file", std::nullopt,
       error_line(label,
                  "modal/sub/a.txt (the modal file of substructure 1, named from the working directory): "
                  "file not found")},
      {"no frequency table", "(N,m)\n-\n(N,m)\n101 1 1 2 3 4 5 6\n",
       error_line(label,
                  "modal/sub/a.txt: the file ends after line 4 without a line holding \"(cycle/sec)\" "
                  "before the frequency table")},
      {"no second shape header", "(cycle/sec)\n1 0 1.0\n2 0 2.0\n(N,m)\n-\n101 1 1 2 3 4 5 6\n",
       error_line(label,
                  "modal/sub/a.txt: the file ends after line 6 without the lines holding \"(N,m)\" "
                  "before the displacement mode shapes")},
      {"frequency record of mode 3", "(cycle/sec)\n1 0 1.0\n3 0 2.0\n(N,m)\n-\n(N,m)\n",
       error_line(label, "modal/sub/a.txt (frequency table, record 2 of 2): bad value mode number 3, must be 1 to 2")},
      {"frequency record of mode 0", "(cycle/sec)\n0 0 1.0\n",
       error_line(label, "modal/sub/a.txt (frequency table, record 1 of 2): bad value mode number 0, must be 1 to 2")},
      {"a frequency that is not a number", "(cycle/sec)\n1 0 1.0\n2 0 2.O\n(N,m)\n-\n(N,m)\n",
       error_line(label, "modal/sub/a.txt line 3 (frequency table, record 2 of 2): bad value \"2.O\", not a number")},
      {"fewer frequency records than modes", "(cycle/sec)\n1 0 1.0\n(N,m)\n-\n(N,m)\n",
       error_line(label, "modal/sub/a.txt line 3 (frequency table, record 2 of 2): bad value \"(N\", not a number")},
      {"file ends before mode 2", head + "101 1 1 2 3 4 5 6\n",
       progress_line(1, 1) + error_line(label,
                                        "modal/sub/a.txt (displacement mode shapes, mode 2): the file ends "
                                        "after line 7 before this record is complete")},
      {"unreadable record before mode 2", head + "101 1 1 2 3 4 5 6\nend of table\n101 2 1 1 1 1 1 1\n",
       progress_line(1, 1) + error_line(label,
                                        "modal/sub/a.txt line 8 (displacement mode shapes, mode 2): bad "
                                        "value \"end\", not a number")},
      {"a shape value that is not a number in the last mode", head + "101 1 1 2 3 4 5 6\n101 2 1 1 1 1 l 1\n",
       error_line(label, "modal/sub/a.txt line 8 (displacement mode shapes): bad value \"l\", not a number")},
      // 0 is a rigid-body mode; below it the modal damping would change sign.
      {"a negative frequency", "(cycle/sec)\n1 0 0.0\n2 0 -2.0\n(N,m)\n-\n(N,m)\n",
       error_line(label,
                  "modal/sub/a.txt (frequency table, record 2 of 2): bad value frequency -2 Hz of mode 2, must be 0 "
                  "or more (0: a rigid-body mode)")},
  };
  for (const Case& k : cases) {
    BridgeCase c(master);
    if (k.file)
      test::write_file(c.t.dir / "modal/sub/a.txt", *k.file);
    else
      std::filesystem::remove(c.t.dir / "modal/sub/a.txt");
    EXPECT_EQ(c.stop_of(prepare_bridge_modal_data), 1) << k.what;
    EXPECT_EQ(c.t.console(), k.console) << k.what;
  }
}

TEST(BridgeModal, DampingRatiosThatTheModesGetAreRefusedBelow0AndWarnedOfFrom1) {
  // Substructure 1: modes of 1, 4 and 40 Hz; substructure 2: 2 Hz and a mode
  // without a frequency, which takes no damping and is not looked at, nor is
  // an excluded mode, which is never excited.
  const auto master = [](const std::string& d1, const std::string& d2, const std::string& excluded = "0") {
    return "1 0 0 0 5 " + excluded + "\n101 0 0 0\n2\nmodal\\sub\na.txt\n3\n" + d1 +
           "\nmodal\\sub\nb.txt\n2\n" + d2 + "\n";
  };
  const std::string a =
      "(cycle/sec)\n1 0 1.0\n2 0 4.0\n3 0 40.0\n(N,m)\n-\n(N,m)\n101 1 1 0 0 0 0 0\n101 2 0 1 0 0 0 0\n"
      "101 3 0 0 1 0 0 0\n";
  const std::string b = "(cycle/sec)\n1 0 2.0\n2 0 0.0\n(N,m)\n-\n(N,m)\n101 1 1 0 0 0 0 0\n101 2 0 1 0 0 0 0\n";
  const std::string warning = " Warning: case/Modal_Substructure_Bridge.dat, substructure ";
  const std::string critical =
      ", at or beyond critical damping (a ratio is a fraction of critical damping: 0.02 for 2 %).\n";
  const std::string file = "case/Modal_Substructure_Bridge.dat (substructure 1, damping frequencies and ratios): ";
  struct Case {
    const char* what;
    std::string d1, d2;
    std::vector<std::string> lines;  // the damping warnings, each as its start and its end
    std::string refused;             // the start of the line that names the value, or none
    std::string excluded = "0";      // the header's excluded ranges
  };
  const Case cases[] = {
      {"two per cent as a ratio of 2 and 3", "0 0 2 2", "0 0 3 3",
       {warning + "1: bridge modes 1 to 3 have the damping ratio 2", critical,
        warning + "2: bridge mode 4 has the damping ratio 3", critical},
       ""},
      {"pairs that are not increasing keep the constant ratio 0.02", "4 1 0.02 5", "2 2 0.02 5", {}, ""},
      {"a Rayleigh pair whose ratio passes 1 at 40 Hz", "1 4 0.5 0.5", "0 0 0.02 0.02",
       {warning + "1: bridge mode 3 has the damping ratio 4.0",
        " (Rayleigh damping through 1 Hz, 0.5 and 4 Hz, 0.5)" + critical},
       ""},
      {"the same pair with mode 3 excluded", "1 4 0.5 0.5", "0 0 0.02 0.02", {}, "", "1 3 3"},
      {"a negative constant ratio", "0 0 -0.02 0.02", "0 0 0.02 0.02", {},
       file + "bad value damping ratio -0.02, must be 0 or more"},
      {"a Rayleigh pair whose ratio falls below 0 at 40 Hz", "1 4 0.5 0.01", "0 0 0.02 0.02", {},
       file + "bad value bridge mode 3 (40 Hz) gets the damping ratio -"},
  };
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    BridgeCase c(master(k.d1, k.d2, k.excluded), a, b);
    if (!k.refused.empty()) {
      EXPECT_EQ(c.stop_of(prepare_bridge_modal_data), 1);
      const std::string out = c.t.console();
      const std::string data_error = error_line("\\Modal_Substructure_Bridge.dat", "");
      EXPECT_NE(out.find(data_error.substr(0, data_error.find('\n') + 1) + " " + k.refused), std::string::npos)
          << out;
      continue;
    }
    prepare_bridge_modal_data(*c.t);
    std::vector<std::string> lines;
    const std::string out = c.t.console();
    const std::string start = " Warning: case/";
    for (std::size_t at = out.find(start); at != std::string::npos; at = out.find(start, at + 1))
      lines.push_back(out.substr(at, out.find('\n', at) + 1 - at));
    ASSERT_EQ(2 * lines.size(), k.lines.size()) << out;
    for (std::size_t i = 0; i < lines.size(); ++i) {
      EXPECT_EQ(lines[i].rfind(k.lines[2 * i], 0), 0u) << lines[i];
      const std::string& end = k.lines[2 * i + 1];
      EXPECT_EQ(lines[i].substr(lines[i].size() - std::min(end.size(), lines[i].size())), end) << lines[i];
    }
  }
}

TEST(BridgeModal, ModesOutOfOrderInTheShapeTable) {
  // Mode 3's record completes mode 2, and the later records of mode 2 then
  // complete mode 3: modes 1 and 3 are kept, mode 2 stays zero.
  const std::string master = "1 0 0 0 3 0\n101 0 0 0\n1\nmodal\\sub\na.txt\n3\n0 0 0.02 0.02\n";
  BridgeCase c(master,
               "(cycle/sec)\n1 0 1\n2 0 2\n3 0 3\n(N,m)\n(N,m)\n101 1 1 1 1 1 1 1\n101 3 3 3 3 3 3 3\n"
               "101 2 2 2 2 2 2 2\n");
  c.t->solution.Coordination_sys_bridge = 0;
  prepare_bridge_modal_data(*c.t);
  const BridgeModalModel& b = c.bridge();
  for (int k = 1; k <= 6; ++k) {
    EXPECT_EQ(b.mode_shapes(1, 1, k), 1.0f);
    EXPECT_EQ(b.mode_shapes(2, 1, k), 0.0f);
    EXPECT_EQ(b.mode_shapes(3, 1, k), 3.0f);
  }
  EXPECT_EQ(c.t.console(), progress_line(1, 1) + progress_line(2, 1) + progress_line(3, 1));
}

}  // namespace
}  // namespace tb
