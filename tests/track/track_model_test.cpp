#include "track/track_build_steps.h"
#include "track/track_model.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <functional>
#include <sstream>
#include <vector>

#include "platform/format.h"
#include "platform/texts.h"
#include "test_support.h"

namespace tb {
namespace {

using Point = std::array<float, 7>;  // x, vertical, lateral, direction, curvature, s, cant
using Track = std::vector<Point>;

// "Rails_Location.dat" for the given tracks, all of gauge 1.5.
std::string rails_file(float spacing, const std::vector<Track>& tracks, int option) {
  std::ostringstream s;
  s.precision(9);
  std::size_t most = 0;
  for (const Track& t : tracks) most = std::max(most, t.size());
  s << spacing << " " << most << "\n" << tracks.size() << "\n";
  for (const Track& t : tracks) {
    s << t.size() << " 1.5\n";
    for (const Point& p : t) {
      for (float v : p) s << v << " ";
      s << "\n";
    }
  }
  s << option << "\n";
  return s.str();
}

// A straight track along x at the lateral position z, from s = x = a to b.
Track straight(float a, float b, float z = 0.0f) { return {{a, 0, z, 0, 0, a, 0}, {b, 0, z, 0, 0, b, 0}}; }

std::string data_error(const char* label, std::string_view detail = {}) { return test::data_error_line(label, detail); }

struct TrackBuild {
  test::TestContext t;
  explicit TrackBuild(const std::string& rails) {
    test::write_file(t.dir / "Rails_Location.dat", rails);
    t->units.open(t->control.unit_rails_location, "Rails_Location.dat", OpenMode::unknown, UnitForm::text);
    t->track.modal_node_decimation = 1;
    irregularity(512.0f, 0.5f, [](float) { return std::array<float, 3>{}; });
  }
  // A profile of the given length and spacing with the samples fn(position):
  // vertical profile, alignment, cross level.
  void irregularity(float length, float spacing, const std::function<std::array<float, 3>(float)>& fn,
                    float ramp = 0.0f) {
    TrackIrregularity& irr = t->irregularity;
    irr.irregularity_length = length;
    irr.irregularity_spacing = spacing;
    irr.irregularity_ramp_length = ramp;
    const std::int32_t n = static_cast<std::int32_t>(length / spacing);
    irr.irregularity_profile.resize(n, 4);
    for (std::int32_t i = 1; i <= n; ++i) {
      const float x = static_cast<float>(i - 1) * spacing;
      const std::array<float, 3> v = fn(x);
      irr.irregularity_profile(i, 1) = x;
      for (int c = 0; c < 3; ++c) irr.irregularity_profile(i, c + 2) = v[c];
    }
  }
  // Bridge nodes (x, y, z), each an interface node, with zero shapes of
  // `modes` modes.
  void bridge(const std::vector<std::array<float, 3>>& nodes, std::int32_t modes) {
    BridgeModalModel& b = t->bridge;
    const auto n = static_cast<std::int32_t>(nodes.size());
    b.bridge_node_count = b.interface_node_count = n;
    b.bridge_mode_count = modes;
    b.node_numbers.resize(n);
    b.node_coordinates.resize(n, 3);
    b.interface_nodes.resize(n);
    b.mode_shapes.resize(modes, n, 6);
    b.interface_point_key.resize(n);
    b.interface_point_modes.resize(n, modes, 6);
    for (std::int32_t i = 1; i <= n; ++i) {
      b.node_numbers(i) = 100 + i;
      b.interface_nodes(i) = i;
      for (int c = 1; c <= 3; ++c) b.node_coordinates(i, c) = nodes[i - 1][c - 1];
    }
  }
  void build() { build_track_model(*t); }
  int build_stop() { return test::expect_stop([&] { build(); }); }
  float& node(std::int32_t k, int c, std::int32_t track = 1) { return t->track.track_nodes(k, c, track); }
  // Entry q = 1..9 of rail 1, q = 10..18 entry q - 9 of rail 2.
  float& shape(int q, std::int32_t m, std::int32_t k, std::int32_t track = 1) {
    return t->track.track_modal_vectors((q - 1) % 9 + 1, m, k, (q - 1) / 9 + 1, track);
  }
};

TEST(TrackModel, StraightTrackCarriesTheBridgeModeShapesToBothRails) {
  // A track from s = -10 to 50 over a bridge whose interface nodes lie 1.2 m
  // below and 0.3 m beside its centre line from x = 0 to 40; a sixth node
  // 0.0005 m from the one at 20 is passed over.
  TrackBuild b(rails_file(1.0f, {straight(-10.0f, 50.0f)}, 0));
  b.bridge({{0, -1.2f, 0.3f}, {10, -1.2f, 0.3f}, {20, -1.2f, 0.3f}, {20.0005f, -1.2f, 0.3f}, {30, -1.2f, 0.3f},
            {40, -1.2f, 0.3f}},
           2);
  BridgeModalModel& br = b.t->bridge;
  auto vertical = [](float x) { return (x / 40.0f) * (x / 40.0f); };
  auto torsion = [](float x) { return 0.01f * x / 40.0f; };
  for (std::int32_t n = 1; n <= 6; ++n) {
    const float x = br.node_coordinates(n, 1);
    br.mode_shapes(1, n, 2) = n == 4 ? 5.0f : vertical(x);
    br.mode_shapes(1, n, 4) = torsion(x);
    br.mode_shapes(2, n, 1) = 0.5f;
    br.mode_shapes(2, n, 3) = 1.0f;
  }
  b.build();
  EXPECT_EQ(b.t.console(), "");
  const TrackModel& tm = b.t->track;
  EXPECT_EQ(tm.track_node_count, 61);
  EXPECT_EQ(tm.coarse_node_count, 61);
  EXPECT_EQ(tm.coarse_node_spacing, 1.0f);
  for (std::int32_t k = 1; k <= 61; ++k) {
    EXPECT_EQ(b.node(k, 1), -11.0f + static_cast<float>(k));
    EXPECT_EQ(b.node(k, 4), b.node(k, 1));
  }
  // Interface nodes: arc length, and the point of the centre line above them.
  for (std::int32_t n = 1; n <= 6; ++n) {
    EXPECT_EQ(tm.interface_node_track(n), 1);
    EXPECT_FLOAT_EQ(br.node_coordinates(n, 1), n == 4 ? 20.0005f : 10.0f * static_cast<float>(n > 4 ? n - 2 : n - 1));
    EXPECT_FLOAT_EQ(br.node_coordinates(n, 2), 0.0f);
    EXPECT_FLOAT_EQ(br.node_coordinates(n, 3), 0.0f);
  }
  // The rotation about the track axis moves the centre line over the lever
  // from the node (0.3 m across, 1.2 m up), and each rail by 0.75 m more.
  for (std::int32_t k = 11; k <= 51; ++k) {
    const float s = b.node(k, 1), c4 = torsion(s);
    const float centre2 = vertical(s) + 0.3f * c4, centre3 = 1.2f * c4;
    EXPECT_NEAR(b.shape(2, 1, k), centre2 + 0.75f * c4, 1e-6f) << s;   // rail 1
    EXPECT_NEAR(b.shape(11, 1, k), centre2 - 0.75f * c4, 1e-6f) << s;  // rail 2
    EXPECT_NEAR(b.shape(3, 1, k), centre3, 1e-6f);
    EXPECT_NEAR(b.shape(12, 1, k), centre3, 1e-6f);
    EXPECT_NEAR(b.shape(4, 1, k), c4, 1e-7f);
    EXPECT_NEAR(b.shape(1, 2, k), 0.5f, 1e-6f);
    EXPECT_NEAR(b.shape(12, 2, k), 1.0f, 1e-6f);
    // Slope and curvature of the vertical shape at the rail, up to the
    // first and last node over the bridge.
    EXPECT_NEAR(b.shape(7, 1, k), 2.0f * s / 1600.0f + (0.3f + 0.75f) * 0.01f / 40.0f, 1e-5f) << s;
    EXPECT_NEAR(b.shape(9, 1, k), 2.0f / 1600.0f, 1e-5f) << s;
    EXPECT_NEAR(b.shape(17, 2, k), 0.0f, 1e-5f);
  }
  // At the stations of the interface nodes the rail carries their shapes.
  for (std::int32_t n : {1, 2, 3, 5, 6}) {
    const std::int32_t k = static_cast<std::int32_t>(br.node_coordinates(n, 1)) + 11;
    for (int q = 1; q <= 6; ++q) {
      const float lever = q == 2 ? 0.75f * br.mode_shapes(1, n, 4) : 0.0f;
      EXPECT_FLOAT_EQ(b.shape(q, 1, k) + 1.0f, br.mode_shapes(1, n, q) + lever + 1.0f) << n << " " << q;
      EXPECT_FLOAT_EQ(b.shape(9 + q, 1, k) + 1.0f, br.mode_shapes(1, n, q) - lever + 1.0f) << n << " " << q;
    }
  }
  // Beyond the bridge the track carries no bridge motion.
  for (std::int32_t k : {1, 10, 52, 61})
    for (int q = 1; q <= 18; ++q) EXPECT_EQ(b.shape(q, 1, k), 0.0f);
  // Geometry option 0 and no irregularity: the rails hold nothing.
  for (int c : {2, 3, 5, 6, 7, 11, 12, 14, 15}) EXPECT_EQ(b.node(30, c), 0.0f);
  EXPECT_FALSE(b.t->units.is_open(b.t->control.unit_rails_location));
}

TEST(TrackModel, CurvedCantedTrackGeometryAndInterfaceNodes) {
  // A curve of radius 200 m over 40 m with points every 2 m, rising 1:1000,
  // with a cant growing from 0.05 rad; interface nodes 1 m below the centre
  // line between the points.
  const float radius = 200.0f;
  Track curve;
  auto cant = [](float s) { return 0.05f + 0.001f * s; };
  for (int j = 0; j <= 20; ++j) {
    const float s = 2.0f * static_cast<float>(j), th = s / radius;
    curve.push_back({radius * std::sin(th), 0.001f * s, radius * (1.0f - std::cos(th)), th, 1.0f / radius, s, cant(s)});
  }
  TrackBuild b(rails_file(0.5f, {curve}, 1));
  std::vector<std::array<float, 3>> nodes;
  const float stations[] = {5.0f, 13.0f, 21.0f, 29.0f, 37.0f};
  for (float s : stations)
    nodes.push_back({radius * std::sin(s / radius), 0.001f * s - 1.0f, radius * (1.0f - std::cos(s / radius))});
  b.bridge(nodes, 1);
  BridgeModalModel& br = b.t->bridge;
  // The mode: a unit translation along the track's tangent at the node and a
  // unit rotation about it.
  for (std::int32_t n = 1; n <= 5; ++n) {
    const float th = stations[n - 1] / radius;
    br.mode_shapes(1, n, 1) = br.mode_shapes(1, n, 4) = std::cos(th);
    br.mode_shapes(1, n, 3) = br.mode_shapes(1, n, 6) = std::sin(th);
  }
  b.build();
  const TrackModel& tm = b.t->track;
  ASSERT_EQ(tm.track_node_count, 81);
  for (std::int32_t k = 1; k <= 81; ++k) {
    const float s = 0.5f * static_cast<float>(k - 1);
    EXPECT_FLOAT_EQ(b.node(k, 1), s);
    EXPECT_NEAR(b.node(k, 12), 1.0f / radius, 1e-9f);  // curvature
    EXPECT_NEAR(b.node(k, 14), s / radius, 1e-6f);     // direction angle
    EXPECT_NEAR(b.node(k, 15), cant(s), 1e-6f);        // cant
    // Option 1: the uniform gradient is the chord, so the vertical geometry
    // vanishes; on a curve the lateral geometry is cleared.
    for (int c : {2, 5}) EXPECT_NEAR(b.node(k, c), 0.0f, 1e-6f);
    for (int c : {3, 6}) EXPECT_EQ(b.node(k, c), 0.0f);
  }
  const float g = 1.5f;
  for (std::int32_t n = 1; n <= 5; ++n) {
    EXPECT_NEAR(br.node_coordinates(n, 1), stations[n - 1], 1e-4f);
    EXPECT_EQ(tm.interface_node_track(n), 1);
    // In the frame of the track: along it, rotating about it.
    EXPECT_NEAR(br.mode_shapes(1, n, 1), 1.0f, 1e-4f);
    EXPECT_NEAR(br.mode_shapes(1, n, 4), 1.0f, 1e-4f);
    EXPECT_NEAR(br.mode_shapes(1, n, 6), 0.0f, 6e-3f);
    // At the station each rail carries the node's shape with the rail's lever
    // (the end nodes' stations lie a hair outside the range of arc lengths).
    if (n == 1 || n == 5) continue;
    const auto k = static_cast<std::int32_t>(std::lround(stations[n - 1] / 0.5f)) + 1;
    for (int q = 1; q <= 6; ++q) {
      const float lever = q == 2 ? g / 2.0f * br.mode_shapes(1, n, 4) : 0.0f;
      EXPECT_NEAR(b.shape(q, 1, k), br.mode_shapes(1, n, q) + lever, 2e-5f) << n << " " << q;
      EXPECT_NEAR(b.shape(9 + q, 1, k), br.mode_shapes(1, n, q) - lever, 2e-5f) << n << " " << q;
    }
  }
}

// A horizontal circular curve of radius 500 m rising 0.5 %, its cant growing
// from 0.02 to 0.08 rad over 100 m, with control points every `spacing`
// metres; the arc length s is measured horizontally. Exact geometry in
// double.
struct CurvedGradedCantedTrack {
  double radius = 500.0, grade = 0.005, length = 100.0;
  double theta(double s) const { return s / radius; }
  double cant(double s) const { return 0.02 + 0.06 * s / length; }
  // Centre line (x, y, z).
  std::array<double, 3> centre(double s) const {
    return {radius * std::sin(theta(s)), grade * s, radius * (1.0 - std::cos(theta(s)))};
  }
  Track points(double spacing) const {
    Track t;
    const int n = static_cast<int>(std::lround(length / spacing));
    for (int j = 0; j <= n; ++j) {
      const double s = spacing * j;
      const auto c = centre(s);
      t.push_back({static_cast<float>(c[0]), static_cast<float>(c[1]), static_cast<float>(c[2]),
                   static_cast<float>(theta(s)), static_cast<float>(1.0 / radius), static_cast<float>(s),
                   static_cast<float>(cant(s))});
    }
    return t;
  }
};

using Vec = std::array<double, 3>;
Vec operator+(const Vec& a, const Vec& b) { return {a[0] + b[0], a[1] + b[1], a[2] + b[2]}; }
Vec operator*(double f, const Vec& a) { return {f * a[0], f * a[1], f * a[2]}; }
double dot(const Vec& a, const Vec& b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }
Vec cross(const Vec& a, const Vec& b) {
  return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}

TEST(TrackModel, OnACurveTheRailsMoveAsTheRigidSectionUnderThemDoes) {
  // Girder-axis nodes 1.6 m below the centre line: right under it at the
  // stations 25 m apart (under a control point, where the segment search
  // stops at the segment that ends there), 0.3 m outside it between them.
  // Mode 1 turns each section by a unit angle about the girder axis; mode 2
  // moves it by (0.2, 1, -0.4) and turns it by 0.5. Each rail, 0.75 m to
  // either side of the centre line across the canted track, must move as the
  // rigid section moves it, in the frame of the track at the node's own arc
  // length: along the line, normal to the canted track, across it. Control
  // points 25, 10 and 2 m apart give the same motion.
  const CurvedGradedCantedTrack line;
  const double v0 = -1.6, half_gauge = 0.75;
  auto outside = [](double s) { return std::fmod(s, 25.0) == 0.0 ? 0.0 : 0.3; };
  const double stations[] = {0.0, 12.5, 25.0, 37.5, 50.0, 62.5, 75.0, 87.5, 100.0};
  const Vec up{0.0, 1.0, 0.0};
  for (double spacing : {25.0, 10.0, 2.0}) {
    SCOPED_TRACE(spacing);
    TrackBuild b(rails_file(0.5f, {line.points(spacing)}, 1));
    std::vector<std::array<float, 3>> nodes;
    for (double s : stations) {
      const double th = line.theta(s);
      const Vec node = line.centre(s) + outside(s) * Vec{-std::sin(th), 0.0, std::cos(th)} + v0 * up;
      nodes.push_back({static_cast<float>(node[0]), static_cast<float>(node[1]), static_cast<float>(node[2])});
    }
    b.bridge(nodes, 2);
    BridgeModalModel& br = b.t->bridge;
    const Vec translation[2] = {{0.0, 0.0, 0.0}, {0.2, 1.0, -0.4}};
    const double turn[2] = {1.0, 0.5};
    for (std::int32_t n = 1; n <= 9; ++n) {
      const double th = line.theta(stations[n - 1]);
      for (std::int32_t m = 1; m <= 2; ++m) {
        for (int q = 1; q <= 3; ++q) br.mode_shapes(m, n, q) = static_cast<float>(translation[m - 1][q - 1]);
        br.mode_shapes(m, n, 4) = static_cast<float>(turn[m - 1] * std::cos(th));
        br.mode_shapes(m, n, 6) = static_cast<float>(turn[m - 1] * std::sin(th));
      }
    }
    b.build();
    EXPECT_EQ(b.t.console(), "");
    TrackModel& tm = b.t->track;

    // The rails' motion at each interface node, as the tabulation selects
    // it: rail 1 on the inner side (negative lateral offset), rail 2 outside.
    float rail_modes[2][9][2][6];
    for (std::int32_t r = 1; r <= 2; ++r) {
      const float point[3] = {b.node(1, 1), b.node(1, 2), b.node(1, 3)};
      std::int32_t count = 0;
      select_interface_nodes_for_track_point(*b.t, count, 9, point, 1, 3 * (r - 1));
      ASSERT_EQ(count, 9);
      for (std::int32_t p = 1; p <= 9; ++p)
        for (std::int32_t m = 1; m <= 2; ++m)
          for (int q = 1; q <= 6; ++q) rail_modes[r - 1][p - 1][m - 1][q - 1] = br.interface_point_modes(p, m, q);
    }

    for (std::int32_t n = 1; n <= 9; ++n) {
      const double s = stations[n - 1], th = line.theta(s), phi = line.cant(s);
      SCOPED_TRACE(s);
      EXPECT_EQ(tm.interface_node_track(n), 1);
      // The node's arc length, and the point of the centre line there.
      const Vec c = line.centre(s);
      EXPECT_NEAR(br.node_coordinates(n, 1), s, 1e-4);
      EXPECT_NEAR(br.node_coordinates(n, 2), c[1], 1e-4);
      EXPECT_NEAR(br.node_coordinates(n, 3), c[2], 1e-4);
      EXPECT_NEAR(b.t->bridge.interface_point_key(n), s, 1e-4);

      const Vec along{std::cos(th), 0.0, std::sin(th)}, across{-std::sin(th), 0.0, std::cos(th)};
      const Vec normal = std::cos(phi) * up + std::sin(phi) * across;     // of the canted track
      const Vec lateral = std::cos(phi) * across + -std::sin(phi) * up;  // across the canted track
      const Vec node = c + outside(s) * across + v0 * up;
      for (std::int32_t r = 1; r <= 2; ++r) {
        const Vec rail = c + (r == 1 ? -half_gauge : half_gauge) * lateral;
        for (std::int32_t m = 1; m <= 2; ++m) {
          const Vec u = translation[m - 1] + turn[m - 1] * cross(along, rail + -1.0 * node);
          const double expected[6] = {dot(u, along), dot(u, normal), dot(u, lateral), turn[m - 1], 0.0, 0.0};
          for (int q = 1; q <= 6; ++q)
            EXPECT_NEAR(rail_modes[r - 1][n - 1][m - 1][q - 1], expected[q - 1], 1e-4)
                << "rail " << r << " mode " << m << " component " << q;
          // The tabulated shapes at the node's station (the end stations lie
          // on the edge of the range of arc lengths).
          if (n == 1 || n == 9) continue;
          const auto k = static_cast<std::int32_t>(std::lround(s / 0.5)) + 1;
          for (int q = 1; q <= 6; ++q)
            EXPECT_NEAR(b.shape(9 * (r - 1) + q, m, k), expected[q - 1], 1e-4)
                << "rail " << r << " mode " << m << " component " << q;
        }
      }
    }
  }
}

TEST(TrackModel, OnStraightLevelTracksTheInterfaceNodesAreMeasuredAlongTheTangent) {
  // On a straight track of constant height the centre line is the tangent
  // of every control point: the node's arc length is that of the start of
  // its segment plus its distance along the tangent, its offsets are taken
  // from that point, and its shapes turn with the heading and the cant of
  // the track, to the last bit.
  struct Case {
    float heading, cant;
  };
  for (const Case& cs : {Case{0.0f, 0.0f}, Case{0.3f, 0.0f}, Case{0.0f, 0.05f}, Case{-0.2f, 0.07f}}) {
    SCOPED_TRACE(cs.heading);
    SCOPED_TRACE(cs.cant);
    const float c = std::cos(cs.heading), s = std::sin(cs.heading);
    const float arcs[4] = {-10.0f, 10.0f, 35.0f, 60.0f};
    Track track;
    for (float a : arcs) track.push_back({c * a + 3.0f, 1.6f, s * a - 0.4f, cs.heading, 0.0f, a, cs.cant});
    TrackBuild b(rails_file(0.5f, {track}, 0));
    // Stations and the segment each lies on (35: under point 3, which the
    // search gives to segment 2), with offsets across and below the line.
    const struct {
      float station, across, below;
      std::int32_t segment;
    } at[] = {{0.0f, 0.3f, 1.2f, 1}, {20.0f, -0.2f, 1.6f, 2}, {35.0f, 0.0f, 1.6f, 2}, {47.5f, 0.45f, 0.9f, 3}};
    std::vector<std::array<float, 3>> nodes;
    for (const auto& p : at)
      nodes.push_back({c * p.station + 3.0f - s * p.across, 1.6f - p.below, s * p.station - 0.4f + c * p.across});
    b.bridge(nodes, 1);
    BridgeModalModel& br = b.t->bridge;
    const float shape[6] = {0.11f, -0.7f, 0.35f, 0.013f, -0.002f, 0.004f};
    for (std::int32_t n = 1; n <= 4; ++n)
      for (int q = 1; q <= 6; ++q) br.mode_shapes(1, n, q) = shape[q - 1] * static_cast<float>(n);
    b.build();
    const Track& pts = track;
    for (std::int32_t n = 1; n <= 4; ++n) {
      const Point& k = pts[static_cast<std::size_t>(at[n - 1].segment - 1)];
      const auto& xyz = nodes[static_cast<std::size_t>(n - 1)];
      const float dx = xyz[0] - k[0], dz = xyz[2] - k[2];
      const float ck = std::cos(k[3]), sk = std::sin(k[3]);
      const float e = dz * ck - dx * sk, v = xyz[1] - k[1];
      const float sp = std::sin(k[6]), cp = std::sqrt(1.0f - sp * sp);
      EXPECT_EQ(br.node_coordinates(n, 1), (ck * dx + sk * dz) + k[5]) << n;
      float u[6];
      for (int q = 0; q < 6; ++q) u[q] = shape[q] * static_cast<float>(n);
      const float u1 = ck * u[0] + sk * u[2], u3 = -sk * u[0] + ck * u[2];
      const float u4 = ck * u[3] + sk * u[5], u6 = -sk * u[3] + ck * u[5];
      const float w2 = (cp * u[1] + sp * u3) + (e * cp - v * sp) * u4;
      const float w3 = (cp * u3 - sp * u[1]) - (e * sp + v * cp) * u4;
      const float expected[6] = {u1, w2, w3, u4, cp * u[4] + sp * u6, cp * u6 - sp * u[4]};
      for (int q = 1; q <= 6; ++q) EXPECT_EQ(br.mode_shapes(1, n, q), expected[q - 1]) << n << " " << q;
      // The point of the centre line: the control points' height, and the
      // lateral position of the line at the node's station.
      EXPECT_EQ(br.node_coordinates(n, 2), xyz[1] - v) << n;
      EXPECT_NEAR(br.node_coordinates(n, 3), s * at[n - 1].station - 0.4f, 4e-6f) << n;
    }
  }
}

TEST(TrackModel, CantTurnsTheInterfaceNodesIntoTheTrackFrame) {
  // A straight track at height 0.5 and lateral position 0.2 heading along
  // (0.96, 0.28) in (x, z), canted by the angle whose sine is 0.6. Each node
  // lies at a distance a along the track, e across it and v above it; the
  // expected values below are worked out from those numbers.
  const float theta = std::atan2(0.28f, 0.96f), phi = std::asin(0.6f);
  TrackBuild b(rails_file(1.0f, {{{0, 0.5f, 0.2f, theta, 0, 0, phi}, {38.4f, 0.5f, 11.4f, theta, 0, 40, phi}}}, 0));
  // (a, e, v) = (10, 0.5, -1), (20, -0.25, 0.5), (30, 0.5, -1).
  b.bridge({{9.46f, -0.5f, 3.48f}, {19.27f, 1.0f, 5.56f}, {28.66f, -0.5f, 9.08f}}, 1);
  BridgeModalModel& br = b.t->bridge;
  // In the heading frame the shape is (0.1, 0.2, 0.3, 0.4, 0.5, 0.6).
  const float global[6] = {0.012f, 0.2f, 0.316f, 0.216f, 0.5f, 0.688f};
  for (std::int32_t n = 1; n <= 3; ++n)
    for (int q = 1; q <= 6; ++q) br.mode_shapes(1, n, q) = global[q - 1];
  b.build();
  EXPECT_EQ(b.t.console(), "");
  // Cant: 2 and 3 become (0.34, 0.12), 5 and 6 (0.76, 0.18); the rotation
  // 0.4 about the track axis then adds 0.4 (e cos - v sin) to 2 and takes
  // 0.4 (e sin + v cos) from 3. The node's coordinates become those of the
  // centre line at its station: height 0.5, lateral 0.2 + 0.28 a, whatever
  // the cant and the heading.
  const struct {
    float s, y, z, shape2, shape3;
  } nodes[] = {{10, 0.5f, 3.0f, 0.74f, 0.32f}, {20, 0.5f, 5.8f, 0.14f, 0.02f}, {30, 0.5f, 8.6f, 0.74f, 0.32f}};
  for (std::int32_t n = 1; n <= 3; ++n) {
    const auto& e = nodes[n - 1];
    EXPECT_EQ(b.t->track.interface_node_track(n), 1);
    EXPECT_NEAR(br.node_coordinates(n, 1), e.s, 1e-5f) << n;
    EXPECT_NEAR(br.node_coordinates(n, 2), e.y, 1e-5f) << n;
    EXPECT_NEAR(br.node_coordinates(n, 3), e.z, 1e-5f) << n;
    const float expected[6] = {0.1f, e.shape2, e.shape3, 0.4f, 0.76f, 0.18f};
    for (int q = 1; q <= 6; ++q) EXPECT_NEAR(br.mode_shapes(1, n, q), expected[q - 1], 2e-6f) << n << " " << q;
  }
}

TEST(TrackModel, EachRailOfTwoTracksTakesItsOwnTracksNodes) {
  // Tracks at z = +2.25 and -2.25 m; the interface nodes of each lie on its
  // centre line, and mode m twists only the nodes of track m.
  TrackBuild b(rails_file(1.0f, {straight(0.0f, 40.0f, 2.25f), straight(0.0f, 40.0f, -2.25f)}, 0));
  std::vector<std::array<float, 3>> nodes;
  for (float z : {2.25f, -2.25f})
    for (float x : {0.0f, 10.0f, 20.0f, 30.0f, 40.0f}) nodes.push_back({x, 0.0f, z});
  b.bridge(nodes, 2);
  for (std::int32_t n = 1; n <= 10; ++n) b.t->bridge.mode_shapes(n <= 5 ? 1 : 2, n, 4) = 1.0f;
  b.build();
  for (std::int32_t n = 1; n <= 10; ++n) EXPECT_EQ(b.t->track.interface_node_track(n), n <= 5 ? 1 : 2);
  for (std::int32_t track = 1; track <= 2; ++track)
    for (std::int32_t k = 1; k <= 41; ++k)
      for (std::int32_t m = 1; m <= 2; ++m) {
        const float twist = m == track ? 1.0f : 0.0f;
        EXPECT_NEAR(b.shape(2, m, k, track), 0.75f * twist, 1e-6f) << track << " " << k << " " << m;
        EXPECT_NEAR(b.shape(11, m, k, track), -0.75f * twist, 1e-6f) << track << " " << k << " " << m;
        EXPECT_NEAR(b.shape(13, m, k, track), twist, 1e-6f);
      }
}

TEST(TrackModel, AShorterTrackCarriesModeShapesOnlyOverItsOwnNodes) {
  // Tracks of 60 m and 40 m at z = +2.25 and -2.25 m, nodes 1 m apart: track
  // 2 has 41 of the 61 rows, and the rows beyond hold s = 0, which lies in the
  // range of arc lengths of the interface nodes. One mode, linear along both
  // tracks: vertical 0.1 + 0.01 s, lateral 0.002 s.
  TrackBuild b(rails_file(1.0f, {straight(0.0f, 60.0f, 2.25f), straight(0.0f, 40.0f, -2.25f)}, 0));
  std::vector<std::array<float, 3>> nodes;
  for (float x : {0.0f, 15.0f, 30.0f, 45.0f, 60.0f}) nodes.push_back({x, 0.0f, 2.25f});
  for (float x : {0.0f, 10.0f, 20.0f, 30.0f, 40.0f}) nodes.push_back({x, 0.0f, -2.25f});
  b.bridge(nodes, 1);
  BridgeModalModel& br = b.t->bridge;
  for (std::int32_t n = 1; n <= 10; ++n) {
    br.mode_shapes(1, n, 2) = 0.1f + 0.01f * br.node_coordinates(n, 1);
    br.mode_shapes(1, n, 3) = 0.002f * br.node_coordinates(n, 1);
  }
  b.build();
  EXPECT_EQ(b.t.console(), "");
  ASSERT_EQ(b.t->track.track_node_count, 61);
  for (std::int32_t track : {1, 2}) {
    const std::int32_t own = track == 1 ? 61 : 41;
    for (int rail : {0, 9}) {
      for (std::int32_t k = 1; k <= own; ++k) {
        const float s = static_cast<float>(k - 1);
        EXPECT_NEAR(b.shape(rail + 2, 1, k, track), 0.1f + 0.01f * s, 1e-6f) << track << " " << k;
        EXPECT_NEAR(b.shape(rail + 3, 1, k, track), 0.002f * s, 1e-6f) << track << " " << k;
        // Slopes at every node of the track's own range, its ends included.
        EXPECT_NEAR(b.shape(rail + 7, 1, k, track), 0.01f, 1e-5f) << track << " " << k;
        EXPECT_NEAR(b.shape(rail + 8, 1, k, track), 0.002f, 1e-5f) << track << " " << k;
        EXPECT_NEAR(b.shape(rail + 9, 1, k, track), 0.0f, 1e-5f) << track << " " << k;
      }
    }
  }
  // The empty rows of track 2 carry nothing.
  for (std::int32_t k = 42; k <= 61; ++k)
    for (int q = 1; q <= 18; ++q) EXPECT_EQ(b.shape(q, 1, k, 2), 0.0f) << k << " " << q;
}

TEST(TrackModel, SineModesOfASimplySupportedSpanKeepTheirSlopeAtTheBearings) {
  // A 20 m span with interface nodes every 0.25 m under a track from -5 to
  // 25 m, nodes 0.125 m apart; modes 1 and 3 of vertical bending,
  // sin(n pi x / L). At the bearings the slope is largest: n pi / L at x = 0
  // and -n pi / L at x = L.
  constexpr float kSpan = 20.0f;
  constexpr std::int32_t kModes[] = {1, 3};
  TrackBuild b(rails_file(0.125f, {straight(-5.0f, 25.0f)}, 0));
  std::vector<std::array<float, 3>> nodes;
  for (int i = 0; i <= 80; ++i) nodes.push_back({0.25f * static_cast<float>(i), 0.0f, 0.0f});
  b.bridge(nodes, 2);
  BridgeModalModel& br = b.t->bridge;
  const float pi = 3.14159265f;
  for (std::int32_t n = 1; n <= 81; ++n)
    for (std::int32_t m = 1; m <= 2; ++m)
      br.mode_shapes(m, n, 2) = std::sin(static_cast<float>(kModes[m - 1]) * pi * br.node_coordinates(n, 1) / kSpan);
  b.build();
  const std::int32_t first = 41, last = 201;  // s = 0 and s = 20
  ASSERT_EQ(b.node(first, 1), 0.0f);
  ASSERT_EQ(b.node(last, 1), kSpan);
  for (std::int32_t m = 1; m <= 2; ++m) {
    const float slope = static_cast<float>(kModes[m - 1]) * pi / kSpan;
    for (int rail : {0, 9}) {
      EXPECT_NEAR(b.shape(rail + 7, m, first), slope, 0.01f * slope) << m << " " << rail;
      EXPECT_NEAR(b.shape(rail + 7, m, last), -slope, 0.01f * slope) << m << " " << rail;
      // Beyond the bearings the track carries no bridge motion.
      for (std::int32_t k : {first - 1, last + 1})
        for (int q = 1; q <= 9; ++q) EXPECT_EQ(b.shape(rail + q, m, k), 0.0f);
    }
  }
}

TEST(TrackModel, TracksTakeConsecutiveStretchesOfTheIrregularity) {
  // A vertical profile of 1 mm per metre of profile position; tracks of 100 m
  // and 60 m at a node spacing of 0.5 m, in either order.
  for (bool longer_first : {true, false}) {
    const Track a = straight(0.0f, 100.0f), c = straight(0.0f, 60.0f);
    TrackBuild b(rails_file(0.5f, longer_first ? std::vector<Track>{a, c} : std::vector<Track>{c, a}, 0));
    b.irregularity(512.0f, 0.25f, [](float x) { return std::array<float, 3>{1.0E-3f * x, 0.0f, 0.0f}; });
    b.build();
    const TrackModel& tm = b.t->track;
    ASSERT_EQ(tm.track_node_count, 201);
    const std::int32_t own2 = longer_first ? 121 : 201;
    const float start2 = longer_first ? 100.0f : 60.0f;
    EXPECT_EQ(b.node(own2, 1, 2), longer_first ? 60.0f : 100.0f);
    for (std::int32_t k = own2 + 1; k <= 201; ++k) {
      EXPECT_EQ(b.node(k, 1, 2), 0.0f);
      EXPECT_EQ(b.node(k, 4, 2), 0.0f);
      EXPECT_EQ(b.node(k, 2, 2), 0.0f);  // no irregularity left over from track 1
    }
    for (std::int32_t k : {2, 50, 120}) EXPECT_NEAR(b.node(k, 2, 1), 1.0E-3f * 0.5f * static_cast<float>(k - 1), 1e-6f);
    for (std::int32_t k : {2, 50, own2 - 1}) {
      EXPECT_NEAR(b.node(k, 2, 2), 1.0E-3f * (start2 + 0.5f * static_cast<float>(k - 1)), 1e-6f) << k;
      EXPECT_EQ(b.node(k, 5, 2), b.node(k, 2, 2));
      EXPECT_NEAR(b.node(k, 7, 2), 1.0E-3f, 1e-5f);  // slope
    }
  }
}

TEST(TrackModel, IrregularityOnTheRailsWithEndTapers) {
  // Alignment 1 mm and cross level 4 mm along a track of 100 nodes 1 m apart;
  // tapers of 10 m at both ends.
  TrackBuild b(rails_file(1.0f, {straight(0.0f, 99.0f)}, 0));
  b.irregularity(256.0f, 0.25f, [](float) { return std::array<float, 3>{0.0f, 1.0E-3f, 4.0E-3f}; }, 10.0f);
  b.build();
  auto weight = [](int k) { return 1.0f - std::cos(static_cast<float>(k) * 1.5707963f / 11.0f); };
  EXPECT_NEAR(weight(1), 0.0102f, 1e-4f);
  const struct {
    std::int32_t row;
    float w;
  } rows[] = {{1, weight(1)}, {11, weight(11)}, {12, 1.0f}, {50, 1.0f}, {89, 1.0f}, {90, weight(11)}, {100, weight(1)}};
  for (const auto& r : rows) {
    EXPECT_FLOAT_EQ(b.node(r.row, 2), 2.0E-3f * r.w) << r.row;   // rail 1 up by half the cross level
    EXPECT_FLOAT_EQ(b.node(r.row, 5), -2.0E-3f * r.w) << r.row;  // rail 2 down
    EXPECT_FLOAT_EQ(b.node(r.row, 3), 1.0E-3f * r.w) << r.row;
    EXPECT_FLOAT_EQ(b.node(r.row, 6), 1.0E-3f * r.w) << r.row;
  }
}

TEST(TrackModel, KeptLineGeometryAndItsDerivatives) {
  // Option 1 keeps the vertical curve y = s^2 / 1000 measured from its chord;
  // slope and curvature follow from central differences.
  TrackBuild b(rails_file(1.0f, {{{0, 0, 0, 0, 0, 0, 0}, {50, 2.5f, 0, 0, 0, 50, 0}, {100, 10, 0, 0, 0, 100, 0}}}, 1));
  b.build();
  for (std::int32_t k = 1; k <= 101; ++k) {
    const float s = static_cast<float>(k - 1);
    EXPECT_NEAR(b.node(k, 2), s * s / 1000.0f - 0.1f * s, 2e-5f) << s;
    EXPECT_EQ(b.node(k, 5), b.node(k, 2));
    if (k == 1 || k == 101) {
      for (int c : {7, 9, 11, 13}) EXPECT_EQ(b.node(k, c), 0.0f);
      continue;
    }
    EXPECT_NEAR(b.node(k, 7), 2.0f * s / 1000.0f - 0.1f, 2e-5f) << s;
    EXPECT_NEAR(b.node(k, 9), b.node(k, 7), 0.0f);
    EXPECT_NEAR(b.node(k, 11), 0.002f, 2e-5f) << s;
    EXPECT_NEAR(b.node(k, 13), 0.002f, 2e-5f);
  }
}

TEST(TrackModel, LateralGeometryIsKeptOnStraightTracksOnly) {
  // Tracks 1 and 3 curve slightly; track 2 is straight with a lateral bump of
  // 10 mm. Each track decides for itself.
  const Track curved = {
      {0, 0, 0, 0, 1.0E-4f, 0, 0}, {10, 0, 0.02f, 0, 1.0E-4f, 10, 0}, {20, 0, 0.005f, 0, 1.0E-4f, 20, 0}};
  const Track bump = {{0, 0, 0, 0, 0, 0, 0}, {10, 0, 0.01f, 0, 0, 10, 0}, {20, 0, 0, 0, 0, 20, 0}};
  TrackBuild b(rails_file(1.0f, {curved, bump, curved}, 1));
  b.build();
  for (std::int32_t k = 1; k <= 21; ++k) {
    EXPECT_EQ(b.node(k, 3, 1), 0.0f);
    EXPECT_EQ(b.node(k, 3, 3), 0.0f);
  }
  EXPECT_NEAR(b.node(11, 3, 2), 0.01f, 1e-7f);
  EXPECT_EQ(b.node(11, 6, 2), b.node(11, 3, 2));
}

TEST(TrackModel, VerticalAxisAsZAndArcLengthsRunningBackwards) {
  TrackBuild b("0.5 3\n1\n3 1.435\n1 2 3 0.1 0.01 50 0.02\n2 2 3 0.3 0.01 30 0.02\n3 2 3 0.5 0.01 10 0.02\n");
  b.t->solution.Coordination_sys_bridge = 1;
  b.build();
  const TrackModel& tm = b.t->track;
  const float stored[] = {3, -2, -0.1f, -0.01f, 50, 0.02f};
  for (int c = 2; c <= 7; ++c) EXPECT_EQ(tm.control_points(1, 1, c), stored[c - 2]) << c;
  EXPECT_EQ(tm.control_points(1, 1, 1), 50.0f);  // column 1 now holds the arc length
  EXPECT_EQ(tm.track_gauge(1), 1.435f);
  EXPECT_EQ(tm.track_option, 0);  // the file ends before the option
  ASSERT_EQ(tm.track_node_count, 81);
  // Nodes from s = 10 to 50; the angle is -(0.6 - s / 100) along them.
  for (std::int32_t k = 1; k <= 81; ++k) {
    const float s = 10.0f + 0.5f * static_cast<float>(k - 1);
    EXPECT_FLOAT_EQ(b.node(k, 1), s);
    EXPECT_NEAR(b.node(k, 14), -(0.6f - s / 100.0f), 1e-6f);
  }
}

TEST(TrackModel, InterfaceNodesAtOneStationAreReportedAndTheBuildGoesOnAfterOnePause) {
  // Two tracks 4.5 m apart, each with a pair of interface nodes less than
  // 1.0E-4 m apart in arc length: per pair the three lines of positions and
  // arc lengths and one line with the node numbers, the track and the file;
  // one pause for both.
  TrackBuild b(rails_file(1.0f, {straight(0.0f, 40.0f), straight(0.0f, 40.0f, 4.5f)}, 0));
  b.bridge({{0, 0, 0}, {10, 0, 0}, {20, 0, 0}, {20.00002f, 0, 0}, {40, 0, 0},
            {0, 0, 4.5f}, {10, 0, 4.5f}, {30, 0, 4.5f}, {30.00003f, 0, 4.5f}, {40, 0, 4.5f}},
           1);
  b.build();
  const BridgeModalModel& br = b.t->bridge;
  const auto pair = [&](std::int32_t track, std::int32_t p, std::int32_t q, const char* numbers, const char* at) {
    return list_directed_line({text::same_arc_length_on_track, track}) + "\n" +
           list_directed_line({text::node_number, p, q}) + "\n" +
           list_directed_line({text::arc_length_coordinate, br.node_coordinates(p, 1), br.node_coordinates(q, 1)}) +
           "\n Warning: Rails_Location.dat: bridge nodes " + numbers + " of the node list) lie on track " +
           std::to_string(track) + " at the same arc length, " + at +
           " m; the bridge mode shapes along the track take the first of them only.\n";
  };
  EXPECT_EQ(b.t.console(), pair(1, 3, 4, "103 and 104 (positions 3 and 4", "20") +
                               pair(2, 8, 9, "108 and 109 (positions 8 and 9", "30") + test::pause_text());
  EXPECT_EQ(b.t->track.track_node_count, 41);
  for (std::int32_t n = 1; n <= 10; ++n) EXPECT_EQ(b.t->track.interface_node_track(n), n <= 5 ? 1 : 2);
}

TEST(TrackModel, AnArcLengthShorterThanTheChordFromThePreviousPointStops) {
  // The horizontal chord between two points bounds the step of arc length
  // from below, up to the rounding allowance of 3 cm + 0.05 mm per metre of
  // the six values compared + 1 mm per metre of chord.
  const std::string coordinate_error_point3 = "  1" + std::string(text::track_number_suffix) + "  3" +
                                              std::string(text::control_point_coordinate_error) + "\n";
  const auto refused = [](std::string_view detail) {
    return test::data_error_line("\\Rails_Location.dat", "Rails_Location.dat (track 1, control point 3): bad value " +
                                                              std::string(detail));
  };
  const struct {
    const char* what;
    std::string rails;
    bool vertical_is_z;
    std::string console;  // empty: the build goes through
  } cases[] = {
      {"the arc length 32 typed as 23",
       "0.25 4\n1\n4 1.5\n-40 0 0 0 0 -40 0\n0 0 0 0 0 0 0\n32 0 0 0 0 23 0\n72 0 0 0 0 72 0\n", false,
       coordinate_error_point3 +
           refused("arc length 23 after 0: 23 m along the track from control point 2, less than the 32 m straight "
                   "horizontal distance between the two points (x and lateral position) by more than the rounding "
                   "allowance of 0.06475 m")},
      {"arc lengths running backwards",
       "0.25 3\n1\n3 1.5\n0 0 0 0 0 72 0\n40 0 0 0 0 32 0\n80 0 0 0 0 0 0\n", false,
       coordinate_error_point3 +
           refused("arc length 0 after 32: 32 m along the track from control point 2, less than the 40 m straight "
                   "horizontal distance between the two points (x and lateral position) by more than the rounding "
                   "allowance of 0.0776 m")},
      {"the lateral distance counts",
       "0.25 3\n1\n3 1.5\n-10 0 0 0 0 -10 0\n0 0 0 0 0 0 0\n30 0 40 0 0 40 0\n", false,
       coordinate_error_point3 +
           refused("arc length 40 after 0: 40 m along the track from control point 2, less than the 50 m straight "
                   "horizontal distance between the two points (x and lateral position) by more than the rounding "
                   "allowance of 0.0855 m")},
      // With the vertical axis as z the file's y is the lateral coordinate
      // and its z the height, which no horizontal chord holds.
      {"vertical axis z: y is lateral",
       "0.25 3\n1\n3 1.5\n-10 0 0 0 0 -10 0\n0 0 0 0 0 0 0\n30 40 0 0 0 40 0\n", true,
       coordinate_error_point3 +
           refused("arc length 40 after 0: 40 m along the track from control point 2, less than the 50 m straight "
                   "horizontal distance between the two points (x and lateral position) by more than the rounding "
                   "allowance of 0.0855 m")},
      {"vertical axis z: a rise is not horizontal",
       "0.25 3\n1\n3 1.5\n-10 0 0 0 0 -10 0\n0 0 0 0 0 0 0\n30 0 3 0 0 30 0\n", true, ""},
      // A straight of 100 m: the allowance is 0.13 m + 0.05 mm per metre of
      // the arc length 99.86 or so.
      {"100 m straight, arc 99.87", "0.25 3\n1\n3 1.5\n-10 0 0 0 0 -10 0\n0 0 0 0 0 0 0\n100 0 0 0 0 99.87 0\n",
       false, ""},
      {"100 m straight, arc 99.85", "0.25 3\n1\n3 1.5\n-10 0 0 0 0 -10 0\n0 0 0 0 0 0 0\n100 0 0 0 0 99.85 0\n",
       false,
       coordinate_error_point3 +
           refused("arc length 99.85 after 0: 99.85 m along the track from control point 2, less than the 100 m "
                   "straight horizontal distance between the two points (x and lateral position) by more than the "
                   "rounding allowance of 0.1399925 m")},
  };
  for (const auto& c : cases) {
    TrackBuild b(c.rails);
    b.t->solution.Coordination_sys_bridge = c.vertical_is_z ? 1 : 0;
    if (c.console.empty()) {
      b.build();
      EXPECT_EQ(b.t.console(), "") << c.what;
    } else {
      EXPECT_EQ(b.build_stop(), 1) << c.what;
      EXPECT_EQ(b.t.console(), c.console) << c.what;
    }
  }
}

TEST(TrackModel, ControlPointsWrittenWithFewDigitsPassTheChordCheck) {
  // Tracks whose arc lengths fall short of the chords by the rounding of the
  // values as written, each within one term of the allowance.
  const auto rounded = [](double v, double unit) { return static_cast<float>(std::round(v / unit) * unit); };
  std::vector<Track> tracks;
  // A curve of radius 300 m, points 20 m apart, every value to the
  // centimetre.
  Track curve;
  for (int j = 0; j < 8; ++j) {
    const double s = 20.0 * j, th = s / 300.0;
    curve.push_back({rounded(300.0 * std::sin(th), 0.01), 0.0f, rounded(300.0 * (1.0 - std::cos(th)), 0.01),
                     static_cast<float>(th), 1.0f / 300.0f, rounded(s, 0.01), 0.0f});
  }
  tracks.push_back(curve);
  // Chainages of 12 km written to the metre (five significant digits) along
  // points 20.4 m apart: steps of 20 and 21 m.
  Track chainage;
  for (int j = 0; j < 6; ++j) {
    const double x = 500.0 + 20.4 * j;
    chainage.push_back({static_cast<float>(x), 0.0f, 0.0f, 0.0f, 0.0f, rounded(12345.6 + 20.4 * j, 1.0), 0.0f});
  }
  tracks.push_back(chainage);
  // A straight 0.04 rad off the x axis with the arc length taken as x: 0.08 %
  // short, 8 cm a point 100 m on.
  Track skew;
  for (double a : {0.0, 100.0, 200.0}) {
    const auto x = static_cast<float>(a * std::cos(0.04)), z = static_cast<float>(a * std::sin(0.04));
    skew.push_back({x, 0.0f, z, 0.04f, 0.0f, x, 0.0f});
  }
  tracks.push_back(skew);
  for (const Track& t : tracks) {
    TrackBuild b(rails_file(0.5f, {t}, 0));
    b.build();
    EXPECT_EQ(b.t.console(), "");
  }
}

TEST(SortWithIndex, AscendingWithEqualValuesInTheirOrder) {
  float values[] = {3.0f, 1.0f, 2.0f, 1.0f, -4.0f};
  std::int32_t index[] = {10, 20, 30, 40, 50};
  sort_with_index(values, index, 5);
  EXPECT_EQ(std::vector<float>(values, values + 5), (std::vector<float>{-4, 1, 1, 2, 3}));
  EXPECT_EQ(std::vector<std::int32_t>(index, index + 5), (std::vector<std::int32_t>{50, 20, 40, 30, 10}));
}

TEST(TrackModel, InputErrorsStopTheBuild) {
  const std::string one_track = rails_file(1.0f, {straight(0.0f, 40.0f)}, 0);
  const std::vector<std::array<float, 3>> five = {{0, 0, 0}, {10, 0, 0}, {20, 0, 0}, {30, 0, 0}, {40, 0, 0}};
  // 400 million nodes on each of 100 tracks: 2.4 TB of node table.
  std::vector<Track> hundred_tracks_the_first_long(100, straight(0.0f, 10.0f));
  hundred_tracks_the_first_long[0] = straight(0.0f, 1.0E8f);
  const auto rails_detail = [](std::string_view detail) { return data_error("\\Rails_Location.dat", detail); };
  const struct {
    const char* what;
    std::string rails;
    std::function<void(TrackBuild&)> setup;
    std::string console;
  } cases[] = {
      {"empty file", "", nullptr, rails_detail("Rails_Location.dat: the file is empty")},
      {"spacing 0", rails_file(0.0f, {straight(0.0f, 40.0f)}, 0), nullptr,
       rails_detail("Rails_Location.dat (header: track node spacing): bad value 0, must be above 0")},
      {"more points than announced", "1 2\n1\n3 1.5\n0 0 0 0 0 0 0\n5 0 0 0 0 5 0\n9 0 0 0 0 9 0\n", nullptr,
       rails_detail("Rails_Location.dat (track 1: number of control points and gauge): bad value 3 control points, "
                    "must be at most 2 (the header's largest)")},
      {"unreadable point", "1 2\n1\n2 1.5\n0 0 0 0 0 0 0\n10 0 x 0 0 10 0\n", nullptr,
       rails_detail("Rails_Location.dat line 5 (control point 2 of 2, track 1; count on line 3): bad value \"x\", not "
                    "a number")},
      {"file ends inside a point", "1 2\n1\n2 1.5\n0 0 0 0 0 0 0\n10 0 0\n", nullptr,
       rails_detail("Rails_Location.dat (control point 2 of 2, track 1; count on line 3): the file ends after line 5 "
                    "before this record is complete")},
      {"a letter for the rail geometry option", "1 2\n1\n2 1.5\n0 0 0 0 0 0 0\n40 0 0 0 0 40 0\nO\n", nullptr,
       rails_detail("Rails_Location.dat line 6 (rail geometry option): bad value \"O\", not a number")},
      {"rail geometry option 2", rails_file(1.0f, {straight(0.0f, 40.0f)}, 2), nullptr,
       rails_detail("Rails_Location.dat (rail geometry option): bad value 2, must be 0 (the irregularity only) or 1 "
                    "(the line's own geometry as well)")},
      {"negative largest number of control points", "1 -1\n1\n2 1.5\n0 0 0 0 0 0 0\n40 0 0 0 0 40 0\n0\n", nullptr,
       rails_detail("Rails_Location.dat (header: largest number of control points): bad value -1, must be 0 or "
                    "more")},
      {"negative control point count of the first of two tracks",
       "1 2\n2\n-1 1.5\n0 0 0 0 0 0 0\n40 0 0 0 0 40 0\n2 1.5\n0 0 0 0 0 0 0\n40 0 0 0 0 40 0\n0\n", nullptr,
       rails_detail("Rails_Location.dat (track 1: number of control points): bad value -1, must be 2 or more")},
      {"a control point too far for the node count", rails_file(0.25f, {straight(0.0f, 1.0E9f)}, 0), nullptr,
       rails_detail("Rails_Location.dat (track 1, control point 2): bad value arc length 1e+09, must lie within "
                    "536870880 m of control point 1 (0) for a 32-bit count of track nodes 0.25 m apart")},
      {"a control point too far for the memory", rails_file(0.25f, hundred_tracks_the_first_long, 0), nullptr,
       rails_detail("Rails_Location.dat (track 1, control point 2): bad value arc length 1e+08, 400000001 track nodes "
                    "0.25 m apart from control point 1 (0), more than the memory holds for 100 tracks")},
      {"gauge 0", "1 2\n1\n2 0\n0 0 0 0 0 0 0\n40 0 0 0 0 40 0\n0\n", nullptr,
       rails_detail("Rails_Location.dat (track 1: number of control points and gauge): bad value gauge 0 m, must be "
                    "above 0 (the distance between the contact points of the two rails)")},
      {"negative gauge of the second track",
       "1 2\n2\n2 1.435\n0 0 0 0 0 0 0\n40 0 0 0 0 40 0\n2 -1.435\n0 0 4 0 0 0 0\n40 0 4 0 0 40 0\n0\n", nullptr,
       rails_detail("Rails_Location.dat (track 2: number of control points and gauge): bad value gauge -1.435 m, must "
                    "be above 0 (the distance between the contact points of the two rails)")},
      {"one control point", "1 2\n1\n1 1.5\n0 0 0 0 0 0 0\n0\n", nullptr,
       rails_detail("Rails_Location.dat (track 1: number of control points): bad value 1, must be 2 or more")},
      {"no track under interface nodes", "1 2\n0\n0\n", [&](TrackBuild& b) { b.bridge(five, 1); },
       rails_detail("Rails_Location.dat (number of tracks): bad value 0, must be 1 or more for the bridge's "
                    "interface nodes")},
      {"interface nodes beyond the track", one_track,
       [](TrackBuild& b) {
         b.bridge({{500, 0, 0}, {510, 0, 0}, {520, 0, 0}}, 1);
       },
       rails_detail("Rails_Location.dat (control points): no track reaches the bridge: its interface nodes lie at arc "
                    "lengths 500 to 520 m, the rails of the tracks run from 0 to 40 m")},
      {"fewer than five track nodes", rails_file(1.0f, {straight(0.0f, 3.0f)}, 0), nullptr,
       rails_detail("Rails_Location.dat (header: track node spacing): bad value 1, gives the longest track 4 nodes "
                    "(4 for the mode shapes), too few for the interpolation along the track")},
      {"fewer than two coarse nodes", rails_file(1.0f, {straight(0.0f, 4.0f)}, 0),
       [](TrackBuild& b) {
         b.bridge({{0, 0, 0}, {2, 0, 0}, {4, 0, 0}}, 1);
         b.t->track.modal_node_decimation = 3;
       },
       rails_detail("Rails_Location.dat (header: track node spacing): bad value 1, gives the longest track 5 nodes "
                    "(1 for the mode shapes), too few for the interpolation along the track")},
      {"arc lengths turning back", "1 3\n1\n3 1.5\n0 0 0 0 0 0 0\n10 0 0 0 0 10 0\n5 0 0 0 0 5 0\n", nullptr,
       "  1" + std::string(text::track_number_suffix) + "  3" + std::string(text::control_point_coordinate_error) +
           "\n" +
           rails_detail("Rails_Location.dat (track 1, control point 3): bad value arc length 5 after 10, must rise or "
                        "fall strictly from point to point, as from point 1 to point 2")},
      {"equal first arc lengths", "1 3\n1\n3 1.5\n0 0 0 0 0 0 0\n10 0 0 0 0 0 0\n20 0 0 0 0 20 0\n", nullptr,
       "  1" + std::string(text::track_number_suffix) + "  2" + std::string(text::control_point_coordinate_error) +
           "\n" +
           rails_detail("Rails_Location.dat (track 1, control point 2): bad value arc length 0 after 0, must rise or "
                        "fall strictly from point to point, as from point 1 to point 2")},
      {"profile shorter than a node spacing", one_track,
       [](TrackBuild& b) { b.irregularity(0.5f, 0.25f, [](float) { return std::array<float, 3>{}; }); },
       list_directed_line({text::irregularity_too_short}) + "\n" +
           data_error("\\Irregularity.dat",
                      "Irregularity.dat (record 2): bad value length: the profile's 2 samples 0.25 m apart (the "
                      "length rounded up to a power of two of samples) reach from 0 to 0.25 m, short of track 1, 40 "
                      "m long, which takes the profile from 0 to 40 m; a length of 40.25 m or more covers it")},
      {"profile shorter than its track", rails_file(0.5f, {straight(0.0f, 40.0f)}, 0),
       [](TrackBuild& b) { b.irregularity(32.0f, 0.5f, [](float) { return std::array<float, 3>{}; }); },
       list_directed_line({text::irregularity_too_short}) + "\n" +
           data_error("\\Irregularity.dat",
                      "Irregularity.dat (record 2): bad value length: the profile's 64 samples 0.5 m apart (the "
                      "length rounded up to a power of two of samples) reach from 0 to 31.5 m, short of track 1, 40 "
                      "m long, which takes the profile from 0 to 40 m; a length of 40.5 m or more covers it")},
      {"profile shorter than the tracks", rails_file(0.5f, {straight(0.0f, 100.0f), straight(0.0f, 100.0f)}, 0),
       [](TrackBuild& b) { b.irregularity(150.0f, 0.25f, [](float) { return std::array<float, 3>{}; }); },
       list_directed_line({text::irregularity_too_short}) + "\n" +
           data_error("\\Irregularity.dat",
                      "Irregularity.dat (record 2): bad value length: the profile's 600 samples 0.25 m apart (the "
                      "length rounded up to a power of two of samples) reach from 0 to 149.75 m, short of track 2, "
                      "100 m long, which takes the profile from 100 to 200 m, after track 1; a length of 200.25 m or "
                      "more covers it")},
      {"one interface node", one_track,
       [](TrackBuild& b) {
         b.bridge({{10, 0, 0}}, 1);
       },
       " Number of track nodes are less than 2\n" +
           rails_detail("Rails_Location.dat (track 1): bad value 1 interface nodes of Modal_Substructure_Bridge.dat at "
                        "distinct arc lengths on the track nearest its first node, must be 2 or more")},
      {"two interface nodes", one_track,
       [](TrackBuild& b) {
         b.bridge({{10, 0, 0}, {20, 0, 0}}, 1);
       },
       " Not sufficient number of points for interpolation!\n" +
           rails_detail("Rails_Location.dat (track 1): bad value 2 interface nodes of Modal_Substructure_Bridge.dat at "
                        "distinct arc lengths on the track nearest its first node, must be 3 or more")},
  };
  for (const auto& c : cases) {
    TrackBuild b(c.rails);
    if (c.setup) c.setup(b);
    EXPECT_EQ(b.build_stop(), 1) << c.what;
    EXPECT_EQ(b.t.console(), c.console) << c.what;
  }
}

}  // namespace
}  // namespace tb
