// TrainOrganization: fleets of vehicle types, trains with their fleet, track
// and per-stage speeds, lead-in and run-out, brake settings and brake state.
#pragma once

#include <cstdint>

#include "platform/array.h"

namespace tb {

struct TrainOrganization {
  std::int32_t fleet_count = 0;
  std::int32_t max_vehicles_per_fleet = 0;
  std::int32_t train_count = 0;
  std::int32_t speed_stage_count = 0;
  Array1<std::int32_t> fleet_vehicle_count;   // (fleets)
  Array2<std::int32_t> fleet_vehicle_types;   // (fleets, vehicles) type numbers, front to rear
  Array1<std::int32_t> train_fleet;           // (trains)
  Array1<std::int32_t> train_track;           // (trains)
  Array2<float> train_speed;                  // (trains, stages) m/s (km/h in the file)
  Array2<float> train_lead_in;                // (trains, stages) m
  Array2<float> train_run_out;                // (trains, stages) m
  Array2<float> brake_setting;                // (trains, stages) brake command as read
  Array2<float> brake_time;                   // (trains, stages) s
  Array2<std::int32_t> brake_state;           // (trains, stages) active brake mode
  Array2<float> vehicle_brake_state;          // (trains, vehicles) brake force share
};

}  // namespace tb
