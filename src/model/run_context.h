// The run context: every shared record of a run, with the unit table, the
// console and the clock beneath them. Routines receive it by reference; a test
// builds one by hand.
#pragma once

#include "model/brake_parameters.h"
#include "model/bridge_modal_model.h"
#include "model/buffeting_wind_data.h"
#include "model/contact_coefficient_table.h"
#include "model/contact_geometry_table.h"
#include "model/external_force_table.h"
#include "model/file_units.h"
#include "model/first_order_spring_list.h"
#include "model/input_rewrites.h"
#include "model/integration_constants.h"
#include "model/response_recovery_tables.h"
#include "model/result_buffers.h"
#include "model/result_series_file.h"
#include "model/solution_parameters.h"
#include "model/solver_state.h"
#include "model/spring_element_state.h"
#include "model/spring_parameter_table.h"
#include "model/statistics_report_title.h"
#include "model/step_control.h"
#include "model/track_irregularity.h"
#include "model/track_model.h"
#include "model/train_layout.h"
#include "model/train_organization.h"
#include "model/vehicle_type_library.h"
#include "model/wheel_rail_contact_state.h"
#include "model/wind_field.h"
#include "model/wind_parameters.h"
#include "platform/clock.h"
#include "platform/console.h"
#include "platform/units.h"

namespace tb {

struct RunContext {
  // Platform beneath the records.
  UnitTable units;
  Console console;
  ClockSource clock = read_system_clock;

  // Model records filled at start-up.
  RunControl control;
  SolutionParameters solution;
  BridgeModalModel bridge;
  TrackIrregularity irregularity;
  TrackModel track;
  VehicleTypeLibrary vehicles;
  TrainOrganization trains;
  TrainLayout layout;
  ResultBuffers results;
  ExternalForceTable external_forces;
  ContactGeometryTable contact_geometry;
  ContactCoefficientTable contact_coefficients;
  SpringParameterTable springs;
  SpringElementState spring_state;
  SpringElementState spring_state_at_start;  // as the reader left it; restored at each stage reset
  FirstOrderSpringList first_order_springs;
  BrakeParameters brakes;
  WindParameters wind;
  WindField wind_field;
  BuffetingWindData buffeting;  // deck panel model of the buffeting path; empty unless that path runs
  StatisticsReportTitle statistics_title;  // title of the last result statistics report
  InputRewrites rewrites;  // input files written back once the run starts

  // Records of the integration.
  WheelRailContactState contact;
  SolverState solver;
  IntegrationConstants constants;
  StepControl step;

  // Records of the results output.
  ResultSeriesFile result_files;
  ResponseRecoveryTables recovery;
};

}  // namespace tb
