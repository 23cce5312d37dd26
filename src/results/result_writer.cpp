#include "results/result_writer.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <span>

#include "platform/stop.h"
#include "results/output_responses.h"
#include "results/result_series.h"

namespace tb {

namespace {

float as_value(std::int32_t v) { return static_cast<float>(v); }

// The writer's scratch record, grown to n values when it is smaller.
float* record_buffer(ResultSeriesFile& rf, std::size_t n) {
  if (rf.record.size() < n) rf.record.resize(n);
  return rf.record.data();
}

// Writes the scratch record up to end.
void write_buffer(RunContext& ctx, std::int32_t unit, const float* end) {
  const float* first = ctx.result_files.record.data();
  ctx.units.write_f32s(unit, std::span<const float>(first, static_cast<std::size_t>(end - first)));
}

StageHeader stage_header(const RunContext& ctx, std::int32_t records, std::int32_t channels) {
  const float interval = ctx.solution.time_step * as_value(ctx.solution.output_interval);
  return {interval, as_value(records), as_value(channels)};
}

// Vehicle type 1 with contact type -1 switches the vehicles off: their files
// then hold their run header only.
bool vehicle_results_written(const RunContext& ctx) {
  const Array1<std::int32_t>& ct = ctx.vehicles.contact_type;
  return !(ct.size() >= 1 && ct(1) == -1);
}

// Visits every vehicle of every train in channel order: trains in order, the
// vehicles of a train in fleet order.
template <class Visit>
void for_each_vehicle(const RunContext& ctx, Visit visit) {
  const TrainOrganization& tr = ctx.trains;
  for (std::int32_t t = 1; t <= tr.train_count; ++t) {
    const std::int32_t fleet = tr.train_fleet(t);
    for (std::int32_t v = 1; v <= tr.fleet_vehicle_count(fleet); ++v) visit(t, v, tr.fleet_vehicle_types(fleet, v));
  }
}

// Writes one record of the vehicle channels: for every vehicle and each of
// its counts(type) items (output items or wheel entries), the values that
// put(out, t, v, type, k) stores at out and returns the end of.
template <class Put>
void write_vehicle_record(RunContext& ctx, std::int32_t unit, const Array1<std::int32_t>& counts,
                          std::size_t values, Put put) {
  float* out = record_buffer(ctx.result_files, values);
  for_each_vehicle(ctx, [&](std::int32_t t, std::int32_t v, std::int32_t type) {
    for (std::int32_t k = 1; k <= counts(type); ++k) out = put(out, t, v, type, k);
  });
  write_buffer(ctx, unit, out);
}

void write_run_header_once(RunContext& ctx) {
  ResultSeriesFile& rf = ctx.result_files;
  if (rf.run_header_written) return;
  const RunControl& rc = ctx.control;
  const RunHeader header{as_value(ctx.trains.speed_stage_count)};
  for (std::int32_t unit : {rc.unit_res_dis_bridge, rc.unit_res_acc_bridge, rc.unit_res_dis_vehicles,
                            rc.unit_res_acc_vehicles, rc.unit_res_reduction, rc.unit_res_brake_force,
                            rc.unit_res_derailment, rc.unit_res_wheelset_irregularity,
                            rc.unit_res_modal_coordinates})
    begin_series_file(ctx.units, rf, unit, header);
  rf.run_header_written = true;
}

// Stage headers and label records of the bridge files.
void begin_bridge_block(RunContext& ctx, std::int32_t records) {
  const RunControl& rc = ctx.control;
  const BridgeModalModel& b = ctx.bridge;
  const std::int32_t p = b.output_point_count;
  const std::int32_t m = b.bridge_mode_count;
  begin_series_block(ctx.units, ctx.result_files, rc.unit_res_dis_bridge, stage_header(ctx, records, p));
  begin_series_block(ctx.units, ctx.result_files, rc.unit_res_acc_bridge, stage_header(ctx, records, p));
  begin_series_block(ctx.units, ctx.result_files, rc.unit_res_modal_coordinates, stage_header(ctx, records, 3 * m));

  // Output points: (node position, component code).
  float* out = record_buffer(ctx.result_files, 2 * static_cast<std::size_t>(std::max(p, 0)));
  for (std::int32_t q = 1; q <= p; ++q) {
    *out++ = as_value(b.output_points(q, 1));
    *out++ = as_value(b.output_points(q, 2));
  }
  write_buffer(ctx, rc.unit_res_dis_bridge, out);
  write_buffer(ctx, rc.unit_res_acc_bridge, out);

  // Modes: (i, 10) displacement, (i, 30) acceleration, (i, 0) quasi-static.
  out = record_buffer(ctx.result_files, 6 * static_cast<std::size_t>(std::max(m, 0)));
  for (std::int32_t i = 1; i <= m; ++i)
    for (float code : {10.0f, 30.0f, 0.0f}) {
      *out++ = as_value(i);
      *out++ = code;
    }
  write_buffer(ctx, rc.unit_res_modal_coordinates, out);
}

// Stage headers and label records of the vehicle files.
void begin_vehicle_block(RunContext& ctx, std::int32_t records) {
  const RunControl& rc = ctx.control;
  const VehicleTypeLibrary& lib = ctx.vehicles;
  ResultSeriesFile& rf = ctx.result_files;
  std::int32_t f = 0;
  std::int32_t e = 0;
  for_each_vehicle(ctx, [&](std::int32_t, std::int32_t, std::int32_t type) {
    f += std::max(lib.vehicle_output_count(type), 0);
    e += std::max(lib.vehicle_wheelset_count(type), 0);
  });
  rf.vehicle_output_channels = f;
  rf.wheelset_channels = e;
  begin_series_block(ctx.units, ctx.result_files, rc.unit_res_dis_vehicles, stage_header(ctx, records, f));
  begin_series_block(ctx.units, ctx.result_files, rc.unit_res_acc_vehicles, stage_header(ctx, records, f));
  begin_series_block(ctx.units, ctx.result_files, rc.unit_res_derailment, stage_header(ctx, records, e));
  begin_series_block(ctx.units, ctx.result_files, rc.unit_res_reduction, stage_header(ctx, records, e));
  begin_series_block(ctx.units, ctx.result_files, rc.unit_res_brake_force, stage_header(ctx, records, e));
  begin_series_block(ctx.units, ctx.result_files, rc.unit_res_wheelset_irregularity, stage_header(ctx, records, 3 * e));

  // Output items: (node position, direction code).
  const std::size_t fn = 2 * static_cast<std::size_t>(f);
  auto item_labels = [&](float* out, std::int32_t, std::int32_t, std::int32_t type, std::int32_t k) {
    *out++ = as_value(lib.vehicle_output_items(type, k, 1));
    *out++ = as_value(lib.vehicle_output_items(type, k, 2));
    return out;
  };
  write_vehicle_record(ctx, rc.unit_res_dis_vehicles, lib.vehicle_output_count, fn, item_labels);
  write_vehicle_record(ctx, rc.unit_res_acc_vehicles, lib.vehicle_output_count, fn, item_labels);

  // Wheel entries: (node position, code) with the codes of each file.
  auto write_wheel_labels = [&](std::int32_t unit, std::span<const float> codes) {
    write_vehicle_record(ctx, unit, lib.vehicle_wheelset_count, 2 * codes.size() * static_cast<std::size_t>(e),
                         [&](float* out, std::int32_t, std::int32_t, std::int32_t type, std::int32_t w) {
                           for (float code : codes) {
                             *out++ = as_value(lib.wheelset_nodes(type, w));
                             *out++ = code;
                           }
                           return out;
                         });
  };
  static constexpr std::array<float, 1> derailment_codes{2.0f};
  static constexpr std::array<float, 1> reduction_codes{3.0f};
  static constexpr std::array<float, 3> irregularity_codes{2.0f, 3.0f, 5.0f};
  write_wheel_labels(rc.unit_res_derailment, derailment_codes);
  write_wheel_labels(rc.unit_res_reduction, reduction_codes);
  write_wheel_labels(rc.unit_res_brake_force, reduction_codes);
  write_wheel_labels(rc.unit_res_wheelset_irregularity, irregularity_codes);
}

void write_bridge_step(RunContext& ctx) {
  const RunControl& rc = ctx.control;
  BridgeModalModel& b = ctx.bridge;
  const std::int32_t p = b.output_point_count;
  const std::int32_t m = b.bridge_mode_count;
  // Columns 1 (displacement) and 3 (acceleration) of the output points lie
  // contiguous in memory.
  if (p > 0) {
    ctx.units.write_f32s(rc.unit_res_dis_bridge, std::span<const float>(b.output_point_response.at_ptr(1, 1), p));
    ctx.units.write_f32s(rc.unit_res_acc_bridge, std::span<const float>(b.output_point_response.at_ptr(1, 3), p));
  }
  count_series_record(ctx.result_files, rc.unit_res_dis_bridge);
  count_series_record(ctx.result_files, rc.unit_res_acc_bridge);

  if (modal_output_switch != 1) return;
  const SolverState& s = ctx.solver;
  float* out = record_buffer(ctx.result_files, 3 * static_cast<std::size_t>(std::max(m, 0)));
  for (std::int32_t i = 1; i <= m; ++i) {
    *out++ = static_cast<float>(s.bridge_modal_state(i, 1));
    *out++ = static_cast<float>(s.bridge_modal_state(i, 3));
    *out++ = static_cast<float>(s.quasi_static_modal_displacement(i));
  }
  write_buffer(ctx, rc.unit_res_modal_coordinates, out);
  count_series_record(ctx.result_files, rc.unit_res_modal_coordinates);
}

void write_vehicle_step(RunContext& ctx) {
  const RunControl& rc = ctx.control;
  const VehicleTypeLibrary& lib = ctx.vehicles;
  const ResultBuffers& r = ctx.results;
  const std::size_t f = static_cast<std::size_t>(ctx.result_files.vehicle_output_channels);
  const std::size_t e = static_cast<std::size_t>(ctx.result_files.wheelset_channels);

  auto output_column = [&](std::int32_t unit, std::int32_t c) {
    write_vehicle_record(ctx, unit, lib.vehicle_output_count, f,
                         [&](float* out, std::int32_t t, std::int32_t v, std::int32_t, std::int32_t k) {
                           *out++ = r.vehicle_output_response(t, v, k, c);
                           return out;
                         });
  };
  auto wheel_column = [&](std::int32_t unit, std::int32_t c) {
    write_vehicle_record(ctx, unit, lib.vehicle_wheelset_count, e,
                         [&](float* out, std::int32_t t, std::int32_t v, std::int32_t, std::int32_t w) {
                           *out++ = r.wheelset_result(t, v, w, c);
                           return out;
                         });
  };
  output_column(rc.unit_res_dis_vehicles, 1);
  output_column(rc.unit_res_acc_vehicles, 3);
  wheel_column(rc.unit_res_reduction, 3);
  wheel_column(rc.unit_res_brake_force, 5);
  wheel_column(rc.unit_res_derailment, 4);
  write_vehicle_record(ctx, rc.unit_res_wheelset_irregularity, lib.vehicle_wheelset_count, 3 * e,
                       [&](float* out, std::int32_t t, std::int32_t v, std::int32_t, std::int32_t w) {
                         for (std::int32_t c = 1; c <= 3; ++c) *out++ = r.wheelset_irregularity_displacement(t, v, w, c);
                         return out;
                       });
  for (std::int32_t unit : {rc.unit_res_dis_vehicles, rc.unit_res_acc_vehicles, rc.unit_res_reduction,
                            rc.unit_res_brake_force, rc.unit_res_derailment, rc.unit_res_wheelset_irregularity})
    count_series_record(ctx.result_files, unit);
}

// True when every value that the records of this instant take is finite in
// single precision: the bridge channels one by one, the vehicle buffers whole
// (their unused slots hold zeros). Finite states can still give a response
// beyond it (a mode shape of 1E38 times a modal acceleration).
bool step_values_finite(const RunContext& ctx) {
  const auto finite = [](auto v) { return std::isfinite(static_cast<float>(v)); };
  const BridgeModalModel& b = ctx.bridge;
  for (std::int32_t i = 1; i <= b.output_point_count; ++i)
    if (!finite(b.output_point_response(i, 1)) || !finite(b.output_point_response(i, 3))) return false;
  if (modal_output_switch == 1)
    for (std::int32_t i = 1; i <= b.bridge_mode_count; ++i)
      if (!finite(ctx.solver.bridge_modal_state(i, 1)) || !finite(ctx.solver.bridge_modal_state(i, 3)) ||
          !finite(ctx.solver.quasi_static_modal_displacement(i)))
        return false;
  if (!vehicle_results_written(ctx)) return true;
  const ResultBuffers& r = ctx.results;
  const auto all_finite = [&](const auto& a) {
    return std::all_of(a.data(), a.data() + a.size(), [&](auto v) { return finite(v); });
  };
  return all_finite(r.vehicle_output_response) && all_finite(r.wheelset_result) &&
         all_finite(r.wheelset_irregularity_displacement);
}

}  // namespace

void compute_quasi_static_modal_displacement(RunContext& ctx) {
  SolverState& s = ctx.solver;
  const BridgeModalModel& b = ctx.bridge;
  const float two_pi = ctx.control.two_pi;
  for (std::int32_t i = 1; i <= b.bridge_mode_count; ++i) {
    const float f = b.mode_frequency(i);
    const float omega = f * two_pi;
    const float omega2 = omega * omega;
    // A mode without a frequency (none given for it, or 0 Hz or below) has
    // no stiffness to carry a load statically: no quasi-static part, where
    // F / omega^2 would put 0/0 or F/0 into every superposed response.
    s.quasi_static_modal_displacement(i) =
        f > 0.0f && omega2 > 0.0f ? static_cast<float>(s.bridge_modal_force(i)) / omega2 : 0.0f;
  }
}

void write_step_results(RunContext& ctx, std::int32_t stage, float /*step*/, std::int32_t step_count) {
  ResultSeriesFile& rf = ctx.result_files;
  write_run_header_once(ctx);
  const std::int32_t n = ctx.solution.output_interval;
  const std::int32_t records = n > 0 ? step_count / n : 0;
  const bool first_instant = rf.block_stage != stage;
  if (modal_output_switch == 1) compute_quasi_static_modal_displacement(ctx);
  // No file takes a record of this instant unless every value of it is finite.
  if (!step_values_finite(ctx)) blow_up_stop(ctx.console, !ctx.step.blow_up_paused);
  if (first_instant) {
    rf.block_stage = stage;
    begin_bridge_block(ctx, records);
  }
  write_bridge_step(ctx);
  if (!vehicle_results_written(ctx)) return;
  if (first_instant) begin_vehicle_block(ctx, records);
  write_vehicle_step(ctx);
}

void record_output_instant(RunContext& ctx, std::int32_t stage, float step, std::int32_t step_count) {
  compute_output_responses(ctx);
  write_step_results(ctx, stage, step, step_count);
}

void end_stage_results(RunContext& ctx, std::int32_t stage, std::int32_t /*step_count*/) {
  ResultSeriesFile& rf = ctx.result_files;
  if (rf.block_stage == stage) return;
  write_run_header_once(ctx);
  rf.block_stage = stage;
  begin_bridge_block(ctx, 0);
  if (vehicle_results_written(ctx)) begin_vehicle_block(ctx, 0);
}

}  // namespace tb
