// ResultBuffers: vehicle output responses and per-wheelset results of the
// current evaluation, read by the result writer. Allocated and zeroed by the
// train organisation reader.
//
// wheelset_result: entries 1 and 2 carry each wheel's normal and lateral force
// from one evaluation to the next; entries 3 to 5 and the irregularity
// displacements are the pair results of the result files.
// vehicle_track_acceleration: 1 vertical, 2 lateral quasi-static acceleration
// from cant and curvature, added to the output accelerations of direction 2
// and 3.
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
