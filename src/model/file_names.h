// The names of the run's files, as the run opens them and as its messages
// name them; RunControl (model/file_units.h) holds the unit of each.
//
// A name that begins with a backslash lies in the input directory: the path
// of the path file goes before it and the backslash becomes the directory
// separator (input_file_name). A name without one lies in the working
// directory. A section of a file is named "<file>:<section>"; each such label
// stands here whole, beside its file, so that no message builds it at run
// time.
#pragma once

#include <string_view>

namespace tb {

// The path file of the working directory: its first record is the input
// directory.
inline constexpr std::string_view path_file = "QEL.PATH";

// Input files of the input directory.
inline constexpr std::string_view bridge_master_file = "\\Modal_Substructure_Bridge.dat";
inline constexpr std::string_view vehicle_types_file = "\\Modal_Substructure_Vehicletypes.dat";
inline constexpr std::string_view rails_location_file = "\\Rails_Location.dat";
inline constexpr std::string_view vehicle_organization_file = "\\VehicleOrganization.dat";
inline constexpr std::string_view solution_parameters_file = "\\SolutionParameters.dat";
inline constexpr std::string_view vehicle_springs_file = "\\NonlinearSpringParameters_Vehicletypes.dat";
inline constexpr std::string_view bridge_springs_file = "\\NonlinearSpringParameters_Bridge.dat";
inline constexpr std::string_view wind_coefficients_file = "\\Wind_Coefficients.dat";
inline constexpr std::string_view irregularity_file = "\\Irregularity.dat";
inline constexpr std::string_view external_forces_file = "\\ExternalForces.dat";
inline constexpr std::string_view brake_parameters_file = "\\BrakePara.dat";

// The two spring-damper files taken together, as the checks across them name
// them.
inline constexpr std::string_view spring_parameters_label = "\\NonlinearSpringParameters.dat";

// Input files of the working directory.
inline constexpr std::string_view contact_coefficients_file = "WormCoeefficient.dat";
inline constexpr std::string_view contact_geometry_file = "Geometry.dat";
inline constexpr std::string_view buffeting_parameters_file = "ParameterInput.dat";

// The contact coefficient file as the stops of its reader name it (in
// capitals: the name they have always printed).
inline constexpr std::string_view contact_coefficients_label = "WormCoeefficient.DAT";

// Sections of the input files.
inline constexpr std::string_view bridge_interface_nodes_section =
    "\\Modal_Substructure_Bridge.dat:BridgeNodeInterface";
inline constexpr std::string_view bridge_output_nodes_section = "\\Modal_Substructure_Bridge.dat:BridgeNodeOutput";
inline constexpr std::string_view bridge_spring_nodes_section =
    "\\Modal_Substructure_Bridge.dat:BridgeNonlinearSpringNode";
inline constexpr std::string_view bridge_buffeting_nodes_section = "\\Modal_Substructure_Bridge.dat:BuffetwindNode";
inline constexpr std::string_view vehicle_interface_nodes_section =
    "\\Modal_Substructure_Vehicletypes.dat:VehicleNodeInterface";
inline constexpr std::string_view vehicle_spring_nodes_section =
    "\\Modal_Substructure_Vehicletypes.dat:VehicleNonlinearSpringNode";
inline constexpr std::string_view vehicle_output_nodes_section =
    "\\Modal_Substructure_Vehicletypes.dat:VehicleNodeOutput";
inline constexpr std::string_view wind_nodes_section = "\\Wind_Coefficients.dat:Nodeonwind";

// The start of the label of a substructure modal file that the bridge master
// file names; its directory and file lines, joined with a backslash, follow.
inline constexpr std::string_view bridge_modal_file_label = "In Modal_Substructure_Bridge.dat:";

// Result files of the input directory.
inline constexpr std::string_view res_dis_bridge_file = "\\Res_DisResults_Bridge.bin";
inline constexpr std::string_view res_dis_vehicles_file = "\\Res_DisResults_Vehicles.bin";
inline constexpr std::string_view res_acc_bridge_file = "\\Res_AccResults_Bridge.bin";
inline constexpr std::string_view res_acc_vehicles_file = "\\Res_AccResults_Vehicles.bin";
inline constexpr std::string_view res_derailment_file = "\\Res_DerailmentFactor_Vehicles.bin";
inline constexpr std::string_view res_reduction_file = "\\Res_ReductionRation_Vehicles.bin";
inline constexpr std::string_view res_wheelset_irregularity_file = "\\Res_WheelsetirregDisVehilces.bin";
inline constexpr std::string_view res_brake_force_file = "\\Res_BrakeForceDis_Vehicles.bin";
inline constexpr std::string_view res_modal_coordinates_file = "\\Res_Modal_Coordinate_Results_Bridge.bin";
inline constexpr std::string_view res_bulk_disacc_file = "\\Res_BridgeResponseBulkDate_disacc.bin";
inline constexpr std::string_view res_bulk_stress_file = "\\Res_BridgeResponseBulkDate_stress.bin";
inline constexpr std::string_view res_bulk_dis_static_file = "\\Res_BridgeResponseBulkDate_dis_static.bin";
inline constexpr std::string_view res_bulk_stress_static_file = "\\Res_BridgeResponseBulkDate_stress_static.bin";

// A name without the backslash that places it in the input directory, as
// the messages that name a file by itself write it.
constexpr std::string_view bare_file_name(std::string_view name) {
  return name.starts_with('\\') ? name.substr(1) : name;
}

// The labels agree with the names they hold: a section is its file's name, a
// colon and the section; the modal file label is "In ", the bridge master
// file's name and a colon.
constexpr bool is_section_of(std::string_view section, std::string_view file) {
  return section.size() > file.size() + 1 && section.starts_with(file) && section[file.size()] == ':';
}
static_assert(is_section_of(bridge_interface_nodes_section, bridge_master_file));
static_assert(is_section_of(bridge_output_nodes_section, bridge_master_file));
static_assert(is_section_of(bridge_spring_nodes_section, bridge_master_file));
static_assert(is_section_of(bridge_buffeting_nodes_section, bridge_master_file));
static_assert(is_section_of(vehicle_interface_nodes_section, vehicle_types_file));
static_assert(is_section_of(vehicle_spring_nodes_section, vehicle_types_file));
static_assert(is_section_of(vehicle_output_nodes_section, vehicle_types_file));
static_assert(is_section_of(wind_nodes_section, wind_coefficients_file));
static_assert(bridge_modal_file_label.starts_with("In ") && bridge_modal_file_label.ends_with(':') &&
              bridge_modal_file_label.substr(3, bridge_modal_file_label.size() - 4) ==
                  bare_file_name(bridge_master_file));

}  // namespace tb
