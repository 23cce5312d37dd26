#include "interaction/brakes.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <string_view>

#include "input/input_paths.h"
#include "input/read_errors.h"
#include "model/file_names.h"
#include "platform/list_read.h"

namespace tb {

namespace {

constexpr std::string_view kLabel = bare_file_name(brake_parameters_file);
constexpr float kGravity = 9.8f;
constexpr float kReleaseSpeed = 0.01f;   // m/s
constexpr float kModeCommand = 10.0f;    // commands from 10 on select a brake mode
constexpr float kSmallestCommand = 1.0E-6f;
constexpr float kSignalDelay = 0.1f;     // s per vehicle position along the train

// Notch deceleration (m/s^2) against the speed V in km/h: a0 up to 70 km/h,
// b1 - c1*V up to 118, b2 - c2*V up to 200, 0 beyond. Row 8 serves every
// level outside 1-7.
struct NotchRow {
  float a0, b1, c1, b2, c2;
};
constexpr NotchRow kNotchTable[8] = {
    {0.1667f, 0.2072f, 0.0005787f, 0.1765f, 0.0003185f}, {0.2639f, 0.3287f, 0.0009259f, 0.2779f, 0.0004945f},
    {0.3611f, 0.4502f, 0.0012731f, 0.3814f, 0.00069f},   {0.4583f, 0.5758f, 0.0016782f, 0.478f, 0.0008493f},
    {0.5528f, 0.6905f, 0.0019676f, 0.5794f, 0.0010262f}, {0.65f, 0.812f, 0.0023148f, 0.6829f, 0.0012208f},
    {0.7472f, 0.9336f, 0.002662f, 0.7844f, 0.0013977f},  {1.122f, 1.4017f, 0.0039931f, 1.179f, 0.0021054f},
};

// Cylinder pressure of the shoe brake at the time u (s) since the brake
// signal reached the vehicle, by the type's brake set; each bound belongs to
// the segment that ends at it.
float pressure_curve(std::int32_t set, float u) {
  switch (set) {
    case 1:
      if (u < 0.1f) return 0.0f;
      if (u <= 1.1f) return 65.0f * u;
      if (u <= 4.7f) return 67.3432f * std::pow(u, 0.571121f);
      if (u <= 8.7f) return (u - 4.7f) * 6.37f + 161.7f;
      return 187.18f;
    case 2:
      if (u < 0.0f) return 0.0f;
      if (u <= 0.3f) return 147.0f * u;
      if (u <= 0.9f) return (u - 0.3f) * 215.6f + 29.4f;
      if (u <= 7.25f) return 66.65f * std::pow(u - 0.9f, 0.7802f) + 158.76f;
      if (u <= 8.5f) return (u - 7.25f) * 7.76f + 431.3f;
      return 442.0f;
    case 3:
      if (u < 0.0f) return 0.0f;
      if (u <= 0.3f) return 147.0f * u;
      if (u <= 0.9f) return (u - 0.3f) * 107.8f + 16.5f;
      if (u <= 7.25f) return 34.2f * std::pow(u - 0.9f, 0.7802f) + 80.0f;
      if (u <= 8.5f) return (u - 7.25f) * 3.38f + 215.65f;
      return 220.0f;
    default:
      return 0.0f;
  }
}

float direction_of(float speed) { return speed < 0.0f ? -1.0f : 1.0f; }

// The vehicle at position j of train t: its type, its mass (the static wheel
// loads over gravity) and its number of wheel entries.
struct BrakedVehicle {
  std::int32_t type;
  float mass;
  std::int32_t wheel_count;
};

BrakedVehicle braked_vehicle(const RunContext& ctx, std::int32_t t, std::int32_t j) {
  const VehicleTypeLibrary& lib = ctx.vehicles;
  const std::int32_t type = ctx.trains.fleet_vehicle_types(ctx.trains.train_fleet(t), j);
  float weight = 0.0f;
  for (std::int32_t w = 1; w <= lib.max_wheelsets_per_type; ++w) weight += lib.wheelset_static_load(type, w);
  return {type, weight / kGravity, lib.vehicle_wheelset_count(type)};
}

// Prescribed acceleration c (m/s^2) of the vehicle's mass, shared by its
// wheel entries.
float prescribed_force(const BrakedVehicle& veh, float command, float sigma) {
  if (veh.wheel_count < 1) return 0.0f;
  return command * sigma * veh.mass / static_cast<float>(veh.wheel_count);
}

std::int32_t notch_level(float shoe_count) {
  return shoe_count >= 1.0f && shoe_count < 8.0f ? static_cast<std::int32_t>(shoe_count) : 0;
}

// Basic running resistance per unit of the force scale, V in km/h.
float basic_resistance(float v_kmh) { return ((0.000144f * v_kmh + 0.00744f) * v_kmh + 0.88f) * 0.01f; }

// Mode 100: the shoe brake force, limited by adhesion, against the motion, or
// none at high speed.
// The second form writes the speed factors and the shoe force as products.
float shoe_brake_force(const RunContext& ctx, std::int32_t t, const BrakedVehicle& veh, float normal_force,
                       float speed, float u, bool product_form) {
  const BrakeParameters& bp = ctx.brakes;
  const std::int32_t set = bp.type_brake_set(veh.type);
  const float k = pressure_curve(set, u) * bp.brake_shoe_force(set);
  const float stage_speed = std::fabs(3.6f * static_cast<float>(ctx.trains.train_speed(t, ctx.step.current_stage)));
  const float av = std::fabs(speed);
  const float f1 = product_form ? 3.6f * (3.6f * av) : 12.959999f * av;
  const float f2 = product_form ? (14.0f * av) * 3.6f : 50.399998f * av;
  float mu = (110.0f - stage_speed) * 0.0007f + ((f1 + 100.0f) * (0.64f * (k + 100.0f) / (5.0f * k + 100.0f))) /
                                                    (f2 + 100.0f);
  // The shoe friction falls with speed, and the formula turns negative at
  // high speed (above 182 km/h for a shoe force of 187 kN, above 163 km/h for
  // the largest forces): a negative coefficient would make the shoes push the
  // train along. Friction only brakes, so the coefficient stops at 0.
  if (mu < 0.0f) mu = 0.0f;
  const float shoe = product_form ? k * mu * 1000.0f : (1000.0f * k) * mu;
  const float adhesion = (45.6f / (3.6f * av + 260.0f) + 0.0624f) * normal_force;
  const float limited = std::isnan(adhesion) || std::isnan(shoe) ? shoe : std::min(adhesion, shoe);
  return -direction_of(speed) * limited;
}

// Mode 200: the notch brake whose capacity is split between the wheels and
// the vehicle as a whole (vehicle_brake_state) by the set's kind.
float blended_notch_brake_force(RunContext& ctx, std::int32_t t, std::int32_t j, const BrakedVehicle& veh,
                                float speed, float fallback) {
  const BrakeParameters& bp = ctx.brakes;
  const std::int32_t set = bp.type_brake_set(veh.type);
  const float f = bp.brake_shoe_force(set);
  const float v = 3.6f * std::fabs(speed);
  const float sigma = direction_of(speed);
  const float a = notch_deceleration(notch_level(bp.brake_shoe_count(set)), v);
  const float r = basic_resistance(v) * f;
  const float e = v < 5.0f ? 0.0f : (v <= 70.0f ? 44000.0f : (44.0f - (v - 70.0f) * 0.06f) * 1000.0f);
  const float fa = a * veh.mass;
  const float d = f * a - r;
  const float x = d - e;
  const float y = fa - 0.5f * r;
  float kx = 0.0f, g = 0.0f, h = 0.0f;
  if (x > y) {
    kx = x - y;
    g = y;
    h = e;
  } else {
    g = std::max(0.0f, x);
    h = x < 0.0f ? d : e;
  }
  float base = fallback;
  switch (bp.brake_kind(set)) {
    case 2:
      ctx.trains.vehicle_brake_state(t, j) = -sigma * (fa - (h + kx));
      base = h + kx;
      break;
    case 3:
      ctx.trains.vehicle_brake_state(t, j) = -sigma * (fa - g);
      base = g;
      break;
    default:
      break;
  }
  return (base * sigma) / static_cast<float>(-veh.wheel_count);
}

// Mode 300: the notch brake with the running resistance. Its wheel forces
// and vehicle share add up to -sigma*a*m, against the motion as in mode 200.
float resisted_notch_brake_force(RunContext& ctx, std::int32_t t, std::int32_t j, const BrakedVehicle& veh,
                                 float speed, float fallback) {
  const BrakeParameters& bp = ctx.brakes;
  const std::int32_t set = bp.type_brake_set(veh.type);
  const float f = bp.brake_shoe_force(set);
  const float v = 3.6f * std::fabs(speed);
  const float sigma = direction_of(speed);
  const float a = notch_deceleration(notch_level(bp.brake_shoe_count(set)), v);
  const float q = (basic_resistance(v) + a) * f;
  const float fa = a * veh.mass;
  float base = fallback;
  switch (bp.brake_kind(set)) {
    case 2:
      ctx.trains.vehicle_brake_state(t, j) = -((fa - q) * sigma);
      base = q;
      break;
    case 3:
      ctx.trains.vehicle_brake_state(t, j) = -(fa * sigma);
      base = 0.0f;
      break;
    default:
      break;
  }
  return -((sigma * base) / static_cast<float>(veh.wheel_count));
}

std::int32_t truncate_command(float command) {
  return command < 2147483520.0f ? static_cast<std::int32_t>(command) : 2147483647;
}

}  // namespace

float notch_deceleration(std::int32_t level, float speed_kmh) {
  const NotchRow& row = kNotchTable[level >= 1 && level <= 7 ? level - 1 : 7];
  if (speed_kmh <= 70.0f) return row.a0;
  if (speed_kmh <= 118.0f) return row.b1 - row.c1 * speed_kmh;
  if (speed_kmh <= 200.0f) return row.b2 - row.c2 * speed_kmh;
  return 0.0f;
}

void read_brake_parameters(RunContext& ctx) {
  TrainOrganization& tr = ctx.trains;
  bool needed = false;
  for (std::int32_t s = 1; s <= tr.speed_stage_count; ++s)
    for (std::int32_t t = 1; t <= tr.train_count; ++t)
      if (tr.brake_setting(t, s) >= kModeCommand) needed = true;
  if (!needed) return;

  BrakeParameters& bp = ctx.brakes;
  const std::int32_t unit = ctx.control.unit_brake_parameters;
  // The brake modes need the file: one that is not there stops the run as
  // not found (and is not created).
  check_read_status(
      ctx, ctx.units.open(unit, input_file_name(ctx.control, brake_parameters_file), OpenMode::old, UnitForm::text),
      kLabel, unit, "needed by the brake commands of 10 or more");
  // Every record is needed: a record that cannot be read would leave a set
  // undefined or shift the per-type records.
  auto read = [&](std::initializer_list<ReadTarget> targets, const RecordName& record) {
    check_read_status(ctx, read_list(ctx.units, unit, targets), kLabel, unit, record);
  };

  read({bp.brake_set_count}, "number of brake sets");
  const std::int32_t sets = bp.brake_set_count;
  if (sets < 0)
    stop_with_bad_value(ctx, kLabel, unit, "number of brake sets", std::to_string(sets) + ", must be 0 or more");
  check_count_fits_file(ctx, kLabel, unit, "number of brake sets", "brake set count", sets);
  const std::size_t sets_line = last_read_line(ctx.units, unit);
  const CountSource sized{kLabel, unit, "number of brake sets"};
  resize_from_counts(ctx, sized, bp.brake_kind, sets);
  resize_from_counts(ctx, sized, bp.brake_shoe_count, sets);
  resize_from_counts(ctx, sized, bp.brake_shoe_force, sets);
  for (std::int32_t i = 1; i <= sets; ++i) {
    const std::string set = "set " + std::to_string(i);
    read({bp.brake_kind(i)}, counted_entry("set", i, sets, sets_line, "kind"));
    if (bp.brake_kind(i) < 2) {
      float d = 0.0f, p = 0.0f, r = 0.0f, e = 0.0f, n = 0.0f;
      read({d, p, r, e, n}, counted_entry("set", i, sets, sets_line, "values d, p, r, e, n"));
      bp.brake_shoe_count(i) = n;
      bp.brake_shoe_force(i) = ((((p * 0.7853981f) * r) * e) * d) * d / n * 1.0E-6f;
    } else {
      read({bp.brake_shoe_count(i), bp.brake_shoe_force(i)},
           counted_entry("set", i, sets, sets_line, "notch level and force scale"));
    }
    // The force scale multiplies the brake laws: it must be a finite force
    // (a zero divisor n makes it infinite) that does not push the train.
    if (!(bp.brake_shoe_force(i) >= 0.0f) || !std::isfinite(bp.brake_shoe_force(i) * 1.0E6f))
      stop_with_bad_value(ctx, kLabel, unit, set,
                          "force scale " + value_text(bp.brake_shoe_force(i)) + ", must be finite and 0 or more");
  }

  const std::int32_t types = std::max(ctx.vehicles.vehicle_type_count, 0);
  bp.type_brake_set.resize(types);
  bp.type_brake_set.fill(1);
  bp.type_coupler_spring.resize(types);
  for (std::int32_t t = 1; t <= types; ++t)
    read({bp.type_brake_set(t)}, "brake set of vehicle type " + std::to_string(t));
  for (std::int32_t t = 1; t <= types; ++t)
    read({bp.type_coupler_spring(t)}, "coupler spring of vehicle type " + std::to_string(t));
  // The brake modes index the sets with these numbers.
  for (std::int32_t t = 1; t <= types; ++t)
    if (bp.type_brake_set(t) < 1 || bp.type_brake_set(t) > bp.brake_set_count)
      stop_with_bad_value(ctx, kLabel, unit, "brake set of vehicle type " + std::to_string(t),
                          std::to_string(bp.type_brake_set(t)) + ", must name one of the file's " +
                              std::to_string(sets) + " brake sets");
}

float compute_wheelset_brake_force(RunContext& ctx, std::int32_t train, std::int32_t vehicle_position,
                                   float normal_force, float time_now, float speed_now) {
  TrainOrganization& tr = ctx.trains;
  const std::int32_t s = ctx.step.current_stage;
  const float sigma = direction_of(speed_now);
  const float delta = time_now - tr.brake_time(train, 1);
  const BrakedVehicle veh = braked_vehicle(ctx, train, vehicle_position);

  float force = 0.0f;
  if (delta > 0.0f && std::fabs(speed_now) <= kReleaseSpeed) {
    tr.brake_state(train, s) = 0;
    for (std::int32_t p = 1; p <= tr.vehicle_brake_state.extent(2); ++p) tr.vehicle_brake_state(train, p) = 0.0f;
  } else {
    const float command = tr.brake_setting(train, s);
    if (command >= kModeCommand)
      tr.brake_state(train, s) = truncate_command(command);
    else if (std::fabs(command) >= kSmallestCommand)
      force = prescribed_force(veh, command, sigma);
    if (!(delta > 0.0f)) return force;
  }

  switch (tr.brake_state(train, s)) {
    case 100: {
      const float u = delta - static_cast<float>(vehicle_position - 1) * kSignalDelay;
      return shoe_brake_force(ctx, train, veh, normal_force, speed_now, u, false);
    }
    case 200:
      return blended_notch_brake_force(ctx, train, vehicle_position, veh, speed_now, force);
    case 300:
      return resisted_notch_brake_force(ctx, train, vehicle_position, veh, speed_now, force);
    default:
      return force;
  }
}

void compute_brake_force_variant_a(RunContext& ctx, std::int32_t train, std::int32_t vehicle_position,
                                   float speed, float& brake_force) {
  const BrakedVehicle veh = braked_vehicle(ctx, train, vehicle_position);
  brake_force = resisted_notch_brake_force(ctx, train, vehicle_position, veh, speed, brake_force);
}

void compute_brake_force_variant_b(RunContext& ctx, std::int32_t train, std::int32_t vehicle_position,
                                   float speed, float& brake_force) {
  const BrakedVehicle veh = braked_vehicle(ctx, train, vehicle_position);
  brake_force = blended_notch_brake_force(ctx, train, vehicle_position, veh, speed, brake_force);
}

void compute_shoe_friction_force(RunContext& ctx, std::int32_t train, std::int32_t vehicle_position,
                                 float normal_force, float speed, float time_since_brake_start, float& brake_force) {
  const BrakedVehicle veh = braked_vehicle(ctx, train, vehicle_position);
  const float u = time_since_brake_start - static_cast<float>(vehicle_position - 1) * kSignalDelay;
  brake_force = shoe_brake_force(ctx, train, veh, normal_force, speed, u, true);
}

void compute_brake_force_variant_c(RunContext& ctx, std::int32_t train, std::int32_t vehicle_position,
                                   float speed, float& brake_force) {
  const BrakedVehicle veh = braked_vehicle(ctx, train, vehicle_position);
  brake_force = prescribed_force(veh, ctx.trains.brake_setting(train, ctx.step.current_stage), direction_of(speed));
}

}  // namespace tb
