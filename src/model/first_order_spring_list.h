// FirstOrderSpringList: the spring degrees of freedom that the Runge-Kutta
// path integrates as first-order states (built only for that method).
//
// The listed pairs are those whose law takes the force as a state and writes
// its rate into the trial memory: the Maxwell element (law 102 with p2 and p3
// both non-zero). They are ordered by row of the spring parameter table and,
// within a row, by degree of freedom.
#pragma once

#include <cstdint>

#include "platform/array.h"

namespace tb {

struct FirstOrderSpringList {
  Array1<std::int32_t> first_order_spring_ids;   // (spring_id_count * spring_dof_count) row of pair k; 0 beyond
  Array1<std::int32_t> first_order_spring_dofs;  // (same) degree of freedom of pair k; 0 beyond
  std::int32_t first_order_count = 0;            // listed pairs
  std::int32_t first_order_bridge_count = 0;     // bridge element dofs that carry a listed pair
  std::int32_t first_order_vehicle_count = 0;    // train vehicle spring dofs that carry a listed pair
};

}  // namespace tb
