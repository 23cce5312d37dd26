#include "track/track_model.h"

namespace tb {

void build_track_model(RunContext&) {}

}  // namespace tb
