#include <gtest/gtest.h>

#include <vector>

#include "input/bridge_modal.h"
#include "platform/texts.h"
#include "test_support.h"

namespace tb {
namespace {

// A bridge of nodes 101, 103, 105 with hand-set node references.
struct MapCase {
  test::TestContext t;
  MapCase(std::vector<std::int32_t> interface, std::vector<std::int32_t> outputs,
          std::vector<std::int32_t> springs) {
    BridgeModalModel& b = t->bridge;
    b.bridge_node_count = 3;
    b.node_numbers.resize(3);
    b.node_numbers(1) = 101, b.node_numbers(2) = 103, b.node_numbers(3) = 105;
    b.interface_node_count = static_cast<std::int32_t>(interface.size());
    b.interface_nodes.resize(b.interface_node_count);
    std::copy(interface.begin(), interface.end(), b.interface_nodes.data());
    b.output_point_count = static_cast<std::int32_t>(outputs.size() / 2);
    b.output_points.resize(b.output_point_count, 2);
    for (std::int32_t q = 1; q <= b.output_point_count; ++q)
      b.output_points(q, 1) = outputs[2 * q - 2], b.output_points(q, 2) = outputs[2 * q - 1];
    b.spring_element_count = static_cast<std::int32_t>(springs.size() / 4);
    b.spring_elements.resize(b.spring_element_count, 4);
    for (std::int32_t e = 1; e <= b.spring_element_count; ++e)
      for (int c = 1; c <= 4; ++c) b.spring_elements(e, c) = springs[4 * (e - 1) + c - 1];
  }
  void map_all() {
    map_bridge_interface_nodes(*t);
    map_bridge_output_nodes(*t);
    map_bridge_spring_nodes(*t);
  }
};

template <class T, int R>
std::vector<T> values(const Array<T, R>& a) {
  return {a.data(), a.data() + a.size()};
}

TEST(BridgeNodeMaps, NodeNumbersBecomePositions) {
  MapCase c({105, 101}, {103, 2, 105, 6},
            {101, 105, 0, 7,  //
             101, 105, 103, 7, //
             103, 101, -4, 9});
  c.map_all();
  const BridgeModalModel& b = c.t->bridge;
  EXPECT_EQ(values(b.interface_nodes), (std::vector<std::int32_t>{3, 1}));
  EXPECT_EQ(values(b.output_points), (std::vector<std::int32_t>{2, 3, 2, 6}));
  // Column-major (element, column): node K 0 or below and the spring id stay.
  EXPECT_EQ(values(b.spring_elements), (std::vector<std::int32_t>{1, 1, 2, 3, 3, 1, 0, 2, -4, 7, 7, 9}));
  EXPECT_EQ(c.t.console(), "");
}

TEST(BridgeNodeMaps, AnUnknownNodeNumberStopsWithTheNodeNumberLine) {
  // The line after the node-number line names the file, the entry and the
  // node.
  struct Case {
    std::vector<std::int32_t> interface, outputs, springs;
    const char* section;
    const char* detail;
  };
  const Case cases[] = {
      {{101, 102}, {}, {}, "BridgeNodeInterface", "(interface node 2): node 102"},
      {{}, {101, 1, 999, 2}, {}, "BridgeNodeOutput", "(output point 2): node 999"},
      {{}, {}, {101, 999, 0, 7}, "BridgeNonlinearSpringNode", "(spring-damper element 1): node 999"},
      {{}, {}, {101, 105, 104, 7}, "BridgeNonlinearSpringNode", "(spring-damper element 1): node 104"},
  };
  for (const Case& k : cases) {
    MapCase c(k.interface, k.outputs, k.springs);
    EXPECT_EQ(test::expect_stop([&] { c.map_all(); }), 1) << k.section;
    EXPECT_EQ(c.t.console(), test::node_error_line(
                                 "\\Modal_Substructure_Bridge.dat:" + std::string(k.section),
                                 "Modal_Substructure_Bridge.dat " + std::string(k.detail) + " is not in the node list"))
        << k.section;
  }
}

}  // namespace
}  // namespace tb
