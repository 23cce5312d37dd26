#include "input/train_organization.h"

#include <algorithm>
#include <span>
#include <string>
#include <vector>

#include "input/array_reads.h"
#include "input/read_errors.h"
#include "model/file_names.h"
#include "platform/list_read.h"
#include "platform/texts.h"

namespace tb {

namespace {

// A check of this reader prints its own line (when it has one), then the
// data-error line of the file and the line that names the record and the
// value, and stops.
[[noreturn]] void organization_error(RunContext& ctx, std::string_view message, const std::string& record,
                                     const std::string& problem) {
  if (!message.empty()) ctx.console.list_line({message});
  stop_with_bad_value(ctx, vehicle_organization_file, ctx.control.unit_vehicle_organization, record, problem);
}

// Every record of the file is needed.
void check_organization_read(RunContext& ctx, std::int32_t status, const RecordName& record) {
  check_read_status(ctx, status, vehicle_organization_file, ctx.control.unit_vehicle_organization, record);
}

// Allocates, zeroed, every per-train, per-vehicle and per-wheelset array that
// the stages, the wheel-rail interaction, the brakes and the results fill.
// The tables take the train and stage counts of the train header, the
// largest vehicle count of the fleets and the extents of the vehicle types
// (the largest counts that their records give).
void allocate_train_arrays(RunContext& ctx) {
  TrainOrganization& t = ctx.trains;
  const VehicleTypeLibrary& v = ctx.vehicles;
  const std::int32_t nt = t.train_count;
  const std::int32_t ns = t.speed_stage_count;
  const std::int32_t mv = t.max_vehicles_per_fleet;
  const std::int32_t types = v.vehicle_type_count;
  const std::int32_t nw = v.max_wheelsets_per_type;
  const std::string counts = "train header: " + std::to_string(nt) + " trains of up to " + std::to_string(mv) +
                             " vehicles of up to " + std::to_string(nw) + " wheel entries and " +
                             std::to_string(v.max_outputs_per_type) + " output items, " + std::to_string(ns) +
                             " speed stages";
  const CountSource sized{vehicle_organization_file, ctx.control.unit_vehicle_organization, counts};
  // Per train 2 numbers and 6 per stage; per vehicle slot its brake state
  // and track accelerations, 3 per output item and, per wheel entry, its
  // results, irregularity, cant, curvature and two positions in double (14).
  const double per_vehicle = 3.0 + 3.0 * v.max_outputs_per_type + 14.0 * nw;
  check_tables_fit_memory(ctx, sized, 4.0 * nt * (2.0 + 6.0 * ns + per_vehicle * mv));

  resize_from_counts(ctx, sized, t.train_fleet, nt);
  resize_from_counts(ctx, sized, t.train_track, nt);
  resize_from_counts(ctx, sized, t.train_speed, nt, ns);
  resize_from_counts(ctx, sized, t.train_lead_in, nt, ns);
  resize_from_counts(ctx, sized, t.train_run_out, nt, ns);
  resize_from_counts(ctx, sized, t.brake_state, nt, ns);
  resize_from_counts(ctx, sized, t.brake_time, nt, ns);
  resize_from_counts(ctx, sized, t.brake_setting, nt, ns);
  resize_from_counts(ctx, sized, t.vehicle_brake_state, nt, mv);

  ResultBuffers& r = ctx.results;
  resize_from_counts(ctx, sized, r.vehicle_output_response, nt, mv, v.max_outputs_per_type, 3);
  resize_from_counts(ctx, sized, r.wheelset_result, nt, mv, nw, 5);
  resize_from_counts(ctx, sized, r.wheelset_irregularity_displacement, nt, mv, nw, 3);
  resize_from_counts(ctx, sized, r.wheelset_track_cant, nt, mv, nw);
  resize_from_counts(ctx, sized, r.wheelset_track_curvature, nt, mv, nw);
  resize_from_counts(ctx, sized, r.vehicle_track_acceleration, nt, mv, 2);

  TrainLayout& l = ctx.layout;
  l.wheelset_front_offset.resize(types, nw);
  l.vehicle_type_length.resize(types);
  l.vehicle_type_end_nodes.resize(types, 2);
  resize_from_counts(ctx, sized, l.wheelset_position, nt, mv, nw);
  resize_from_counts(ctx, sized, l.wheelset_start_position, nt, mv, nw);
}

}  // namespace

void read_train_organization(RunContext& ctx) {
  TrainOrganization& o = ctx.trains;
  UnitTable& units = ctx.units;
  const std::int32_t unit = ctx.control.unit_vehicle_organization;

  units.rewind(unit);
  check_organization_read(ctx, read_list(units, unit, {o.fleet_count, o.max_vehicles_per_fleet}), "fleet header");
  if (o.fleet_count < 0 || o.max_vehicles_per_fleet < 0)
    organization_error(ctx, {}, "fleet header",
                       o.fleet_count < 0 ? std::to_string(o.fleet_count) + " fleets, must be 0 or more"
                                         : "largest vehicle count " + std::to_string(o.max_vehicles_per_fleet) +
                                               ", must be 0 or more");
  check_count_fits_file(ctx, vehicle_organization_file, unit, "fleet header", "fleet count", o.fleet_count);
  const std::size_t fleet_count_line = last_read_line(units, unit);
  const CountSource fleets{vehicle_organization_file, unit, "fleet header"};
  resize_from_counts(ctx, fleets, o.fleet_vehicle_count, o.fleet_count);
  // The header's largest vehicle count only bounds the fleets: the type
  // table, and every per-vehicle table of the trains and of the integration
  // after it, takes the largest count that a fleet has, so that a largest
  // count declared far beyond the fleets costs neither memory nor work in
  // the time steps.
  const std::int32_t declared_largest = o.max_vehicles_per_fleet;
  std::vector<std::vector<std::int32_t>> types_of_fleet(static_cast<std::size_t>(o.fleet_count));
  std::int32_t largest = 0;
  for (std::int32_t f = 1; f <= o.fleet_count; ++f) {
    const std::string fleet = "fleet " + std::to_string(f);
    check_organization_read(ctx, read_list(units, unit, {o.fleet_vehicle_count(f)}),
                            counted_entry("fleet", f, o.fleet_count, fleet_count_line, "vehicle count"));
    const std::size_t count_line = last_read_line(units, unit);
    const std::int32_t count = o.fleet_vehicle_count(f);
    if (count > declared_largest || count < 0)
      organization_error(ctx, count < 0 ? std::string_view{} : text::too_many_vehicles_in_fleet,
                         fleet + ", vehicle count",
                         std::to_string(count) + ", must be 0 to " + std::to_string(declared_largest) +
                             " (the fleet header's largest)");
    check_count_fits_file(ctx, vehicle_organization_file, unit, fleet + ", vehicle count", "vehicle count", count);
    std::vector<std::int32_t>& types = types_of_fleet[static_cast<std::size_t>(f - 1)];
    types.assign(static_cast<std::size_t>(count), 0);
    check_organization_read(ctx, read_list(units, unit, {std::span<std::int32_t>(types)}),
                            counted("vehicle type", count, count_line, 1, fleet));
    largest = std::max(largest, count);
  }
  o.max_vehicles_per_fleet = largest;
  resize_from_counts(ctx, fleets, o.fleet_vehicle_types, o.fleet_count, largest);
  for (std::int32_t f = 1; f <= o.fleet_count; ++f) {
    const std::vector<std::int32_t>& types = types_of_fleet[static_cast<std::size_t>(f - 1)];
    for (std::size_t j = 0; j < types.size(); ++j)
      o.fleet_vehicle_types(f, static_cast<std::int32_t>(j + 1)) = types[j];
  }

  // Every vehicle of a fleet names a type that a record of the library
  // describes (a type without one has no nodes, wheels or modes: the train
  // would run as nothing); the positions beyond a fleet's own count hold 0
  // and name nothing.
  const VehicleTypeLibrary& lib = ctx.vehicles;
  for (std::int32_t f = 1; f <= o.fleet_count; ++f)
    for (std::int32_t j = 1; j <= o.fleet_vehicle_count(f); ++j) {
      const std::int32_t type = o.fleet_vehicle_types(f, j);
      const std::string record = "fleet " + std::to_string(f) + ", vehicle types";
      const std::string vehicle = "type " + std::to_string(type) + " of vehicle " + std::to_string(j);
      if (type < 1 || type > lib.vehicle_type_count)
        organization_error(ctx, text::fleet_vehicle_type_not_defined, record,
                           vehicle + ", must be 1 to " + std::to_string(lib.vehicle_type_count) +
                               " (the vehicle library's types)");
      if (lib.vehicle_type_described(type) != 1)
        organization_error(ctx, text::fleet_vehicle_type_not_defined, record,
                           vehicle + ", which no type record of " +
                               unit_file_name(ctx, ctx.control.unit_vehicle_types,
                                              vehicle_types_file) +
                               " describes");
    }

  check_organization_read(ctx, read_list(units, unit, {o.train_count, o.speed_stage_count}), "train header");
  // A run integrates its speed stages one after the other: without a stage
  // it would compute nothing and recover the bridge responses of whatever
  // modal-coordinate file an earlier run left.
  if (o.train_count < 0 || o.speed_stage_count < 1)
    organization_error(ctx, {}, "train header",
                       o.train_count < 0 ? std::to_string(o.train_count) + " trains, must be 0 or more"
                                         : std::to_string(o.speed_stage_count) + " speed stages, must be 1 or more");
  check_count_fits_file(ctx, vehicle_organization_file, unit, "train header", "train count", o.train_count);
  const std::size_t train_count_line = last_read_line(units, unit);
  allocate_train_arrays(ctx);

  // The speeds are read as single-precision km/h and converted to m/s in
  // single precision; the table keeps them in double for the train advance.
  const std::int32_t stages = o.speed_stage_count;
  Array1<float> speed_kmh(o.train_count > 0 ? stages : 0);
  for (std::int32_t t = 1; t <= o.train_count; ++t) {
    speed_kmh.fill(0.0f);
    const std::int32_t status =
        read_list(units, unit,
                  {o.train_fleet(t), o.train_track(t), array_run(speed_kmh, 1, stages, 1),
                   array_run(o.train_lead_in, 2, stages, t, 1), array_run(o.train_run_out, 2, stages, t, 1),
                   array_run(o.brake_setting, 2, stages, t, 1), array_run(o.brake_time, 2, stages, t, 1)});
    for (std::int32_t s = 1; s <= stages; ++s) o.train_speed(t, s) = speed_kmh(s) / 3.6f;  // km/h to m/s
    const std::string train = "train " + std::to_string(t);
    check_organization_read(ctx, status, counted_entry("train", t, o.train_count, train_count_line));
    // A train runs from the first control point of its track towards the
    // last; the stage set-up turns the direction for a track laid the other
    // way. A speed against that direction would take the train away from the
    // track and never over it. A speed of 0 is a train at rest, which a
    // traction command may start.
    for (std::int32_t s = 1; s <= stages; ++s)
      if (speed_kmh(s) < 0.0f)
        organization_error(ctx, {}, train,
                           "speed " + value_text(speed_kmh(s)) + " km/h in speed stage " + std::to_string(s) +
                               ", must be 0 or more (a train runs from its track's first control point towards "
                               "the last)");
  }

  for (std::int32_t t = 1; t <= o.train_count; ++t)
    if (o.train_fleet(t) < 1 || o.train_fleet(t) > o.fleet_count)
      organization_error(
          ctx, text::fleet_not_defined, "train " + std::to_string(t),
          "fleet " + std::to_string(o.train_fleet(t)) + ", must be 1 to " + std::to_string(o.fleet_count));
  for (std::int32_t t = 1; t <= o.train_count; ++t)
    if (o.train_track(t) < 1 || o.train_track(t) > ctx.track.track_count)
      organization_error(ctx, text::track_not_defined, "train " + std::to_string(t),
                         "track " + std::to_string(o.train_track(t)) + ", must be 1 to " +
                             std::to_string(ctx.track.track_count) + " (the tracks of Rails_Location.dat)");

  units.close(unit);
}

}  // namespace tb
