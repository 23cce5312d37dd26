// Bridge responses by modal superposition into the bulk-data result files.
#pragma once

#include <cstdint>

#include "model/run_context.h"

namespace tb {

// Re-reads the bridge master file raw and its post-processing section (the
// requested node and element ranges), reads the displacement and
// internal-force mode shapes of the requested nodes and elements from every
// substructure's modal file, reads the modal coordinates of unit 36 back from
// their beginning and writes, per output instant, the displacements and
// accelerations of the nodes (unit 37), the internal forces of the elements
// (38) and their quasi-static counterparts (41, 42). Runs once per process,
// at the end of a run or alone in a post-processing run.
void recover_bridge_responses(RunContext& ctx);

}  // namespace tb
