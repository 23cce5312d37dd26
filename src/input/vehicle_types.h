// The vehicle type library "Modal_Substructure_Vehicletypes.dat" and its node maps.
#pragma once

#include <cstdint>

#include "model/run_context.h"

namespace tb {

void read_vehicle_type_library(RunContext& ctx);
void map_vehicle_interface_nodes(RunContext& ctx);
void map_vehicle_spring_nodes(RunContext& ctx);
void map_vehicle_output_nodes(RunContext& ctx);

}  // namespace tb
