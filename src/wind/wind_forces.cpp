#include "wind/wind_forces.h"

namespace tb {

void compute_bridge_wind_forces(RunContext&, float, float, float, float, std::int32_t, float force[6]) {
  for (int c = 0; c < 6; ++c) force[c] = 0.0f;
}

void compute_vehicle_wind_forces(RunContext&, float, std::int32_t, std::int32_t, float, float, float, float force[6]) {
  for (int c = 0; c < 6; ++c) force[c] = 0.0f;
}

}  // namespace tb
