// Tangential wheel-rail forces of a wheel pair: Kalker's linear creep theory
// with the Shen-Hedrick-Elkins saturation at the friction limit, on the
// contact geometry of "Geometry.dat" and the coefficients of
// "WormCoeefficient.dat".
#pragma once

#include <cstdint>

#include "model/run_context.h"

namespace tb {

// The contact geometry of a wheel pair at one lateral offset (middle yaw
// column, no interpolation between rows).
struct ContactGeometryRow {
  float roll = 0.0f;        // quantity 1, rad
  float roll_slope = 0.0f;  // d(quantity 1)/d(offset) from the next row, rad/m
  float quantity_4 = 0.0f;
  // Per wheel of the pair (1 first, 2 second): rolling radius minus 0.42 m,
  // contact angle (rad), transverse radii of wheel profile and rail head (m).
  float rolling_radius_deviation_1 = 0.0f, contact_angle_1 = 0.0f;
  float wheel_profile_radius_1 = 0.0f, rail_profile_radius_1 = 0.0f;
  float rolling_radius_deviation_2 = 0.0f, contact_angle_2 = 0.0f;
  float wheel_profile_radius_2 = 0.0f, rail_profile_radius_2 = 0.0f;
};

// Kalker's creep coefficients of one contact (N; f23 N*m, f33 N*m^2).
struct CreepCoefficients {
  float f11 = 0.0f, f22 = 0.0f, f23 = 0.0f, f33 = 0.0f;
};

// Row r = INT((dy - first offset)/1.0E-4 + 1), kept within 1..240 (the row
// after it gives the roll slope).
ContactGeometryRow lookup_contact_geometry_row(const RunContext& ctx, float lateral_offset);

// Kalker's coefficients of a contact with rolling radius r, transverse radii
// of wheel and rail and normal force nc on the contact plane; all 0 when
// nc <= 0.
CreepCoefficients compute_creep_forces_short(const RunContext& ctx, float rolling_radius,
                                             float wheel_profile_radius, float rail_profile_radius,
                                             float contact_normal_force);

// The same for a conical wheel (transverse radii 1.0E6 and 0.3 m, shear
// modulus 7.692308E10) of rolling radius 0.05*p*q + r0, which is returned in
// rolling_radius when nc > 0.
CreepCoefficients compute_wheel_creep_forces_short(const RunContext& ctx, float p, float q,
                                                   float nominal_radius, float contact_normal_force,
                                                   float& rolling_radius);

// Shen-Hedrick-Elkins saturation: the resultant F of fx, fy is limited to
// mu*N*(e - e^2/3 + e^3/27), e = F/(mu*N), and to mu*N beyond e = 3; fx, fy
// and mz are scaled by the same factor. Nothing is scaled for N < 0 or
// F <= 1.0E-6.
void saturate_creep_forces(float friction, float contact_normal_force, float& fx, float& fy, float& mz);

// Lateral forces and yaw moments of both wheels of a pair. On entry t1, t2
// hold the lateral forces of the previous evaluation; on return the new
// lateral forces in track axes, and m1, m2 the moments about the vertical
// axis with reversed sign. Arguments: track curvature, lateral displacement
// and velocity of the first rail point relative to its wheel, the same for
// the yaw, nominal wheel radius, twice the lateral half-spacing of the
// contacts, train speed (negative toward decreasing track coordinate),
// friction coefficient, normal forces. The first wheel is the one on rail 1
// (at negative lateral coordinate). A run toward decreasing coordinate is the
// mirror image of a forward one: with yaw and yaw rate reversed it gives the
// same lateral forces and reversed moments. A train at rest (|speed| <=
// 1.0E-6) has no creep: only the normal forces' lateral parts act.
void compute_creep_forces(const RunContext& ctx, float curvature, float lateral, float lateral_rate,
                          float yaw, float yaw_rate, float nominal_radius, float contact_spacing,
                          float speed, float friction, float normal_1, float normal_2, float& lateral_force_1,
                          float& lateral_force_2, float& moment_1, float& moment_2);

// One wheel (1 or 2) of a conical wheel pair of conicity 0.05, without the
// geometry table and without curvature: rolling radius r0 + s*0.05*y, contact
// angle s*(0.05*y + roll) + 0.05. Acts only when |speed| > 1.0E-6; running
// backwards mirrors the lateral inputs and the lateral force. Afterwards the
// roll angle, rate and acceleration grow by 0.05/b times the lateral
// displacement, velocity and acceleration (the roll of the coned wheelset).
void compute_wheel_creep_forces_variant(const RunContext& ctx, std::int32_t wheel, float lateral,
                                        float lateral_rate, float lateral_acceleration, float yaw,
                                        float yaw_rate, float& roll, float& roll_rate, float& roll_acceleration,
                                        float nominal_radius, float contact_spacing, float speed, float friction,
                                        float normal_force, float& lateral_force, float& moment);

}  // namespace tb
