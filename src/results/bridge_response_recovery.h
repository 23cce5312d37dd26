// Bridge responses by modal superposition into the bulk-data result files.
#pragma once

#include <cstdint>

#include "model/run_context.h"

namespace tb {

// Reads the bridge master file raw and its post-processing section: the
// requested node and element ranges after the "Post" line, into the request
// lists of ResponseRecoveryTables. A file without the "Post" line, or that
// ends before a range count, requests nothing (of that kind on). A range
// count that is no number or negative, a range cut short, a step of 0, a
// range whose last number lies before its first in the step's direction or a
// negative component count stops with the master file's data-error line.
// Then looks the requests up in every substructure's modal file, as the
// recovery will read them, and prints one console line for each requested
// node or element number that no file lists (its responses are zero). Run
// control calls it at start-up, before any integration; it leaves the bridge
// model raw, to be read again by the model preparation.
void read_response_requests(RunContext& ctx);

// Re-reads the bridge master file raw for its substructure list, reads the
// displacement and internal-force mode shapes of the requests that
// read_response_requests read from every substructure's modal file, reads
// the modal coordinates of unit 36 back from their beginning and writes, per
// output instant, the displacements and accelerations of the nodes (unit
// 37), the internal forces of the elements (38) and their quasi-static
// counterparts (41, 42). Runs once per process, at the end of a run or alone
// in a post-processing run; the requests themselves cannot stop it.
void recover_bridge_responses(RunContext& ctx);

}  // namespace tb
