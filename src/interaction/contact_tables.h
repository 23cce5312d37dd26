// Readers of the contact tables "Geometry.dat" and "WormCoeefficient.dat",
// both in the working directory.
#pragma once

#include <cstdint>

#include "model/run_context.h"

namespace tb {

// Opens, reads, converts and closes "Geometry.dat" (unit 99): twenty blocks,
// each a header record holding "deltay   phi=" and the 21 yaw values, then
// 241 rows of an offset and 21 values. Other records before a header are
// skipped.
void read_contact_geometry_table(RunContext& ctx);

// Reads "WormCoeefficient.dat" from unit 33, which run control has opened:
// two records skipped, then 56 rows of 7 values in free format; closes it.
void read_contact_coefficient_table(RunContext& ctx);

}  // namespace tb
