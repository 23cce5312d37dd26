// SolutionParameters: the run settings of "SolutionParameters.dat" and the
// settings the program fixes itself.
#pragma once

#include <cstdint>

namespace tb {

namespace method {
inline constexpr std::int32_t post_processing = -1;
inline constexpr std::int32_t wilson_theta = 0;
inline constexpr std::int32_t newmark = 1;
inline constexpr std::int32_t explicit_two_step = 2;
inline constexpr std::int32_t runge_kutta = 4;
}  // namespace method

struct SolutionParameters {
  std::int32_t integration_method = 4;   // -1 post-processing, 0 Wilson, 1 Newmark, 2 explicit, 4 Runge-Kutta
  float time_step = 1.0E-4f;             // s
  std::int32_t output_interval = 10;     // results every N steps
  std::int32_t contact_option = 0;       // 1 spatial, 0 vertical only, -1 moving load; 2 or more: as 0, code 2 only
  std::int32_t Coordination_sys_bridge = 0;  // 0 or 1; 1: input files give the vertical axis as z
  std::int32_t IsContact = 0;            // 0 or 1: track-contact spring switch (wheel-rail jump)
  float StiContact = 0.0f;               // stiffness of the track-contact spring
  float DamContact = 0.0f;               // damping of the track-contact spring

  // Fixed by the reader on every call.
  float integration_parameter = 0.25f;
  std::int32_t max_iterations = 10;
  float iteration_tolerance = 0.01f;
  std::int32_t substructure_list_switch = 1;
  std::int32_t second_header_switch = -1;  // set to 1 by the reader
  std::int32_t contact_aux_switch = 0;
};

}  // namespace tb
