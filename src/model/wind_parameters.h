// WindParameters: mean wind, turbulence-field parameters, aerodynamic
// coefficient sets, loaded vehicles and bridge node groups.
#pragma once

#include <cstdint>

#include "platform/array.h"

namespace tb {

struct WindParameters {
  std::int32_t wind_on = 0;                  // wind loads only when 1
  std::int32_t wind_group_count = 0;         // bridge node groups under wind
  Array1<std::int32_t> wind_group_node_count;  // (groups)
  Array2<std::int32_t> wind_group_nodes;       // (groups, nodes) bridge node positions in group order
  Array1<std::int32_t> wind_group_set;         // (groups) coefficient set
};

}  // namespace tb
