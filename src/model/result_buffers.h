// ResultBuffers: vehicle output responses and per-wheelset results of the
// current evaluation, read by the result writer.
#pragma once

#include "platform/array.h"

namespace tb {

struct ResultBuffers {
  Array4<float> vehicle_output_response;             // (trains, vehicles, outputs, 3)
  Array4<float> wheelset_result;                     // (trains, vehicles, wheel entries, 5)
  Array4<float> wheelset_irregularity_displacement;  // (trains, vehicles, wheel entries, 3)
  Array3<float> wheelset_track_cant;                 // (trains, vehicles, wheel entries)
  Array3<float> wheelset_track_curvature;            // (trains, vehicles, wheel entries)
  Array3<float> vehicle_track_acceleration;          // (trains, vehicles, 2)
};

}  // namespace tb
