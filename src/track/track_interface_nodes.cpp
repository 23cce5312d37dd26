#include <cmath>

#include "platform/texts.h"
#include "run/input_helpers.h"
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

}  // namespace

void place_interface_nodes_on_tracks(RunContext& ctx) {
  TrackModel& tm = ctx.track;
  BridgeModalModel& b = ctx.bridge;
  tm.interface_node_track.resize(b.bridge_node_count);
  for (std::int32_t p = 1; p <= b.interface_node_count; ++p) {
    const std::int32_t n = b.interface_nodes(p);
    if (n < 1 || n > b.bridge_node_count) check_read_status(ctx, 101, "\\Modal_Substructure_Bridge.dat");
    const float x = b.node_coordinates(n, 1), y = b.node_coordinates(n, 2), z = b.node_coordinates(n, 3);

    // The nearest track, measured across the track at the start of the
    // node's segment; a later track must be 0.1 m nearer to take the node.
    float best = 1.0E10f;
    std::int32_t track = 0, k = 0;
    float c = 1.0f, s = 0.0f, e = 0.0f, v = 0.0f, a = 0.0f;
    for (std::int32_t i = 1; i <= tm.track_count; ++i) {
      const std::int32_t ki = segment_of(tm, i, x, z);
      const float dx = x - tm.control_points(i, ki, 1);
      const float dz = z - tm.control_points(i, ki, 3);
      const float ci = std::cos(tm.control_points(i, ki, 4)), si = std::sin(tm.control_points(i, ki, 4));
      const float ei = dz * ci - dx * si;
      const float vi = y - tm.control_points(i, ki, 2);
      const float dist = std::sqrt(ei * ei + vi * vi);
      if (track == 0 || best - dist >= 0.1f) {
        best = dist;
        track = i;
        k = ki;
        c = ci;
        s = si;
        e = ei;
        v = vi;
        a = ci * dx + si * dz;
      }
    }
    tm.interface_node_track(n) = track;
    b.node_coordinates(n, 1) = a + tm.control_points(track, k, 6);

    const float sp = std::sin(tm.control_points(track, k, 7));
    const float cp = std::sqrt(1.0f - sp * sp);
    b.node_coordinates(n, 2) = y - e * sp - v * cp;
    b.node_coordinates(n, 3) = z + v * sp - e * cp;
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
        ctx.console.pause();
      }
    }
  }
}

}  // namespace tb
