#include "interaction/spring_parameters.h"

#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "interaction/spring_fixtures.h"
#include "interaction/spring_laws.h"
#include "platform/texts.h"
#include "test_support.h"

namespace tb {
namespace {

// Both spring files on their units, and a model of one vehicle type (nodes 1
// to 3, one spring of id 1) run by one train, and one bridge element of id 1.
struct SpringFiles {
  test::TestContext t;

  SpringFiles() {
    test::make_vehicle_train(*t, {{0, 0, 0}, {0, 1, 0}, {1, 0, 0}}, 1, {{1, 2, 0, 1}});
    test::make_bridge(*t, {{0, 0, 0}, {0, 1, 0}}, 1, {{10, 11, 0, 1}});
  }
  void read(const std::string& vehicle, const std::string& bridge) {
    test::write_file(t.dir / "v.dat", vehicle);
    test::write_file(t.dir / "b.dat", bridge);
    t->units.open(t->control.unit_vehicle_springs, "v.dat", OpenMode::unknown, UnitForm::text);
    t->units.open(t->control.unit_bridge_springs, "b.dat", OpenMode::unknown, UnitForm::text);
    read_nonlinear_spring_parameters(*t);
  }
  float law(std::int32_t row, std::int32_t dof, std::int32_t k) { return t->springs.spring_parameters(row, dof, k); }
};

TEST(SpringParameterFiles, ReadsBothFilesIntoOneTable) {
  SpringFiles f;
  f.t->solution.Coordination_sys_bridge = 1;
  // Type 1: four springs sharing three ids; type 2 (run by no train) has a
  // reference node.
  VehicleTypeLibrary& lib = f.t->vehicles;
  lib.vehicle_type_count = 2;
  lib.vehicle_spring_count.resize(2);
  lib.vehicle_spring_count(1) = 4;
  lib.vehicle_spring_count(2) = 1;
  lib.vehicle_spring_nodes.resize(2, 4, 4);
  const std::int32_t rows[5][4] = {{1, 2, 0, 1}, {1, 3, 0, 2}, {2, 3, 0, 1}, {1, 2, 0, 3}};
  for (std::int32_t s = 1; s <= 4; ++s)
    for (std::int32_t c = 1; c <= 4; ++c) lib.vehicle_spring_nodes(1, s, c) = rows[s - 1][c - 1];
  lib.vehicle_spring_nodes(2, 1, 1) = 1;
  lib.vehicle_spring_nodes(2, 1, 2) = 2;
  lib.vehicle_spring_nodes(2, 1, 3) = 3;
  lib.vehicle_spring_nodes(2, 1, 4) = 2;
  test::make_bridge(*f.t, {{0, 0, 0}, {0, 1, 0}}, 1, {{10, 11, 0, 2}, {10, 12, 0, 1}});
  f.t->trains.fleet_vehicle_types.resize(1, 2);
  f.t->trains.fleet_vehicle_types.fill(1);
  f.t->trains.fleet_vehicle_count(1) = 2;
  f.t->trains.max_vehicles_per_fleet = 2;

  f.read(
      "3 5\n"
      "1 2\n"
      "1 3\n1 1000 10\n"
      "3 5\n3 2 3, 0.01\n0.1\n"  // values may run over several records
      "2 1\n6 2\n6 50\n"
      "3 0\n",
      "2 4\n"
      "2 1\n2 4\n100 1e6 1e5 200\n"
      "1 1\n5 3\n1 5e5 20 ! comment\n");

  const SpringParameterTable& tab = f.t->springs;
  EXPECT_EQ(lib.max_springs_per_type, 3);
  EXPECT_EQ(tab.vehicle_max_values, 5);
  EXPECT_EQ(tab.bridge_spring_id_count, 2);
  EXPECT_EQ(tab.spring_id_count, 5);
  EXPECT_EQ(tab.max_spring_values, 5);
  EXPECT_EQ(tab.spring_parameters.extent(3), spring_law_value_count);
  EXPECT_EQ(tab.spring_dof_count, 6);
  EXPECT_EQ(f.law(1, 1, 2), 1000.0f);
  EXPECT_EQ(f.law(1, 3, 1), 3.0f);
  EXPECT_EQ(f.law(1, 3, 5), 0.1f);
  EXPECT_EQ(f.law(2, 6, 2), 50.0f);
  // Bridge ids follow the vehicle ids; with the vertical axis given as z,
  // DOFs 2 and 5 of the file are the lateral DOFs 3 and 6.
  EXPECT_EQ(f.law(5, 3, 1), 100.0f);
  EXPECT_EQ(f.law(5, 2, 1), 0.0f);
  EXPECT_EQ(f.law(4, 6, 3), 20.0f);
  EXPECT_EQ(f.t->bridge.spring_elements(1, 4), 5);
  EXPECT_EQ(f.t->bridge.spring_elements(2, 4), 4);

  // The bridge's hysteresis law sends the bridge through the element path,
  // with its yield force as the committed memory; the vehicles' laws and the
  // unused type's reference node do not.
  EXPECT_EQ(tab.bridge_springs_need_elements, 1);
  EXPECT_EQ(tab.vehicle_springs_need_elements, 0);
  EXPECT_EQ(f.t->spring_state.bridge_spring_memory_prev(1, 3), 200.0f);
  EXPECT_EQ(f.t->spring_state.bridge_spring_memory_prev(2, 3), 0.0f);
  EXPECT_EQ(f.t->spring_state.bridge_spring_state_prev(2, 6), 1);

  // One state row per spring of the type, more than the ids.
  const SpringElementState& st = f.t->spring_state;
  EXPECT_EQ(st.vehicle_spring_force.extent(1), 1);
  EXPECT_EQ(st.vehicle_spring_force.extent(2), 2);
  EXPECT_EQ(st.vehicle_spring_force.extent(3), 4);
  EXPECT_EQ(st.vehicle_spring_state(1, 2, 4, 6), 1);

  EXPECT_EQ(tab.spring_curve_table[9], 1.0f);
  EXPECT_EQ(tab.spring_curve_table[19], 8918.0f);
  EXPECT_FALSE(f.t->units.is_open(f.t->control.unit_vehicle_springs));
  EXPECT_FALSE(f.t->units.is_open(f.t->control.unit_bridge_springs));
  EXPECT_EQ(f.t.console(), "");
}

TEST(SpringParameterFiles, ReferenceNodesAndHistoryLawsOfASideNeedElements) {
  {  // A reference node of a vehicle spring, laws below 100.
    SpringFiles f;
    f.t->vehicles.vehicle_spring_nodes(1, 1, 3) = 3;
    f.read("1 3\n1 1\n1 3\n1 1 1\n", "1 3\n1 1\n1 3\n1 1 1\n");
    EXPECT_EQ(f.t->springs.vehicle_springs_need_elements, 1);
    EXPECT_EQ(f.t->springs.bridge_springs_need_elements, 0);
  }
  {  // A Maxwell law in a vehicle and a reference node on the bridge.
    SpringFiles f;
    f.t->bridge.spring_elements(1, 3) = 12;
    f.read("1 3\n1 1\n2 3\n102 1000 50\n", "1 3\n1 0\n");
    EXPECT_EQ(f.t->springs.vehicle_springs_need_elements, 1);
    EXPECT_EQ(f.t->springs.bridge_springs_need_elements, 1);
    EXPECT_EQ(f.t->springs.spring_dof_count, 2);
  }
}

TEST(SpringParameterFiles, AVanDerPolDamperIsKeptWhereTheElementPathEvaluatesIt) {
  const std::string damper = "1 3\n1 1\n2 1\n99\n";
  const struct {
    const char* what;
    std::string vehicle;
    std::string bridge;
    std::function<void(RunContext&)> model;
  } cases[] = {
      {"a vehicle spring with a reference node", damper, "1 3\n1 0\n",
       [](RunContext& c) { c.vehicles.vehicle_spring_nodes(1, 1, 3) = 3; }},
      {"a hysteresis law on another DOF of the vehicle spring", "1 4\n1 2\n2 1\n99\n1 4\n100 1e6 1e5 200\n",
       "1 3\n1 0\n", [](RunContext&) {}},
      {"a bridge element with a reference node", "1 3\n1 0\n", damper,
       [](RunContext& c) { c.bridge.spring_elements(1, 3) = 12; }},
      {"a vehicle type that no train runs", damper, "1 3\n1 0\n",
       [](RunContext& c) { c.trains.fleet_vehicle_count(1) = 0; }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    SpringFiles f;
    c.model(*f.t);
    f.read(c.vehicle, c.bridge);
    EXPECT_EQ(f.t.console(), "");
  }
  SpringFiles f;
  f.t->vehicles.vehicle_spring_nodes(1, 1, 3) = 3;
  f.read(damper, "1 3\n1 0\n");
  EXPECT_EQ(f.law(1, 2, 1), 99.0f);
  EXPECT_EQ(f.t->springs.vehicle_springs_need_elements, 1);
}

TEST(SpringParameterFiles, EmptyFilesKeepTheLibrarySpringCount) {
  SpringFiles f;
  f.t->vehicles.max_springs_per_type = 2;
  f.t->vehicles.vehicle_spring_count(1) = 0;  // the train's vehicles have no springs
  f.t->bridge.spring_element_count = 0;
  f.read("", "");
  EXPECT_EQ(f.t->vehicles.max_springs_per_type, 2);
  EXPECT_EQ(f.t->springs.spring_id_count, 2);
  EXPECT_EQ(f.t->springs.bridge_spring_id_count, 0);
  EXPECT_EQ(f.law(2, 1, 1), 0.0f);
  EXPECT_EQ(f.t.console(), "");
}

TEST(SpringParameterFiles, FilesThatAreNotThereGiveNoLawsAndStopOnlyWhereASpringNeedsOne) {
  // The files opened as a run opens them, "old", and not there.
  const auto open_missing = [](SpringFiles& f) {
    f.t->units.open(f.t->control.unit_vehicle_springs, "v.dat", OpenMode::old, UnitForm::text);
    f.t->units.open(f.t->control.unit_bridge_springs, "b.dat", OpenMode::old, UnitForm::text);
  };
  SpringFiles none;
  none.t->vehicles.vehicle_spring_count(1) = 0;
  none.t->bridge.spring_element_count = 0;
  open_missing(none);
  read_nonlinear_spring_parameters(*none.t);
  EXPECT_EQ(none.t.console(), "");
  EXPECT_EQ(none.t->springs.bridge_spring_id_count, 0);
  EXPECT_FALSE(std::filesystem::exists(none.t.dir / "v.dat"));

  const struct {
    const char* what;
    bool vehicle_springs, bridge_elements;
    std::string detail;
  } cases[] = {
      {"a vehicle spring", true, false, "v.dat (the laws of the vehicles' spring-damper elements): file not found"},
      {"a bridge element", false, true, "b.dat (the laws of the bridge's spring-damper elements): file not found"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    SpringFiles f;
    if (!c.vehicle_springs) f.t->vehicles.vehicle_spring_count(1) = 0;
    if (!c.bridge_elements) f.t->bridge.spring_element_count = 0;
    open_missing(f);
    EXPECT_EQ(test::expect_stop([&] { read_nonlinear_spring_parameters(*f.t); }), exit_error);
    EXPECT_EQ(f.t.console(), test::data_error_line("\\NonlinearSpringParameters.dat", c.detail));
  }
}

struct RejectCase {
  const char* name;
  std::string vehicle;
  std::string bridge;
  std::string message;  // printed before the data-error line; empty for none
  std::string detail;   // the line after it: the file of the two, the record and the value
  std::function<void(RunContext&)> model = [](RunContext&) {};
};

TEST(SpringParameterFiles, BadInputStopsWithItsMessageAndTheDataErrorLine) {
  const std::string ok = "1 3\n1 1\n1 3\n1 1000 10\n";
  auto line = [](std::string_view message, const std::string& rest = "") { return " " + std::string(message) + rest + "\n"; };
  const std::vector<RejectCase> cases = {
      {"vehicle id above the id count", "1 3\n2 1\n1 3\n1 1 1\n", ok, line(text::vehicle_spring_id_count_above_max),
       "v.dat (block 1, id and number of degrees of freedom): bad value id 2, must be 1 to 1 (the header's count)"},
      {"vehicle id above the id count on the last record", "1 3\n2", ok, line(text::vehicle_spring_id_count_above_max),
       "v.dat (block 1, id and number of degrees of freedom): bad value id 2, must be 1 to 1 (the header's count)"},
      {"vehicle record with too many values", "1 3\n1 1\n1 4\n1 1 1 1\n", ok,
       line(text::vehicle_spring_value_count_above_max),
       "v.dat (block 1, degree of freedom group 1, value count): bad value 4, must be at most 3 (the headers' "
       "largest)"},
      {"vehicle count mismatch names the block and group", "2 4\n2 0\n1 1\n3 4\n1 1 1 1\n", ok,
       line(text::vehicle_spring_value_count_mismatch, " 2 1"),
       "v.dat (block 2, degree of freedom group 1, value count): bad value 4, law 1 takes 3 values"},
      {"vehicle power-law damper count mismatch", "1 5\n1 1\n1 3\n4 1 1\n", ok,
       line(text::spring_value_count_mismatch, " 1 1"),
       "v.dat (block 1, degree of freedom group 1, value count): bad value 3, law 4 takes 4 values"},
      {"bridge id above the id count", ok, "1 3\n2 0\n", line(text::bridge_spring_id_count_above_max),
       "b.dat (block 1, id and number of degrees of freedom): bad value id 2, must be 1 to 1 (the header's count)"},
      {"bridge record with too many values", "1 3\n1 0\n", "1 2\n1 1\n1 5\n1 1 1 1 1\n",
       line(text::bridge_spring_value_count_above_max),
       "b.dat (block 1, degree of freedom group 1, value count): bad value 5, must be at most 3 (the headers' "
       "largest)"},
      {"bridge count mismatch", ok, "1 3\n1 1\n1 3\n6 1 1\n", line(text::bridge_spring_value_count_mismatch, " 1 1"),
       "b.dat (block 1, degree of freedom group 1, value count): bad value 3, law 6 takes 2 values"},
      {"vehicle spring id beyond the vehicle ids", ok, ok, line(text::vehicle_spring_id_above_max),
       "v.dat (spring row 1 of vehicle type 1): bad value spring id 2, must be 1 to 1 (the ids of this file)",
       [](RunContext& c) { c.vehicles.vehicle_spring_nodes(1, 1, 4) = 2; }},
      {"vehicle spring id 0", ok, ok, "",
       "v.dat (spring row 1 of vehicle type 1): bad value spring id 0, must be 1 to 1 (the ids of this file)",
       [](RunContext& c) { c.vehicles.vehicle_spring_nodes(1, 1, 4) = 0; }},
      {"negative vehicle reference node", ok, ok, "",
       "v.dat (spring row 1 of vehicle type 1): bad value reference node -1, must be 0 (none) or a node",
       [](RunContext& c) { c.vehicles.vehicle_spring_nodes(1, 1, 3) = -1; }},
      {"bridge element id beyond the bridge ids", ok, ok, line(text::bridge_spring_id_count_above_max),
       "b.dat (spring-damper element 1 of the bridge master file): bad value spring id 2, must be 1 to 1 (the ids of "
       "this file)",
       [](RunContext& c) { c.bridge.spring_elements(1, 4) = 2; }},
      {"bridge element id 0", ok, ok, "",
       "b.dat (spring-damper element 1 of the bridge master file): bad value spring id 0, must be 1 to 1 (the ids of "
       "this file)",
       [](RunContext& c) { c.bridge.spring_elements(1, 4) = 0; }},
      {"negative bridge reference node", ok, ok, "",
       "b.dat (spring-damper element 1 of the bridge master file): bad value reference node -4, must be 0 (none) or a "
       "node",
       [](RunContext& c) { c.bridge.spring_elements(1, 3) = -4; }},
      {"negative id count", "-1 3\n", ok, "", "v.dat (header: number of spring ids): bad value -1, must be 0 or more"},
      {"negative largest value count", ok, "1 -1\n1 0\n", "",
       "b.dat (header: largest value count): bad value -1, must be 0 or more"},
      {"negative number of degrees of freedom", "1 3\n1 -1\n", ok, "",
       "v.dat (block 1, id and number of degrees of freedom): bad value number of degrees of freedom -1, must be 0 or "
       "more"},
      {"negative value count", ok, "1 3\n1 1\n1 -1\n1\n", "",
       "b.dat (block 1, degree of freedom group 1, value count): bad value -1, must be 0 or more"},
      {"id 0 with groups", "1 3\n0 1\n1 3\n1 1 1\n", ok, "",
       "v.dat (block 1, id and number of degrees of freedom): bad value id 0, must be 1 to 1 (the header's count)"},
      {"negative id", ok, "1 3\n-1 0\n", "",
       "b.dat (block 1, id and number of degrees of freedom): bad value id -1, must be 1 to 1 (the header's count)"},
      {"DOF 0", "1 3\n1 1\n0 3\n1 1 1\n", ok, "",
       "v.dat (block 1, degree of freedom group 1, degree of freedom): bad value 0, must be 1 to 6"},
      {"DOF 7", ok, "1 3\n1 1\n7 3\n1 1 1\n", "",
       "b.dat (block 1, degree of freedom group 1, degree of freedom): bad value 7, must be 1 to 6"},
      {"code 7", "1 3\n1 1\n1 2\n7 1\n", ok, line(text::unknown_spring_type),
       "v.dat (block 1, degree of freedom group 1, law code and parameters): bad value law code 7, not a law of the "
       "program"},
      {"code 1.5", ok, "1 3\n1 1\n1 1\n1.5\n", line(text::unknown_spring_type),
       "b.dat (block 1, degree of freedom group 1, law code and parameters): bad value law code 1.5, not a law of the "
       "program"},
      {"two-slope damper without a first velocity", "1 5\n1 1\n1 5\n2 100 0 300 1.5\n", ok, "",
       "v.dat (block 1, degree of freedom group 1, law code and parameters): bad value parameters of law 2, the law "
       "cannot use them"},
      {"two-slope damper with equal velocities", "1 5\n1 1\n1 5\n2 100 0.5 300 0.5\n", ok, "",
       "v.dat (block 1, degree of freedom group 1, law code and parameters): bad value parameters of law 2, the law "
       "cannot use them"},
      {"hysteresis without elastic stiffness", ok, "1 4\n1 1\n1 4\n100 0 1 1\n", "",
       "b.dat (block 1, degree of freedom group 1, law code and parameters): bad value parameters of law 100, the law "
       "cannot use them"},
      {"Maxwell element with relaxation time -dt", "1 3\n1 1\n1 3\n102 1 -1e-4\n", ok, "",
       "v.dat (block 1, degree of freedom group 1, law code and parameters): bad value parameters of law 102, the law "
       "cannot use them"},
      {"wedge with a zero divisor", "1 10\n1 1\n1 10\n105 0 0 0 0 1 0 0 0 0\n", ok, "",
       "v.dat (block 1, degree of freedom group 1, law code and parameters): bad value parameters of law 105, the law "
       "cannot use them"},
      {"vehicle spring id without a block (short file)", "2 3\n1 1\n1 3\n1 1 1\n", ok, "",
       "v.dat (spring row 1 of vehicle type 1): bad value spring id 2: the file gives no block for it",
       [](RunContext& c) { c.vehicles.vehicle_spring_nodes(1, 1, 4) = 2; }},
      {"vehicle block cut short before its group", "1 3\n1 1\n", ok, "",
       "v.dat (degree of freedom group 1 of 1, block 1, degree of freedom and value count; count on line 2): the file "
       "ends after line 2 before this record is complete"},
      {"bridge block cut short in its values", ok, "1 3\n1 1\n1 3\n1 1\n", "",
       "b.dat (value 3 of 3, block 1, degree of freedom group 1; count on line 3): the file ends after line 4 before "
       "this record is complete"},
      {"vehicle spring without a block (empty file)", "", ok, "",
       "v.dat (spring row 1 of vehicle type 1): bad value spring id 1: the file gives no block for it",
       [](RunContext& c) { c.vehicles.max_springs_per_type = 1; }},
      {"Van der Pol damper of a frame-less vehicle side", "1 3\n1 1\n2 1\n99\n", ok,
       line(text::vehicle_spring_law_needs_element_frame, " 1 2"),
       "v.dat (id 1, degree of freedom 2): bad value law code 99, a Van der Pol damper, which only the element path "
       "evaluates"},
      {"Van der Pol damper of a frame-less bridge side, DOF as the file gives it", ok, "1 3\n1 1\n3 1\n99\n",
       line(text::bridge_spring_law_needs_element_frame, " 1 3"),
       "b.dat (id 1, degree of freedom 3): bad value law code 99, a Van der Pol damper, which only the element path "
       "evaluates",
       [](RunContext& c) { c.solution.Coordination_sys_bridge = 1; }},
  };
  for (const RejectCase& c : cases) {
    SCOPED_TRACE(c.name);
    SpringFiles f;
    c.model(*f.t);
    EXPECT_EQ(test::expect_stop([&] { f.read(c.vehicle, c.bridge); }), exit_error);
    EXPECT_EQ(f.t.console(), c.message + test::data_error_line("\\NonlinearSpringParameters.dat", c.detail));
  }
}

TEST(FirstOrderSpringList, ListsTheMaxwellDofsTheRungeKuttaPathIntegrates) {
  test::TestContext t;
  test::size_spring_table(*t, 4, 3);  // vehicle ids 1, 2; bridge rows 3, 4
  test::set_law(*t, 1, 2, {102, 1000, 50});
  test::set_law(*t, 1, 3, {102, 1000, 0});  // no damper: not a state
  test::set_law(*t, 2, 1, {102, -5, 3});
  test::set_law(*t, 3, 1, {7, 1});
  test::set_law(*t, 3, 2, {102, 1, 1});
  test::set_law(*t, 4, 3, {102, 0, 4});  // a pure damper
  test::make_bridge(*t, {{0, 0, 0}, {0, 1, 0}}, 1, {{1, 2, 0, 3}, {1, 2, 0, 3}, {1, 2, 0, 4}});
  // Vehicles: a train of two vehicles of a type with springs of ids 1 and 2.
  test::make_vehicle_train(*t, {{0, 0, 0}, {0, 1, 0}}, 1, {{1, 2, 0, 1}, {1, 2, 0, 2}}, 2);

  list_first_order_spring_dofs(*t);
  const FirstOrderSpringList& list = t->first_order_springs;
  ASSERT_EQ(list.first_order_count, 3);
  EXPECT_EQ(list.first_order_spring_ids.extent(1), 12);
  const std::int32_t ids[] = {1, 2, 3}, dofs[] = {2, 1, 2};
  for (std::int32_t k = 1; k <= 3; ++k) {
    EXPECT_EQ(list.first_order_spring_ids(k), ids[k - 1]);
    EXPECT_EQ(list.first_order_spring_dofs(k), dofs[k - 1]);
  }
  EXPECT_EQ(list.first_order_spring_ids(4), 0);
  EXPECT_EQ(list.first_order_bridge_count, 2);   // two elements share row 3
  EXPECT_EQ(list.first_order_vehicle_count, 4);  // two vehicles, two listed springs each

  // Under the Runge-Kutta method exactly the listed DOFs write their rate.
  t->solution.integration_method = method::runge_kutta;
  for (std::int32_t row = 1; row <= 4; ++row) {
    EndVector u{}, v{};
    v.fill(0.5f);
    for (std::size_t k = 6; k < 12; ++k) v[k] = 1.0f;
    DofStates s0{}, s{};
    DofValues F0{}, F{}, M0{}, M{};
    M.fill(-99.0f);
    if (row == 3) test::set_law(*t, 3, 1, {0});
    evaluate_spring_force_law(*t, row, u, v, u, s0, s, F0, F, M0, M);
    for (std::int32_t d = 1; d <= 3; ++d) {
      bool listed = false;
      for (std::int32_t k = 1; k <= list.first_order_count; ++k)
        listed |= list.first_order_spring_ids(k) == row && list.first_order_spring_dofs(k) == d;
      EXPECT_EQ(M[static_cast<std::size_t>(d - 1)] != -99.0f, listed) << "row " << row << " dof " << d;
    }
  }
}

TEST(VehicleSpringWalk, VisitsTheSpringRowsOfEachTrainsOwnFleetFrontToRear) {
  // Train 1 runs fleet 2 and train 2 fleet 1, so a walk that took the train
  // for its fleet, the position for the type, or a fleet's table beyond its
  // own vehicle count would visit other springs.
  test::TestContext t;
  TrainOrganization& tr = t->trains;
  tr.train_count = 2;
  tr.train_fleet.resize(2);
  tr.train_fleet(1) = 2;
  tr.train_fleet(2) = 1;
  tr.fleet_vehicle_count.resize(2);
  tr.fleet_vehicle_count(1) = 1;
  tr.fleet_vehicle_count(2) = 3;
  tr.fleet_vehicle_types.resize(2, 3);
  const std::int32_t types[2][3] = {{3, 1, 1}, {1, 2, 1}};  // fleet 1 holds one vehicle only
  for (std::int32_t f = 1; f <= 2; ++f)
    for (std::int32_t v = 1; v <= 3; ++v) tr.fleet_vehicle_types(f, v) = types[f - 1][v - 1];
  VehicleTypeLibrary& lib = t->vehicles;
  lib.vehicle_type_count = 3;
  lib.vehicle_spring_count.resize(3);
  lib.vehicle_spring_count(1) = 2;
  lib.vehicle_spring_count(2) = 0;
  lib.vehicle_spring_count(3) = 1;

  std::vector<std::array<std::int32_t, 4>> visits;
  for_each_vehicle_spring(*t, [&](std::int32_t train, std::int32_t vehicle, std::int32_t type, std::int32_t spring) {
    visits.push_back({train, vehicle, type, spring});
  });
  const std::vector<std::array<std::int32_t, 4>> expected = {
      {1, 1, 1, 1}, {1, 1, 1, 2}, {1, 3, 1, 1}, {1, 3, 1, 2}, {2, 1, 3, 1}};
  EXPECT_EQ(visits, expected);

  tr.train_count = 0;
  visits.clear();
  for_each_vehicle_spring(*t, [&](std::int32_t, std::int32_t, std::int32_t, std::int32_t) { visits.push_back({}); });
  EXPECT_TRUE(visits.empty());
}

}  // namespace
}  // namespace tb
