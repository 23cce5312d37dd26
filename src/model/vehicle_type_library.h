// VehicleTypeLibrary: per vehicle type its nodes, wheel list with static loads
// and contact parameters, spring-damper elements, output items and modes.
// Every per-type table is indexed first by the type number.
//
// Node positions 1, 2 and 3 of every type have fixed roles for the force
// routines: 1 the front coupling node, 2 the node at which the whole-vehicle
// loads act, 3 the rear coupling node. Wheel entries 2k-1 and 2k form wheel
// pair k (left, right).
#pragma once

#include <cstdint>

#include "platform/array.h"

namespace tb {

struct VehicleTypeLibrary {
  std::int32_t type_record_count = 0;
  std::int32_t vehicle_type_count = 0;
  std::int32_t max_nodes_per_type = 0;
  std::int32_t max_wheelsets_per_type = 0;
  std::int32_t max_springs_per_type = 0;
  std::int32_t max_outputs_per_type = 0;
  std::int32_t max_modes_per_type = 0;

  Array1<std::int32_t> vehicle_node_count;       // (types)
  Array1<std::int32_t> vehicle_wheelset_count;   // (types) wheel entries
  Array1<std::int32_t> vehicle_spring_count;     // (types)
  Array1<std::int32_t> vehicle_output_count;     // (types)
  Array1<std::int32_t> vehicle_mode_count;       // (types)

  Array2<std::int32_t> vehicle_node_numbers;     // (types, nodes) user node numbers
  Array3<float> vehicle_node_coordinates;        // (types, nodes, 3) m, x along the track
  Array2<std::int32_t> wheelset_nodes;           // (types, wheel entries) node position
  Array2<std::int32_t> wheelset_second_nodes;    // (types, wheel entries) contact codes 1, -1
  Array2<float> wheelset_static_load;            // (types, wheel entries) N
  Array1<std::int32_t> contact_type;             // (types) contact type code
  Array1<float> wheel_radius;                    // (types) m
  Array1<float> friction_coefficient;            // (types)
  Array1<float> contact_half_spacing;            // (types) m
  Array2<float> contact_stiffness;               // (types, wheel entries)
  Array2<float> contact_damping;                 // (types, wheel entries)
  Array2<float> load_amplitude_ratio;            // (types, wheel entries)
  Array2<float> load_phase;                      // (types, wheel entries)
  Array1<float> load_frequency;                  // (types)
  Array1<float> type1_contact_param_a;           // (types)
  Array1<float> type1_contact_param_b;           // (types)
  Array1<float> type3_contact_param_a;           // (types) kg
  Array1<float> type3_contact_param_b;           // (types)
  Array3<std::int32_t> vehicle_spring_nodes;     // (types, springs, 4) I, J, K, spring id
  Array3<std::int32_t> vehicle_output_items;     // (types, outputs, 2) node, direction 1..6
  Array2<float> vehicle_mode_frequency;          // (types, modes) Hz
  Array2<float> vehicle_mode_damping_input;      // (types, modes) as read
  Array2<float> vehicle_mode_damping;            // (types, modes) copy the modal steps read
  Array4<float> vehicle_mode_shapes;             // (types, modes, nodes, 6)
};

}  // namespace tb
