// TrainLayout: vehicle type lengths and end nodes, wheelset offsets, the start
// and current position of every wheelset. Allocated and zeroed by the train
// organisation reader, filled at each speed stage.
#pragma once

#include <cstdint>

#include "platform/array.h"

namespace tb {

struct TrainLayout {
  Array1<float> vehicle_type_length;              // (types)
  Array2<std::int32_t> vehicle_type_end_nodes;    // (types, 2)
  Array2<float> wheelset_front_offset;            // (types, wheel entries)
  Array3<float> wheelset_start_position;          // (trains, vehicles, wheel entries)
  Array3<float> wheelset_position;                // (trains, vehicles, wheel entries)
};

}  // namespace tb
