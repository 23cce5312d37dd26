// ExternalForceTable: harmonic or tabulated forces at bridge nodes. Every
// array is zeroed when allocated; the two tables have the table length of the
// first tabulated force and one column per force, and exist only when some
// force is tabulated.
#pragma once

#include <cstdint>

#include "platform/array.h"

namespace tb {

struct ExternalForceTable {
  std::int32_t external_force_count = 0;
  Array1<std::int32_t> force_node;        // bridge node position
  Array1<std::int32_t> force_dof;         // component 1..6
  Array1<std::int32_t> force_kind;        // 0 harmonic, otherwise tabulated
  Array1<float> force_amplitude;          // N or N m
  Array1<float> force_frequency;          // Hz
  Array1<float> force_phase;              // rad
  Array1<std::int32_t> force_point_count;  // points of a tabulated force, at most the table length
  Array2<float> force_table_time;         // (table length, forces) s
  Array2<float> force_table_value;        // (table length, forces)
};

}  // namespace tb
