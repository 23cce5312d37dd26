// Contact force models of one wheel pair: the force law of the vehicle type's
// contact code under the wheel-rail solution type, the creep forces of the
// spatial solution and the brake force.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "model/contact_laws.h"
#include "model/run_context.h"

namespace tb {

// Fills the four force records of the pair whose second wheel is entry w of
// vehicle slot v of train t: f1v, f2v on the vehicle, f1r, f2r at the rail
// (the bridge receives their reaction). On entry f1v, f2v are zero and f1r,
// f2r zero except components 2 and 3, the normal and lateral forces of the
// previous evaluation. e, i are the rail points and g, j the wheel points of
// the first and second wheel, d the mean vertical motion of the two rail
// points, w_load the static load of entry w (used for both wheels).
// bridge_flag is 1 when the bridge moves under the second wheel. The vehicle
// type may list either wheel of the pair first: the creep forces and the
// guidance wheel take each wheel by the rail it runs on. The pairing of
// solution type and contact type must be one that undefined_contact_law
// accepts (the vehicle type reader refuses the others). phase and the two
// node positions are not used.
void compute_wheel_contact_forces(RunContext& ctx, std::int32_t phase, std::int32_t t, std::int32_t v,
                                  std::int32_t w, std::int32_t first_node, std::int32_t second_node,
                                  std::int32_t type, float speed, std::int32_t bridge_flag,
                                  const std::array<float, 3>& d, const ContactPointRecord& e,
                                  const ContactPointRecord& g, ContactForceRecord& f1v, ContactForceRecord& f1r,
                                  const ContactPointRecord& i, const ContactPointRecord& j,
                                  ContactForceRecord& f2v, ContactForceRecord& f2r, float w_load);

// One console line at start-up when the wheels of contact type 0 will meet a
// rigid rail through Hertz contact: a vertical or spatial solution, some train
// with a vehicle of that type, and no track contact spring (IsContact not 1),
// with IsContact 0 over a bridge with modes (the switch comes where the bridge
// moves under the wheels). The line says that the spring of record 6 of
// "SolutionParameters.dat" avoids it.
void report_hertz_contact_switch(RunContext& ctx);

}  // namespace tb
