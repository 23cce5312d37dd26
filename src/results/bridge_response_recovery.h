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

// For the post-processing run, before it cuts the bulk files: the modal
// coordinates of the earlier run (unit 36, opened for reading) must begin
// with a run header and, when they hold a stage, with a stage header of
// three channels per bridge mode of this model; otherwise the run stops with
// the file's data-error line. Leaves unit 36 rewound.
void check_earlier_modal_coordinates(RunContext& ctx);

// Re-reads the bridge master file raw for its substructure list, reads the
// displacement and internal-force mode shapes of the requests that
// read_response_requests read from every substructure's modal file, reads
// the modal coordinates of unit 36 back from their beginning and writes, per
// output instant, the displacements and accelerations of the nodes (unit
// 37), the internal forces of the elements (38) and their quasi-static
// counterparts (41, 42). Runs once per process, at the end of a run or alone
// in a post-processing run; the requests themselves cannot stop it. It keeps
// the counts of the bulk files (results/result_series.h); an output instant
// goes to all four or to none. After a complete run (or alone), a stop signal
// ends it between two records, and an instant whose responses are beyond
// single precision stops the run as a blow-up. After a stopped integration
// (`after_stopped_integration`), whose stop has been reported, it goes on to
// its end, and such an instant ends it with a console line.
void recover_bridge_responses(RunContext& ctx, bool after_stopped_integration = false);

}  // namespace tb
