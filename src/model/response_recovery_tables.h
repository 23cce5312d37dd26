// ResponseRecoveryTables: the requested bridge nodes and elements of the
// master file's post-processing section, their mode shapes and the responses
// of one output instant, for the bridge response recovery.
#pragma once

#include <cstdint>
#include <string>

#include "platform/array.h"

namespace tb {

struct ResponseRecoveryTables {
  std::int32_t post_node_count = 0;       // nN
  std::int32_t post_element_count = 0;    // nE
  std::int32_t post_component_max = 0;    // cmax: largest component count of the element ranges
  std::int32_t post_component_total = 0;  // M: component counts summed over the requested elements
  Array1<std::int32_t> post_nodes;        // (nN) node numbers, in request order
  Array2<std::int32_t> post_elements;     // (nE, 2) element number, component count
  Array3<float> post_node_shapes;         // (nN, m, 6) displacement mode shapes
  Array3<float> post_element_shapes;      // (nE, m, cmax) internal-force mode shapes
  Array3<float> post_node_responses;      // (nN, 6, 2) displacement (or quasi-static), acceleration
  Array2<float> post_element_forces;      // (nE, cmax) internal forces (or quasi-static ones)
  std::string post_line;                  // line buffer of the marker searches
  std::string modal_file_error_name;      // label of the modal file being read
};

}  // namespace tb
