// The bridge modal model: the master file "Modal_Substructure_Bridge.dat",
// the substructures' modal result files, the preparation of the modal data
// and the maps of the bridge node sets from node numbers to node positions.
#pragma once

#include <cstdint>
#include <string>

#include "model/run_context.h"

namespace tb {

// Closes and reopens unit_bridge_master, reads the master file from its top
// through the substructure list into BridgeModalModel and leaves the unit
// open at the record after the last substructure's damping values. Every
// array of the model is created when missing (or when the counts just read no
// longer fit it) and set to zero on every call, so a later call gives the
// file's raw contents again. A missing file, a record that the file ends
// before or that holds a value which is not a number, an excluded-range count
// above the table, or a negative substructure count or mode count stops the
// run with the data-error line for "\Modal_Substructure_Bridge.dat" and a line
// naming the file, the record and the value; an output direction code outside
// 1 to 6 with the data-error line for
// "\Modal_Substructure_Bridge.dat:BridgeNodeOutput"; the substructures giving
// more modes than bridge_mode_count with its own message.
void read_bridge_modal_master(RunContext& ctx);

// Names substructure i's modal file in a message: its name is its directory
// line and its file line joined, taken from the working directory.
std::string modal_file_record(std::int32_t i);

// Reads the master file, then every substructure's modal file on
// unit_modal_file: the frequencies and the displacement mode shapes, stacked
// substructure after substructure into the bridge's modes. Prints one
// progress line per mode of every file. A modal file that is not there, a
// frequency record that is missing or holds a value that is not a number, and
// a mode-shape record that begins as one but holds such a value stop the run
// with the data-error line of the file.
void read_bridge_modal_files(RunContext& ctx);

// Reads the master and modal files, converts z-upward input axes
// (Coordination_sys_bridge 1), closes unit_bridge_master, derives the damping
// ratio of every mode from its substructure's damping definition and zeroes
// the shapes of the excluded modes. A Rayleigh pair whose two frequencies
// are too close for single precision (the constants come out infinite or
// NaN) stops with the master file's data-error line. Prints one console
// line with the number of modes that have no frequency (0 Hz or below), when
// there are any.
void prepare_bridge_modal_data(RunContext& ctx);

// Replace the node numbers of the interface nodes, of the output points and
// of the spring elements' nodes I, J and K (K only when above 0) by their
// positions in node_numbers; an unknown number stops the run with the
// node-number line. Each runs once per run: a second call would look the
// positions up as node numbers.
void map_bridge_interface_nodes(RunContext& ctx);
void map_bridge_output_nodes(RunContext& ctx);
void map_bridge_spring_nodes(RunContext& ctx);

}  // namespace tb
