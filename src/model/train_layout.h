// TrainLayout: vehicle type lengths and end nodes, wheelset offsets, the start
// and current position of every wheelset. Allocated and zeroed by the train
// organisation reader, filled at each speed stage.
//
// The wheelset coordinates are double precision: a train moves by speed * dt
// at every step, a few millimetres at small time steps, and a single-precision
// coordinate near 1000 m rounds each move by up to 30 micrometres, which adds
// up to a metre over 1000 m. Force routines convert the coordinates they read
// to float.
#pragma once

#include <cstdint>

#include "platform/array.h"

namespace tb {

struct TrainLayout {
  Array1<float> vehicle_type_length;              // (types)
  Array2<std::int32_t> vehicle_type_end_nodes;    // (types, 2)
  Array2<float> wheelset_front_offset;            // (types, wheel entries)
  Array3<double> wheelset_start_position;         // (trains, vehicles, wheel entries)
  Array3<double> wheelset_position;               // (trains, vehicles, wheel entries)
};

}  // namespace tb
