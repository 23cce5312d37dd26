#include "interaction/running_resistance.h"

#include <cmath>

namespace tb {

namespace {

constexpr std::int32_t kLoadNode = 2;
// At or below this speed (km/h) a train is at rest and takes no resistance.
constexpr float kRestSpeed = 0.01f;

// w = (a*|V| + b)*|V| + c, V in km/h, by the vehicle type's brake set:
// sets 1 and 2, and one row for every other set.
struct ResistanceCoefficients {
  float a, b, c;
};
constexpr ResistanceCoefficients kResistance[3] = {
    {0.000178f, 0.0293f, 2.28f},
    {0.000125f, 0.0048f, 0.92f},
    {0.000675f, 0.0053f, 2.23f},
};

}  // namespace

bool brake_mode_active(const RunContext& ctx) {
  // Active modes are commands of 10 or more, all positive: testing for any
  // of them is testing their sum for 0, without the sum's overflow.
  const TrainOrganization& tr = ctx.trains;
  for (std::int32_t t = 1; t <= tr.train_count; ++t)
    if (tr.brake_state(t, ctx.step.current_stage) != 0) return true;
  return false;
}

float running_resistance_per_weight(std::int32_t brake_set, float speed_kmh) {
  const ResistanceCoefficients& k = kResistance[brake_set == 1 ? 0 : brake_set == 2 ? 1 : 2];
  const float v = std::fabs(speed_kmh);
  return (k.a * v + k.b) * v + k.c;
}

void apply_running_and_brake_forces(RunContext& ctx) {
  if (!brake_mode_active(ctx)) return;
  const TrainOrganization& tr = ctx.trains;
  const VehicleTypeLibrary& lib = ctx.vehicles;
  const BrakeParameters& bp = ctx.brakes;
  const std::int32_t stage = ctx.step.current_stage;

  for (std::int32_t t = 1; t <= tr.train_count; ++t) {
    const float speed = 3.6f * static_cast<float>(tr.train_speed(t, stage));
    // The first stage's brake time serves every stage.
    const float time = static_cast<float>(ctx.step.current_time);
    if (!(time - tr.brake_time(t, 1) > 0.0f && std::fabs(speed) > kRestSpeed)) continue;
    const float sigma = speed < 0.0f ? -1.0f : 1.0f;
    const std::int32_t f = tr.train_fleet(t);
    for (std::int32_t j = 1; j <= tr.fleet_vehicle_count(f); ++j) {
      const std::int32_t type = tr.fleet_vehicle_types(f, j);
      const std::int32_t set = bp.type_brake_set(type);
      float force = tr.vehicle_brake_state(t, j);
      if (bp.brake_kind(set) < 2) {
        float weight = 0.0f;
        for (std::int32_t w = 1; w <= lib.max_wheelsets_per_type; ++w) weight += lib.wheelset_static_load(type, w);
        force = -sigma * ((running_resistance_per_weight(set, speed) * weight) / 1000.0f) + force;
      }
      for (std::int32_t m = 1; m <= lib.vehicle_mode_count(type); ++m)
        ctx.solver.vehicle_modal_force(t, j, m) +=
            static_cast<double>(lib.vehicle_mode_shapes(type, m, kLoadNode, 1) * force);
    }
  }
}

}  // namespace tb
