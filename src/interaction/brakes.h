// Brake parameters "BrakePara.dat" and the wheelset brake forces.
//
// A train's brake command of the current stage (brake_setting) selects the
// law: below 10 a prescribed longitudinal acceleration c in m/s^2 along the
// direction of travel, applied to the vehicle's mass from the stage start
// until release (a negative c brakes); 100 a shoe brake whose cylinder
// pressure builds up along a fixed curve after the brake time; 200 and 300
// notch brakes with a table of seven notch levels. Every brake mode's forces
// oppose the motion. Release: after the brake time at a speed of at most
// 0.01 m/s.
#pragma once

#include <cstdint>

#include "model/run_context.h"

namespace tb {

// Reads "BrakePara.dat" (unit 97, left open) when some train has a brake
// command of 10 or more; otherwise leaves BrakeParameters empty.
void read_brake_parameters(RunContext& ctx);

// The longitudinal force (N) of one wheelset entry of the vehicle at position
// vehicle_position of train: normal_force is the mean normal force of the
// wheel pair, time_now the stage time, speed_now the train's signed speed.
// Sets brake_state of the current stage and the vehicle's brake force share
// vehicle_brake_state (modes 200, 300), which the vehicle receives as a whole.
float compute_wheelset_brake_force(RunContext& ctx, std::int32_t train, std::int32_t vehicle_position,
                                   float normal_force, float time_now, float speed_now);

// Single laws of the above (no run path calls them): the mode 300 law (a) and
// the mode 200 law (b), whose brake force for a kind other than 2 and 3 is
// the one passed in; the mode 100 shoe law with the time since the brake
// start; the prescribed acceleration of the current stage's command (c).
void compute_brake_force_variant_a(RunContext& ctx, std::int32_t train, std::int32_t vehicle_position,
                                   float speed, float& brake_force);
void compute_brake_force_variant_b(RunContext& ctx, std::int32_t train, std::int32_t vehicle_position,
                                   float speed, float& brake_force);
void compute_shoe_friction_force(RunContext& ctx, std::int32_t train, std::int32_t vehicle_position,
                                 float normal_force, float speed, float time_since_brake_start, float& brake_force);
void compute_brake_force_variant_c(RunContext& ctx, std::int32_t train, std::int32_t vehicle_position,
                                   float speed, float& brake_force);

// Deceleration (m/s^2) of notch level 1..7 (any other level: the emergency
// row) at the speed V in km/h.
float notch_deceleration(std::int32_t level, float speed_kmh);

}  // namespace tb
