// The pairings of the wheel-rail solution type ("SolutionParameters.dat",
// record 4) and the contact code of a vehicle type for which the contact
// force models define a law: the readers refuse the others when the files are
// read, the force models take only these.
#pragma once

#include <cstdint>
#include <string_view>

namespace tb {

// Empty when the contact force model defines the law of a wheel pair of
// contact code `code` under the wheel-rail solution type `contact_option`;
// otherwise the model's message for that pairing. A moving constant load
// (option below 0) takes any code; vertical contact (0) codes 0, 1, 2, 3 and
// -2; spatial contact (1) codes 0 to 3; an option of 2 or more code 2 alone.
inline std::string_view undefined_contact_law(std::int32_t contact_option, std::int32_t code) {
  if (contact_option < 0) return {};
  if (code != 0 && code != 1 && code != 2 && code != 3 && code != -2)
    return "wheel rail/road contact type is not defined!";
  // Tangential forces: creep (codes 0, 1) or the guidance wheel (3) under
  // the spatial solution, none under vertical contact or for code 2.
  const bool defined = contact_option == 0 || code == 2 || (contact_option == 1 && code != -2);
  return defined ? std::string_view{} : "Solution type for wheel-rail interaction is not defined!";
}

}  // namespace tb
