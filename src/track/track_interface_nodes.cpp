#include <algorithm>
#include <cmath>
#include <string>

#include "input/read_errors.h"
#include "model/file_names.h"
#include "platform/texts.h"
#include "track/track_build_steps.h"

namespace tb {

namespace {

constexpr float kRightAngle = 1.5707964f;

// Angle between the horizontal direction from control point j of track i to
// the point (x, z) and the track direction at j; a right angle when the point
// lies on the vertical through j.
float angle_to_track(const TrackModel& tm, std::int32_t i, std::int32_t j, float x, float z) {
  const float dx = x - tm.control_points(i, j, 1);
  const float dz = z - tm.control_points(i, j, 3);
  const float d = std::sqrt(dx * dx + dz * dz);
  if (d == 0.0f) return kRightAngle;
  const float t = std::tan(tm.control_points(i, j, 4));
  return std::acos((dx + dz * t) / d / std::sqrt(t * t + 1.0f) / 1.00001f);
}

// The segment of track i between whose end normals the point lies: the first
// whose two angles lie on either side of a right angle, else the last.
std::int32_t segment_of(const TrackModel& tm, std::int32_t i, float x, float z) {
  const std::int32_t last = tm.control_point_count(i) - 1;
  float a1 = angle_to_track(tm, i, 1, x, z);
  for (std::int32_t k = 1; k <= last; ++k) {
    const float a2 = angle_to_track(tm, i, k + 1, x, z);
    if ((kRightAngle - a1) * (kRightAngle - a2) <= 0.0f) return k;
    a1 = a2;
  }
  return last;
}

// The line geometry of track i between control points: the polynomial of
// the window of control points that the node table uses on segment k (the
// points min(k, n - w + 1) onwards, w = min(n, 3)), of control column col,
// taken relative to its value at point k. Terms are formed as the node table
// forms them; a column that is the same at every point of the window gives
// exactly 0.
float window_change(const TrackModel& tm, std::int32_t i, std::int32_t k, int col, float s) {
  const std::int32_t n = tm.control_point_count(i);
  const std::int32_t w = std::min<std::int32_t>(n, 3);
  const std::int32_t first = std::min(k, n - w + 1);
  const float ref = tm.control_points(i, k, col);
  float sum = 0.0f;
  for (std::int32_t j = first; j < first + w; ++j) {
    float term = tm.control_points(i, j, col) - ref;
    for (std::int32_t p = first; p < first + w; ++p) {
      if (p == j) continue;
      term = term * (s - tm.control_points(i, p, 6));
      term = term / (tm.control_points(i, j, 6) - tm.control_points(i, p, 6));
    }
    sum += term;
  }
  return sum;
}

// Where the centre line of track i, reached from control point k along the
// interpolated direction angle, lies at a distance a along the line: its
// departure from the tangent at k, as the distance t along that tangent and n
// across it, and the turn d of the direction from k. The direction angle is
// interpolated as in the node table (exact on straights, circular arcs and
// transition curves whose curvature changes linearly); the two integrals
// are taken by four-point Gauss quadrature, the one along the tangent as a
// minus its shortfall 2 sin^2(d/2), so that a straight gives t = a and n = 0
// exactly.
struct LineDeparture {
  float t, n, d;
};

LineDeparture line_departure(const TrackModel& tm, std::int32_t i, std::int32_t k, float a) {
  constexpr float kNode[4] = {-0.86113631f, -0.33998104f, 0.33998104f, 0.86113631f};
  constexpr float kWeight[4] = {0.34785485f, 0.65214515f, 0.65214515f, 0.34785485f};
  const float sk = tm.control_points(i, k, 6);
  float shortfall = 0.0f, across = 0.0f;
  for (int q = 0; q < 4; ++q) {
    const float sigma = 0.5f * a * (1.0f + kNode[q]);
    const float d = window_change(tm, i, k, 4, sk + sigma);
    const float h = std::sin(0.5f * d);
    shortfall += kWeight[q] * (2.0f * h * h);
    across += kWeight[q] * std::sin(d);
  }
  return {a - 0.5f * a * shortfall, 0.5f * a * across, window_change(tm, i, k, 4, a + sk)};
}

// The foot of the point (x, y, z) on the centre line of track i: the arc
// length where the point lies in the line's normal plane, its horizontal
// offset e across the line and its height v above it there, and the line's
// direction angle and cant there.
struct LineFoot {
  std::int32_t k;        // control point the arc length is measured from
  float a;               // distance from point k along the line
  float e, v;            // across (horizontal) and above the line at the foot
  float theta, cant;     // direction angle and cant at the foot
};

LineFoot foot_from_point(const TrackModel& tm, std::int32_t i, std::int32_t k, float x, float y, float z) {
  const float dx = x - tm.control_points(i, k, 1);
  const float dz = z - tm.control_points(i, k, 3);
  const float ck = std::cos(tm.control_points(i, k, 4)), sk = std::sin(tm.control_points(i, k, 4));
  // Along and across the tangent at k.
  const float a0 = ck * dx + sk * dz;
  const float e0 = dz * ck - dx * sk;
  // The foot: the point's offset from the line along the line's own
  // direction vanishes. Each pass moves a by that offset; the offset shrinks
  // by the factor e * curvature per pass.
  float a = a0;
  LineDeparture l = line_departure(tm, i, k, a);
  for (int pass = 0; pass < 12; ++pass) {
    const float along = std::cos(l.d) * (a0 - l.t) + std::sin(l.d) * (e0 - l.n);
    if (!(std::fabs(along) > 1.0E-6f * (1.0f + std::fabs(a)))) break;
    a = a + along;
    l = line_departure(tm, i, k, a);
  }
  LineFoot f;
  f.k = k;
  f.a = a;
  f.e = std::cos(l.d) * (e0 - l.n) - std::sin(l.d) * (a0 - l.t);
  const float s = a + tm.control_points(i, k, 6);
  f.v = y - (tm.control_points(i, k, 2) + window_change(tm, i, k, 2, s));
  f.theta = tm.control_points(i, k, 4) + l.d;
  f.cant = tm.control_points(i, k, 7) + window_change(tm, i, k, 7, s);
  return f;
}

// The segment of track i to measure an arc length s from: segment k while s
// lies on it or less than a quarter of its length beyond either end, else
// the segment that holds s (the first or the last one for an s before or
// beyond the track).
std::int32_t segment_holding(const TrackModel& tm, std::int32_t i, std::int32_t k, float s) {
  const float s1 = tm.control_points(i, k, 6), s2 = tm.control_points(i, k + 1, 6);
  const float margin = 0.25f * std::fabs(s2 - s1);
  if (s >= std::min(s1, s2) - margin && s <= std::max(s1, s2) + margin) return k;
  const std::int32_t last = tm.control_point_count(i) - 1;
  const bool ascending = tm.control_points(i, 2, 6) > tm.control_points(i, 1, 6);
  for (std::int32_t j = 1; j < last; ++j) {
    const float next = tm.control_points(i, j + 1, 6);
    if (ascending ? s < next : s > next) return j;
  }
  return last;
}

// The foot measured from the start of the node's segment; when the foot's
// arc length lies on another segment, measured again from that one's start,
// so that the interpolation runs over the stretch of line where the foot is.
LineFoot foot_on_track(const TrackModel& tm, std::int32_t i, float x, float y, float z) {
  LineFoot f = foot_from_point(tm, i, segment_of(tm, i, x, z), x, y, z);
  for (int pass = 0; pass < 3; ++pass) {
    const std::int32_t k = segment_holding(tm, i, f.k, f.a + tm.control_points(i, f.k, 6));
    if (k == f.k) break;
    f = foot_from_point(tm, i, k, x, y, z);
  }
  return f;
}

}  // namespace

void place_interface_nodes_on_tracks(RunContext& ctx) {
  TrackModel& tm = ctx.track;
  BridgeModalModel& b = ctx.bridge;
  tm.interface_node_track.resize(b.bridge_node_count);
  for (std::int32_t p = 1; p <= b.interface_node_count; ++p) {
    const std::int32_t n = b.interface_nodes(p);
    if (n < 1 || n > b.bridge_node_count)
      stop_with_unknown_node(ctx, bridge_master_file, ctx.control.unit_bridge_master,
                             "interface node " + std::to_string(p), n);
    const float x = b.node_coordinates(n, 1), y = b.node_coordinates(n, 2), z = b.node_coordinates(n, 3);

    // The nearest track, measured from its centre line where the node lies
    // in the line's normal plane; a later track must be 0.1 m nearer to take
    // the node.
    float best = 1.0E10f;
    std::int32_t track = 0;
    LineFoot foot{};
    for (std::int32_t i = 1; i <= tm.track_count; ++i) {
      const LineFoot fi = foot_on_track(tm, i, x, y, z);
      const float dist = std::sqrt(fi.e * fi.e + fi.v * fi.v);
      if (track == 0 || best - dist >= 0.1f) {
        best = dist;
        track = i;
        foot = fi;
      }
    }
    tm.interface_node_track(n) = track;
    b.node_coordinates(n, 1) = foot.a + tm.control_points(track, foot.k, 6);

    // The frame of the line at the foot: its direction and its cant there.
    const float c = std::cos(foot.theta), s = std::sin(foot.theta);
    const float e = foot.e, v = foot.v;
    const float sp = std::sin(foot.cant);
    const float cp = std::sqrt(1.0f - sp * sp);
    // The point of the centre line that the shapes are carried to: e across
    // the line horizontally and v below the node.
    b.node_coordinates(n, 2) = y - v;
    b.node_coordinates(n, 3) = z - e * c;
    for (std::int32_t m = 1; m <= b.bridge_mode_count; ++m) {
      float u[6];
      for (int q = 0; q < 6; ++q) u[q] = b.mode_shapes(m, n, q + 1);
      // Heading: into the track's direction.
      const float u1 = c * u[0] + s * u[2], u3 = -s * u[0] + c * u[2];
      const float u4 = c * u[3] + s * u[5], u6 = -s * u[3] + c * u[5];
      // Cant: about the track axis.
      float w2 = cp * u[1] + sp * u3, w3 = cp * u3 - sp * u[1];
      const float w5 = cp * u[4] + sp * u6, w6 = cp * u6 - sp * u[4];
      // Rigid link from the node to its point on the centre line.
      w2 = w2 + (e * cp - v * sp) * u4;
      w3 = w3 - (e * sp + v * cp) * u4;
      b.mode_shapes(m, n, 1) = u1;
      b.mode_shapes(m, n, 2) = w2;
      b.mode_shapes(m, n, 3) = w3;
      b.mode_shapes(m, n, 4) = u4;
      b.mode_shapes(m, n, 5) = w5;
      b.mode_shapes(m, n, 6) = w6;
    }
  }

  for (std::int32_t i = 1; i <= tm.track_count; ++i)
    for (std::int32_t j = 1; j <= tm.max_control_points; ++j) tm.control_points(i, j, 1) = tm.control_points(i, j, 6);

  // Two interface nodes of one track at the same arc length: the mode shapes
  // along the track take the first of them only. Each pair is named with its
  // track; the run waits once for all of them.
  bool coincident = false;
  for (std::int32_t p = 1; p <= b.interface_node_count; ++p) {
    const std::int32_t na = b.interface_nodes(p);
    for (std::int32_t q = p + 1; q <= b.interface_node_count; ++q) {
      const std::int32_t nb = b.interface_nodes(q);
      const std::int32_t track = tm.interface_node_track(na);
      if (track == tm.interface_node_track(nb) &&
          std::fabs(b.node_coordinates(na, 1) - b.node_coordinates(nb, 1)) < 1.0E-4f && track > 0) {
        ctx.console.list_line({text::same_arc_length_on_track, track});
        ctx.console.list_line({text::node_number, na, nb});
        ctx.console.list_line({text::arc_length_coordinate, b.node_coordinates(na, 1), b.node_coordinates(nb, 1)});
        // The lines above give the nodes' positions in the bridge node list;
        // this one their numbers, as the bridge master file gives them.
        std::string nodes = "bridge nodes " + std::to_string(b.node_numbers(na)) + " and " +
                            std::to_string(b.node_numbers(nb));
        if (b.node_numbers(na) != na || b.node_numbers(nb) != nb)
          nodes += " (positions " + std::to_string(na) + " and " + std::to_string(nb) + " of the node list)";
        ctx.console.line(" Warning: " + unit_file_name(ctx, ctx.control.unit_rails_location, rails_location_file) +
                         ": " + nodes + " lie on track " + std::to_string(track) + " at the same arc length, " +
                         value_text(b.node_coordinates(na, 1)) +
                         " m; the bridge mode shapes along the track take the first of them only.");
        coincident = true;
      }
    }
  }
  if (coincident) ctx.console.pause();
}

}  // namespace tb
