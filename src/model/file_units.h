// RunControl: the unit number of every file, the path file, the input
// directory, the two wall clocks of the run and the constant two_pi. The
// names under which the files are opened stand in model/file_names.h.
#pragma once

#include <cstdint>
#include <string>

#include "platform/clock.h"

namespace tb {

struct RunControl {
  // Unit numbers of the files; constants of the run.
  std::int32_t unit_path_file = 1;                // "QEL.PATH"
  std::int32_t unit_bridge_springs = 3;           // "NonlinearSpringParameters_Bridge.dat"
  std::int32_t unit_bridge_master = 4;            // "Modal_Substructure_Bridge.dat"
  std::int32_t unit_vehicle_types = 7;            // "Modal_Substructure_Vehicletypes.dat"
  std::int32_t unit_rails_location = 8;           // "Rails_Location.dat"
  std::int32_t unit_vehicle_organization = 9;     // "VehicleOrganization.dat"
  std::int32_t unit_solution_parameters = 10;     // "SolutionParameters.dat"
  std::int32_t unit_vehicle_springs = 11;         // "NonlinearSpringParameters_Vehicletypes.dat"
  std::int32_t unit_res_dis_bridge = 12;          // "Res_DisResults_Bridge.bin"
  std::int32_t unit_res_dis_vehicles = 13;        // "Res_DisResults_Vehicles.bin"
  std::int32_t unit_res_acc_bridge = 14;          // "Res_AccResults_Bridge.bin"
  std::int32_t unit_res_acc_vehicles = 15;        // "Res_AccResults_Vehicles.bin"
  std::int32_t unit_res_derailment = 18;          // "Res_DerailmentFactor_Vehicles.bin"
  std::int32_t unit_res_reduction = 19;           // "Res_ReductionRation_Vehicles.bin"
  std::int32_t unit_res_derailment_filtered = 22; // never opened by a run
  std::int32_t unit_res_reduction_filtered = 23;  // never opened by a run
  std::int32_t unit_res_wheelset_irregularity = 24;  // "Res_WheelsetirregDisVehilces.bin"
  std::int32_t unit_res_brake_force = 26;         // "Res_BrakeForceDis_Vehicles.bin"
  std::int32_t unit_irregularity = 32;            // "Irregularity.dat"
  std::int32_t unit_worm_coefficients = 33;       // "WormCoeefficient.dat" (working directory)
  std::int32_t unit_res_modal_coordinates = 36;   // "Res_Modal_Coordinate_Results_Bridge.bin"
  std::int32_t unit_res_bulk_disacc = 37;         // "Res_BridgeResponseBulkDate_disacc.bin"
  std::int32_t unit_res_bulk_stress = 38;         // "Res_BridgeResponseBulkDate_stress.bin"
  std::int32_t unit_res_bulk_dis_static = 41;     // "Res_BridgeResponseBulkDate_dis_static.bin"
  std::int32_t unit_res_bulk_stress_static = 42;  // "Res_BridgeResponseBulkDate_stress_static.bin"
  std::int32_t unit_modal_file = 45;              // one bridge substructure modal file at a time
  std::int32_t unit_external_forces = 46;         // "ExternalForces.dat"
  std::int32_t unit_brake_parameters = 97;        // "BrakePara.dat"
  std::int32_t unit_wind_coefficients = 98;       // "Wind_Coefficients.dat"
  std::int32_t unit_geometry = 99;                // "Geometry.dat" (working directory)
  std::int32_t unit_parameter_input = 100;        // "ParameterInput.dat" (working directory)

  std::string path_file_name;  // "QEL.PATH"
  std::string input_path;      // first record of the path file (at most 256 characters)

  ClockReading run_start_clock{};
  ClockReading run_end_clock{};

  // The single-precision value of the decimal 6.283185 (0x40C90FDA), one unit
  // below the float nearest to 2*pi; every Hz to rad/s conversion uses it.
  float two_pi = 6.283185f;
};

}  // namespace tb
