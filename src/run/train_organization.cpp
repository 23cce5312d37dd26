#include "run/train_organization.h"

#include "platform/list_read.h"
#include "platform/texts.h"
#include "run/array_reads.h"
#include "run/input_helpers.h"

namespace tb {

namespace {

constexpr std::string_view kOrganizationLabel = "\\VehicleOrganization.dat";

// A check of this reader prints its own line (when it has one), then the
// data-error line of the file, and stops.
void organization_error(RunContext& ctx, std::string_view message) {
  if (!message.empty()) ctx.console.list_line({message});
  check_read_status(ctx, -1, kOrganizationLabel);
}

// Allocates, zeroed, every per-train, per-vehicle and per-wheelset array that
// the stages, the wheel-rail interaction, the brakes and the results fill.
void allocate_train_arrays(RunContext& ctx) {
  TrainOrganization& t = ctx.trains;
  const VehicleTypeLibrary& v = ctx.vehicles;
  const std::int32_t nt = t.train_count;
  const std::int32_t ns = t.speed_stage_count;
  const std::int32_t mv = t.max_vehicles_per_fleet;
  const std::int32_t types = v.vehicle_type_count;
  const std::int32_t nw = v.max_wheelsets_per_type;

  t.train_fleet.resize(nt);
  t.train_track.resize(nt);
  t.train_speed.resize(nt, ns);
  t.train_lead_in.resize(nt, ns);
  t.train_run_out.resize(nt, ns);
  t.brake_state.resize(nt, ns);
  t.brake_time.resize(nt, ns);
  t.brake_setting.resize(nt, ns);
  t.vehicle_brake_state.resize(nt, mv);

  ResultBuffers& r = ctx.results;
  r.vehicle_output_response.resize(nt, mv, v.max_outputs_per_type, 3);
  r.wheelset_result.resize(nt, mv, nw, 5);
  r.wheelset_irregularity_displacement.resize(nt, mv, nw, 3);
  r.wheelset_track_cant.resize(nt, mv, nw);
  r.wheelset_track_curvature.resize(nt, mv, nw);
  r.vehicle_track_acceleration.resize(nt, mv, 2);

  TrainLayout& l = ctx.layout;
  l.wheelset_front_offset.resize(types, nw);
  l.vehicle_type_length.resize(types);
  l.vehicle_type_end_nodes.resize(types, 2);
  l.wheelset_position.resize(nt, mv, nw);
  l.wheelset_start_position.resize(nt, mv, nw);
}

}  // namespace

void read_train_organization(RunContext& ctx) {
  TrainOrganization& o = ctx.trains;
  UnitTable& units = ctx.units;
  const std::int32_t unit = ctx.control.unit_vehicle_organization;

  units.rewind(unit);
  std::int32_t status = read_list(units, unit, {o.fleet_count, o.max_vehicles_per_fleet});
  o.fleet_vehicle_count.resize(o.fleet_count);
  o.fleet_vehicle_types.resize(o.fleet_count, o.max_vehicles_per_fleet);
  for (std::int32_t f = 1; f <= o.fleet_count; ++f) {
    status = read_list(units, unit, {o.fleet_vehicle_count(f)});
    const std::int32_t count = o.fleet_vehicle_count(f);
    if (count > o.max_vehicles_per_fleet) organization_error(ctx, text::too_many_vehicles_in_fleet);
    if (count < 0) organization_error(ctx, {});
    status = read_list(units, unit, {array_run(o.fleet_vehicle_types, 2, count, f, 1)});
  }

  // Every vehicle of a fleet names a type of the library; the positions
  // beyond a fleet's own count hold 0 and name nothing.
  for (std::int32_t f = 1; f <= o.fleet_count; ++f)
    for (std::int32_t j = 1; j <= o.fleet_vehicle_count(f); ++j) {
      const std::int32_t type = o.fleet_vehicle_types(f, j);
      if (type < 1 || type > ctx.vehicles.vehicle_type_count)
        organization_error(ctx, text::fleet_vehicle_type_not_defined);
    }

  status = read_list(units, unit, {o.train_count, o.speed_stage_count});
  allocate_train_arrays(ctx);

  // The speeds are read as single-precision km/h and converted to m/s in
  // single precision; the table keeps them in double for the train advance.
  const std::int32_t stages = o.speed_stage_count;
  Array1<float> speed_kmh(stages);
  for (std::int32_t t = 1; t <= o.train_count; ++t) {
    speed_kmh.fill(0.0f);
    status = read_list(units, unit,
                       {o.train_fleet(t), o.train_track(t), array_run(speed_kmh, 1, stages, 1),
                        array_run(o.train_lead_in, 2, stages, t, 1), array_run(o.train_run_out, 2, stages, t, 1),
                        array_run(o.brake_setting, 2, stages, t, 1), array_run(o.brake_time, 2, stages, t, 1)});
    for (std::int32_t s = 1; s <= stages; ++s) o.train_speed(t, s) = speed_kmh(s) / 3.6f;  // km/h to m/s
  }

  for (std::int32_t t = 1; t <= o.train_count; ++t)
    if (o.train_fleet(t) < 1 || o.train_fleet(t) > o.fleet_count) organization_error(ctx, text::fleet_not_defined);
  for (std::int32_t t = 1; t <= o.train_count; ++t)
    if (o.train_track(t) < 1 || o.train_track(t) > ctx.track.track_count)
      organization_error(ctx, text::track_not_defined);

  check_read_status(ctx, status, kOrganizationLabel);
  units.close(unit);
}

}  // namespace tb
