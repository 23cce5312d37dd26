// Wind input "Wind_Coefficients.dat": mean wind, turbulence-field parameters,
// aerodynamic coefficient sets, vehicle coefficient sets at stations along
// the line, and the bridge node groups under wind.
#pragma once

#include <cstdint>

#include "model/run_context.h"

namespace tb {

// Reads the file open on `unit` from its start into ctx.wind, has the
// turbulent wind field generated, closes the unit and maps the group nodes
// onto bridge node positions sorted along the line. A file whose first record
// gives no positive mean wind speed and air density leaves the wind off.
// Input errors stop the run.
void read_wind_coefficients(RunContext& ctx, std::int32_t& unit);

// Sorts keys(1..n) ascending by neighbour exchanges (equal keys keep their
// order) and applies every exchange to values as well.
void sort_pairs_ascending(std::int32_t* values, float* keys, std::int32_t n);

// Replaces the bridge node numbers of every wind group by their positions in
// the bridge node list (a number not in the list stops the run) and sorts
// each group by the nodes' first coordinate.
void map_and_sort_wind_node_groups(RunContext& ctx);

}  // namespace tb
