// WindParameters: mean wind, turbulence-field parameters, aerodynamic
// coefficient sets, the coefficient sets of every vehicle at stations along
// the line, and the bridge node groups under wind. Filled once at start-up
// from "Wind_Coefficients.dat"; everything is 0 while the wind is off.
//
// Coefficient set s holds six polynomials p = 1..6 in the angle of attack a,
// P_p(a) = sum over j = 1..n_p(s) of c_p(s, j) a^(j-1). On the bridge 1 is
// drag, 2 lift, 3 moment; on vehicles 1 lateral force, 2 vertical force,
// 3 moment about the track axis, 5 moment about the lateral axis, 6 moment
// about the vertical axis.
#pragma once

#include <cstdint>

#include "platform/array.h"

namespace tb {

// Room for the coefficients of one polynomial.
inline constexpr std::int32_t kMaxPolynomialTerms = 10;

struct WindParameters {
  // Mean wind.
  float air_density = 0.0f;      // rho
  float mean_wind_speed = 0.0f;  // U, m/s
  float wind_direction = 0.0f;   // beta, rad: lateral component with cos beta, along the line with sin beta
  std::int32_t wind_on = 0;      // 1 when the mean wind was read with U > 0 and rho > 0
  float wind_field_start = 0.0f; // no wind force at or before this coordinate; origin of the field
  std::int32_t turbulence_option = 0;  // 1: forces add the simulated turbulence

  // Turbulence field.
  float roughness_length = 0.0f;  // z0 of the logarithmic profile
  float height_offset = 0.0f;     // zd
  float reference_height = 0.0f;  // z
  std::int32_t wind_point_count = 0;  // P, equally spaced field points
  float wind_field_length = 0.0f;     // length covered by the points
  float cutoff_frequency = 0.0f;      // Hz
  float wind_duration = 0.0f;         // s; replaced by the generated duration
  float smoothing_distance = 0.0f;    // length of the field's taper in space
  float smoothing_time = 0.0f;        // length of the taper in time and ramp time of the forces

  // Aerodynamic coefficient sets.
  std::int32_t coefficient_set_count = 0;  // ns
  Array1<float> set_depth;                 // (ns) A1
  Array1<float> set_width;                 // (ns) A2
  Array1<float> set_third_dimension;       // (ns) A3
  Array2<std::int32_t> coef_poly_counts;   // (ns, 6) n_p(s)
  Array3<float> coef_polys;                // (ns, 10, 6) c_p(s, j)

  // Vehicle coefficient sets at stations along the line.
  std::int32_t vehicle_station_count = 0;     // m; 0: no vehicle wind forces
  Array1<float> vehicle_station_positions;    // (m) strictly ascending or descending
  Array3<std::int32_t> vehicle_station_sets;  // (trains, vehicles per fleet, m)
  Array1<float> station_coefficient_work;     // (m) one coefficient at every station, scratch of the vehicle forces

  // Bridge node groups under wind.
  std::int32_t wind_group_count = 0;           // nw
  std::int32_t wind_group_max_nodes = 0;       // kmax
  Array1<std::int32_t> wind_group_set;         // (nw) coefficient set
  Array1<std::int32_t> wind_group_node_count;  // (nw)
  Array2<std::int32_t> wind_group_nodes;       // (nw, kmax) bridge node positions, ascending along the line

  // Read only by the self-excited deck forces; created with no rows.
  Array2<float> selfexcited_coefficients;  // (0, 6)
};

}  // namespace tb
