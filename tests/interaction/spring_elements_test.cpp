#include "interaction/spring_elements.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "interaction/spring_fixtures.h"
#include "interaction/spring_forces.h"
#include "platform/texts.h"
#include "test_support.h"

namespace tb {
namespace {

using Point = std::array<float, 3>;

// A bridge whose modes are the unit components of its nodes (mode 6(n-1)+c is
// component c of node n), so modal coordinates are nodal motions and modal
// forces are nodal forces. Every element runs through the element path.
struct NodalBridge {
  test::TestContext t;
  NodalBridge(const std::vector<Point>& nodes, const std::vector<std::array<std::int32_t, 4>>& elements,
              std::int32_t dof_count) {
    const auto n = static_cast<std::int32_t>(nodes.size());
    test::make_bridge(*t, nodes, 6 * n, elements);
    for (std::int32_t node = 1; node <= n; ++node)
      for (std::int32_t c = 1; c <= 6; ++c) t->bridge.mode_shapes(mode(node, c), node, c) = 1.0f;
    test::size_spring_table(*t, 2, dof_count);
    t->springs.bridge_springs_need_elements = 1;
  }
  static std::int32_t mode(std::int32_t node, std::int32_t c) { return 6 * (node - 1) + c; }
  void displace(std::int32_t node, std::int32_t c, double x) { t->solver.bridge_modal_state(mode(node, c), 1) = x; }
  double force(std::int32_t node, std::int32_t c) { return t->solver.bridge_modal_force(mode(node, c)); }
  void evaluate() {
    t->solver.bridge_modal_force.fill(0.0);
    assemble_bridge_spring_forces(*t);
  }
};

TEST(SpringElements, MultiplyMatrices) {
  const float a[6] = {1, 2, 3, 4, 5, 6};   // 2 x 3 by columns: rows (1 3 5), (2 4 6)
  const float b[6] = {1, 0, 2, -1, 1, 0};  // 3 x 2 by columns
  float c[4] = {9, 9, 9, 9};
  multiply_matrices(a, b, c, 2, 3, 2);
  EXPECT_EQ(std::vector<float>(c, c + 4), (std::vector<float>{11, 14, 2, 2}));
  multiply_matrices(a, b, c, 2, 0, 2);  // no inner dimension: zero
  EXPECT_EQ(std::vector<float>(c, c + 4), (std::vector<float>{0, 0, 0, 0}));
  c[0] = 7;
  multiply_matrices(a, b, c, 0, 3, 2);  // no rows: untouched
  EXPECT_EQ(c[0], 7);
}

TEST(SpringElements, ElementFrameFromThreePoints) {
  struct Case {
    const char* name;
    Point x, y, z;  // I, J, reference point
    std::array<Point, 3> axes;
  };
  const std::vector<Case> cases = {
      {"along x", {0, 1, 0}, {0, 0, 0}, {0, 0, 3.141592f}, {{{1, 0, 0}, {0, -1, 0}, {0, 0, -1}}}},
      {"along x, point below", {0, 1, 0}, {0, 0, 0}, {2, 2, 1.141592f}, {{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}}}},
      {"along z", {0, 0, 1.0E14f}, {0, 0, 0}, {0, 1, 0}, {{{0, 0, 1}, {0, 1, 0}, {-1, 0, 0}}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    test::TestContext t;
    ElementTransformation tr;
    build_element_rotation(*t, c.x, c.y, c.z, tr, {});
    for (std::size_t row = 0; row < 12; ++row)
      for (std::size_t col = 0; col < 12; ++col) {
        const bool block = row / 3 == col / 3;
        const float expected = block ? c.axes[row % 3][col % 3] : 0.0f;
        EXPECT_NEAR(tr[col * 12 + row], expected, 1.0E-7f) << row << "," << col;
      }
  }
}

TEST(SpringElements, DegenerateFramesStopTheRun) {
  struct Case {
    const char* name;
    std::vector<Point> nodes;
    std::int32_t node_k;
    std::string_view text;
  };
  const std::vector<Case> cases = {
      {"reference node at node I", {{0, 0, 0}, {1, 0, 0}, {0, 0, 0}}, 3, text::spring_i_k_coincide},
      {"reference node beyond J", {{0, 0, 0}, {1, 1, 1}, {3, 3, 3}}, 3, text::spring_k_collinear},
      {"reference node before I", {{0, 0, 0}, {1, 0, 0}, {-2, 0, 0}}, 3, text::spring_k_collinear},
      // Without a reference node the derived point falls on node I at this height.
      {"derived point at node I", {{0, 0, 1.570796f}, {1, 0, 1.570796f}, {0, 0, 0}}, 0, text::spring_i_k_coincide},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    NodalBridge b(c.nodes, {{1, 2, c.node_k, 1}}, 1);
    EXPECT_EQ(test::expect_stop([&] { b.evaluate(); }), exit_error);
    const std::string k_node = c.node_k != 0 ? ", K 3" : ", no K";
    EXPECT_EQ(b.t.console(), " " + std::string(c.text) +
                                 "\n Modal_Substructure_Bridge.dat (spring-damper elements): nodes I 1, J 2" + k_node +
                                 ": they give the element no frame\n" + test::pause_text());
    // The start-up check finds it before any time step, and names the
    // element and its nodes in the master file.
    NodalBridge s(c.nodes, {{1, 2, c.node_k, 1}}, 1);
    s.t->bridge.node_numbers.resize(3);
    for (std::int32_t n = 1; n <= 3; ++n) s.t->bridge.node_numbers(n) = 100 + n;
    EXPECT_EQ(test::expect_stop([&] { check_spring_element_frames(*s.t); }), exit_error);
    const std::string k = c.node_k != 0 ? ", K 103" : ", no K";
    EXPECT_EQ(s.t.console(), std::string(c.text) + "\n" +
                                 test::data_error_line("\\Modal_Substructure_Bridge.dat",
                                                       "Modal_Substructure_Bridge.dat (spring-damper element 1): bad "
                                                       "value nodes I 101, J 102" + k +
                                                       ": they give the element no frame"));
  }
  // A sound frame passes the check; so does any frame of a side whose springs
  // take the frame-less path.
  NodalBridge sound({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{1, 2, 3, 1}}, 1);
  check_spring_element_frames(*sound.t);
  NodalBridge frameless({{0, 0, 0}, {1, 0, 0}, {0, 0, 0}}, {{1, 2, 3, 1}}, 1);
  frameless.t->springs.bridge_springs_need_elements = 0;
  check_spring_element_frames(*frameless.t);
  EXPECT_EQ(sound.t.console() + frameless.t.console(), "");
  NodalBridge ij({{0, 0, 0}, {1, 0, 0}, {0, 0, 1}}, {}, 1);
  ElementTransformation tr;
  const ElementSource element{"\\Modal_Substructure_Bridge.dat", ij.t->control.unit_bridge_master,
                              "spring-damper element 1", "nodes I 1, J 2: they give the element no frame"};
  EXPECT_EQ(
      test::expect_stop([&] { build_element_rotation(*ij.t, {0, 0, 1}, {0, 0, 0}, {0, 0, 1}, tr, element); }),
      exit_error);
  EXPECT_EQ(ij.t.console(), " " + std::string(text::spring_i_j_coincide) +
                                "\n Modal_Substructure_Bridge.dat (spring-damper element 1): nodes I 1, J 2: they give "
                                "the element no frame\n" +
                                test::pause_text());
}

TEST(SpringElements, AxialForceOfAnInclinedElementActsAlongItsAxisOnBothEnds) {
  // Only DOF 1 is in use, yet the axial motion and force of an element along
  // (1, 1, 0) have x and y components: all six are formed and projected.
  NodalBridge b({{0, 0, 0}, {1, 1, 0}}, {{1, 2, 0, 1}}, 1);
  test::set_law(*b.t, 1, 1, {1, 1000, 0});
  b.displace(2, 1, 0.001);
  b.displace(2, 2, 0.001);
  b.evaluate();
  const double expected[6] = {1, 1, 0, 0, 0, 0};
  for (std::int32_t c = 1; c <= 6; ++c) {
    EXPECT_NEAR(b.force(1, c), expected[c - 1], 1.0E-5) << c;
    EXPECT_NEAR(b.force(2, c), -expected[c - 1], 1.0E-5) << c;
  }
  EXPECT_NEAR(b.t->spring_state.bridge_spring_force(1, 1), 1000.0 * std::sqrt(2.0) * 0.001, 1.0E-5);
}

TEST(SpringElements, CoincidentEndsAndVerticalElementsTakeFixedAxes) {
  {  // Ends within 1e-6 m: the global axes, whatever the reference node.
    NodalBridge b({{2, 3, 4}, {2, 3, 4.0000005f}, {2, 3, 4}}, {{1, 2, 3, 1}}, 3);
    test::set_law(*b.t, 1, 3, {1, 1000, 0});
    b.displace(2, 3, 0.001);
    b.displace(2, 1, 0.5);  // along local 1, which has no law
    b.evaluate();
    EXPECT_NEAR(b.force(1, 3), 1.0, 1.0E-6);
    EXPECT_NEAR(b.force(2, 3), -1.0, 1.0E-6);
    EXPECT_EQ(b.force(1, 1), 0.0);
  }
  {  // A vertical element without reference node: local 2 is global y.
    NodalBridge b({{0, 0, 0}, {0, 0, 1}}, {{1, 2, 0, 1}}, 3);
    test::set_law(*b.t, 1, 2, {1, 1000, 0});
    b.displace(2, 1, 0.002);
    b.displace(2, 2, 0.001);
    b.evaluate();
    EXPECT_NEAR(b.force(1, 2), 1.0, 1.0E-6);
    EXPECT_NEAR(b.force(1, 1), 0.0, 1.0E-9);
  }
}

// Local laws of all six DOFs, different on each.
void six_linear_laws(RunContext& c, std::int32_t row) {
  for (std::int32_t d = 1; d <= 6; ++d)
    test::set_law(c, row, d, {1, 1000.0f * static_cast<float>(d), 3.0f * static_cast<float>(d)});
}

TEST(SpringElements, ForcesOnTheTwoEndsBalance) {
  NodalBridge b({{0.3f, -0.2f, 1.1f}, {1.4f, 0.9f, 0.2f}, {0.5f, 2.0f, -1.0f}}, {{1, 2, 3, 1}}, 6);
  six_linear_laws(*b.t, 1);
  for (std::int32_t node = 1; node <= 2; ++node)
    for (std::int32_t c = 1; c <= 6; ++c) {
      b.displace(node, c, 0.001 * std::sin(7.0 * node + c));
      b.t->solver.bridge_modal_state(NodalBridge::mode(node, c), 2) = 0.01 * std::cos(3.0 * node + c);
    }
  b.evaluate();
  double largest = 0.0;
  for (std::int32_t c = 1; c <= 6; ++c) {
    largest = std::max(largest, std::fabs(b.force(1, c)));
    EXPECT_NEAR(b.force(1, c) + b.force(2, c), 0.0, 1.0E-9) << c;
  }
  EXPECT_GT(largest, 1.0);
}

TEST(SpringElements, AnIsotropicElementGivesTheSameModalForcesInAnyFrame) {
  // A rotation about (1, 2, 3) by 0.7 rad turns the nodes and the mode shapes.
  const double axis[3] = {1 / std::sqrt(14.0), 2 / std::sqrt(14.0), 3 / std::sqrt(14.0)};
  const double ca = std::cos(0.7), sa = std::sin(0.7);
  double r[3][3];
  for (int i = 0; i < 3; ++i)
    for (int j = 0; j < 3; ++j) {
      const double cross = i == j ? 0.0 : (((j - i + 3) % 3 == 1) ? -1.0 : 1.0) * axis[3 - i - j];
      r[i][j] = (i == j ? ca : 0.0) + (1 - ca) * axis[i] * axis[j] + sa * cross;
    }
  auto rotate = [&](const std::array<float, 3>& p) {
    std::array<float, 3> q{};
    for (int i = 0; i < 3; ++i) q[i] = static_cast<float>(r[i][0] * p[0] + r[i][1] * p[1] + r[i][2] * p[2]);
    return q;
  };
  const std::vector<Point> nodes = {{0.3f, -0.2f, 1.1f}, {1.4f, 0.9f, 0.2f}, {0.5f, 2.0f, -1.0f}};
  const std::int32_t modes = 4;
  for (std::int32_t node_k : {0, 3}) {
    SCOPED_TRACE(node_k);
    std::vector<double> forces[2];
    for (int turned = 0; turned < 2; ++turned) {
      test::TestContext t;
      std::vector<Point> placed = nodes;
      if (turned)
        for (Point& p : placed) p = rotate(p);
      test::make_bridge(*t, placed, modes, {{1, 2, node_k, 1}});
      for (std::int32_t m = 1; m <= modes; ++m) {
        for (std::int32_t n = 1; n <= 3; ++n)
          for (std::int32_t c0 : {1, 4}) {  // translations, then rotations
            Point shape{};
            for (int c = 0; c < 3; ++c) shape[c] = static_cast<float>(std::sin(1.3 * m + 2.1 * n + 0.7 * (c0 + c)));
            if (turned) shape = rotate(shape);
            for (int c = 0; c < 3; ++c) t->bridge.mode_shapes(m, n, c0 + c) = shape[c];
          }
        t->solver.bridge_modal_state(m, 1) = 0.001 * m;
        t->solver.bridge_modal_state(m, 2) = 0.02 / m;
      }
      test::size_spring_table(*t, 1, 6);
      for (std::int32_t d = 1; d <= 6; ++d) test::set_law(*t, 1, d, {1, d <= 3 ? 5000.0f : 300.0f, d <= 3 ? 20.0f : 2.0f});
      t->springs.bridge_springs_need_elements = 1;
      assemble_bridge_spring_forces(*t);
      for (std::int32_t m = 1; m <= modes; ++m) forces[turned].push_back(t->solver.bridge_modal_force(m));
    }
    for (std::int32_t m = 0; m < modes; ++m)
      EXPECT_NEAR(forces[1][m], forces[0][m], 1.0E-4 * (1.0 + std::fabs(forces[0][m]))) << m;
  }
}

// An element along x with different laws on all six DOFs: its local axes are
// the global ones up to sign, so both paths give the same modal forces.
TEST(SpringElements, FramelessAndElementPathsAgreeForAnAxisAlignedElement) {
  const std::int32_t modes = 3;
  auto shape = [](std::int32_t m, std::int32_t n, std::int32_t c) {
    return static_cast<float>(std::sin(0.9 * m + 1.7 * n + 0.4 * c));
  };
  std::vector<double> bridge_forces[2], vehicle_forces[2];
  for (int path = 0; path < 2; ++path) {
    test::TestContext t;
    test::size_spring_table(*t, 2, 6);
    six_linear_laws(*t, 1);
    six_linear_laws(*t, 2);
    const std::vector<Point> nodes = {{1, 2, 0.5f}, {3, 2, 0.5f}};
    test::make_bridge(*t, nodes, modes, {{1, 2, 0, 2}});
    test::make_vehicle_train(*t, nodes, modes, {{1, 2, 0, 1}});
    for (std::int32_t m = 1; m <= modes; ++m) {
      for (std::int32_t n = 1; n <= 2; ++n)
        for (std::int32_t c = 1; c <= 6; ++c) {
          t->bridge.mode_shapes(m, n, c) = shape(m, n, c);
          t->vehicles.vehicle_mode_shapes(1, m, n, c) = shape(m, n, c + 1);
        }
      t->solver.bridge_modal_state(m, 1) = t->solver.vehicle_modal_state(1, 1, m, 1) = 0.001 * m;
      t->solver.bridge_modal_state(m, 2) = t->solver.vehicle_modal_state(1, 1, m, 2) = -0.01 * m;
    }
    if (path == 0) {
      compute_bridge_spring_forces(*t);
      compute_vehicle_spring_forces(*t);
    } else {
      t->springs.bridge_springs_need_elements = 1;
      assemble_bridge_spring_forces(*t);
      ElementSpringRows r;
      compute_spring_element_forces(*t, 1, 2, 0, 1, 1, 1, r.state_prev, r.state, r.force_prev, r.force,
                                    r.memory_prev, r.memory);
    }
    for (std::int32_t m = 1; m <= modes; ++m) {
      bridge_forces[path].push_back(t->solver.bridge_modal_force(m));
      vehicle_forces[path].push_back(t->solver.vehicle_modal_force(1, 1, m));
    }
  }
  for (std::int32_t m = 0; m < modes; ++m) {
    EXPECT_GT(std::fabs(bridge_forces[0][m]), 0.1);
    EXPECT_NEAR(bridge_forces[1][m], bridge_forces[0][m], 1.0E-4 * std::fabs(bridge_forces[0][m]));
    EXPECT_NEAR(vehicle_forces[1][m], vehicle_forces[0][m], 1.0E-4 * std::fabs(vehicle_forces[0][m]));
  }
}

TEST(FramelessSpringForces, ALawWithoutValueContributesNothing) {
  // DOF 1 linear; DOF 2 friction at rest, DOF 3 code 0 and DOF 4 the Van der
  // Pol damper (which only the element path evaluates) add nothing.
  const std::int32_t modes = 2;
  std::vector<double> forces[2];
  for (int with_others = 0; with_others < 2; ++with_others) {
    test::TestContext t;
    test::size_spring_table(*t, 1, 4);
    test::set_law(*t, 1, 1, {1, 1000, 10});
    if (with_others) {
      test::set_law(*t, 1, 2, {6, 500});
      test::set_law(*t, 1, 4, {99});
    }
    test::make_vehicle_train(*t, {{0, 0, 0}, {1, 0, 0}}, modes, {{1, 2, 0, 1}});
    for (std::int32_t m = 1; m <= modes; ++m) {
      for (std::int32_t c = 1; c <= 4; ++c) t->vehicles.vehicle_mode_shapes(1, m, 2, c) = 0.5f * m + 0.1f * c;
      t->vehicles.vehicle_mode_shapes(1, m, 2, 2) = 1.0f;  // DOF 2 moves with both modes
      t->solver.vehicle_modal_state(1, 1, m, 1) = 0.01 * m;
    }
    t->solver.vehicle_modal_state(1, 1, 1, 2) = 0.3;
    t->solver.vehicle_modal_state(1, 1, 2, 2) = -0.3;  // DOF 2 at rest
    compute_vehicle_spring_forces(*t);
    for (std::int32_t m = 1; m <= modes; ++m) forces[with_others].push_back(t->solver.vehicle_modal_force(1, 1, m));
  }
  EXPECT_NE(forces[0][0], 0.0);
  EXPECT_EQ(forces[1], forces[0]);
}

TEST(FramelessSpringForces, VehicleElementsActFromIToJ) {
  // phi = shape(J) - shape(I); a tension E = k du + c dv adds -E phi.
  std::vector<double> forces[2];
  for (int swapped = 0; swapped < 2; ++swapped) {
    test::TestContext t;
    test::size_spring_table(*t, 1, 1);
    test::set_law(*t, 1, 1, {1, 1000, 10});
    const std::int32_t i = swapped ? 2 : 1, j = swapped ? 1 : 2;
    test::make_vehicle_train(*t, {{0, 0, 0}, {1, 0, 0}}, 2, {{i, j, 0, 1}});
    VehicleTypeLibrary& lib = t->vehicles;
    lib.vehicle_mode_shapes(1, 1, 1, 1) = 0.5f;
    lib.vehicle_mode_shapes(1, 1, 2, 1) = 1.5f;
    lib.vehicle_mode_shapes(1, 2, 2, 1) = -1.0f;
    t->solver.vehicle_modal_state(1, 1, 1, 1) = 0.002;
    t->solver.vehicle_modal_state(1, 1, 2, 1) = 0.001;
    t->solver.vehicle_modal_state(1, 1, 2, 2) = 0.05;
    compute_vehicle_spring_forces(*t);
    forces[swapped] = {t->solver.vehicle_modal_force(1, 1, 1), t->solver.vehicle_modal_force(1, 1, 2)};
  }
  // phi = (1, -1): du = 0.002 - 0.001, dv = -0.05, E = 1 - 0.5.
  const float e = 0.5f;
  EXPECT_NEAR(forces[0][0], -e * 1.0f, 1.0E-6);
  EXPECT_NEAR(forces[0][1], e * 1.0f, 1.0E-6);
  EXPECT_EQ(forces[1], forces[0]);
}

TEST(FramelessSpringForces, BridgeElementsActFromTheirLowerNode) {
  // Law 3 switches at a relative displacement 0.01 of the upper node against
  // the lower one: soft (100) below it, stiff (1000) beyond.
  struct Case {
    const char* name;
    Point j;        // node J; node I at the origin
    double expected_on_i;
  };
  const std::vector<Case> cases = {
      {"J above I: compression of J against I", {0, 1, 0}, -2.0},
      {"J below I: the same motion stretches I away from J", {0, -1, 0}, -20.0},
      {"J level with I", {1, 0, 0}, -2.0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    test::TestContext t;
    test::size_spring_table(*t, 1, 2);
    test::set_law(*t, 1, 2, {3, 100, 1000, 0.01f, 0});
    test::make_bridge(*t, {{0, 0, 0}, c.j}, 1, {{1, 2, 0, 1}});
    t->bridge.mode_shapes(1, 2, 2) = 1.0f;  // J moves by -0.02 in y
    t->solver.bridge_modal_state(1, 1) = -0.02;
    compute_bridge_spring_forces(*t);
    // The single mode is node J's y: its force is minus that on node I.
    EXPECT_NEAR(t->solver.bridge_modal_force(1), -c.expected_on_i, 1.0E-5);
  }
}

TEST(SpringElements, LawsWriteTheTrialStateAndKeepTheirOwnHistory) {
  // Element 1 yields; element 2 is friction at rest on the same DOF. Each pass
  // starts again from the committed state, and element 2's trial force is its
  // own (zero), not element 1's.
  NodalBridge b({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0}}, {{1, 2, 0, 1}, {3, 4, 0, 2}}, 1);
  test::set_law(*b.t, 1, 1, {100, 1000, 100, 5});
  test::set_law(*b.t, 2, 1, {6, 50});
  SpringElementState& s = b.t->spring_state;
  s.bridge_spring_memory_prev(1, 1) = 5.0f;
  b.displace(2, 1, 0.015);
  for (int pass = 0; pass < 2; ++pass) {
    b.evaluate();
    EXPECT_EQ(s.bridge_spring_state(1, 1), 2);
    EXPECT_FLOAT_EQ(s.bridge_spring_force(1, 1), 6.0f);
    EXPECT_FLOAT_EQ(s.bridge_spring_memory(1, 1), 6.0f);
    EXPECT_EQ(s.bridge_spring_state_prev(1, 1), 1);
    EXPECT_EQ(s.bridge_spring_force_prev(1, 1), 0.0f);
    EXPECT_EQ(s.bridge_spring_force(2, 1), 0.0f);
    EXPECT_NEAR(b.force(3, 1), 0.0, 0.0);
    EXPECT_NEAR(b.force(1, 1), 6.0, 1.0E-5);
  }
}

}  // namespace
}  // namespace tb
