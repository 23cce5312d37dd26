// SolverState: modal states (displacement, velocity, acceleration) and modal
// forces of the bridge and of every vehicle of every train, with the copies
// the integration keeps of them.
//
// The states and forces are double precision: at small time steps the
// stiffness term of a low mode falls below the rounding of the step constants
// in single precision. Force routines convert the states they read to float,
// do their own arithmetic in single precision and add their results into the
// double forces.
//
// Bridge tables are indexed (mode, c), vehicle tables (train, vehicle slot,
// mode, c), with c = 1 displacement, 2 velocity, 3 acceleration.
#pragma once

#include "platform/array.h"

namespace tb {

struct SolverState {
  Array2<double> bridge_modal_state;             // (m, 3)
  Array2<double> bridge_modal_state_prev_step;   // (m, 3)
  Array2<double> bridge_modal_state_prev_iter;   // (m, 3)
  Array2<double> bridge_modal_state_two_back;    // (m, 3) explicit scheme only
  Array1<double> bridge_modal_force;             // (m)
  Array1<double> bridge_modal_force_prev_step;   // (m)
  Array1<double> quasi_static_modal_displacement;  // (m)
  Array4<double> vehicle_modal_state;            // (t, j, m, 3)
  Array4<double> vehicle_modal_state_prev_step;  // (t, j, m, 3)
  Array4<double> vehicle_modal_state_prev_iter;  // (t, j, m, 3)
  Array4<double> vehicle_modal_state_two_back;   // (t, j, m, 3) explicit scheme only
  Array3<double> vehicle_modal_force;            // (t, j, m)
  Array3<double> vehicle_modal_force_prev_step;  // (t, j, m)
  Array2<double> bridge_modal_state_iterate1;    // spare iterate tables
  Array2<double> bridge_modal_state_iterate2;
  Array2<double> bridge_modal_state_iterate3;
  Array4<double> vehicle_modal_state_iterate1;
  Array4<double> vehicle_modal_state_iterate2;
  Array4<double> vehicle_modal_state_iterate3;
};

}  // namespace tb
