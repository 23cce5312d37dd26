#include "run/vehicle_types.h"

namespace tb {

void read_vehicle_type_library(RunContext&) {}

void map_vehicle_interface_nodes(RunContext&) {}

void map_vehicle_spring_nodes(RunContext&) {}

void map_vehicle_output_nodes(RunContext&) {}

}  // namespace tb
