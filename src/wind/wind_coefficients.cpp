#include "wind/wind_coefficients.h"

namespace tb {

void read_wind_coefficients(RunContext&, std::int32_t&) {}

}  // namespace tb
