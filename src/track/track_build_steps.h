// The steps of the track model build after the node table, each on the
// records of the run context. own_node_count(i) is the number of nodes of
// track i itself (rows 1..own_node_count(i) of its node table); a track
// shorter than the longest leaves the rows after them.
#pragma once

#include <cstdint>

#include "model/run_context.h"
#include "platform/array.h"

namespace tb {

// Assigns every bridge interface node to its track (interface_node_track),
// rewrites its coordinates as arc length, vertical and lateral position on the
// track's centre line and its mode shapes in the track's frame carried to that
// point, and turns column 1 of the control points into their arc length. The
// node is measured where it stands: at the arc length where it lies in the
// normal plane of the centre line, from the centre line there (heights and
// direction interpolated as in the node table), in the frame of the
// direction and cant there. Warns about two interface nodes of one track at
// the same arc length.
void place_interface_nodes_on_tracks(RunContext& ctx);

// Tabulates the bridge mode shapes under both rails of every track at its
// coarse nodes (track_modal_vectors), with the slopes and the vertical
// curvature of each shape. A bridge with interface nodes none of which lies
// along a track's nodes is an input error of "Rails_Location.dat".
void tabulate_track_mode_shapes(RunContext& ctx, const Array1<std::int32_t>& own_node_count);

// Selects the interface nodes of the track nearest the rail point (s,
// vertical, lateral) of the given track: their arc lengths ascending into the
// bridge's interface_point_key and their mode shapes, carried from the track
// centre line to the rail, into interface_point_modes; count := their number.
// rail_offset is 0 for rail 1 and 3 for rail 2. Fewer than two stop the run.
void select_interface_nodes_for_track_point(RunContext& ctx, std::int32_t& count, std::int32_t interface_count,
                                            const float point[3], std::int32_t track, std::int32_t rail_offset);

// Sorts values(1..n) ascending, keeping equal values in their order, and
// applies the same exchanges to index(1..n).
void sort_with_index(float* values, std::int32_t* index, std::int32_t n);

// Keeps, reduces or clears the interpolated line geometry in the rail columns
// as the rail geometry option says.
void apply_rail_geometry_option(RunContext& ctx, const Array1<std::int32_t>& own_node_count);

// Adds the track irregularity to both rails of every track, with a taper at
// both ends; consecutive tracks take consecutive stretches of the profile.
void apply_irregularity_to_rails(RunContext& ctx, const Array1<std::int32_t>& own_node_count);

// Slope and vertical-curvature columns by central differences.
void compute_track_derivatives(RunContext& ctx, const Array1<std::int32_t>& own_node_count);

}  // namespace tb
