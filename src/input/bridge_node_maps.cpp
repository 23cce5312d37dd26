// Maps of the bridge node sets from the user's node numbers to positions in
// node_numbers, the index into node_coordinates and mode_shapes.
#include <string>

#include "input/bridge_modal.h"
#include "input/node_search.h"
#include "input/read_errors.h"
#include "model/file_names.h"

namespace tb {

namespace {

// Replaces a node number by its position; a number that is not a bridge node
// stops the run with the node-number line.
void map_node(RunContext& ctx, std::int32_t& node, std::string_view label, const std::string& record) {
  const BridgeModalModel& b = ctx.bridge;
  const std::int32_t position = find_node_index(node, b.node_numbers.data(), b.bridge_node_count);
  if (position == 0) stop_with_unknown_node(ctx, label, ctx.control.unit_bridge_master, record, node);
  node = position;
}

}  // namespace

void map_bridge_interface_nodes(RunContext& ctx) {
  BridgeModalModel& b = ctx.bridge;
  for (std::int32_t i = 1; i <= b.interface_node_count; ++i)
    map_node(ctx, b.interface_nodes(i), bridge_interface_nodes_section,
             "interface node " + std::to_string(i));
}

void map_bridge_output_nodes(RunContext& ctx) {
  BridgeModalModel& b = ctx.bridge;
  for (std::int32_t i = 1; i <= b.output_point_count; ++i)
    map_node(ctx, b.output_points(i, 1), bridge_output_nodes_section,
             "output point " + std::to_string(i));
}

void map_bridge_spring_nodes(RunContext& ctx) {
  BridgeModalModel& b = ctx.bridge;
  constexpr std::string_view label = bridge_spring_nodes_section;
  for (std::int32_t i = 1; i <= b.spring_element_count; ++i) {
    const std::string element = "spring-damper element " + std::to_string(i);
    map_node(ctx, b.spring_elements(i, 1), label, element);
    map_node(ctx, b.spring_elements(i, 2), label, element);
    // Node K 0 (or below) means the element has no reference node.
    if (b.spring_elements(i, 3) > 0) map_node(ctx, b.spring_elements(i, 3), label, element);
  }
}

}  // namespace tb
