// TrainOrganization: fleets of vehicle types, trains with their fleet, track
// and per-stage speeds, lead-in and run-out, brake settings and brake state.
//
// The speeds are double precision: the train advance changes them by a * dt at
// every step, only a few units in the last place of a single-precision speed.
// Force routines convert the speed they read to float.
//
// After the reader every fleet's vehicles name types 1..vehicle_type_count
// (positions beyond a fleet's own count hold 0), every train's fleet lies in
// 1..fleet_count and its track in 1..track_count. Every table is zeroed
// before the trains are read.
#pragma once

#include <cstdint>

#include "platform/array.h"

namespace tb {

struct TrainOrganization {
  std::int32_t fleet_count = 0;
  // The largest vehicle count of the fleets as read: the second extent of
  // every per-vehicle table of the trains and of the integration. The fleet
  // header's own largest count only bounds the fleets.
  std::int32_t max_vehicles_per_fleet = 0;
  std::int32_t train_count = 0;
  std::int32_t speed_stage_count = 0;
  Array1<std::int32_t> fleet_vehicle_count;   // (fleets)
  Array2<std::int32_t> fleet_vehicle_types;   // (fleets, vehicles) type numbers, front to rear
  Array1<std::int32_t> train_fleet;           // (trains)
  Array1<std::int32_t> train_track;           // (trains)
  Array2<double> train_speed;                 // (trains, stages) m/s (km/h in the file)
  Array2<float> train_lead_in;                // (trains, stages) m
  Array2<float> train_run_out;                // (trains, stages) m
  Array2<float> brake_setting;                // (trains, stages) brake command as read (10 or more: a mode)
  Array2<float> brake_time;                   // (trains, stages) s
  Array2<std::int32_t> brake_state;           // (trains, stages) active brake mode
  Array2<float> vehicle_brake_state;          // (trains, vehicles) brake force share
};

}  // namespace tb
