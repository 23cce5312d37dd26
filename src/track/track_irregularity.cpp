#include "track/track_irregularity.h"

namespace tb {

void generate_track_irregularity(RunContext&, std::int32_t&, std::int32_t&, float&, float&, float&, float&, std::int32_t&) {}

}  // namespace tb
