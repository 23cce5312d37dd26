// The track model built from "Rails_Location.dat": node tables of both rails
// of every track, the bridge interface nodes placed on the tracks, the bridge
// mode shapes carried onto the track nodes, and the irregularity laid onto
// the rails.
#pragma once

#include <cstdint>

#include "model/run_context.h"

namespace tb {

// Reads "Rails_Location.dat" (open on unit_rails_location) and builds every
// member of TrackModel; rewrites the interface nodes' rows of the bridge's
// node_coordinates and mode_shapes in the frame of their track. Closes the
// unit.
void build_track_model(RunContext& ctx);

}  // namespace tb
