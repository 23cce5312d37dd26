#include "integration/train_advance.h"

#include <algorithm>

#include "input/read_errors.h"
#include "model/file_names.h"

namespace tb {

void layout_train_wheelsets(RunContext& ctx) {
  const VehicleTypeLibrary& lib = ctx.vehicles;
  TrainLayout& lay = ctx.layout;
  for (std::int32_t k = 1; k <= lib.vehicle_type_count; ++k) {
    // Only the type's own nodes: empty slots hold 0 and would pose as nodes.
    const std::int32_t nodes = lib.vehicle_node_count(k);
    if (nodes < 1) {
      lay.vehicle_type_length(k) = 0.0f;
      continue;
    }
    float xmax = lib.vehicle_node_coordinates(k, 1, 1);
    float xmin = xmax;
    std::int32_t smax = 1, smin = 1;
    for (std::int32_t s = 2; s <= nodes; ++s) {
      const float x = lib.vehicle_node_coordinates(k, s, 1);
      if (x > xmax) xmax = x, smax = s;
      if (x < xmin) xmin = x, smin = s;
    }
    lay.vehicle_type_length(k) = xmax - xmin;
    lay.vehicle_type_end_nodes(k, 1) = smin;
    lay.vehicle_type_end_nodes(k, 2) = smax;
    for (std::int32_t w = 1; w <= lib.vehicle_wheelset_count(k); ++w)
      lay.wheelset_front_offset(k, w) = xmax - lib.vehicle_node_coordinates(k, lib.wheelset_nodes(k, w), 1);
  }
  lay.wheelset_start_position.fill(0.0f);
  const TrainOrganization& tr = ctx.trains;
  for (std::int32_t t = 1; t <= tr.train_count; ++t) {
    const std::int32_t f = tr.train_fleet(t);
    float d = 0.0f;
    for (std::int32_t j = 1; j <= tr.fleet_vehicle_count(f); ++j) {
      const std::int32_t k = tr.fleet_vehicle_types(f, j);
      for (std::int32_t w = 1; w <= lib.vehicle_wheelset_count(k); ++w)
        lay.wheelset_start_position(t, j, w) = lay.wheelset_front_offset(k, w) + d;
      d = d + lay.vehicle_type_length(k);
    }
  }
}

TrainPassage train_passage(RunContext& ctx, std::int32_t train, std::int32_t stage) {
  const TrainOrganization& tr = ctx.trains;
  const TrackModel& track = ctx.track;
  const Array3<double>& start = ctx.layout.wheelset_start_position;
  const std::int32_t r = tr.train_track(train);
  if (r < 1 || r > track.track_count)
    stop_with_bad_value(ctx, vehicle_organization_file, ctx.control.unit_vehicle_organization,
                        "train " + std::to_string(train),
                        "track " + std::to_string(r) + ", must be 1 to " + std::to_string(track.track_count));
  const float x1 = track.control_points(r, 1, 1);
  const float x2 = track.control_points(r, track.control_point_count(r), 1);
  // The distances behind the front are float sums of the layout.
  float m = 0.0f;
  for (std::int32_t w = 1; w <= start.extent(3); ++w)
    for (std::int32_t j = 1; j <= start.extent(2); ++j) m = std::max(m, static_cast<float>(start(train, j, w)));
  TrainPassage p;
  p.speed = static_cast<float>(tr.train_speed(train, stage));
  const float lin = tr.train_lead_in(train, stage);
  const float lout = tr.train_run_out(train, stage);
  p.reversed = !(x1 < x2);
  p.length = p.reversed ? (((m - x2) + (lout + x1)) + lin) : (((m - x1) + (x2 + lout)) + lin);
  p.steps = (p.length / p.speed) / ctx.solution.time_step;
  p.front = p.reversed ? static_cast<double>(x1 + lin) : static_cast<double>(x1 - lin);
  return p;
}

std::int32_t passage_step_count(float steps) {
  return steps >= 1.0f && steps < 2147483648.0f ? static_cast<std::int32_t>(steps) : 0;
}

void compute_stage_step_count(RunContext& ctx, std::int32_t stage, std::int32_t& step_count) {
  TrainOrganization& tr = ctx.trains;
  Array3<double>& start = ctx.layout.wheelset_start_position;
  step_count = 0;
  for (std::int32_t t = 1; t <= tr.train_count; ++t) {
    const TrainPassage p = train_passage(ctx, t, stage);
    if (p.reversed) tr.train_speed(t, stage) = -tr.train_speed(t, stage);
    for (std::int32_t w = 1; w <= start.extent(3); ++w)
      for (std::int32_t j = 1; j <= start.extent(2); ++j) start(t, j, w) = start_coordinate(p, start(t, j, w));
    step_count = std::max(step_count, passage_step_count(p.steps));
  }
}

void advance_train_positions(RunContext& ctx, std::int32_t stage, float step) {
  Array3<double>& pos = ctx.layout.wheelset_position;
  if (step <= 1.0f) {
    pos.assign_from(ctx.layout.wheelset_start_position);
    return;
  }
  TrainOrganization& tr = ctx.trains;
  const VehicleTypeLibrary& lib = ctx.vehicles;
  const double dt = ctx.solution.time_step;
  const std::int32_t slots = pos.extent(2);
  const std::int32_t wheels = pos.extent(3);
  for (std::int32_t t = 1; t <= tr.train_count; ++t) {
    const std::int32_t f = tr.train_fleet(t);
    float ax = 0.0f;
    if (tr.fleet_vehicle_count(f) >= 1) {
      const std::int32_t k = tr.fleet_vehicle_types(f, 1);
      for (std::int32_t i = 1; i <= lib.vehicle_mode_count(k); ++i)
        ax = ax + lib.vehicle_mode_shapes(k, i, 1, 1) * static_cast<float>(ctx.solver.vehicle_modal_state(t, 1, i, 3));
    }
    // Speed and move in double: a * dt is only a few units in the last place
    // of a single-precision speed, and speed * dt of a coordinate.
    tr.train_speed(t, stage) = tr.train_speed(t, stage) + ax * dt;
    const double ds = tr.train_speed(t, stage) * dt;
    for (std::int32_t w = 1; w <= wheels; ++w)
      for (std::int32_t j = 1; j <= slots; ++j) pos(t, j, w) = pos(t, j, w) + ds;
  }
}

}  // namespace tb
