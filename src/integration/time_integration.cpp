#include "integration/time_integration.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "integration/loads.h"
#include "integration/modal_steps.h"
#include "integration/reset.h"
#include "integration/train_advance.h"
#include "interaction/spring_elements.h"
#include "interaction/vehicle_forces.h"
#include "interaction/wheel_rail_interaction.h"
#include "platform/format.h"
#include "platform/signals.h"
#include "platform/stop.h"
#include "platform/texts.h"
#include "results/output_responses.h"
#include "results/result_writer.h"
#include "run/input_helpers.h"

namespace tb {

namespace {

constexpr double kBlowUpLimit = 1.0E12;

// A state value above the limit in a pass of the current step: the step
// counts once; the stage's first such step prints the warning, and the run
// waits for Enter at the first warning only.
void note_response_beyond_limit(RunContext& ctx) {
  StepControl& sc = ctx.step;
  if (sc.step_beyond_limit) return;
  sc.step_beyond_limit = true;
  if (sc.steps_beyond_limit++ > 0) return;
  ctx.console.line("");
  ctx.console.line(" Warning:System response blow out!");
  if (sc.blow_up_paused) return;
  sc.blow_up_paused = true;
  ctx.console.pause();
}

void copy_table(Array2<double>& to, const Array2<double>& from) { std::copy(from.data(), from.data() + from.size(), to.data()); }
void copy_table(Array4<double>& to, const Array4<double>& from) { std::copy(from.data(), from.data() + from.size(), to.data()); }
void copy_table(Array1<double>& to, const Array1<double>& from) { std::copy(from.data(), from.data() + from.size(), to.data()); }
void copy_table(Array3<double>& to, const Array3<double>& from) { std::copy(from.data(), from.data() + from.size(), to.data()); }

// The deck motion and aerodynamic memory of the buffeting stations, kept as
// the previous step's for the next step; nothing while the buffeting path has
// not created them.
void commit_buffeting_stations(RunContext& ctx) {
  BuffetingWindData& b = ctx.buffeting;
  if (!b.station_displacements.allocated()) return;
  b.station_prev_displacements.assign_from(b.station_displacements);
  b.station_prev_velocities.assign_from(b.station_velocities);
  b.station_prev_memory.assign_from(b.station_memory);
}

// Whether two state tables hold the same values, bit for bit.
bool same_values(const double* a, const double* b, std::size_t n) { return std::equal(a, a + n, b); }

}  // namespace

IterationEnd pass_outcome(const RunContext& ctx, const PassChanges& changes, bool vehicle_pass, bool bridge_pass) {
  const SolverState& s = ctx.solver;
  const std::int32_t pass = ctx.step.iteration_count;  // 0 for the first pass of the step
  auto unchanged = [&](const auto& now, const auto& before, bool ran) {
    return !ran || same_values(now.data(), before.data(), now.size());
  };
  // The pass left both states as they were: its forces were those of the
  // step's own new state.
  if (unchanged(s.vehicle_modal_state, s.vehicle_modal_state_prev_iter, vehicle_pass) &&
      unchanged(s.bridge_modal_state, s.bridge_modal_state_prev_iter, bridge_pass))
    return IterationEnd::accept;
  // The first pass took its forces at the previous step's state: a step ends
  // only after a pass whose forces belong to its own new state.
  if (pass < 1) return IterationEnd::go_on;
  // Each side has settled: its change is within the tolerance or, from the
  // third pass on, no smaller than in the pass before. A change that no
  // longer shrinks is the rounding of the single-precision force sums (the
  // passes cycle through states a few units in the last place of a sum
  // apart), which further passes cannot reduce.
  const float tolerance = ctx.solution.iteration_tolerance;
  auto settled = [&](float now, float before) {
    return !(std::fabs(now) > tolerance) || (pass >= 2 && !(std::fabs(now) < std::fabs(before)));
  };
  return settled(changes.vehicle, changes.vehicle_before) && settled(changes.bridge, changes.bridge_before)
             ? IterationEnd::accept
             : IterationEnd::go_on;
}

float compute_max_relative_change(RunContext& ctx, const double* old_values, const double* new_values,
                                  std::int32_t n) {
  // Three equal blocks, displacements, velocities and accelerations of the
  // table's modes in storage order.
  const std::int32_t per_order = std::max(n, 0) / 3;
  double result = 0.0;
  for (std::int32_t d = 0; d < 3; ++d) {
    double scale = 0.0, change = 0.0;
    for (std::int32_t k = 0; k < per_order; ++k) {
      const std::int32_t i = k + per_order * d;
      const double o = old_values[i];
      const double v = new_values[i];
      // A state that is no longer a number cannot converge: stop, keeping
      // the results written so far.
      if (!std::isfinite(v)) blow_up_stop(ctx.console, !ctx.step.blow_up_paused);
      if (std::fabs(v) > kBlowUpLimit) note_response_beyond_limit(ctx);
      scale = std::max(scale, std::fabs(o));
      change = std::max(change, std::fabs(v - o));
    }
    if (scale > 0.001) result = std::max(result, change / scale);
  }
  return static_cast<float>(result);
}

void empty_iteration_hook(std::int32_t, std::int32_t) {}

bool vehicles_take_part(const RunContext& ctx) {
  return ctx.vehicles.vehicle_type_count >= 1 && ctx.vehicles.contact_type(1) != -1;
}

void commit_spring_states(RunContext& ctx) {
  SpringElementState& e = ctx.spring_state;
  if (ctx.springs.bridge_springs_need_elements == 1) {
    e.bridge_spring_state_prev.assign_from(e.bridge_spring_state);
    e.bridge_spring_force_prev.assign_from(e.bridge_spring_force);
    e.bridge_spring_memory_prev.assign_from(e.bridge_spring_memory);
  }
  if (ctx.springs.vehicle_springs_need_elements == 1) {
    e.vehicle_spring_state_prev.assign_from(e.vehicle_spring_state);
    e.vehicle_spring_force_prev.assign_from(e.vehicle_spring_force);
    e.vehicle_spring_memory_prev.assign_from(e.vehicle_spring_memory);
  }
}

void allocate_solver_state(RunContext& ctx, bool step_by_step) {
  SolverState& s = ctx.solver;
  const std::int32_t m = ctx.bridge.bridge_mode_count;
  const std::int32_t t = ctx.trains.train_count;
  // The largest fleet and the most modes of a vehicle type, as their records
  // give them: the tables that every pass zeroes, copies and compares hold
  // the vehicles and modes that the trains have.
  const std::int32_t j = ctx.trains.max_vehicles_per_fleet;
  const std::int32_t vm = ctx.vehicles.max_modes_per_type;
  const std::string bridge_counts = "header: " + std::to_string(m) + " modes";
  const CountSource bridge{"\\Modal_Substructure_Bridge.dat", ctx.control.unit_bridge_master, bridge_counts};
  const std::string vehicle_counts = "train header: " + std::to_string(t) + " trains of up to " + std::to_string(j) +
                                     " vehicles of up to " + std::to_string(vm) + " modes";
  const CountSource vehicles{"\\VehicleOrganization.dat", ctx.control.unit_vehicle_organization, vehicle_counts};
  // Up to 9 state tables of 3 values and 2 force tables per mode.
  check_tables_fit_memory(ctx, vehicles, 8.0 * 29.0 * std::max(t, 0) * std::max(j, 0) * std::max(vm, 0));
  resize_from_counts(ctx, bridge, s.quasi_static_modal_displacement, m);
  for (Array2<double>* a : {&s.bridge_modal_state, &s.bridge_modal_state_prev_step})
    resize_from_counts(ctx, bridge, *a, m, 3);
  for (Array1<double>* a : {&s.bridge_modal_force, &s.bridge_modal_force_prev_step})
    resize_from_counts(ctx, bridge, *a, m);
  for (Array4<double>* a : {&s.vehicle_modal_state, &s.vehicle_modal_state_prev_step})
    resize_from_counts(ctx, vehicles, *a, t, j, vm, 3);
  for (Array3<double>* a : {&s.vehicle_modal_force, &s.vehicle_modal_force_prev_step})
    resize_from_counts(ctx, vehicles, *a, t, j, vm);
  if (!step_by_step) return;
  if (ctx.solution.integration_method == method::explicit_two_step) {
    resize_from_counts(ctx, bridge, s.bridge_modal_state_two_back, m, 3);
    resize_from_counts(ctx, vehicles, s.vehicle_modal_state_two_back, t, j, vm, 3);
  }
  for (Array2<double>* a : {&s.bridge_modal_state_prev_iter, &s.bridge_modal_state_iterate1,
                            &s.bridge_modal_state_iterate2, &s.bridge_modal_state_iterate3})
    resize_from_counts(ctx, bridge, *a, m, 3);
  for (Array4<double>* a : {&s.vehicle_modal_state_prev_iter, &s.vehicle_modal_state_iterate1,
                            &s.vehicle_modal_state_iterate2, &s.vehicle_modal_state_iterate3})
    resize_from_counts(ctx, vehicles, *a, t, j, vm, 3);
}

void print_stage_banner(RunContext& ctx, std::int32_t stage) {
  ctx.console.line("");
  ctx.console.write(text::speed_stage);
  ctx.console.write(format_integer(stage, 2));
  ctx.console.line(text::train_bridge_computation_begins);
}

std::int32_t start_stage(RunContext& ctx, std::int32_t stage) {
  ctx.step.current_stage = stage;
  ctx.step.current_stage_copy = stage;
  print_stage_banner(ctx, stage);
  std::int32_t steps = 0;
  layout_train_wheelsets(ctx);
  compute_stage_step_count(ctx, stage, steps);
  ctx.bridge.mode_damping_ratio_work.assign_from(ctx.bridge.mode_damping_ratio);
  ctx.vehicles.vehicle_mode_damping.assign_from(ctx.vehicles.vehicle_mode_damping_input);
  ctx.step.current_time = 0.0f;
  ctx.step.steps_beyond_limit = 0;
  return whole_output_intervals(steps, ctx.solution.output_interval);
}

void report_steps_beyond_limit(RunContext& ctx) {
  StepControl& sc = ctx.step;
  if (sc.steps_beyond_limit == 0) return;
  ctx.console.line(" Warning: speed stage " + std::to_string(sc.current_stage) + " had " +
                   std::to_string(sc.steps_beyond_limit) + (sc.steps_beyond_limit == 1 ? " time step" : " time steps") +
                   " with a system response above 1E12.");
  sc.steps_beyond_limit = 0;
}

void stop_if_signalled(RunContext& ctx, std::int32_t stage, float step, std::int32_t step_count) {
  const int signal = stop_signal_received();
  if (signal == 0) return;
  const float dt = ctx.solution.time_step;
  // The times of the progress line, in its F10.6 without the leading blanks.
  stop_for_signal(ctx.console, signal,
                  "speed stage " + std::to_string(stage) + ", simulated time " + format_fixed(step * dt, 0, 6) +
                      " s of " + format_fixed(static_cast<float>(step_count) * dt, 0, 6) +
                      " s; the result files hold the records written up to there.");
}

void begin_step(RunContext& ctx, StageClocks& clocks, std::int32_t stage, float step, std::int32_t step_count) {
  const float dt = ctx.solution.time_step;
  ctx.step.current_time = ctx.step.current_time + dt;
  ctx.step.step_beyond_limit = false;
  // The steps before this one are done; at the stage's first step the
  // clock starts.
  const std::int32_t done = static_cast<std::int32_t>(step) - 1;
  if (done == 0) clocks.stage_start = ctx.clock();
  estimate_remaining_time(clocks.stage_start, ctx.clock(), clocks.remaining, done, step_count);
  Console& con = ctx.console;
  con.line("");
  con.write(" Speed Stage=");
  con.write(format_integer(stage, 2));
  con.write("    Run Time=");
  con.write(format_fixed(step * dt, 10, 6));
  con.write("/");
  con.write(format_fixed(static_cast<float>(step_count) * dt, 10, 6));
  con.write(" Time Remaining:");
  con.write(format_integer(clocks.remaining[0], 3));
  con.write("H");
  con.write(format_integer(clocks.remaining[1], 3));
  con.write("M");
  con.write(format_integer(clocks.remaining[2], 3));
  con.line("S");
}

void run_time_integration(RunContext& ctx) {
  SolverState& s = ctx.solver;
  allocate_solver_state(ctx, true);
  const std::int32_t n_v = static_cast<std::int32_t>(s.vehicle_modal_state.size());
  const std::int32_t n_b = static_cast<std::int32_t>(s.bridge_modal_state.size());
  compute_integration_constants(ctx);
  ctx.spring_state_at_start = ctx.spring_state;
  const std::int32_t stages = ctx.trains.speed_stage_count;
  if (stages < 1) return;

  const bool explicit_scheme = ctx.solution.integration_method == method::explicit_two_step;
  const bool vehicle_pass = n_v > 0 && vehicles_take_part(ctx);
  const bool bridge_pass = ctx.bridge.bridge_mode_count > 0;
  const std::int32_t n_out = ctx.solution.output_interval;
  StageClocks clocks;

  for (std::int32_t stage = 1; stage <= stages; ++stage) {
    const std::int32_t step_count = start_stage(ctx, stage);
    const std::int32_t trips = static_cast<std::int32_t>(static_cast<float>(step_count) - 1.0f + 1.0f);
    float step = 1.0f;
    for (std::int32_t trip = 0; trip < trips; ++trip, step += 1.0f) {
      begin_step(ctx, clocks, stage, step, step_count);
      ctx.step.iteration_count = 0;
      PassChanges changes;
      advance_train_positions(ctx, stage, step);
      for (;;) {
        if (vehicle_pass) {
          s.vehicle_modal_force.fill(0.0);
          compute_vehicle_loads(ctx, stage, step);
          copy_table(s.vehicle_modal_state_prev_iter, s.vehicle_modal_state);
          compute_wheel_rail_interaction(ctx, 0, stage, step);
          assemble_vehicle_internal_forces(ctx);
          const TrainOrganization& tr = ctx.trains;
          for (std::int32_t t = 1; t <= tr.train_count; ++t)
            for (std::int32_t j = 1; j <= tr.fleet_vehicle_count(tr.train_fleet(t)); ++j)
              integrate_vehicle_modal_step(ctx, j, t);
        }
        if (bridge_pass) {
          s.bridge_modal_force.fill(0.0);
          copy_table(s.bridge_modal_state_prev_iter, s.bridge_modal_state);
          compute_wheel_rail_interaction(ctx, 1, stage, step);
          assemble_bridge_spring_forces(ctx);
          apply_external_and_wind_forces(ctx, stage, step);
          integrate_bridge_modal_step(ctx);
        }
        empty_iteration_hook(ctx.step.iteration_count, 0);
        changes.vehicle_before = changes.vehicle;
        changes.bridge_before = changes.bridge;
        changes.vehicle =
            compute_max_relative_change(ctx, s.vehicle_modal_state_prev_iter.data(), s.vehicle_modal_state.data(), n_v);
        changes.bridge =
            compute_max_relative_change(ctx, s.bridge_modal_state_prev_iter.data(), s.bridge_modal_state.data(), n_b);
        const float err = std::max(changes.vehicle, changes.bridge);
        if (ctx.step.iteration_count > 0) {
          ctx.console.write("\tIteration_Number =");
          ctx.console.write(format_integer(ctx.step.iteration_count, 2));
          ctx.console.write("    Tolerance=");
          ctx.console.write(format_fixed(100.0f * err, 15, 5));
          ctx.console.line(" %");
        }
        const IterationEnd end = pass_outcome(ctx, changes, vehicle_pass, bridge_pass);
        ctx.step.iteration_count += 1;
        if (end == IterationEnd::accept || ctx.step.iteration_count > ctx.solution.max_iterations) break;
      }
      // Commit of the step.
      if (explicit_scheme) {
        copy_table(s.bridge_modal_state_two_back, s.bridge_modal_state_prev_step);
        copy_table(s.vehicle_modal_state_two_back, s.vehicle_modal_state_prev_step);
      }
      copy_table(s.bridge_modal_state_prev_step, s.bridge_modal_state);
      copy_table(s.bridge_modal_force_prev_step, s.bridge_modal_force);
      copy_table(s.vehicle_modal_state_prev_step, s.vehicle_modal_state);
      copy_table(s.vehicle_modal_force_prev_step, s.vehicle_modal_force);
      commit_buffeting_stations(ctx);
      commit_spring_states(ctx);
      if (static_cast<std::int32_t>(step) % n_out == 0) {
        compute_output_responses(ctx);
        write_step_results(ctx, stage, step, step_count);
      }
      ctx.console.flush();
      stop_if_signalled(ctx, stage, step, step_count);
    }
    report_steps_beyond_limit(ctx);
    end_stage_results(ctx, stage, step_count);
    reset_dynamic_state(ctx);
  }
}

}  // namespace tb
