#include "results/output_responses.h"

#include <gtest/gtest.h>

#include <array>

#include "fixtures/train_builders.h"
#include "test_support.h"

namespace tb {
namespace {

using Row = std::array<float, 3>;

TEST(OutputResponses, BridgePointsAreTheModalSuperpositionOfTheirComponent) {
  test::TestContext t;
  BridgeModalModel& b = t->bridge;
  b.bridge_mode_count = 2;
  b.bridge_node_count = 3;
  b.mode_shapes.resize(2, 3, 6);
  b.mode_shapes(1, 2, 3) = 0.5f;
  b.mode_shapes(2, 2, 3) = -2.0f;
  b.mode_shapes(1, 3, 1) = 4.0f;
  b.mode_shapes(1, 2, 2) = 100.0f;  // another component of the same node
  b.output_point_count = 4;
  b.output_points.resize(4, 2);
  const std::array<std::array<int, 2>, 4> points{{{2, 3}, {3, 1}, {2, 3}, {2, 7}}};
  for (int q = 1; q <= 4; ++q) b.output_points(q, 1) = points[q - 1][0], b.output_points(q, 2) = points[q - 1][1];
  b.output_point_response.resize(4, 3);
  b.output_point_response.fill(99.0f);
  t->solver.bridge_modal_state.resize(2, 3);
  const std::array<Row, 2> state{{{2.0f, 4.0f, 8.0f}, {0.25f, 0.5f, 1.0f}}};
  for (int i = 1; i <= 2; ++i)
    for (int c = 1; c <= 3; ++c) t->solver.bridge_modal_state(i, c) = state[i - 1][c - 1];

  compute_output_responses(*t);

  // 0.5 x (2, 4, 8) - 2 x (0.25, 0.5, 1); mode 1 alone at node 3; the same
  // point twice gives the same row; a code outside 1..6 selects nothing.
  const std::array<Row, 4> want{{{0.5f, 1.0f, 2.0f}, {8.0f, 16.0f, 32.0f}, {0.5f, 1.0f, 2.0f}, {0.0f, 0.0f, 0.0f}}};
  for (int q = 1; q <= 4; ++q)
    for (int c = 1; c <= 3; ++c) EXPECT_EQ(b.output_point_response(q, c), want[q - 1][c - 1]) << q << "," << c;
}

TEST(OutputResponses, VehicleItemsAddTheTrackAccelerationOfTheirDirection) {
  test::TestContext t;
  VehicleTypeLibrary& lib = t->vehicles;
  lib.vehicle_mode_count.resize(2);
  lib.vehicle_mode_count(1) = 2;  // type 2 has no modes
  lib.vehicle_output_count.resize(2);
  lib.vehicle_output_count(1) = 4;
  lib.vehicle_output_count(2) = 1;
  lib.vehicle_output_items.resize(2, 4, 2);
  const std::array<std::array<int, 2>, 4> items{{{2, 2}, {3, 3}, {1, 1}, {2, 9}}};
  for (int k = 1; k <= 4; ++k)
    lib.vehicle_output_items(1, k, 1) = items[k - 1][0], lib.vehicle_output_items(1, k, 2) = items[k - 1][1];
  lib.vehicle_output_items(2, 1, 1) = 1, lib.vehicle_output_items(2, 1, 2) = 2;
  lib.vehicle_mode_shapes.resize(2, 2, 3, 6);
  lib.vehicle_mode_shapes(1, 1, 2, 2) = 1.0f, lib.vehicle_mode_shapes(1, 2, 2, 2) = 0.5f;
  lib.vehicle_mode_shapes(1, 1, 3, 3) = -1.0f, lib.vehicle_mode_shapes(1, 2, 3, 3) = 2.0f;
  lib.vehicle_mode_shapes(1, 1, 1, 1) = 0.25f;

  test::make_fleet_trains(*t, {1, 2});

  t->solver.vehicle_modal_state.resize(1, 2, 2, 3);
  const std::array<Row, 2> q{{{2.0f, 4.0f, 8.0f}, {-2.0f, 1.0f, 0.5f}}};
  for (int j = 1; j <= 2; ++j)
    for (int c = 1; c <= 3; ++c) t->solver.vehicle_modal_state(1, 1, j, c) = q[j - 1][c - 1];
  ResultBuffers& r = t->results;
  r.vehicle_track_acceleration.resize(1, 2, 2);
  r.vehicle_track_acceleration(1, 1, 1) = 0.3f, r.vehicle_track_acceleration(1, 1, 2) = -0.7f;
  r.vehicle_track_acceleration(1, 2, 1) = 0.25f, r.vehicle_track_acceleration(1, 2, 2) = 5.0f;
  r.vehicle_output_response.resize(1, 2, 4, 3);
  r.vehicle_output_response.fill(99.0f);

  compute_output_responses(*t);

  const std::array<Row, 4> want{{{1.0f, 4.5f, 8.25f + 0.3f},    // vertical: plus the cant term
                                 {-6.0f, -2.0f, -7.0f - 0.7f},  // lateral: plus the centrifugal term
                                 {0.5f, 1.0f, 2.0f},            // longitudinal: no track term
                                 {0.0f, 0.0f, 0.0f}}};          // no such component
  for (int k = 1; k <= 4; ++k)
    for (int c = 1; c <= 3; ++c) EXPECT_EQ(r.vehicle_output_response(1, 1, k, c), want[k - 1][c - 1]) << k << "," << c;
  // A type without modes: only the track term; slots beyond the items cleared.
  EXPECT_EQ(r.vehicle_output_response(1, 2, 1, 1), 0.0f);
  EXPECT_EQ(r.vehicle_output_response(1, 2, 1, 3), 0.25f);
  for (int k = 2; k <= 4; ++k)
    for (int c = 1; c <= 3; ++c) EXPECT_EQ(r.vehicle_output_response(1, 2, k, c), 0.0f);
}

}  // namespace
}  // namespace tb
