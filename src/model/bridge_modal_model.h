// BridgeModalModel: the bridge as one modal structure assembled from its
// substructures' modal files: nodes, node sets, modes and their shapes.
//
// Node references (interface nodes, spring element nodes, output points) are
// read as the user's node numbers and replaced by 1-based positions in
// node_numbers during start-up.
#pragma once

#include <cstdint>
#include <string>

#include "platform/array.h"

namespace tb {

struct BridgeModalModel {
  std::int32_t bridge_node_count = 0;      // n
  std::int32_t interface_node_count = 0;   // ni: nodes that carry the track
  std::int32_t spring_element_count = 0;   // k: nonlinear spring-damper elements
  std::int32_t output_point_count = 0;     // p
  std::int32_t bridge_mode_count = 0;      // m
  std::int32_t excluded_range_count = 0;   // at most 100
  // (first mode, last mode) pairs whose shapes are zeroed; ordered and
  // clamped to 1..m when the modal data are prepared.
  Array2<std::int32_t> excluded_mode_ranges{2, 100};

  Array1<std::int32_t> node_numbers;       // (n) user node numbers
  Array2<float> node_coordinates;          // (n, 3) x along the line, y vertical, z lateral
  Array1<std::int32_t> interface_nodes;    // (ni)
  Array2<std::int32_t> spring_elements;    // (k, 4) node I, node J, reference node K or 0, spring id
  Array2<std::int32_t> output_points;      // (p, 2) node, mode-shape component code 1..6
  Array2<float> output_point_response;     // (p, 3) displacement, velocity, acceleration

  Array1<float> mode_frequency;            // (m) Hz
  Array1<float> mode_damping_ratio;        // (m) 0 for a Rayleigh-damped mode without frequency
  Array1<float> mode_damping_ratio_work;   // (m) the copy the modal steps read
  Array3<float> mode_shapes;               // (m, n, 6) translations x, y, z, rotations about x, y, z

  Array1<float> interface_point_key;         // (ni) work vector of the track set-up: arc lengths
  Array3<float> interface_point_modes;       // (ni, m, 6) work array of the track set-up

  std::int32_t substructure_count = 1;
  // Directory line and file line of each substructure's modal file, as read
  // (at most 256 characters, trailing blanks dropped); the file is opened
  // under the directory, a backslash and the file name.
  Array1<std::string> substructure_dirs;         // (s)
  Array1<std::string> substructure_files;        // (s)
  Array1<std::int32_t> substructure_mode_counts; // (s)
  Array1<float> damping_frequency_1;             // (s) Hz
  Array1<float> damping_frequency_2;             // (s) Hz
  Array1<float> damping_ratio_1;                 // (s)
  Array1<float> damping_ratio_2;                 // (s)

  // Substructure being read (s + 1 once a reader's loop is done) and the
  // modes of the substructures before it.
  std::int32_t modal_file_index = 0;
  std::int32_t modal_mode_offset = 0;

  // Scale of the mode shapes; shapes are scaled by its square root only when
  // it differs from 1.
  float mode_shape_scale = 1.0f;
};

}  // namespace tb
