// WheelRailContactState: contact points and forces of the wheel pair being
// handled, rebuilt at every evaluation of the wheel-rail interaction, and
// what the interaction keeps of every wheel between evaluations.
//
// Components of a motion and of a force follow the track axes: 1 along the
// track, 2 vertical (up), 3 lateral; 4, 5, 6 the rotations (moments) about
// them (roll, yaw, pitch).
#pragma once

#include <array>
#include <cstdint>
#include <vector>

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

// The rail geometry and irregularity at a wheel, interpolated along the track
// from the columns of the track-node table of the wheel's rail.
struct TrackValuesAtWheel {
  float z = 0.0f;          // vertical position
  float dz = 0.0f;         // its slope d/ds
  float ddz = 0.0f;        // its second derivative
  float y = 0.0f;          // lateral position
  float dy = 0.0f;         // its slope
  float curvature = 0.0f;  // of the track
  float cant = 0.0f;
};

// The sums over the bridge modes of the mode shapes at a wheel times the
// modal states, as the vector sums leave them: displacement[0..8] the nine
// shape entries (six components, d/ds of 2 and 3, d2/ds2 of 2) times the
// displacements, velocity[0..5] and acceleration[0..5] the six components
// times the velocities and the accelerations. The lanes after those (the
// padding times the displacements, the slopes times the velocities and the
// accelerations) are not used. Entry (e, d) of the interaction's description
// is displacement[e - 1] (d = 1), velocity[e - 1] (2), acceleration[e - 1] (3).
struct BridgeMotionSums {
  alignas(16) std::array<float, 12> displacement{};
  alignas(16) std::array<float, 8> velocity{};
  alignas(16) std::array<float, 8> acceleration{};
};

// One wheel entry of a train, in the order the interaction visits them
// (trains, vehicles front to rear, the type's wheel entries), with what was
// found at its last position. The shape tables of all wheels lie in
// WheelRailCaches.
struct WheelSlot {
  std::int32_t node = 0;            // wheel node position in the type's node list
  std::int32_t rail = 1;            // 1 or 2
  std::int32_t vehicle_shapes = 0;  // 0-based (type, wheel) entry of the vehicle shape tables
  // The position the values below belong to; a wheel not yet located has
  // none.
  bool located = false;
  float x = 0.0f;
  TrackValuesAtWheel track;
  // Bridge mode shapes at the wheel (in the slot's part of the shape
  // tables): whether the wheel stands on the track's bridge part, whether any
  // of its shapes is not zero, whether the sum shapes hold the interpolation
  // at x (a wheel between two table rows of zeros has none), and whether the
  // force shapes are all +0.
  bool on_track = false;
  bool shapes_nonzero = false;
  bool sum_shapes_filled = false;
  bool force_shapes_zero = true;
  // The bridge state the sums belong to (WheelRailCaches::bridge_state_serial;
  // 0: none).
  std::uint64_t sums_serial = 0;
  BridgeMotionSums sums;
  ContactPointRecord wheel_point;  // the vehicle's motion at the wheel, for the vehicle's state
};

// One vehicle of a train: its wheels' slots and the state its wheel points
// were computed from.
struct VehicleSlot {
  std::int32_t train = 0, vehicle = 0, type = 0;
  std::int32_t first_slot = 0, wheel_count = 0;  // 0-based slot range
  bool have_state = false;
  std::vector<double> state;   // (modes, 3) the modal state as last seen, mode fastest
  std::vector<float> pattern;  // (16, modes): per mode q1 five times, q2 five times, q3 five times, 0
  // The lead vehicle of a train (slot 1): the mode shapes of its node 1 along
  // the track, and the longitudinal displacement of that node for the state.
  std::vector<float> lead_shapes;
  float lead_shift = 0.0f;
};

// What the interaction derives once from the model records (constant during a
// run) and keeps of the modal states and the wheels between evaluations.
// Every value kept is exact: it is reused only while everything it was
// computed from is unchanged, bit for bit (the wheel's position, the single-
// precision modal states); the model records themselves are read-only after
// start-up. `signature` holds the counts and the model tables' addresses the
// layout below was built for: a change of any of them rebuilds it.
struct WheelRailCaches {
  std::vector<std::int64_t> signature;
  std::int32_t vector_lanes = 4;          // of the sums over the bridge modes: 4 or 8
  std::int32_t bridge_modes = 0;
  std::int32_t padded_bridge_modes = 0;   // a multiple of 8
  std::int32_t vehicle_modes = 0;         // max_modes_per_type
  std::int32_t padded_vehicle_modes = 0;  // a multiple of 8
  std::vector<WheelSlot> wheels;
  std::vector<VehicleSlot> vehicles;
  // Per (type, wheel entry) of the vehicle types in use: the vehicle mode
  // shapes at the wheel, (16, vehicle modes) per mode components 1-5 three
  // times and 0 (the sums of the wheel point), and (padded vehicle modes, 5)
  // per component the modes in order (the generalised forces; component 6
  // is 0 and carries nothing).
  std::vector<std::int64_t> vehicle_shape_keys;  // type * (max wheels + 1) + wheel of each entry
  std::vector<float> vehicle_sum_shapes;
  std::vector<float> vehicle_force_shapes;
  // Per wheel slot: the bridge mode shapes at the wheel, (12, bridge modes)
  // as the track table holds them, and (padded bridge modes, 5) components
  // 1-5 by mode for the generalised forces.
  std::vector<float> bridge_sum_shapes;
  std::vector<float> bridge_force_shapes;
  // Two table rows, (12, bridge modes) each, for a wheel on the element at
  // an end of the bridge's part of a rail.
  std::vector<float> bridge_end_rows;
  // (coarse nodes, 2 rails, tracks) 1 where the track table's row of a node
  // and rail holds zeros only (no bridge there).
  std::vector<std::uint8_t> zero_table_rows;
  // The bridge modal state, (modes, 3), as last seen, with a serial number
  // bumped at every change, and per mode its three values in single
  // precision each four times (the factors of the sums).
  bool have_bridge_state = false;
  bool bridge_state_finite = false;
  std::uint64_t bridge_state_serial = 0;
  std::vector<double> bridge_state;
  std::vector<float> bridge_state_pattern;
  // Scratch of the generalised forces of one pair, (padded modes).
  std::vector<float> force_scratch;
};

// The constants of the Hertz contact law for the last wheel radius and static
// load it met (their bits): the coefficient gH of the radius and the static
// approach gH * W^(2/3).
struct HertzConstants {
  bool valid = false;
  float radius = 0.0f, load = 0.0f;
  float coefficient = 0.0f, static_approach = 0.0f;
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
  ContactPointRecord rail_geometry_at_wheel;  // entry (d - 1) * 6 + c: derivative order d, component c
  WheelRailCaches caches;
  HertzConstants hertz;
};

}  // namespace tb
