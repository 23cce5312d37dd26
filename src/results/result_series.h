// Reading and writing the headers of the result series layout (see
// model/result_series_file.h).
#pragma once

#include <cstdint>

#include "model/result_series_file.h"
#include "platform/units.h"

namespace tb {

void write_run_header(UnitTable& units, std::int32_t unit, const RunHeader& header);
void write_stage_header(UnitTable& units, std::int32_t unit, const StageHeader& header);

// Statuses as the unit table returns them; the header is unchanged unless the
// whole header was read.
std::int32_t read_run_header(UnitTable& units, std::int32_t unit, RunHeader& header);
std::int32_t read_stage_header(UnitTable& units, std::int32_t unit, StageHeader& header);

}  // namespace tb
