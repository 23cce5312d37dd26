#include "run/bridge_modal.h"

namespace tb {

void read_bridge_modal_master(RunContext&) {}

void prepare_bridge_modal_data(RunContext&) {}

void map_bridge_interface_nodes(RunContext&) {}

void map_bridge_output_nodes(RunContext&) {}

void map_bridge_spring_nodes(RunContext&) {}

}  // namespace tb
