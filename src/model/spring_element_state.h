// SpringElementState: trial and committed state of every spring-damper
// element, per local degree of freedom.
//
// The force laws read the committed tables (_prev: the end of the last
// completed time step) and write the trial tables (the current force
// evaluation), so every iteration pass and every Runge-Kutta stage starts again
// from the committed state. The integration copies each side's trial tables
// onto its committed ones after a completed step when that side's element flag
// (SpringParameterTable) is 1. Under the Runge-Kutta method the trial force of
// a first-order degree of freedom is the integrated state and the trial memory
// its rate.
//
// Bridge tables are (element, dof); vehicle tables (train, vehicle slot,
// spring of the vehicle's type, dof). The spring extent of the vehicle tables
// is the larger of the vehicle id count and the largest spring count of a type.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/array.h"

namespace tb {

// Work arrays of the spring force routines of the step loop, sized once at
// set-up (and grown on first use if a caller's model has more modes).
struct SpringForceScratch {
  std::vector<float> displacement;            // (modes) float copy of the modal displacements
  std::vector<float> velocity;                // (modes) float copy of the modal velocities
  std::vector<float> displacement_prev_step;  // (modes) the displacements of the last step
  std::vector<float> shapes_i;                // (modes, 6) mode shapes at node I
  std::vector<float> shapes_j;                // (modes, 6) mode shapes at node J
  std::vector<float> relative_shape;          // (modes) J minus I of one component

  void reserve_modes(std::int32_t modes) {
    const std::size_t m = modes > 0 ? static_cast<std::size_t>(modes) : 0;
    if (displacement.size() >= m) return;
    for (std::vector<float>* v : {&displacement, &velocity, &displacement_prev_step, &relative_shape}) v->resize(m);
    shapes_i.resize(6 * m);
    shapes_j.resize(6 * m);
  }
};

struct SpringElementState {
  Array2<std::int32_t> bridge_spring_state_prev;  // (e, 6) committed branch state, preset 1
  Array2<std::int32_t> bridge_spring_state;       // (e, 6) trial branch state, preset 1
  Array2<float> bridge_spring_force_prev;         // (e, 6) committed force
  Array2<float> bridge_spring_force;              // (e, 6) trial force
  Array2<float> bridge_spring_memory_prev;        // (e, 6) committed memory (law 100: preset p4)
  Array2<float> bridge_spring_memory;             // (e, 6) trial memory

  Array4<std::int32_t> vehicle_spring_state_prev;  // (t, v, s, 6)
  Array4<std::int32_t> vehicle_spring_state;       // (t, v, s, 6)
  Array4<float> vehicle_spring_force_prev;         // (t, v, s, 6)
  Array4<float> vehicle_spring_force;              // (t, v, s, 6)
  Array4<float> vehicle_spring_memory_prev;        // (t, v, s, 6)
  Array4<float> vehicle_spring_memory;             // (t, v, s, 6)

  SpringForceScratch scratch;
};

}  // namespace tb
