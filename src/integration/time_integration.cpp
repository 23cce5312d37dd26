#include "integration/time_integration.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <string>
#include <vector>

#include "input/read_errors.h"
#include "integration/loads.h"
#include "integration/modal_steps.h"
#include "integration/stage_loop.h"
#include "interaction/spring_elements.h"
#include "interaction/vehicle_forces.h"
#include "interaction/wheel_rail_interaction.h"
#include "model/file_names.h"
#include "platform/format.h"
#include "platform/stop.h"

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

// The change that the rounding of the single-precision force sums can make
// in a modal acceleration from one pass to the next. In the mass-normalised
// modal equations a change dF of a modal force moves the mode's acceleration
// by at most dF in every scheme (Newmark by dF a0 / (w^2 + a0 + a1 c),
// Wilson-theta likewise through its step at theta dt, the explicit scheme by
// dF), and its velocity and displacement by fixed multiples of that. The
// single-precision terms of a modal force (a vehicle's weight on its wheels
// and the contact forces that carry it; the wheel forces on a bridge mode)
// have sizes that add up to about S per kind of term, S being the side's
// force term size or its largest modal force where that is larger; each
// term is rounded to within FLT_EPSILON / 2 of its size. Two kinds of terms
// in each of two passes make forces whose rounding differs by up to
// 2 FLT_EPSILON S; the level takes twice that, for the products and sums
// that make each term, 4 FLT_EPSILON S. A pass whose accelerations move by
// no more than that cycles through states that only the rounding tells
// apart, and further passes cannot bring them closer. (Measured: the
// rounding cycles of correct runs move by up to 0.7 FLT_EPSILON S, one unit
// in the last place of a vehicle's modal weight; the example with a time
// step fifty times its own, whose iteration diverges, by 4E4 FLT_EPSILON S
// and more.)
constexpr double kRoundingLevel = 4.0 * FLT_EPSILON;

double rounding_level(double term_size, const double* forces, std::size_t n) {
  double size = term_size;
  for (std::size_t i = 0; i < n; ++i) size = std::max(size, std::fabs(forces[i]));
  return kRoundingLevel * size;
}

// A step that reached the pass limit with a change above the tolerance: the
// stage's first such step prints a warning; all are counted, with the
// largest change, for the line at the stage's end.
void note_unconverged_step(RunContext& ctx, float step, float change) {
  StepControl& sc = ctx.step;
  sc.largest_unconverged_change = std::max(sc.largest_unconverged_change, change);
  if (sc.steps_unconverged++ > 0) return;
  ctx.console.line(" Warning: speed stage " + std::to_string(sc.current_stage) + ", time " +
                   format_fixed(step * ctx.solution.time_step, 0, 6) +
                   " s: the equilibrium iteration did not converge in " +
                   std::to_string(ctx.solution.max_iterations + 1) + " passes (change " +
                   format_fixed(100.0f * change, 0, 2) + " %); the run goes on with the step as it stands.");
}

// The largest translation (components x, y, z) of the shapes of modes
// 1..modes at nodes 1..nodes, read through shape(mode, node, component).
template <class Shape>
double largest_translation(std::int32_t modes, std::int32_t nodes, Shape&& shape) {
  double largest = 0.0;
  for (std::int32_t n = 1; n <= nodes; ++n)
    for (std::int32_t c = 1; c <= 3; ++c)
      for (std::int32_t m = 1; m <= modes; ++m)
        largest = std::max(largest, std::fabs(static_cast<double>(shape(m, n, c))));
  return largest;
}

}  // namespace

ForceTermSizes force_term_sizes(const RunContext& ctx) {
  const VehicleTypeLibrary& lib = ctx.vehicles;
  const TrainOrganization& tr = ctx.trains;
  ForceTermSizes sizes;
  // Per vehicle type that some train runs: its static wheel loads, and those
  // times the largest translation of its mode shapes.
  const std::int32_t types = lib.vehicle_type_count;
  std::vector<double> type_load(static_cast<std::size_t>(std::max(types, 0)) + 1, -1.0);
  double train_loads = 0.0;
  for (std::int32_t t = 1; t <= tr.train_count; ++t) {
    const std::int32_t f = tr.train_fleet(t);
    for (std::int32_t j = 1; j <= tr.fleet_vehicle_count(f); ++j) {
      const std::int32_t k = tr.fleet_vehicle_types(f, j);
      if (k < 1 || k > types) continue;
      double& load = type_load[static_cast<std::size_t>(k)];
      if (load < 0.0) {
        load = 0.0;
        const std::int32_t wheels = std::min(lib.vehicle_wheelset_count(k), lib.wheelset_static_load.extent(2));
        for (std::int32_t w = 1; w <= wheels; ++w)
          load += std::fabs(static_cast<double>(lib.wheelset_static_load(k, w)));
        const Array4<float>& shapes = lib.vehicle_mode_shapes;
        const std::int32_t modes = shapes.allocated() ? std::min(lib.vehicle_mode_count(k), shapes.extent(2)) : 0;
        const std::int32_t nodes = shapes.allocated() ? std::min(lib.vehicle_node_count(k), shapes.extent(3)) : 0;
        const double shape = largest_translation(
            modes, nodes, [&](std::int32_t m, std::int32_t n, std::int32_t c) { return shapes(k, m, n, c); });
        sizes.vehicle = std::max(sizes.vehicle, load * shape);
      }
      train_loads += load;
    }
  }
  const Array3<float>& shapes = ctx.bridge.mode_shapes;
  if (shapes.allocated()) {
    const std::int32_t modes = std::min(ctx.bridge.bridge_mode_count, shapes.extent(1));
    sizes.bridge = train_loads * largest_translation(modes, shapes.extent(2), [&](std::int32_t m, std::int32_t n,
                                                                                   std::int32_t c) {
                     return shapes(m, n, c);
                   });
  }
  return sizes;
}

IterationEnd pass_outcome(const RunContext& ctx, const PassChanges& changes, const ForceTermSizes& sizes,
                          bool vehicle_pass, bool bridge_pass) {
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
  // third pass on, no smaller than in the pass before while its modal
  // accelerations moved by no more than the rounding of its force sums. The
  // measure relates a change to the size of the motion, and a vehicle at rest
  // on its wheels moves little under forces that are large but cancel: there
  // the rounding alone can measure above the tolerance. A change above the
  // rounding that stops shrinking is an iteration that does not converge;
  // the passes go on to the limit.
  const float tolerance = ctx.solution.iteration_tolerance;
  auto settled = [&](float now, float before, double acceleration_change, double term_size, const auto& forces) {
    if (!(std::fabs(now) > tolerance)) return true;
    if (pass < 2 || std::fabs(now) < std::fabs(before)) return false;
    return acceleration_change <= rounding_level(term_size, forces.data(), forces.size());
  };
  return settled(changes.vehicle, changes.vehicle_before, changes.vehicle_acceleration, sizes.vehicle,
                 s.vehicle_modal_force) &&
                 settled(changes.bridge, changes.bridge_before, changes.bridge_acceleration, sizes.bridge,
                         s.bridge_modal_force)
             ? IterationEnd::accept
             : IterationEnd::go_on;
}

float compute_max_relative_change(RunContext& ctx, const double* old_values, const double* new_values,
                                  std::int32_t n, double* largest_acceleration_change) {
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
    if (d == 2 && largest_acceleration_change != nullptr) *largest_acceleration_change = change;
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
  const CountSource bridge{bridge_master_file, ctx.control.unit_bridge_master, bridge_counts};
  const std::string vehicle_counts = "train header: " + std::to_string(t) + " trains of up to " + std::to_string(j) +
                                     " vehicles of up to " + std::to_string(vm) + " modes";
  const CountSource vehicles{vehicle_organization_file, ctx.control.unit_vehicle_organization, vehicle_counts};
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

void report_steps_beyond_limit(RunContext& ctx) {
  StepControl& sc = ctx.step;
  auto steps = [](std::int32_t n) { return std::to_string(n) + (n == 1 ? " time step" : " time steps"); };
  if (sc.steps_beyond_limit > 0) {
    ctx.console.line(" Warning: speed stage " + std::to_string(sc.current_stage) + " had " +
                     steps(sc.steps_beyond_limit) + " with a system response above 1E12; " +
                     (ctx.solution.integration_method == method::explicit_two_step
                          ? "a shorter time step, or Newmark or Runge-Kutta in place of the explicit scheme, "
                          : "a shorter time step ") +
                     "usually helps.");
    sc.steps_beyond_limit = 0;
  }
  if (sc.steps_unconverged > 0) {
    ctx.console.line(" Warning: speed stage " + std::to_string(sc.current_stage) + " had " +
                     steps(sc.steps_unconverged) + " whose equilibrium iteration did not converge in " +
                     std::to_string(ctx.solution.max_iterations + 1) + " passes (largest change " +
                     format_fixed(100.0f * sc.largest_unconverged_change, 0, 2) +
                     " %); a shorter time step usually helps.");
    sc.steps_unconverged = 0;
    sc.largest_unconverged_change = 0.0f;
  }
}

namespace {

// Wilson-theta, Newmark or the explicit two-step scheme in the stage loop:
// per time step the equilibrium-iteration passes of the vehicle and the
// bridge side until the step settles or reaches the pass limit, then the
// commit of the step's state as the previous step's.
class StepByStepScheme final : public StageScheme {
 public:
  explicit StepByStepScheme(RunContext& ctx)
      : ctx_(ctx),
        n_v_(static_cast<std::int32_t>(ctx.solver.vehicle_modal_state.size())),
        n_b_(static_cast<std::int32_t>(ctx.solver.bridge_modal_state.size())),
        explicit_scheme_(ctx.solution.integration_method == method::explicit_two_step),
        vehicle_pass_(n_v_ > 0 && vehicles_take_part(ctx)),
        bridge_pass_(ctx.bridge.bridge_mode_count > 0),
        sizes_(force_term_sizes(ctx)) {}

  void begin_stage(std::int32_t) override {}
  void step(std::int32_t stage, float step) override {
    iterate(stage, step);
    commit();
  }
  void end_stage() override { report_steps_beyond_limit(ctx_); }

 private:
  // The passes of one step; `iteration_count` counts them.
  void iterate(std::int32_t stage, float step) {
    RunContext& ctx = ctx_;
    SolverState& s = ctx.solver;
    ctx.step.iteration_count = 0;
    PassChanges changes;
    for (;;) {
      if (vehicle_pass_) {
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
      if (bridge_pass_) {
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
      changes.vehicle = compute_max_relative_change(ctx, s.vehicle_modal_state_prev_iter.data(),
                                                    s.vehicle_modal_state.data(), n_v_, &changes.vehicle_acceleration);
      changes.bridge = compute_max_relative_change(ctx, s.bridge_modal_state_prev_iter.data(),
                                                   s.bridge_modal_state.data(), n_b_, &changes.bridge_acceleration);
      const float err = std::max(changes.vehicle, changes.bridge);
      report_pass(ctx.console, ctx.step.iteration_count, err);
      const IterationEnd end = pass_outcome(ctx, changes, sizes_, vehicle_pass_, bridge_pass_);
      ctx.step.iteration_count += 1;
      if (end == IterationEnd::accept) return;
      if (ctx.step.iteration_count > ctx.solution.max_iterations) {
        // The pass limit: the step is taken as it stands, and said so.
        if (err > ctx.solution.iteration_tolerance) note_unconverged_step(ctx, step, err);
        return;
      }
    }
  }

  // The step's state becomes the previous step's: the explicit scheme's
  // two-back tables first, then the modal states and forces, the buffeting
  // stations and the spring-damper histories.
  void commit() {
    SolverState& s = ctx_.solver;
    if (explicit_scheme_) {
      copy_table(s.bridge_modal_state_two_back, s.bridge_modal_state_prev_step);
      copy_table(s.vehicle_modal_state_two_back, s.vehicle_modal_state_prev_step);
    }
    copy_table(s.bridge_modal_state_prev_step, s.bridge_modal_state);
    copy_table(s.bridge_modal_force_prev_step, s.bridge_modal_force);
    copy_table(s.vehicle_modal_state_prev_step, s.vehicle_modal_state);
    copy_table(s.vehicle_modal_force_prev_step, s.vehicle_modal_force);
    commit_buffeting_stations(ctx_);
    commit_spring_states(ctx_);
  }

  RunContext& ctx_;
  const std::int32_t n_v_;  // values of a vehicle state table
  const std::int32_t n_b_;  // values of the bridge state table
  const bool explicit_scheme_;
  const bool vehicle_pass_;
  const bool bridge_pass_;
  const ForceTermSizes sizes_;
};

}  // namespace

void run_time_integration(RunContext& ctx) {
  allocate_solver_state(ctx, true);
  compute_integration_constants(ctx);
  StepByStepScheme scheme(ctx);
  run_stage_loop(ctx, scheme);
}

}  // namespace tb
