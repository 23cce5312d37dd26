// TrackModel: the node tables of every track with rail geometry,
// irregularity, slopes and curvature, and the bridge mode shapes carried onto
// the track.
#pragma once

#include <cstdint>

#include "platform/array.h"

namespace tb {

struct TrackModel {
  std::int32_t track_count = 0;
  Array1<std::int32_t> control_point_count;  // (tracks)
  Array3<float> control_points;              // (tracks, largest control-point count, 7)

  // Decimation of the track nodes that carry bridge mode shapes; the solution
  // parameter reader sets it to 1.
  std::int32_t modal_node_decimation = 0;
};

}  // namespace tb
