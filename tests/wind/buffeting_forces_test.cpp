#include "wind/buffeting_forces.h"

#include <gtest/gtest.h>

#include <cmath>
#include <initializer_list>
#include <string>
#include <vector>

#include "input/train_input_fixture.h"
#include "test_support.h"
#include "wind/wind_fixtures.h"

namespace tb {
namespace {

constexpr double kRho = 1.25, kU = 20.0, kDepth = 3.0, kWidth = 4.0;

using test::set_polynomial;

// Wind of 20 m/s at air density 1.25 from x = 18 on, with the deck's
// coefficients in set 2 (depth 3, width 4), and a steady gust: the field
// holds u = 2 and w = -1 at every sample (16 samples 0.5 s apart, 8 points
// 10 m apart).
void set_wind(RunContext& c, int turbulence_option = 1) {
  WindParameters& w = c.wind;
  w.wind_on = 1;
  w.air_density = static_cast<float>(kRho);
  w.mean_wind_speed = static_cast<float>(kU);
  w.wind_field_start = 18.0f;
  w.turbulence_option = turbulence_option;
  w.coefficient_set_count = 2;
  w.set_depth.resize(2);
  w.set_width.resize(2);
  w.set_third_dimension.resize(2);
  w.coef_poly_counts.resize(2, 6);
  w.coef_polys.resize(2, 10, 6);
  w.set_depth(2) = static_cast<float>(kDepth);
  w.set_width(2) = static_cast<float>(kWidth);
  set_polynomial(w, 2, 1, {1.2f, 0.5f, -2.0f});
  set_polynomial(w, 2, 2, {0.3f, 4.0f});
  set_polynomial(w, 2, 3, {0.1f, 1.5f});
  w.selfexcited_coefficients.resize(0, 6);
  WindField& f = c.wind_field;
  f.wind_time_step = 0.5f;
  f.wind_point_spacing = 10.0f;
  f.wind_sample_count = 16;
  f.along_wind_turbulence.resize(16, 8);
  f.vertical_wind_turbulence.resize(16, 8);
  f.along_wind_turbulence.fill(2.0f);
  f.vertical_wind_turbulence.fill(-1.0f);
}

double poly(std::initializer_list<double> c, double a, bool slope = false) {
  double v = 0.0;
  int j = 0;
  for (const double x : c) {
    if (!slope) v += x * std::pow(a, j);
    else if (j >= 1) v += j * x * std::pow(a, j - 1);
    ++j;
  }
  return v;
}

// Turbulence parts of the quasi-steady deck forces: lift q B (2 P2 u/U +
// (P1 + P2') w/U) L, drag q D (2 P1 u/U + P1' w/U) L, moment
// q B^2 (2 P3 u/U + P3' w/U) L.
void element_forces(double angle, double u, double w, double length, double f[3]) {
  const double q = 0.5 * kRho * kU * kU;
  const double p1 = poly({1.2, 0.5, -2.0}, angle), s1 = poly({1.2, 0.5, -2.0}, angle, true);
  const double p2 = poly({0.3, 4.0}, angle), s2 = 4.0;
  const double p3 = poly({0.1, 1.5}, angle), s3 = 1.5;
  f[0] = q * kWidth * (2.0 * p2 * u / kU + (p1 + s2) * w / kU) * length;
  f[1] = q * kDepth * (2.0 * p1 * u / kU + s1 * w / kU) * length;
  f[2] = q * kWidth * kWidth * (2.0 * p3 * u / kU + s3 * w / kU) * length;
}

TEST(BuffetingElementForces, TurbulencePartsOfTheQuasiSteadyForces) {
  const struct {
    const char* what;
    int option;
    float position;
    double u, w;       // expected turbulence
    bool untouched;    // u and w keep what the caller had
  } cases[] = {
      {"steady gust", 1, 40.0f, 2.0, -1.0, false},
      {"turbulence off", 0, 40.0f, 0.0, 0.0, false},
      {"at the start of the wind", 1, 18.0f, 7.0, 8.0, true},
  };
  for (const auto& cs : cases) {
    test::TestContext t;
    set_wind(*t, cs.option);
    float force[3] = {9, 9, 9}, width = 0.0f, u = 7.0f, w = 8.0f;
    compute_element_buffeting_forces(*t, 12.0f, width, 0.1f, 1.3f, cs.position, 2, force, u, w);
    EXPECT_EQ(width, 4.0f) << cs.what;
    EXPECT_NEAR(u, cs.u, 1e-6) << cs.what;
    EXPECT_NEAR(w, cs.w, 1e-6) << cs.what;
    double expected[3] = {0.0, 0.0, 0.0};
    if (!cs.untouched) element_forces(0.1, cs.u, cs.w, 12.0, expected);
    for (int k = 0; k < 3; ++k) {
      if (expected[k] == 0.0)
        EXPECT_EQ(force[k], 0.0f) << cs.what << " " << k;
      else
        EXPECT_NEAR(force[k] / expected[k], 1.0, 1e-5) << cs.what << " " << k;
    }
  }
}

// One span group of nine stations on the square deck section of side 2:
// row r of station k is bridge node 10 (r - 1) + k (row 1 is nodes 1..9).
// Panel 2 (the right side, normal -x) is part 1, panel 3 (the top, normal
// -y) part 2; panels 1 and 4 belong to no part. Every panel carries a
// pressure of 1 (end loads of 1 each).
std::string square_deck_file(const std::string& groups = "1\n1\n4\n1 11 21 31\n9 19 29 39\n") {
  return "1 12\n1\n0 0\n4\n"
         "-1 -1 1 -1\n1 1 0\n"
         "1 -1 1 1\n1 1 1\n"
         "1 1 -1 1\n1 1 2\n"
         "-1 1 -1 -1\n1 1 0\n" +
         groups;
}

// A bridge of the 40 nodes 1..40 (node 10 (r - 1) + k is row r) with two
// modes: mode 1 moves the nodes along component 2, mode 2 along component 3,
// each by the row number; with `rotation`, mode 1 moves every node by 1 and
// mode 2 by the horizontal arm of its vertex along component 3.
struct Deck {
  test::TestContext t;
  explicit Deck(const std::string& file, int turbulence_option = 1, bool rotation = false) {
    set_wind(*t, turbulence_option);
    BridgeModalModel& b = t->bridge;
    b.bridge_node_count = 40;
    b.bridge_mode_count = 2;
    b.node_numbers.resize(40);
    b.mode_shapes.resize(2, 40, 6);
    const float arm[] = {-1.0f, 1.0f, 1.0f, -1.0f};
    for (int n = 1; n <= 40; ++n) {
      b.node_numbers(n) = n;
      const int row = (n - 1) / 10 + 1;
      if (rotation) {
        b.mode_shapes(1, n, 3) = 1.0f;
        b.mode_shapes(2, n, 3) = arm[row - 1];
      } else {
        b.mode_shapes(1, n, 2) = static_cast<float>(row);
        b.mode_shapes(2, n, 3) = static_cast<float>(row);
      }
    }
    test::write_file(t.dir / "ParameterInput.dat", file);
  }
};

// The steady gust (u + w = 1) gives a pressure scale B (u + w) = 4 and panel
// end forces of 4 along the panel normals. Panel part 1 sums to an x force of -8,
// which scales the part by -8 F1; each end of panel 2 then carries 32 F1
// along x. Node 2 takes panel 2's start share and node 3 its end share, so
// mode 1 (component 2 scaled by the row) receives 32 F1 (2 + 3). Likewise
// panel 3 gives nodes 3 and 4 each 32 F2 along y: mode 2 receives 32 F2 (3 + 4).
// The first station (x = 18) lies at the start of the wind and adds nothing;
// stations 5 and 9 (x = 36, 54) add the same.
TEST(BuffetingModalForces, SteadyGustOnTheDeckPanels) {
  Deck d(square_deck_file());
  RunContext& c = *d.t;
  float f[2] = {99.0f, 99.0f};
  compute_bridge_buffeting_modal_forces(c, 1.3f, f);
  EXPECT_EQ(d.t.console(), "");
  double element[3];
  element_forces(0.0, 2.0, -1.0, 18.0, element);
  EXPECT_NEAR(f[0] / (2.0 * 32.0 * element[0] * 5.0), 1.0, 1e-5);
  EXPECT_NEAR(f[1] / (2.0 * 32.0 * element[1] * 7.0), 1.0, 1e-5);
  const BuffetingWindData& b = c.buffeting;
  EXPECT_EQ(b.buffeting_element_length, 18.0f);
  EXPECT_NEAR(b.buffeting_u, 2.0, 1e-6);
  EXPECT_NEAR(b.element_buffeting_forces(1) / element[0], 1.0, 1e-5);
  EXPECT_EQ(b.station_displacements.extent(1), 72);
  EXPECT_EQ(b.station_displacements.extent(2), 9);

  // Later calls neither read the file again nor keep the earlier forces.
  std::filesystem::remove(d.t.dir / "ParameterInput.dat");
  const float first[2] = {f[0], f[1]};
  compute_bridge_buffeting_modal_forces(c, 1.3f, f);
  EXPECT_EQ(f[0], first[0]);
  EXPECT_EQ(f[1], first[1]);
}

// Without turbulence only the self-excited forces act. The deck translates
// by q1 = 0.01 (rate 0.1) along component 3 and rotates by q2 = 0.002 (rate
// 0.03): the square's section values are M1(3) = 0.01, M2(3) = 0.1,
// M1(4) = 0.002, M2(4) = 0.03. Lift G3 = rho U^2 L K21 M1(3) +
// rho U B L K22 M2(3) and moment G4 = rho U^2 B^2 L K11 M1(4) +
// rho U B^3 L K12 M2(4) go back onto the nodes; their work on the two modes
// is G3 and G4 at each of the three stations.
TEST(BuffetingModalForces, SelfExcitedForcesOfTheDeckMotion) {
  Deck d(square_deck_file(), 0, true);
  RunContext& c = *d.t;
  Array2<float>& k = c.wind.selfexcited_coefficients;
  k.resize(2, 6);
  k(2, 1) = 1.5f;
  k(2, 2) = -0.5f;
  k(2, 4) = 9.0f;  // multiplies a memory state, which stays 0
  k(1, 1) = 0.8f;
  k(1, 2) = -0.3f;
  k(1, 4) = 7.0f;
  c.solver.bridge_modal_state.resize(2, 3);
  c.solver.bridge_modal_state(1, 1) = 0.01;
  c.solver.bridge_modal_state(1, 2) = 0.1;
  c.solver.bridge_modal_state(2, 1) = 0.002;
  c.solver.bridge_modal_state(2, 2) = 0.03;
  float f[2];
  compute_bridge_buffeting_modal_forces(c, 1.3f, f);
  const double L = 18.0;
  const double g3 = kRho * kU * kU * L * 1.5 * 0.01 + kRho * kU * kWidth * L * -0.5 * 0.1;
  const double g4 = kRho * kU * kU * kWidth * kWidth * L * 0.8 * 0.002 +
                    kRho * kU * kWidth * kWidth * kWidth * L * -0.3 * 0.03;
  EXPECT_NEAR(f[0] / (3.0 * g3), 1.0, 1e-5);
  EXPECT_NEAR(f[1] / (3.0 * g4), 1.0, 1e-5);
  const BuffetingWindData& b = c.buffeting;
  EXPECT_NEAR(b.section_selfexcited_forces(3) / g3, 1.0, 1e-5);
  EXPECT_NEAR(b.section_selfexcited_forces(4) / g4, 1.0, 1e-5);
  // Row 2 of station 5 lies at arm x = 1: 0.01 + 0.002 along component 3.
  EXPECT_NEAR(b.station_displacements(6 + 3, 5), 0.012, 1e-8);
  EXPECT_NEAR(b.station_velocities(6 + 3, 5), 0.13, 1e-7);
  EXPECT_EQ(b.station_memory(4, 5), 0.0f);
  EXPECT_EQ(b.station_displacements(3, 2), 0.0f);  // stations between the visits stay at rest
}

TEST(BuffetingModalForces, NoForceWithoutWindOrVisitedStations) {
  {
    // No wind: nothing is read (there is no file) and the forces are 0.
    test::TestContext t;
    t->bridge.bridge_mode_count = 2;
    float f[2] = {5.0f, 5.0f};
    compute_bridge_buffeting_modal_forces(*t, 1.0f, f);
    EXPECT_EQ(f[0], 0.0f);
    EXPECT_EQ(f[1], 0.0f);
    EXPECT_FALSE(t->buffeting.panel_ends.allocated());
  }
  {
    // The last group ends below the first group's first node: no walk.
    Deck d(square_deck_file("2\n1\n4\n31 11 21 1\n39 0 0 0\n1\n4\n1 11 21 31\n9 0 0 0\n"));
    float f[2] = {5.0f, 5.0f};
    compute_bridge_buffeting_modal_forces(*d.t, 1.3f, f);
    EXPECT_EQ(d.t.console(), "");
    EXPECT_EQ(f[0], 0.0f);
    EXPECT_EQ(f[1], 0.0f);
    EXPECT_FALSE(d.t->buffeting.station_displacements.allocated());
  }
}

TEST(BuffetingModalForces, InputTheWalkCannotUseStops) {
  const struct {
    const char* what;
    std::string file;
    int sets;
    std::string expected;
  } cases[] = {
      // Row 1 jumps from node 9 to node 20: the fourth visit (node 13) would
      // take station column 13, which holds node 23.
      {"gap in the row-1 numbering",
       square_deck_file("2\n1\n4\n1 11 21 31\n9 19 29 39\n1\n4\n20 11 21 31\n28 0 0 0\n"), 2,
       test::data_error_line("ParameterInput.dat",
                             "ParameterInput.dat (span groups, first and last nodes): row-1 node 13 at station 13: "
                             "the row-1 node numbers of the groups must run on without gaps from 1 to 28")},
      {"no coefficient set 2", square_deck_file(), 1,
       test::data_error_line("\\Wind_Coefficients.dat",
                             "Wind_Coefficients.dat (row 5, number of coefficient sets): 1 sets, the buffeting forces "
                             "need set 2 for the deck")},
  };
  for (const auto& cs : cases) {
    Deck d(cs.file);
    d.t->wind.coefficient_set_count = cs.sets;
    float f[2];
    EXPECT_EQ(test::expect_stop([&] { compute_bridge_buffeting_modal_forces(*d.t, 1.3f, f); }), 1) << cs.what;
    EXPECT_EQ(d.t.console(), cs.expected) << cs.what;
  }
}

}  // namespace
}  // namespace tb
