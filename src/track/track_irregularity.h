// Track irregularity: generation from a spectrum or the stored profile of "Irregularity.dat".
#pragma once

#include <cstdint>

#include "model/run_context.h"

namespace tb {

void generate_track_irregularity(RunContext& ctx, std::int32_t& spectrum_code, std::int32_t& seed,
                                 float& min_wavelength, float& max_wavelength, float& length, float& spacing,
                                 std::int32_t& unit);

}  // namespace tb
