// ExternalForceTable: harmonic or tabulated forces at bridge nodes.
#pragma once

#include <cstdint>

#include "platform/array.h"

namespace tb {

struct ExternalForceTable {
  std::int32_t external_force_count = 0;
  Array1<std::int32_t> force_node;        // bridge node position
  Array1<std::int32_t> force_dof;         // component 1..6
  Array1<std::int32_t> force_kind;        // 0 harmonic, otherwise tabulated
  Array1<float> force_amplitude;
  Array1<float> force_frequency;          // Hz
  Array1<float> force_phase;              // rad
  Array1<std::int32_t> force_point_count;
  Array2<float> force_table_time;         // (table length, forces) s
  Array2<float> force_table_value;        // (table length, forces)
};

}  // namespace tb
