// Run control: start-up from "QEL.PATH", the opening of every file on its
// unit, the order of the model readers, the choice of the integration path,
// the bridge responses and the start, end and total-time lines.
#pragma once

#include <array>
#include <cstdint>

#include "model/run_context.h"

namespace tb {

// The whole run. Returns after a normal run; an input error, a blow-up, a
// stop signal or the end of the post-processing run leaves it as a RunStop.
// Every input file is read and checked before the first result file is
// opened, and before any input file is written back. A stop during the
// integration leaves the result files reading to their end by their own
// counts, with the bulk files recovered from the modal coordinates written
// so far.
void run_simulation(RunContext& ctx);

// The path file and the eleven input files, each opened "old": a missing file
// is never created. A missing or empty path file, or an input directory that
// does not exist, stops the run here; a missing input file is reported by its
// reader, or, for the optional files, by report_absent_optional_files.
void open_input_files(RunContext& ctx);
// One console line naming the optional input files (the two spring files,
// the wind and the external forces) that are not there: the run goes without
// their loads. Such a file that is there but cannot be opened stops the run.
void report_absent_optional_files(RunContext& ctx);
// The input files that the run writes back ("SolutionParameters.dat" with
// its comments, a generated irregularity into "Irregularity.dat"), then the
// thirteen result files, each cut to empty as it is opened. A result file
// that cannot be opened stops the run.
void open_result_files(RunContext& ctx);
// The post-processing run's files: the modal coordinates of an earlier run,
// opened for reading (a missing file stops the run, and is not created) and
// checked, then the input files that the run writes back, as for
// open_result_files, then the four bulk files, each cut to empty.
void open_post_processing_files(RunContext& ctx);
// Hours, minutes, seconds and milliseconds from start to end, with borrows;
// the dates are not used, so a run across midnight counts correctly.
std::array<std::int32_t, 4> compute_elapsed_time(const ClockReading& start, const ClockReading& end);
// Closes units 1 to 200.
void close_all_units(RunContext& ctx);

// The program: runs run_simulation under a watch for the stop signals
// (platform/signals.h) and turns every way it ends into the process exit
// status (0 normal end and post-processing, 1 after an error, 128 + the
// signal number after a stop signal).
int run_program(RunContext& ctx);

}  // namespace tb
