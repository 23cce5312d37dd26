// The deck panel model of the buffeting path, "ParameterInput.dat": section
// outlines of straight panels with linear pressures, span groups of node rows
// and the station table, and the lookup of the stations' bridge nodes.
#pragma once

#include <cstdint>

#include "model/run_context.h"

namespace tb {

// Opens "ParameterInput.dat" in the working directory on
// unit_parameter_input, reads the section outlines and the span groups into
// ctx.buffeting, derives the panel geometry and the station table (node
// numbers as read) and leaves the file open. The file must be complete and
// consistent; anything else stops the run with a data error.
void read_buffeting_wind_parameters(RunContext& ctx);

// Replaces the node numbers of every station by their positions in the bridge
// node list, for the rows of the section that the station's row-1 node number
// selects. A number the bridge lacks stops the run (node number outside the
// definition). Runs once, right after the reader.
void locate_buffeting_wind_node(RunContext& ctx);

// Section id of the last span group whose row-1 range (both ends included)
// holds the node number; 0 when no group holds it.
std::int32_t buffeting_node_section(const BuffetingWindData& b, std::int64_t node_number);

// Span group whose stations include station column k; 0 when none does.
std::int32_t buffeting_station_group(const BuffetingWindData& b, std::int64_t station);

}  // namespace tb
