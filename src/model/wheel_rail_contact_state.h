// WheelRailContactState: contact points and forces of the wheel pair being
// handled, rebuilt at every evaluation of the wheel-rail interaction, and the
// interaction's scratch tables (sized once, on the first evaluation).
//
// Components of a motion and of a force follow the track axes: 1 along the
// track, 2 vertical (up), 3 lateral; 4, 5, 6 the rotations (moments) about
// them (roll, yaw, pitch).
#pragma once

#include <array>
#include <cstdint>

#include "platform/array.h"

namespace tb {

// Motion at a point: displacement components 1-6, velocities 7-12,
// accelerations 13-18 (1-based).
struct ContactPointRecord {
  std::array<float, 18> values{};
  float& operator()(std::int32_t i) { return values[static_cast<std::size_t>(i - 1)]; }
  float operator()(std::int32_t i) const { return values[static_cast<std::size_t>(i - 1)]; }
};

// Force at a contact: 1 longitudinal, 2 normal, 3 lateral, 4 moment about the
// longitudinal axis (always 0), 5 about the vertical axis, 6 about the lateral
// axis (always 0) (1-based).
struct ContactForceRecord {
  std::array<float, 6> values{};
  float& operator()(std::int32_t i) { return values[static_cast<std::size_t>(i - 1)]; }
  float operator()(std::int32_t i) const { return values[static_cast<std::size_t>(i - 1)]; }
};

struct WheelRailContactState {
  ContactPointRecord first_rail_point;    // rail under the pair's first wheel
  ContactPointRecord second_rail_point;
  ContactPointRecord first_wheel_point;   // vehicle at the first wheel's node
  ContactPointRecord second_wheel_point;
  // The contact forces of the pair: on the vehicle (added to its modes) and
  // at the rail (whose reaction the bridge modes receive).
  ContactForceRecord first_vehicle_force;
  ContactForceRecord first_rail_force;
  ContactForceRecord second_vehicle_force;
  ContactForceRecord second_rail_force;
  std::array<float, 3> pair_centre{};       // mean vertical displacement, velocity, acceleration of the rail points
  ContactPointRecord bridge_motion_at_wheel;
  Array2<float> rail_geometry_at_wheel;     // (3, 6): derivative order, component
  Array2<float> bridge_shapes_at_wheel;     // (9, bridge modes): 6 components, d/ds of 2 and 3, d2/ds2 of 2
  Array2<float> bridge_motion_sums;         // (9, 3): the nine shapes summed over the bridge states
  // Shapes of the pair's two wheels kept until the pair is complete, stored
  // component first: (6, bridge modes) and (6, vehicle modes).
  Array2<float> first_wheel_bridge_shapes;
  Array2<float> first_wheel_vehicle_shapes;
  Array2<float> second_wheel_bridge_shapes;
  Array2<float> second_wheel_vehicle_shapes;
};

}  // namespace tb
