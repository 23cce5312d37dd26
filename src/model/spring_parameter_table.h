// SpringParameterTable: spring-damper law codes and parameters of all vehicle
// and bridge spring ids.
//
// Rows are spring ids: the NV vehicle ids first (NV is held in
// VehicleTypeLibrary::max_springs_per_type once the spring files are read),
// then bridge id b in row NV + b. Columns are the six local degrees of freedom
// of an element (translations 1-3, rotations 4-6). Entry (row, dof, 1) is the
// law code, an integer value held as a real; entries 2, 3, ... are the law's
// parameters p2, p3, ... in file order. Every entry no record gives is 0, and
// code 0 exerts no force.
#pragma once

#include <array>
#include <cstdint>

#include "platform/array.h"

namespace tb {

// The widest law reads its parameters up to p10; every row is at least this
// wide, so a parameter a record leaves out reads as 0.
inline constexpr std::int32_t spring_law_value_count = 10;

struct SpringParameterTable {
  std::int32_t vehicle_max_values = 0;      // MV: largest value count of a vehicle record
  std::int32_t bridge_spring_id_count = 0;  // NB
  std::int32_t bridge_max_values = 0;       // MB: largest value count of a bridge record
  std::int32_t spring_id_count = 0;         // NV + NB rows
  std::int32_t max_spring_values = 0;       // max(MV, MB): no record may give more values

  Array3<float> spring_parameters;  // (spring_id_count, 6, max(max_spring_values, 10))

  // Largest degree of freedom any record names (1 to 6); every spring force
  // loop runs over the degrees of freedom 1..spring_dof_count.
  std::int32_t spring_dof_count = 1;

  // 1 sends every element of the side through the element path (a law code of
  // 100 or more, or a reference node, somewhere on that side); 0 lets the
  // whole side take the frame-less modal path.
  std::int32_t bridge_springs_need_elements = 0;
  std::int32_t vehicle_springs_need_elements = 0;

  // The force-rotation curve of law 104: x(1..10) in degrees, then y(1..10).
  std::array<float, 20> spring_curve_table{};
};

}  // namespace tb
