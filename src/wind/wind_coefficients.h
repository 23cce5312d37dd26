// Wind input "Wind_Coefficients.dat".
#pragma once

#include <cstdint>

#include "model/run_context.h"

namespace tb {

void read_wind_coefficients(RunContext& ctx, std::int32_t& unit);

}  // namespace tb
