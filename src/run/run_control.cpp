#include "run/run_control.h"

#include <filesystem>
#include <new>

#include "integration/runge_kutta.h"
#include "integration/stage_plan.h"
#include "integration/time_integration.h"
#include "interaction/brakes.h"
#include "interaction/contact_forces.h"
#include "interaction/contact_tables.h"
#include "interaction/coupler_forces.h"
#include "interaction/spring_parameters.h"
#include "platform/list_read.h"
#include "platform/stop.h"
#include "results/bridge_response_recovery.h"
#include "run/bridge_modal.h"
#include "run/external_forces.h"
#include "run/input_helpers.h"
#include "run/solution_parameters.h"
#include "run/train_organization.h"
#include "run/vehicle_types.h"
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

// A result file; one that cannot be opened stops the run before any input is
// read.
void open_binary(RunContext& ctx, std::int32_t unit, std::string_view name, OpenMode mode = OpenMode::unknown) {
  check_read_status(ctx, ctx.units.open(unit, input_file_name(ctx.control, name), mode, UnitForm::binary), name, unit);
}

}  // namespace

void open_input_files(RunContext& ctx) {
  RunControl& rc = ctx.control;
  rc.path_file_name = "QEL.PATH";
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
                        "\"" + dir + "\": no such directory");

  open_text(ctx, rc.unit_bridge_master, "\\Modal_Substructure_Bridge.dat");
  open_text(ctx, rc.unit_vehicle_types, "\\Modal_Substructure_Vehicletypes.dat");
  open_text(ctx, rc.unit_rails_location, "\\Rails_Location.dat");
  open_text(ctx, rc.unit_vehicle_organization, "\\VehicleOrganization.dat");
  open_text(ctx, rc.unit_solution_parameters, "\\SolutionParameters.dat");
  open_text(ctx, rc.unit_vehicle_springs, "\\NonlinearSpringParameters_Vehicletypes.dat");
  open_text(ctx, rc.unit_bridge_springs, "\\NonlinearSpringParameters_Bridge.dat");
  open_text(ctx, rc.unit_wind_coefficients, "\\Wind_Coefficients.dat");
  open_text(ctx, rc.unit_irregularity, "\\Irregularity.dat");
  ctx.units.open(rc.unit_worm_coefficients, "WormCoeefficient.dat", OpenMode::old, UnitForm::text);
  open_text(ctx, rc.unit_external_forces, "\\ExternalForces.dat");
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
  open_binary(ctx, rc.unit_res_dis_bridge, "\\Res_DisResults_Bridge.bin");
  open_binary(ctx, rc.unit_res_dis_vehicles, "\\Res_DisResults_Vehicles.bin");
  open_binary(ctx, rc.unit_res_acc_bridge, "\\Res_AccResults_Bridge.bin");
  open_binary(ctx, rc.unit_res_acc_vehicles, "\\Res_AccResults_Vehicles.bin");
  open_binary(ctx, rc.unit_res_derailment, "\\Res_DerailmentFactor_Vehicles.bin");
  open_binary(ctx, rc.unit_res_reduction, "\\Res_ReductionRation_Vehicles.bin");
  open_binary(ctx, rc.unit_res_wheelset_irregularity, "\\Res_WheelsetirregDisVehilces.bin");
  open_binary(ctx, rc.unit_res_brake_force, "\\Res_BrakeForceDis_Vehicles.bin");
  // The modal coordinates of an earlier run stay until this run writes its
  // own: a post-processing run reads them back.
  open_binary(ctx, rc.unit_res_modal_coordinates, "\\Res_Modal_Coordinate_Results_Bridge.bin");
  // The bulk files start empty: a run that stops before its response
  // recovery leaves no earlier run's responses beside its own results.
  open_binary(ctx, rc.unit_res_bulk_disacc, "\\Res_BridgeResponseBulkDate_disacc.bin", OpenMode::replace);
  open_binary(ctx, rc.unit_res_bulk_stress, "\\Res_BridgeResponseBulkDate_stress.bin", OpenMode::replace);
  open_binary(ctx, rc.unit_res_bulk_dis_static, "\\Res_BridgeResponseBulkDate_dis_static.bin", OpenMode::replace);
  open_binary(ctx, rc.unit_res_bulk_stress_static, "\\Res_BridgeResponseBulkDate_stress_static.bin",
              OpenMode::replace);
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
  open_input_files(ctx);
  open_result_files(ctx);
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

  // The requested bridge responses are read and checked before any
  // integration, so that a bad request stops the run before its first step.
  read_response_requests(ctx);
  const std::int32_t m = ctx.solution.integration_method;
  if (m == method::post_processing) {
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
  read_wind_coefficients(ctx, rc.unit_wind_coefficients);
  read_external_forces(ctx);
  // Every input is read: the stages' step counts, the size of every result
  // file and the trains' placement are checked before any result is written.
  if (m == method::runge_kutta || (m >= 0 && m <= 3)) plan_speed_stages(ctx);

  if (m == method::runge_kutta || (m >= 0 && m <= 3)) report_hertz_contact_switch(ctx);
  if (m == method::runge_kutta) {
    list_first_order_spring_dofs(ctx);
    run_runge_kutta_integration(ctx);
  } else if (m >= 0 && m <= 3) {
    run_time_integration(ctx);
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
  int status = 0;
  try {
    run_simulation(ctx);
  } catch (const RunStop& stop) {
    status = stop.exit_status;
  } catch (const PlatformError& e) {
    ctx.console.line(std::string(" ") + e.what());
    status = exit_error;
  } catch (const std::bad_alloc&) {
    ctx.console.line(" Not enough memory for the model of this run.");
    status = exit_error;
  }
  try {
    ctx.units.close_all();
  } catch (const PlatformError& e) {
    ctx.console.line(std::string(" ") + e.what());
    status = exit_error;
  }
  ctx.console.flush();
  return status;
}

}  // namespace tb
