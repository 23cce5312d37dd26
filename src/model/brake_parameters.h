// BrakeParameters: brake parameter sets and, per vehicle type, its brake set
// and coupler spring, read from "BrakePara.dat" when some train has a brake
// command of 10 or more. The arrays exist only after the file has been read.
#pragma once

#include <cstdint>

#include "platform/array.h"

namespace tb {

struct BrakeParameters {
  std::int32_t brake_set_count = 0;
  Array1<std::int32_t> brake_kind;         // (sets) kinds below 2 are given by five values in the file
  Array1<float> brake_shoe_count;          // (sets) shoe count n; its integer part is the notch level 1-7
  Array1<float> brake_shoe_force;          // (sets) scale of the brake force
  Array1<std::int32_t> type_brake_set;     // (vehicle types) brake set, 1..brake_set_count
  Array1<std::int32_t> type_coupler_spring;  // (vehicle types) spring id of the coupler behind, 0 none
};

}  // namespace tb
