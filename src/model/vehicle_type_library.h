// VehicleTypeLibrary: per vehicle type its nodes, wheel list with static loads
// and contact parameters, spring-damper elements, output items and modes.
// Every per-type table is indexed first by the type number.
//
// Node positions 1, 2 and 3 of every type have fixed roles for the force
// routines: 1 the front coupling node, 2 the node at which the whole-vehicle
// loads act, 3 the rear coupling node. Wheel entries 2k-1 and 2k form wheel
// pair k (left, right).
//
// After the reader every type number lies in 1..vehicle_type_count, every
// count of a type in 0..its maximum, and the node extent is at least 3 (a
// type with fewer nodes keeps zero shapes in the slots up to 3). After the node
// maps every wheel, spring (K only when above 0) and output node, and the
// second nodes of contact type 1, hold positions in the type's node list.
#pragma once

#include <cstdint>

#include "platform/array.h"

namespace tb {

struct VehicleTypeLibrary {
  std::int32_t type_record_count = 0;
  std::int32_t vehicle_type_count = 0;
  // The largest node, wheel entry, output and mode counts of the types as
  // read (the node count at least 3 when there is a type): the extents of the
  // per-type tables and of the per-vehicle tables of the trains and of the
  // integration. The header's own largest counts only bound the type records.
  std::int32_t max_nodes_per_type = 0;
  std::int32_t max_wheelsets_per_type = 0;
  // Extent of vehicle_spring_nodes as read; the spring parameter reader later
  // overwrites this scalar with the id count of its own file.
  std::int32_t max_springs_per_type = 0;
  std::int32_t max_outputs_per_type = 0;
  std::int32_t max_modes_per_type = 0;

  Array1<std::int32_t> vehicle_type_described;   // (types) 1 when a type record of the file describes it
  Array1<std::int32_t> vehicle_node_count;       // (types)
  Array1<std::int32_t> vehicle_wheelset_count;   // (types) wheel entries
  Array1<std::int32_t> vehicle_spring_count;     // (types)
  Array1<std::int32_t> vehicle_output_count;     // (types)
  Array1<std::int32_t> vehicle_mode_count;       // (types)

  Array2<std::int32_t> vehicle_node_numbers;     // (types, nodes) user node numbers
  Array3<float> vehicle_node_coordinates;        // (types, nodes, 3) m, x along the track
  Array2<std::int32_t> wheelset_nodes;           // (types, wheel entries) node position
  Array2<std::int32_t> wheelset_second_nodes;    // (types, wheel entries) codes 1, -1; mapped for code 1 only
  Array2<float> wheelset_static_load;            // (types, wheel entries) N
  Array1<std::int32_t> contact_type;             // (types) any code as read; 0 without wheels
  // Contact parameters; which of them a type carries depends on its code.
  Array1<float> wheel_radius;                    // (types) m, codes 0, 1, -1, 2; above 0
  Array1<float> friction_coefficient;            // (types) codes 0, 1, -1, 2
  Array1<float> contact_half_spacing;            // (types) m, codes 0, 1, -1; above 0 for code 1
  Array2<float> contact_stiffness;               // (types, wheel entries) codes 2, 3; above 0
  Array2<float> contact_damping;                 // (types, wheel entries) codes 2, 3
  Array2<float> load_amplitude_ratio;            // (types, wheel entries) code -2; code 1: contact spring stiffness
  Array2<float> load_phase;                      // (types, wheel entries) rad, code -2; code 1: contact damping
  Array1<float> load_frequency;                  // (types) Hz, code -2; code 1: wheelset mass
  Array1<float> type1_contact_param_a;           // (types) code 1: wheelset roll inertia
  Array1<float> type1_contact_param_b;           // (types) code 1: lateral position of the contact springs
  Array1<float> type3_contact_param_a;           // (types) kg, code 3: mass loaded at node position 2
  Array1<float> type3_contact_param_b;           // (types) code 3: stored, read by nothing
  Array3<std::int32_t> vehicle_spring_nodes;     // (types, springs, 4) I, J, K, spring id
  Array3<std::int32_t> vehicle_output_items;     // (types, outputs, 2) node, direction 1..6
  Array2<float> vehicle_mode_frequency;          // (types, modes) Hz
  Array2<float> vehicle_mode_damping_input;      // (types, modes) as read
  Array2<float> vehicle_mode_damping;            // (types, modes) copy the modal steps read
  Array4<float> vehicle_mode_shapes;             // (types, modes, nodes, 6)
};

}  // namespace tb
