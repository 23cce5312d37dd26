// ContactGeometryTable: the twenty contact quantities of a wheel pair against
// its lateral offset on the track and its yaw angle, read from "Geometry.dat".
//
// Quantities (block q of the file is quantity q), as stored:
//    1  roll angle of the wheelset (rad; degrees in the file)
//    4  copied by the row lookup, used by no force law
//   10  rolling radius of the first (left) wheel minus 0.42 m
//   11  contact angle of the first wheel (rad; degrees in the file)
//   12  transverse radius of the first wheel's profile at the contact (m)
//   13  transverse radius of the rail head under the first wheel (m)
//   17  to 20: the same as 10 to 13 for the second (right) wheel
// The others are read and stored and used by nothing.
#pragma once

#include <cstdint>

#include "platform/array.h"

namespace tb {

struct ContactGeometryTable {
  static constexpr std::int32_t geometry_quantity_count = 20;  // blocks
  static constexpr std::int32_t geometry_offset_count = 241;   // rows per block
  static constexpr std::int32_t geometry_yaw_count = 21;       // yaw columns
  static constexpr float geometry_offset_step = 1.0E-4f;       // m between rows, from row 1
  static constexpr float degree_to_radian = 0.017453292f;
  static constexpr float nominal_wheel_radius = 0.42f;         // m, the radius the file's radii refer to

  Array3<float> contact_geometry;    // (241, 21, 20): row, yaw column, quantity
  Array1<float> geometry_offsets;    // (241) lateral offset of each row (m), of the last block read
  Array1<float> geometry_yaw_angles; // (21) yaw values of the last block header; read by nothing
};

}  // namespace tb
