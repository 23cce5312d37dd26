// The bridge modal model: master file, substructure modal files, node maps.
#pragma once

#include <cstdint>

#include "model/run_context.h"

namespace tb {

void read_bridge_modal_master(RunContext& ctx);
void prepare_bridge_modal_data(RunContext& ctx);
void map_bridge_interface_nodes(RunContext& ctx);
void map_bridge_output_nodes(RunContext& ctx);
void map_bridge_spring_nodes(RunContext& ctx);

}  // namespace tb
