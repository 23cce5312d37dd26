#include "interaction/contact_forces.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <utility>

#include "interaction/brakes.h"
#include "interaction/creep_forces.h"
#include "interaction/wheel_rail_interaction.h"
#include "interaction/wheel_rail_sums.h"

namespace tb {

namespace {

constexpr float kDefaultStiffness = 6.0E7f;  // N/m, vertical contact while the bridge is at rest
constexpr float kDefaultDamping = 8.0E4f;    // N*s/m
constexpr float kHertzCoefficient = 3.86E-8f;
constexpr float kHertzExponent = -0.115f;
constexpr float kGuidanceLoadLimit = 100.0f;  // N: code 3 below it is a lateral guidance wheel
constexpr float kRestSpeed = 1.0E-6f;

// Linear spring-damper in compression: the static load W at zero relative
// displacement, never pulling.
float spring_damper_normal(float k, float c, float dz, float dz_rate, float w_load) {
  return std::max(0.0f, k * (dz + w_load / k) + c * dz_rate);
}

// Hertz contact N = (d/gH)^(3/2), d the approach with the static approach
// gH*W^(2/3) included; a lifted wheel carries nothing. The two powers depend
// on the radius and the load alone and are kept for the next wheel of the
// same radius and load.
float hertz_normal(float dz, float w_load, float wheel_radius, HertzConstants& kept) {
  if (!kept.valid || !same_bits(kept.radius, wheel_radius) || !same_bits(kept.load, w_load)) {
    const float gh = kHertzCoefficient * std::pow(wheel_radius, kHertzExponent);
    kept = {true, wheel_radius, w_load, gh, gh * std::pow(w_load, 2.0f / 3.0f)};
  }
  const float gh = kept.coefficient;
  const float d = dz + kept.static_approach;
  if (d < 0.0f) return 0.0f;
  return (d / gh) * std::sqrt(d / gh);
}

// The laws with sides, the creep forces and the guidance wheel, take the
// pair's wheel on rail 1 (at negative lateral coordinate) as their first
// wheel. True when the pair whose second wheel is entry w lists the wheel on
// rail 2 first: its wheels then go to those laws the other way round.
bool rail_2_wheel_listed_first(const VehicleTypeLibrary& lib, std::int32_t type, std::int32_t w) {
  return rail_of_wheel(lib, type, w - 1) == 2 && rail_of_wheel(lib, type, w) == 1;
}

}  // namespace

void compute_wheel_contact_forces(RunContext& ctx, std::int32_t /*phase*/, std::int32_t t, std::int32_t v,
                                  std::int32_t w, std::int32_t /*first_node*/, std::int32_t /*second_node*/,
                                  std::int32_t type, float speed, std::int32_t bridge_flag,
                                  const std::array<float, 3>& d, const ContactPointRecord& e,
                                  const ContactPointRecord& g, ContactForceRecord& f1v, ContactForceRecord& f1r,
                                  const ContactPointRecord& i, const ContactPointRecord& j,
                                  ContactForceRecord& f2v, ContactForceRecord& f2r, float w_load) {
  const SolutionParameters& sp = ctx.solution;
  const VehicleTypeLibrary& lib = ctx.vehicles;

  // Moving constant load: the rail carries the static load, the vehicle
  // nothing.
  if (sp.contact_option < 0) {
    f1v = {};
    f2v = {};
    f1r = {};
    f2r = {};
    f1r(2) = w_load;
    f2r(2) = w_load;
    return;
  }

  const float dz1 = e(2) - g(2), dz1_rate = e(8) - g(8);
  const float dz2 = i(2) - j(2), dz2_rate = i(8) - j(8);
  const float dy1 = e(3) - g(3), dy1_rate = e(9) - g(9);
  const float dy2 = i(3) - j(3), dy2_rate = i(9) - j(9);
  auto set_normal = [&](float n1, float n2) {
    f1v(2) = n1;
    f1r(2) = n1;
    f2v(2) = n2;
    f2r(2) = n2;
  };

  const std::int32_t code = lib.contact_type(type);
  switch (code) {
    case 0:
      if (sp.IsContact == 1) {
        set_normal(spring_damper_normal(sp.StiContact, sp.DamContact, dz1, dz1_rate, w_load),
                   spring_damper_normal(sp.StiContact, sp.DamContact, dz2, dz2_rate, w_load));
      } else if (sp.IsContact == 0 && bridge_flag == 0) {
        set_normal(spring_damper_normal(kDefaultStiffness, kDefaultDamping, dz1, dz1_rate, w_load),
                   spring_damper_normal(kDefaultStiffness, kDefaultDamping, dz2, dz2_rate, w_load));
      } else {
        const float radius = lib.wheel_radius(type);
        HertzConstants& kept = ctx.contact.hertz;
        set_normal(hertz_normal(dz1, w_load, radius, kept), hertz_normal(dz2, w_load, radius, kept));
      }
      break;
    case 1: {
      // Contact springs at the rail geometry, with the inertia of a wheelset
      // of mass m and roll inertia alpha.
      const float h = lib.contact_half_spacing(type);
      const float beta = lib.type1_contact_param_b(type);
      const float alpha = lib.type1_contact_param_a(type);
      const float m = lib.load_frequency(type);
      const float ks = lib.load_amplitude_ratio(type, w);
      const float cs = lib.load_phase(type, w);
      const float p = beta / h;
      const float q = beta * (1.0f - p);
      f1v(2) = ks * (d[0] + p * (e(2) - d[0])) + cs * (d[1] + p * (e(8) - d[1]));
      f2v(2) = ks * (d[0] + p * (i(2) - d[0])) + cs * (d[1] + p * (i(8) - d[1]));
      const float p2 = p * p;
      f1r(2) = std::max(0.0f, w_load + ks * (d[0] + p2 * (e(2) - d[0]) - g(2) + q * g(4)) +
                                  cs * (d[1] + p2 * (e(8) - d[1]) - g(8) + q * g(10)) +
                                  0.5f * (m * d[2] + alpha * (e(14) - d[2]) / (h * h)));
      f2r(2) = std::max(0.0f, w_load + ks * (d[0] + p2 * (i(2) - d[0]) - j(2) - q * j(4)) +
                                  cs * (d[1] + p2 * (i(8) - d[1]) - j(8) - q * j(10)) +
                                  0.5f * (m * d[2] + alpha * (i(14) - d[2]) / (h * h)));
      break;
    }
    case 2:
    case 3: {
      const float k = lib.contact_stiffness(type, w);
      const float c = lib.contact_damping(type, w);
      if (code == 2 || w_load >= kGuidanceLoadLimit) {
        set_normal(spring_damper_normal(k, c, dz1, dz1_rate, w_load),
                   spring_damper_normal(k, c, dz2, dz2_rate, w_load));
      } else {
        // Lateral guidance wheel: W is the lateral clearance before contact.
        // The guide of the wheel on rail 1 pushes it toward +z once it has
        // moved more than W toward -z relative to its rail (dy = rail minus
        // wheel above W); the guide of the wheel on rail 2 the other way.
        auto guide = [&](float dy, float dy_rate, bool on_rail_1) {
          return on_rail_1 ? std::max(0.0f, k * (dy - w_load) + c * dy_rate)
                           : std::min(0.0f, k * (dy + w_load) + c * dy_rate);
        };
        const bool swapped = rail_2_wheel_listed_first(lib, type, w);
        const float t1 = guide(dy1, dy1_rate, !swapped);
        const float t2 = guide(dy2, dy2_rate, swapped);
        f1v(3) = t1;
        f1r(3) = t1;
        f2v(3) = t2;
        f2r(3) = t2;
      }
      break;
    }
    case -2: {
      // Moving harmonic load on the rail; a train at rest keeps the static
      // load.
      float n = w_load;
      if (std::fabs(speed) > kRestSpeed) {
        const float x = static_cast<float>(ctx.layout.wheelset_position(t, v, w));
        const float x0 = static_cast<float>(ctx.layout.wheelset_start_position(t, v, w));
        n = w_load * (1.0f + lib.load_amplitude_ratio(type, w) *
                                 std::sin(6.283185f * lib.load_frequency(type) * (x - x0) / speed +
                                          lib.load_phase(type, w)));
      }
      f1r(2) = n;
      f2r(2) = n;
      break;
    }
    default:
      break;  // no law: refused with the vehicle types (undefined_contact_law)
  }

  float t1 = 0.0f, t2 = 0.0f, m1 = 0.0f, m2 = 0.0f;
  if (sp.contact_option == 1 && (code == 0 || code == 1)) {
    // The creep law takes the wheel on rail 1 first, with its relative
    // lateral and yaw motion.
    const bool swapped = rail_2_wheel_listed_first(lib, type, w);
    const ContactPointRecord& rail_1 = swapped ? i : e;
    const ContactPointRecord& wheel_1 = swapped ? j : g;
    float n1 = f1r(2), n2 = f2r(2);
    t1 = f1r(3);
    t2 = f2r(3);
    if (swapped) {
      std::swap(n1, n2);
      std::swap(t1, t2);
    }
    compute_creep_forces(ctx, ctx.results.wheelset_track_curvature(t, v, w), rail_1(3) - wheel_1(3),
                         rail_1(9) - wheel_1(9), rail_1(5) - wheel_1(5), rail_1(11) - wheel_1(11),
                         lib.wheel_radius(type), 2.0f * lib.contact_half_spacing(type), speed,
                         lib.friction_coefficient(type), n1, n2, t1, t2, m1, m2);
    if (swapped) {
      std::swap(t1, t2);
      std::swap(m1, m2);
    }
  } else if (sp.contact_option == 1 && code == 3) {
    t1 = f1r(3);
    t2 = f2r(3);
  }

  const float mean_normal = 0.5f * (f1r(2) + f2r(2));
  const float time = static_cast<float>(ctx.step.current_time);
  const float fx = compute_wheelset_brake_force(ctx, t, v, mean_normal, time, speed);
  for (ContactForceRecord* f : {&f1v, &f1r, &f2v, &f2r}) (*f)(1) = fx;
  f1v(3) = t1;
  f1r(3) = t1;
  f2v(3) = t2;
  f2r(3) = t2;
  f1v(5) = m1;
  f1r(5) = m1;
  f2v(5) = m2;
  f2r(5) = m2;
}

void report_hertz_contact_switch(RunContext& ctx) {
  const SolutionParameters& sp = ctx.solution;
  if (!(sp.contact_option == 0 || sp.contact_option == 1) || sp.IsContact == 1) return;
  // With IsContact 0 the wheels stay on the linear contact spring as long as
  // the bridge under them does not move, which a bridge without modes never
  // does.
  if (sp.IsContact == 0 && ctx.bridge.bridge_mode_count < 1) return;
  const TrainOrganization& tr = ctx.trains;
  const VehicleTypeLibrary& lib = ctx.vehicles;
  bool affected = false;
  for (std::int32_t t = 1; t <= tr.train_count; ++t) {
    const std::int32_t f = tr.train_fleet(t);
    for (std::int32_t j = 1; j <= tr.fleet_vehicle_count(f); ++j) {
      const std::int32_t type = tr.fleet_vehicle_types(f, j);
      if (lib.contact_type(type) == 0 && lib.vehicle_wheelset_count(type) >= 2) affected = true;
    }
  }
  if (!affected) return;
  const std::string when = sp.IsContact == 0 ? "turn to Hertz contact on a rigid rail once the bridge moves under them"
                                             : "run on Hertz contact on a rigid rail (IsContact " +
                                                   std::to_string(sp.IsContact) + ")";
  ctx.console.line(" Wheel-rail contact: the wheels of contact type 0 " + when +
                   "; the track contact spring in record 6 of \"SolutionParameters.dat\" (1, stiffness, damping)"
                   " avoids it.");
}

}  // namespace tb
