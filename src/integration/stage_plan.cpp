#include "integration/stage_plan.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <string>
#include <vector>

#include "input/read_errors.h"
#include "integration/time_integration.h"
#include "integration/train_advance.h"
#include "model/file_names.h"

namespace tb {

namespace {

std::string count_text(double v) {
  return v < 1.0E15 ? std::to_string(static_cast<std::int64_t>(v)) : value_text(static_cast<float>(v));
}

// A distance along a track, to the centimetre.
std::string metres(double d) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.2f m", d);
  return buf;
}

std::string stage_record(std::int32_t train, std::int32_t stage) {
  return "train " + std::to_string(train) + ", speed stage " + std::to_string(stage);
}

// A train's passage in a stage as the message names it: its length, with
// the lead-in and run-out distances of the file, and its speed as the file
// gives it.
std::string passage_text(const RunContext& ctx, std::int32_t train, std::int32_t stage, const TrainPassage& p) {
  return "a passage of " + value_text(p.length) + " m (lead-in " + value_text(ctx.trains.train_lead_in(train, stage)) +
         " m, run-out " + value_text(ctx.trains.train_run_out(train, stage)) + " m) at " + value_text(p.speed * 3.6f) +
         " km/h";
}

// A count of a passage's time steps or records is the time the passage
// takes times a rate of the solution parameters (steps or records per
// second). The file to mend is the one of the larger factor: the train
// organisation for a passage that takes longer in seconds than the rate
// counts per second, else the solution parameters.
bool passage_time_is_larger(const TrainPassage& p, double per_second) {
  return std::fabs(static_cast<double>(p.length) / p.speed) >= per_second;
}

// A passage that needs more steps than a stage can run.
[[noreturn]] void stop_with_passage_too_long(RunContext& ctx, std::int32_t train, std::int32_t stage,
                                             const TrainPassage& p) {
  const float dt = ctx.solution.time_step;
  const std::string steps =
      std::isfinite(p.steps) ? count_text(p.steps) + " time steps" : std::string("more time steps than a number holds");
  const std::string limit = ", more than the " + std::to_string(kMaxStageSteps) + " that a speed stage can run";
  const std::string passage = passage_text(ctx, train, stage, p);
  if (passage_time_is_larger(p, 1.0 / dt))
    stop_with_bad_value(
        ctx, vehicle_organization_file, ctx.control.unit_vehicle_organization, stage_record(train, stage),
        passage + " takes " + steps + " of " + value_text(dt) + " s (\"SolutionParameters.dat\")" + limit);
  stop_with_bad_value(ctx, solution_parameters_file, ctx.control.unit_solution_parameters, "record 2, time step",
                      value_text(dt) + " s: " + passage + " (" + stage_record(train, stage) +
                          " of \"VehicleOrganization.dat\") takes " + steps + limit);
}

struct StagePlan {
  std::vector<TrainPassage> passages;  // of trains 1, 2, ...
  std::int32_t steps = 0;              // the steps the stage runs
  std::int32_t longest = 0;            // the largest step count of its trains, before the cut to whole intervals
  std::int32_t train = 0;              // the train whose passage gives that count (0: none)
};

// The steps that a passage makes its stage run, at least: 0 for a passage
// that gives no count, beyond kMaxStageSteps for one that a stage cannot run.
std::int64_t steps_run(const TrainPassage& p, std::int32_t n) {
  if (p.speed == 0.0f || !(p.steps >= 1.0f)) return 0;
  if (!(p.steps < 9.0E18f)) return std::numeric_limits<std::int64_t>::max();
  return static_cast<std::int64_t>(p.steps) / n * n;
}

// One result file: its channels and the count of which input file makes them.
struct SeriesRequest {
  std::string_view file;
  double channels;
  std::string_view label;
  std::int32_t unit;
  std::string record;
  std::string count;  // the count that gives the channels, as the message names it
};

// The vehicle type that adds the most channels of per-vehicle count `counts`
// to the trains, as a channel request of the vehicle library.
SeriesRequest vehicle_request(const RunContext& ctx, std::string_view file, std::int32_t per_item,
                              const Array1<std::int32_t>& counts, std::string_view items) {
  const TrainOrganization& tr = ctx.trains;
  std::vector<double> vehicles(static_cast<std::size_t>(ctx.vehicles.vehicle_type_count) + 1, 0.0);
  for (std::int32_t t = 1; t <= tr.train_count; ++t) {
    const std::int32_t f = tr.train_fleet(t);
    for (std::int32_t j = 1; j <= tr.fleet_vehicle_count(f); ++j) vehicles[tr.fleet_vehicle_types(f, j)] += 1.0;
  }
  double channels = 0.0;
  std::int32_t most = 1;
  for (std::int32_t k = 1; k <= ctx.vehicles.vehicle_type_count; ++k) {
    const double c = vehicles[k] * std::max(counts(k), 0);
    channels += per_item * c;
    if (c > vehicles[most] * std::max(counts(most), 0)) most = k;
  }
  std::string count;
  if (ctx.vehicles.vehicle_type_count >= 1)
    count = std::to_string(std::max(counts(most), 0)) + " " + std::string(items) + " on each of its " +
            count_text(vehicles[most]) + " vehicles in the trains";
  return {file,
          channels,
          vehicle_types_file,
          ctx.control.unit_vehicle_types,
          "type " + std::to_string(most) + ", " + std::string(items),
          count + ", " + (per_item > 1 ? std::to_string(per_item) + " channels each, " : "") + count_text(channels) +
              " channels in all"};
}

std::vector<SeriesRequest> result_file_requests(const RunContext& ctx) {
  const RunControl& rc = ctx.control;
  const BridgeModalModel& b = ctx.bridge;
  const ResponseRecoveryTables& rt = ctx.recovery;
  const double p = std::max(b.output_point_count, 0);
  const double m = std::max(b.bridge_mode_count, 0);
  const double nodes = rt.post_node_count;
  const double components = rt.post_component_total;
  const std::string points = count_text(p) + " output points";
  const std::string modes = count_text(m) + " bridge modes, 3 channels each";
  const std::string node_requests = count_text(nodes) + " requested nodes, ";
  const std::string element_requests = count_text(components) + " internal-force components of the requested elements";
  const std::int32_t master = rc.unit_bridge_master;
  std::vector<SeriesRequest> files{
      {bare_file_name(res_dis_bridge_file), p, bridge_master_file, master, "output points", points},
      {bare_file_name(res_acc_bridge_file), p, bridge_master_file, master, "output points", points},
      {bare_file_name(res_modal_coordinates_file), 3 * m, bridge_master_file, master,
       "header: counts and excluded mode ranges", modes},
      {bare_file_name(res_bulk_disacc_file), 12 * nodes, bridge_master_file, master, "Post section, node ranges",
       node_requests + "12 channels each"},
      {bare_file_name(res_bulk_dis_static_file), 6 * nodes, bridge_master_file, master, "Post section, node ranges",
       node_requests + "6 channels each"},
      {bare_file_name(res_bulk_stress_file), components, bridge_master_file, master, "Post section, element ranges",
       element_requests},
      {bare_file_name(res_bulk_stress_static_file), components, bridge_master_file, master,
       "Post section, element ranges", element_requests},
  };
  // Vehicle type 1 with the moving-load code leaves the vehicle files with
  // their run header alone.
  if (vehicles_take_part(ctx)) {
    const VehicleTypeLibrary& lib = ctx.vehicles;
    for (std::string_view f : {bare_file_name(res_dis_vehicles_file), bare_file_name(res_acc_vehicles_file)})
      files.push_back(vehicle_request(ctx, f, 1, lib.vehicle_output_count, "output items"));
    for (std::string_view f : {bare_file_name(res_derailment_file), bare_file_name(res_reduction_file),
                               bare_file_name(res_brake_force_file)})
      files.push_back(vehicle_request(ctx, f, 1, lib.vehicle_wheelset_count, "wheel entries"));
    files.push_back(vehicle_request(ctx, bare_file_name(res_wheelset_irregularity_file), 3, lib.vehicle_wheelset_count,
                                    "wheel entries"));
  }
  return files;
}

// A result file of n channels holds its run header, then per stage its
// stage header and 2n labels, and n values per record: 1 + S (3 + 2n) + n R
// values. A file beyond kMaxResultFileValues is a data error of the input
// that gives its larger factor: the channels (the file's request), the
// records (the longest stage's passage, at the time step and output interval
// of the solution parameters) or the stage count.
void check_result_file_sizes(RunContext& ctx, const std::vector<StagePlan>& stages) {
  const double s = static_cast<double>(stages.size());
  double records = 0.0;
  std::size_t most = 0;  // the stage of the most records
  for (std::size_t k = 0; k < stages.size(); ++k) {
    records += stages[k].steps / ctx.solution.output_interval;
    if (stages[k].steps > stages[most].steps) most = k;
  }
  for (const SeriesRequest& f : result_file_requests(ctx)) {
    const double n = f.channels;
    const double values = 1.0 + s * (3.0 + 2.0 * n) + n * records;
    if (!(values > kMaxResultFileValues)) continue;
    const std::string size = "\"" + std::string(f.file) + "\" would hold " + count_text(values) + " values (" +
                             count_text(n) + " channels, " + count_text(records) + " records in " + count_text(s) +
                             (s == 1.0 ? " speed stage" : " speed stages") +
                             "), more than the 2147483648 (8 GB) that a result file can hold";
    const bool by_records = n * records >= s * (3.0 + 2.0 * n);
    if (by_records ? n >= records : 3.0 + 2.0 * n >= s)
      stop_with_bad_value(ctx, f.label, f.unit, f.record, f.count + ": " + size);
    const std::int32_t unit = ctx.control.unit_vehicle_organization;
    if (!by_records)
      stop_with_bad_value(ctx, vehicle_organization_file, unit, "train header",
                          count_text(s) + " speed stages: " + size);
    // The records: the stage of the most of them names its passage.
    const StagePlan& st = stages[most];
    const std::int32_t stage = static_cast<std::int32_t>(most) + 1;
    const TrainPassage& p = st.passages[st.train - 1];
    const std::int32_t every = ctx.solution.output_interval;
    const float interval = ctx.solution.time_step * static_cast<float>(every);
    const std::string passage = passage_text(ctx, st.train, stage, p);
    if (passage_time_is_larger(p, 1.0 / interval))
      stop_with_bad_value(ctx, vehicle_organization_file, unit, stage_record(st.train, stage),
                          passage + ": " + std::to_string(st.steps / every) + " records, one every " +
                              value_text(interval) + " s (\"SolutionParameters.dat\"); with those of every stage " +
                              size);
    stop_with_bad_value(
        ctx, solution_parameters_file, ctx.control.unit_solution_parameters, "record 3, output interval",
        std::to_string(every) + (every == 1 ? " step" : " steps") + ", a record every " + value_text(interval) +
            " s: " + passage + " (" + stage_record(st.train, stage) + " of \"VehicleOrganization.dat\") gives " +
            std::to_string(st.steps / every) + " records; with those of every stage " + size);
  }
}

// The smallest and largest arc length of the interface nodes on each track
// (empty where a track has none).
struct BridgeSpan {
  float first = 0.0f, last = 0.0f;
  bool any = false;
};

std::vector<BridgeSpan> bridge_spans(const RunContext& ctx) {
  const TrackModel& tm = ctx.track;
  const BridgeModalModel& b = ctx.bridge;
  std::vector<BridgeSpan> spans(static_cast<std::size_t>(std::max(tm.track_count, 0)) + 1);
  if (!tm.interface_node_track.allocated()) return spans;
  for (std::int32_t n = 1; n <= std::min(b.bridge_node_count, tm.interface_node_track.extent(1)); ++n) {
    const std::int32_t r = tm.interface_node_track(n);
    if (r < 1 || r > tm.track_count) continue;
    BridgeSpan& sp = spans[r];
    const float s = b.node_coordinates(n, 1);
    sp.first = sp.any ? std::min(sp.first, s) : s;
    sp.last = sp.any ? std::max(sp.last, s) : s;
    sp.any = true;
  }
  return spans;
}

// The warnings of a train that the stage does not take onto the bridge from
// rest: wheels on the bridge at the stage's start (a negative lead-in), or a
// stage that ends before its first wheel reaches the bridge (a negative
// run-out). The end is taken at the stage's speed; a brake or traction
// command changes the speed as the stage runs.
void warn_of_placement(RunContext& ctx, std::int32_t train, std::int32_t stage, const TrainPassage& p,
                       std::int32_t steps, const BridgeSpan& span) {
  const TrainOrganization& tr = ctx.trains;
  const VehicleTypeLibrary& lib = ctx.vehicles;
  const std::int32_t f = tr.train_fleet(train);
  std::int32_t on_bridge = 0;
  double lead = 0.0;  // the distance of the first wheel behind the front
  bool any = false;
  for (std::int32_t j = 1; j <= tr.fleet_vehicle_count(f); ++j) {
    const std::int32_t k = tr.fleet_vehicle_types(f, j);
    for (std::int32_t w = 1; w <= lib.vehicle_wheelset_count(k); ++w) {
      const double d = ctx.layout.wheelset_start_position(train, j, w);
      const double x = start_coordinate(p, d);
      if (x > span.first && x < span.last) ++on_bridge;
      lead = any ? std::min(lead, d) : d;
      any = true;
    }
  }
  if (!any) return;
  const std::string track = "track " + std::to_string(tr.train_track(train));
  if (on_bridge > 0) {
    ctx.console.line(" Warning: train " + std::to_string(train) + " stands with " + std::to_string(on_bridge) +
                     (on_bridge == 1 ? " wheel" : " wheels") + " on the bridge (" + track +
                     ") at the start of speed stage " + std::to_string(stage) + " (lead-in " +
                     value_text(tr.train_lead_in(train, stage)) +
                     " m): the bridge takes their load at once, from rest.");
    return;
  }
  const double speed = p.reversed ? -p.speed : p.speed;
  const double end = start_coordinate(p, lead) + speed * ctx.solution.time_step * (steps - 1);
  const double short_of = p.reversed ? end - span.last : span.first - end;
  if (short_of > 0.0)
    ctx.console.line(" Warning: speed stage " + std::to_string(stage) + " ends before train " + std::to_string(train) +
                     " reaches the bridge (run-out " + value_text(tr.train_run_out(train, stage)) +
                     " m): its first wheel stops " + metres(short_of) + " before the first interface node of " + track +
                     ".");
}

}  // namespace

void plan_speed_stages(RunContext& ctx) {
  const TrainOrganization& tr = ctx.trains;
  const std::int32_t n = ctx.solution.output_interval;
  const float dt = ctx.solution.time_step;
  const std::int32_t trains = std::max(tr.train_count, 0);
  layout_train_wheelsets(ctx);

  std::vector<StagePlan> stages(static_cast<std::size_t>(std::max(tr.speed_stage_count, 0)));
  for (std::int32_t s = 1; s <= tr.speed_stage_count; ++s) {
    StagePlan& st = stages[s - 1];
    for (std::int32_t t = 1; t <= trains; ++t) {
      const TrainPassage& p = st.passages.emplace_back(train_passage(ctx, t, s));
      if (steps_run(p, n) > kMaxStageSteps) stop_with_passage_too_long(ctx, t, s, p);
      const std::int32_t count = passage_step_count(p.steps);
      if (count > st.longest) {
        st.longest = count;
        st.train = t;
      }
    }
    st.steps = whole_output_intervals(st.longest, n);
  }

  check_result_file_sizes(ctx, stages);

  const std::vector<BridgeSpan> spans = bridge_spans(ctx);
  for (std::int32_t s = 1; s <= tr.speed_stage_count; ++s) {
    const StagePlan& st = stages[s - 1];
    if (st.steps == 0) {
      const std::string why =
          st.longest == 0 ? std::string(trains == 0 ? "it has no train" : "no train of it moves along its track")
                          : "its longest passage takes " + std::to_string(st.longest) + " time steps of " +
                                value_text(dt) + " s, fewer than the output interval of " + std::to_string(n);
      ctx.console.line(" Speed stage " + std::to_string(s) + " runs no time step: " + why +
                       "; its block in every result file holds no record.");
      continue;
    }
    for (std::int32_t t = 1; t <= trains; ++t) {
      const BridgeSpan& span = spans[tr.train_track(t)];
      if (span.any) warn_of_placement(ctx, t, s, st.passages[t - 1], st.steps, span);
    }
  }
}

}  // namespace tb
