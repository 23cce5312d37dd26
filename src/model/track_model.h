// TrackModel: the tracks the trains run on, built once by build_track_model
// from "Rails_Location.dat" and read-only afterwards: control points, node
// tables of both rails with rail geometry, irregularity, slopes and curvature,
// the track of every bridge interface node, and the bridge mode shapes carried
// onto the coarse track nodes of both rails.
//
// Axes: x along the bridge, y vertical (up), z lateral; s is the arc length
// along a track. Lengths in m, angles in rad.
#pragma once

#include <cstdint>

#include "platform/array.h"

namespace tb {

struct TrackModel {
  float track_node_spacing = 0.0f;           // m along s, greater than 0
  std::int32_t max_control_points = 0;      // second extent of control_points
  std::int32_t track_count = 0;
  Array1<std::int32_t> control_point_count;  // (tracks), at least 2 each
  Array1<float> track_gauge;                 // (tracks) m, default 1.5; rails at -g/2 (rail 1) and +g/2 (rail 2)
  // (tracks, max_control_points, 7): x, vertical, lateral coordinate,
  // direction angle in the horizontal plane (direction (1, tan) in (x, z)),
  // horizontal curvature (sign of the lateral axis), arc length s (strictly
  // monotonic along a track, either way), cant. After the build column 1 holds
  // s as well. Rows beyond a track's points hold 0.
  Array3<float> control_points;
  std::int32_t track_option = 0;  // rail geometry option: 1 keeps the line geometry on the rails
  // Rows of track_nodes: int(longest track length / spacing) + 1, at least 5.
  std::int32_t track_node_count = 0;
  // Track nodes per coarse node; the solution parameter reader sets it to 1
  // (coarse node c is track node (c - 1) x decimation + 1).
  std::int32_t modal_node_decimation = 0;
  std::int32_t coarse_node_count = 0;  // track_node_count / decimation; at least 2 when the bridge has modes
  float coarse_node_spacing = 0.0f;    // track_node_spacing x decimation
  // (track_node_count, 15, tracks), row k node k of the track, which runs
  // every track_node_spacing from the smaller end arc length s0:
  //   1 s of rail 1, 2 vertical and 3 lateral position of rail 1,
  //   4 s of rail 2 (= column 1), 5 vertical and 6 lateral position of rail 2,
  //   7, 8 d/ds of columns 2, 3; 9, 10 d/ds of columns 5, 6;
  //   11 d2/ds2 of column 2; 12 curvature; 13 d2/ds2 of column 5;
  //   14 direction angle; 15 cant.
  // The rail positions hold the irregularity (and, with option 1, the line
  // geometry measured from the chord of the track's end points). A track
  // shorter than the longest has its own nodes in rows 1..int(length /
  // spacing) + 1; its later rows hold 0 in columns 1 and 4 and belong to no node.
  // The slope and curvature columns are 0 in the first and last own row.
  Array3<float> track_nodes;
  // (tracks) rows of track_nodes that are the track's own nodes,
  // int(length / spacing) + 1.
  Array1<std::int32_t> own_node_count;
  // (12, bridge modes, coarse nodes, 2 rails, tracks): per rail, coarse node
  // and mode the six mode-shape components at the rail (translations along,
  // up, across the track; rotations about the same axes), then d/ds of
  // components 2 and 3 and d2/ds2 of component 2; entries 10-12 are 0. 0 where
  // the track has no bridge under it. The values of one mode lie together,
  // and the modes of one node and rail follow each other: the wheel-rail
  // interaction sums over the modes in mode order with several entries per
  // vector register (the padding makes each mode three registers of four).
  static constexpr std::int32_t modal_vector_stride = 12;
  Array5<float> track_modal_vectors;
  // (2, 2 rails, tracks): the first and last coarse node of the bridge's part
  // of each rail, the rows of track_modal_vectors that hold its shapes; 0 and
  // 0 where the rail has no bridge under it.
  Array3<std::int32_t> bridge_coarse_nodes;
  // (bridge nodes) the track of each bridge interface node, 0 for other nodes.
  Array1<std::int32_t> interface_node_track;
};

// The track's own node rows (all rows when the model does not tell them).
inline std::int32_t own_track_node_count(const TrackModel& tm, std::int32_t track) {
  if (!tm.own_node_count.allocated() || track < 1 || track > tm.own_node_count.extent(1)) return tm.track_node_count;
  return tm.own_node_count(track) < tm.track_node_count ? tm.own_node_count(track) : tm.track_node_count;
}

}  // namespace tb
