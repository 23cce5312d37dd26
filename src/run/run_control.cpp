#include "run/run_control.h"

#include <filesystem>
#include <new>
#include <utility>

#include "input/bridge_modal.h"
#include "input/external_forces.h"
#include "input/input_paths.h"
#include "input/read_errors.h"
#include "input/solution_parameters.h"
#include "input/train_organization.h"
#include "input/vehicle_types.h"
#include "integration/runge_kutta.h"
#include "integration/stage_plan.h"
#include "integration/time_integration.h"
#include "interaction/brakes.h"
#include "interaction/contact_forces.h"
#include "interaction/contact_tables.h"
#include "interaction/coupler_forces.h"
#include "interaction/spring_elements.h"
#include "interaction/spring_parameters.h"
#include "model/file_names.h"
#include "platform/list_read.h"
#include "platform/progress.h"
#include "platform/signals.h"
#include "platform/stop.h"
#include "results/bridge_response_recovery.h"
#include "results/result_series.h"
#include "track/track_irregularity.h"
#include "track/track_model.h"
#include "wind/wind_coefficients.h"

namespace tb {

namespace {

constexpr std::size_t kPathRecordWidth = 256;

void print_clock_line(RunContext& ctx, std::string_view text, const ClockReading& c) {
  using namespace clock_field;
  ctx.console.formatted("(1X,A,I4,'.',I2,'.',I2,'  ',I2,':',I2,':',I2,' and ',I3,'ms')",
                        {text, c[year], c[month], c[day], c[hour], c[minute], c[second], c[millisecond]});
}

// An input file of the input directory, opened "old": a missing file is not
// created, and its reader's first read reports it as not found.
void open_text(RunContext& ctx, std::int32_t unit, std::string_view name) {
  ctx.units.open(unit, input_file_name(ctx.control, name), OpenMode::old, UnitForm::text);
}

// A result file; one that cannot be opened stops the run.
void open_binary(RunContext& ctx, std::int32_t unit, std::string_view name, OpenMode mode) {
  check_read_status(ctx, ctx.units.open(unit, input_file_name(ctx.control, name), mode, UnitForm::binary), name, unit);
}

// The four bulk files of the response recovery, each cut to empty.
void open_bulk_files(RunContext& ctx) {
  RunControl& rc = ctx.control;
  for (const auto& [unit, name] : {std::pair{rc.unit_res_bulk_disacc, res_bulk_disacc_file},
                                   {rc.unit_res_bulk_stress, res_bulk_stress_file},
                                   {rc.unit_res_bulk_dis_static, res_bulk_dis_static_file},
                                   {rc.unit_res_bulk_stress_static,
                                    res_bulk_stress_static_file}})
    open_binary(ctx, unit, name, OpenMode::replace);
}

// A stop signal during the start-up ends the run here, before any result
// file is touched.
void stop_if_signalled_before_results(RunContext& ctx) {
  if (const int signal = stop_signal_received()) stop_for_signal(ctx.console, signal, start_up_stop_note);
}

// The input files that a run writes back: "SolutionParameters.dat" with the
// program's comments, and a generated irregularity into "Irregularity.dat".
// Written only here, once every input file is read and checked and the run
// is about to open its result files, so that a run refused at start-up
// leaves every input file as it was.
void rewrite_input_files(RunContext& ctx) {
  rewrite_solution_parameters(ctx);
  store_generated_irregularity(ctx);
}

// After a stop during the integration (a blow-up, a stop signal): the line
// counting the stage's blown-up steps, the counts of the nine files rewritten
// to the records they hold, and the bulk files recovered from the modal
// coordinates written so far.
void end_stopped_integration(RunContext& ctx) {
  report_steps_beyond_limit(ctx);
  settle_series_counts(ctx.units, ctx.result_files);
  if (!ctx.result_files.run_header_written) {
    ctx.console.line(" No bridge responses recovered: the run stopped before its first output instant.");
    return;
  }
  recover_bridge_responses(ctx, true);
}

}  // namespace

void open_input_files(RunContext& ctx) {
  RunControl& rc = ctx.control;
  rc.path_file_name = path_file;
  // Without a path file, or without its first record, nothing is opened or
  // created: the run would not know where its files are.
  const std::int32_t path_unit = rc.unit_path_file;
  check_read_status(ctx, ctx.units.open(path_unit, rc.path_file_name, OpenMode::old, UnitForm::text), rc.path_file_name,
                    path_unit);
  const std::int32_t st = read_text_record(ctx.units, path_unit, rc.input_path, kPathRecordWidth);
  check_read_status(ctx, st, rc.path_file_name, path_unit, "the input directory");
  ctx.units.close(path_unit);
  // A directory that does not exist would leave every file of the run
  // unopened.
  const std::string dir(trim_trailing_blanks(rc.input_path));
  std::error_code ec;
  if (!dir.empty() && !std::filesystem::is_directory(ctx.units.resolve(input_file_name(rc, "")), ec))
    stop_with_bad_value(ctx, rc.path_file_name, path_unit, "the input directory on line 1",
                        "\"" + printable_text(dir, kPathRecordWidth) + "\": no such directory");

  open_text(ctx, rc.unit_bridge_master, bridge_master_file);
  open_text(ctx, rc.unit_vehicle_types, vehicle_types_file);
  open_text(ctx, rc.unit_rails_location, rails_location_file);
  open_text(ctx, rc.unit_vehicle_organization, vehicle_organization_file);
  open_text(ctx, rc.unit_solution_parameters, solution_parameters_file);
  open_text(ctx, rc.unit_vehicle_springs, vehicle_springs_file);
  open_text(ctx, rc.unit_bridge_springs, bridge_springs_file);
  open_text(ctx, rc.unit_wind_coefficients, wind_coefficients_file);
  open_text(ctx, rc.unit_irregularity, irregularity_file);
  ctx.units.open(rc.unit_worm_coefficients, std::string(contact_coefficients_file), OpenMode::old, UnitForm::text);
  open_text(ctx, rc.unit_external_forces, external_forces_file);
}

void report_absent_optional_files(RunContext& ctx) {
  const RunControl& rc = ctx.control;
  const std::int32_t optional[] = {rc.unit_vehicle_springs, rc.unit_bridge_springs, rc.unit_wind_coefficients,
                                   rc.unit_external_forces};
  std::string absent;
  for (std::int32_t unit : optional) {
    const UnitTable::OpenAttempt* opened = ctx.units.last_open(unit);
    if (!opened || opened->status == io_status::ok) continue;
    // A file that is there but cannot be read is not absent.
    if (opened->status != io_status::file_not_found) check_read_status(ctx, opened->status, opened->name, unit);
    absent += (absent.empty() ? " " : ", ") + unit_file_name(ctx, unit, opened->name);
  }
  if (!absent.empty()) ctx.console.line(" Optional input files not found, the run goes without them:" + absent);
}

void open_result_files(RunContext& ctx) {
  RunControl& rc = ctx.control;
  rewrite_input_files(ctx);
  // Each file is cut to empty as it is opened: from here on every byte of the
  // thirteen is this run's, however the run ends.
  for (const auto& [unit, name] : {std::pair{rc.unit_res_dis_bridge, res_dis_bridge_file},
                                   {rc.unit_res_dis_vehicles, res_dis_vehicles_file},
                                   {rc.unit_res_acc_bridge, res_acc_bridge_file},
                                   {rc.unit_res_acc_vehicles, res_acc_vehicles_file},
                                   {rc.unit_res_derailment, res_derailment_file},
                                   {rc.unit_res_reduction, res_reduction_file},
                                   {rc.unit_res_wheelset_irregularity, res_wheelset_irregularity_file},
                                   {rc.unit_res_brake_force, res_brake_force_file},
                                   {rc.unit_res_modal_coordinates, res_modal_coordinates_file}})
    open_binary(ctx, unit, name, OpenMode::replace);
  open_bulk_files(ctx);
  // Room for the counts of every file, so that the step loop allocates none.
  ctx.result_files.counts.reserve(13);
}

void open_post_processing_files(RunContext& ctx) {
  RunControl& rc = ctx.control;
  // The earlier run's modal coordinates are read, never written or created.
  const std::string_view modal = res_modal_coordinates_file;
  check_read_status(ctx,
                    ctx.units.open(rc.unit_res_modal_coordinates, input_file_name(rc, modal), OpenMode::old,
                                   UnitForm::binary),
                    modal, rc.unit_res_modal_coordinates,
                    "the modal coordinates of an earlier run, which a post-processing run reads");
  check_earlier_modal_coordinates(ctx);
  stop_if_signalled_before_results(ctx);
  rewrite_input_files(ctx);
  open_bulk_files(ctx);
}

std::array<std::int32_t, 4> compute_elapsed_time(const ClockReading& start, const ClockReading& end) {
  using namespace clock_field;
  std::int32_t h = end[hour] - start[hour];
  std::int32_t m = end[minute] - start[minute];
  std::int32_t s = end[second] - start[second];
  std::int32_t ms = end[millisecond] - start[millisecond];
  if (ms < 0) {
    ms += 1000;
    s -= 1;
  }
  if (s < 0) {
    s += 60;
    m -= 1;
  }
  if (m < 0) {
    m += 60;
    h -= 1;
  }
  if (h < 0) h += 24;
  return {h, m, s, ms};
}

void close_all_units(RunContext& ctx) {
  for (std::int32_t unit = 1; unit <= 200; ++unit) ctx.units.close(unit);
}

void run_simulation(RunContext& ctx) {
  RunControl& rc = ctx.control;
  set_flush_to_zero_mode();
  // Every input file is read and checked before the first result file is
  // opened: a run refused at start-up leaves the result files of its
  // directory as they were, and creates none, and leaves its input files as
  // they were too (the rewrites wait for open_result_files).
  open_input_files(ctx);
  rc.run_start_clock = ctx.clock();
  print_clock_line(ctx, " Program Began at      ", rc.run_start_clock);

  read_contact_geometry_table(ctx);
  read_contact_coefficient_table(ctx);
  read_solution_parameters(ctx);
  TrackIrregularity& irr = ctx.irregularity;
  generate_track_irregularity(ctx, irr.irregularity_spectrum_code, irr.irregularity_seed, irr.min_wavelength,
                              irr.max_wavelength, irr.irregularity_length, irr.irregularity_spacing,
                              rc.unit_irregularity);
  read_vehicle_type_library(ctx);
  map_vehicle_interface_nodes(ctx);
  map_vehicle_spring_nodes(ctx);
  map_vehicle_output_nodes(ctx);
  read_response_requests(ctx);

  const std::int32_t m = ctx.solution.integration_method;
  if (m == method::post_processing) {
    // The earlier run's modal coordinates are kept; only the four bulk files
    // are cut, once they are known to be recoverable.
    open_post_processing_files(ctx);
    recover_bridge_responses(ctx);
    ctx.console.flush();
    stop_run(0);
  }

  report_absent_optional_files(ctx);
  prepare_bridge_modal_data(ctx);
  map_bridge_interface_nodes(ctx);
  map_bridge_output_nodes(ctx);
  build_track_model(ctx);
  read_train_organization(ctx);
  read_brake_parameters(ctx);
  read_nonlinear_spring_parameters(ctx);
  check_coupler_springs(ctx);
  map_bridge_spring_nodes(ctx);
  check_spring_element_frames(ctx);
  read_wind_coefficients(ctx, rc.unit_wind_coefficients);
  read_external_forces(ctx);

  // Every input is read. The last start-up checks and lines come before the
  // result files are opened, so that whatever can still refuse the run
  // refuses it with the directory untouched: the stages' step counts, the
  // size of every result file and the trains' placement.
  report_hertz_contact_switch(ctx);
  if (m == method::runge_kutta) list_first_order_spring_dofs(ctx);
  plan_speed_stages(ctx);

  stop_if_signalled_before_results(ctx);
  open_result_files(ctx);
  try {
    if (m == method::runge_kutta) {
      run_runge_kutta_integration(ctx);
    } else {
      run_time_integration(ctx);
    }
  } catch (const RunStop&) {
    end_stopped_integration(ctx);
    throw;
  }

  recover_bridge_responses(ctx);

  rc.run_end_clock = ctx.clock();
  print_clock_line(ctx, " Program Terminated at  ", rc.run_end_clock);
  ctx.console.line("");
  const std::array<std::int32_t, 4> t = compute_elapsed_time(rc.run_start_clock, rc.run_end_clock);
  ctx.console.formatted("(1X,' The Total Running Time is  ',I2,'h',I2,'m',I2,'s',I4,'ms')", {t[0], t[1], t[2], t[3]});
  close_all_units(ctx);
  ctx.console.flush();
}

int run_program(RunContext& ctx) {
  // From here to the end of the process a stop signal ends the run cleanly.
  StopSignalWatch signals;
  int status = 0;
  try {
    run_simulation(ctx);
  } catch (const RunStop& stop) {
    status = stop.exit_status;
  } catch (const PlatformError& e) {
    ctx.console.line(std::string(" ") + e.what());
    status = exit_error;
  } catch (const std::bad_alloc& e) {
    // An allocation that no table of the input sized: what failed, and the
    // limit that applies.
    const auto* table = dynamic_cast<const TableAllocationFailure*>(&e);
    ctx.console.line(" Not enough memory for the model of this run: " +
                     (table ? "a table of " + memory_size_text(table->bytes()) + " could not be allocated"
                            : std::string("an allocation failed")) +
                     ", within " + memory_limit_text() + ".");
    status = exit_error;
  }
  try {
    // Whatever ended the run, each result file it opened reads to its end
    // by its own counts.
    if (status != 0) settle_series_counts(ctx.units, ctx.result_files);
    ctx.units.close_all();
  } catch (const PlatformError& e) {
    ctx.console.line(std::string(" ") + e.what());
    status = exit_error;
  }
  ctx.console.flush();
  return status;
}

}  // namespace tb
