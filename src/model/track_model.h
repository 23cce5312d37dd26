// TrackModel: the node tables of every track with rail geometry,
// irregularity, slopes and curvature, and the bridge mode shapes carried onto
// the coarse track nodes of both rails.
#pragma once

#include <cstdint>

#include "platform/array.h"

namespace tb {

struct TrackModel {
  float track_node_spacing = 0.0f;           // m along the arc length s
  std::int32_t max_control_points = 0;
  std::int32_t track_count = 0;
  Array1<std::int32_t> control_point_count;  // (tracks)
  Array1<float> track_gauge;                 // (tracks) m, default 1.5
  // (tracks, max_control_points, 7): x, vertical, lateral, direction angle,
  // curvature, arc length s, cant; after the build column 1 holds s.
  Array3<float> control_points;
  std::int32_t track_option = 0;             // rail geometry option
  std::int32_t track_node_count = 0;
  // Track nodes per coarse node; the solution parameter reader sets it to 1.
  std::int32_t modal_node_decimation = 0;
  std::int32_t coarse_node_count = 0;
  float coarse_node_spacing = 0.0f;
  // (track_node_count, 15, tracks): s and vertical, lateral positions of both
  // rails, their slopes, curvatures, direction angle and cant at every node.
  Array3<float> track_nodes;
  // (18, bridge modes, coarse nodes, tracks): per rail the six mode-shape
  // components, d/ds of components 2 and 3, d2/ds2 of component 2.
  Array4<float> track_modal_vectors;
  Array1<std::int32_t> interface_node_track;  // (bridge nodes) track of each interface node, else 0
};

}  // namespace tb
