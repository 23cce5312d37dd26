// VehicleTypeLibrary: per vehicle type its nodes, wheel list with static loads
// and contact parameters, spring-damper elements, output items and modes.
// Every per-type table is indexed first by the type.
#pragma once

#include <cstdint>

#include "platform/array.h"

namespace tb {

struct VehicleTypeLibrary {
  std::int32_t vehicle_type_count = 0;
  std::int32_t max_nodes_per_type = 0;
  std::int32_t max_wheelsets_per_type = 0;
  std::int32_t max_modes_per_type = 0;
  std::int32_t max_outputs_per_type = 0;
  std::int32_t max_springs_per_type = 0;

  Array1<std::int32_t> vehicle_node_count;       // (types)
  Array3<float> vehicle_node_coordinates;        // (types, nodes, 3)
  Array1<std::int32_t> vehicle_wheelset_count;   // (types) wheel entries
  Array2<std::int32_t> wheelset_nodes;           // (types, wheel entries) node position
  Array2<float> wheelset_static_load;            // (types, wheel entries) N
  Array1<std::int32_t> contact_type;             // (types)
  Array1<std::int32_t> vehicle_mode_count;       // (types)
  Array2<float> vehicle_mode_frequency;          // (types, modes) Hz
  Array2<float> vehicle_mode_damping_input;      // (types, modes)
  Array2<float> vehicle_mode_damping;            // (types, modes) copy the modal steps read
  Array4<float> vehicle_mode_shapes;             // (types, modes, nodes, 6)
  Array1<std::int32_t> vehicle_output_count;     // (types)
  Array3<std::int32_t> vehicle_output_items;     // (types, outputs, 2) node, direction 1..6
  Array1<std::int32_t> vehicle_spring_count;     // (types)
  Array3<std::int32_t> vehicle_spring_nodes;     // (types, springs, 4) I, J, K, spring id
};

}  // namespace tb
