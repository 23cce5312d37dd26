// The arithmetic of the wheel-rail interaction that runs over the modes of the
// bridge and of the vehicles, and along the track at a wheel.
//
// Every sum here is taken in the order of the plain loops it stands for (over
// the modes in mode order, over the force components in component order), in
// single precision without contraction, so that its value is that of the
// plain loop bit for bit; several independent sums share one vector register
// instead (a quantity or a mode per lane), never one sum split over lanes.
#pragma once

#include <array>
#include <cstdint>
#include <cstring>

#include "model/track_model.h"
#include "model/wheel_rail_contact_state.h"

namespace tb {

// Whether two values are the same bit for bit (a value kept for a key is
// reused only for that key's exact bits).
inline bool same_bits(float a, float b) {
  std::uint32_t ia, ib;
  std::memcpy(&ia, &a, sizeof ia);
  std::memcpy(&ib, &b, sizeof ib);
  return ia == ib;
}

// Lanes of the vector registers the routines below use: four on every
// machine (the x86-64 baseline), eight where the processor and the operating
// system support AVX. Both give the same values.
enum class VectorWidth : std::int32_t { four = 4, eight = 8 };
VectorWidth widest_vector_width();

// Entries per mode of the bridge shapes at a wheel and of a bridge state
// pattern, those of the track's mode-shape table.
constexpr std::int32_t kBridgeShapeStride = TrackModel::modal_vector_stride;
// Lanes per mode of the vehicle shapes at a wheel and of a vehicle state
// pattern: components 1-5 for each of the three state values, and a 0.
constexpr std::int32_t kVehicleShapeStride = 16;

// The bridge mode shapes at a wheel a fraction u of the way from one coarse
// node's table entries (here, 12 per mode) to the next one's: per mode and
// entry (1 - u) * here + u * next into shapes (12 per mode), and components
// 1-5 also into force_shapes (component c at (c - 1) * padded_modes + mode).
// Returns whether any entry is not zero.
bool interpolate_bridge_shapes(const float* here, const float* next, float u, std::int32_t modes,
                               std::int32_t padded_modes, VectorWidth width, float* shapes, float* force_shapes);

// The bridge motion sums at a wheel: for every entry and state value the sum
// over the modes, in mode order, of the shape (shapes, 12 per mode) times the
// state (state_pattern, per mode the displacement, velocity and acceleration
// each four times).
void sum_bridge_motion(const float* shapes, const float* state_pattern, std::int32_t modes, VectorWidth width,
                       BridgeMotionSums& sums);

// The same for two wheels at once (the sums of each as sum_bridge_motion
// takes them).
void sum_bridge_motion_pair(const float* shapes_a, const float* shapes_b, const float* state_pattern,
                            std::int32_t modes, VectorWidth width, BridgeMotionSums& sums_a,
                            BridgeMotionSums& sums_b);

// The generalised forces of a wheel pair on the bridge modes: for every mode m
// force(m) += -s1 - s2, s1 the sum over the components c = 1..5 in order of
// psi1(c, m) * f1(c) (psi laid out as force_shapes above), s2 likewise for
// the second wheel; the sums in single precision, the addition in double.
// scratch holds padded_modes values.
void add_pair_forces_on_bridge(const float* psi1, const float* psi2, const ContactForceRecord& f1,
                               const ContactForceRecord& f2, std::int32_t modes, std::int32_t padded_modes,
                               VectorWidth width, float* scratch, double* force);

// The vehicle's motion at up to kVehicleWheelsAtOnce wheels of one vehicle:
// for every state value d and component c = 1..5 the sum over the modes, in
// mode order, of the shape times the state, into entry (d - 1) * 6 + c of
// each wheel point (entries 6, 12, 18 are 0). shapes[i] (wheel i) and
// state_pattern hold 16 lanes per mode (see WheelRailCaches).
constexpr std::int32_t kVehicleWheelsAtOnce = 4;
void sum_vehicle_motion(const float* const* shapes, std::int32_t wheels, const float* state_pattern,
                        std::int32_t modes, VectorWidth width, ContactPointRecord* const* points);

// The rail point under a wheel, the bridge's motion there plus the rail
// geometry and irregularity, with both parts in their records. The bridge's
// displacements are the sums; its vertical and lateral velocities add the
// speed times the slope of the deflected shape; its vertical acceleration is
// the speed squared times the shape's curvature plus its slope times the
// wheel's longitudinal acceleration ax, plus the bridge's vertical
// acceleration when aux is set. The rail's vertical position, velocity and
// acceleration come from the profile and its slope and curvature at the
// train's speed, its lateral position and velocity likewise; a vertical
// acceleration beyond 100 m/s^2 drops both vertical motion terms (the
// position stays). Every entry of the rail point is the bridge's plus the
// rail's, zeros included. Returns the rail point's vertical displacement,
// velocity and acceleration (entries 2, 8, 14), so that the caller need not
// read them back.
std::array<float, 3> compose_rail_point(const BridgeMotionSums& sums, const TrackValuesAtWheel& at, float speed,
                                        float ax, bool aux, ContactPointRecord& bridge, ContactPointRecord& geometry,
                                        ContactPointRecord& rail);

// The factors of the bridge motion sums: per mode the displacement, velocity
// and acceleration of state (modes, 3; mode fastest) in single precision,
// each four times. Returns whether every value is finite.
bool build_bridge_state_pattern(const double* state, std::int32_t modes, float* pattern);

// The factors of the wheel-point sums of a vehicle: per mode the
// displacement five times, the velocity five times, the acceleration five
// times (single precision) and a 0. With lead_shapes (a train's lead
// vehicle: the shapes of its node 1 along the track) returns the sum over
// the modes, in mode order, of shape times displacement (0 without).
float build_vehicle_state_pattern(const double* state, std::int32_t modes, const float* lead_shapes,
                                  float* pattern);

// The generalised forces of a wheel pair on the vehicle modes: for every mode
// k, sums(k) = s1 + s2, s1 the sum over the components c = 1..5 in order of
// phi1(c, k) * f1(c) (phi laid out (padded_modes, 5)), s2 likewise. The sixth
// component of the vehicle shapes is 0 and the forces have none: it would add
// 0 to each sum.
void sum_pair_forces_on_vehicle(const float* phi1, const float* phi2, const ContactForceRecord& f1,
                                const ContactForceRecord& f2, std::int32_t padded_modes, VectorWidth width,
                                float* sums);

// Seven track-node columns at one point xe from the same window of count
// (1..5) nodes with abscissae x: for each column the Lagrange polynomial
// through all the window's points, term by term as interpolate_track_quantity
// forms it (each ordinate divided by its point's differences, multiplied by
// the evaluation point's, in point order, the terms summed in point order).
// y[l] holds the seven ordinates of point l (and a 0).
void interpolate_track_columns(std::int32_t count, const float* x, const float (*y)[8], float xe, float values[8]);

}  // namespace tb
