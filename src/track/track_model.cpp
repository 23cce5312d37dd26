#include "track/track_model.h"

#include <algorithm>
#include <cmath>
#include <new>
#include <string>
#include <vector>

#include "platform/list_read.h"
#include "platform/stop.h"
#include "platform/texts.h"
#include "run/input_helpers.h"
#include "track/interpolation.h"
#include "track/track_build_steps.h"
#include "track/truncation.h"

namespace tb {

namespace {

constexpr std::string_view kLabel = "\\Rails_Location.dat";

// Tables whose sizes, read from the file, no memory could hold end the run as
// a failed allocation does.
void require_allocatable(double elements) {
  if (elements > 1.0E12) throw std::bad_alloc();
}

// Nodes of a stretch of the given length at the spacing: int(length /
// spacing) + 1; a count beyond the 32-bit range is an input error.
std::int32_t node_count_for(RunContext& ctx, float length, float spacing) {
  const float q = length / spacing;
  if (!(q < 2147483520.0f))
    stop_with_bad_value(ctx, kLabel, ctx.control.unit_rails_location, "header: track node spacing",
                        value_text(spacing) + ", gives more track nodes than a 32-bit count holds");
  return truncate_to_int32(q) + 1;
}

// "Rails_Location.dat": spacing and largest number of control points, number
// of tracks, per track its point count and gauge and its points, and last the
// rail geometry option.
void read_rails_location(RunContext& ctx) {
  TrackModel& tm = ctx.track;
  UnitTable& u = ctx.units;
  const std::int32_t unit = ctx.control.unit_rails_location;
  // Every record but the last (the rail geometry option, 0 when the file
  // ends before it) is needed.
  const auto check = [&](std::int32_t status, const std::string& record) {
    check_read_status(ctx, status, kLabel, unit, record);
  };
  u.rewind(unit);
  check(read_list(u, unit, {tm.track_node_spacing, tm.max_control_points}),
        "header: track node spacing and largest number of control points");
  check(read_list(u, unit, {tm.track_count}), "number of tracks");

  const std::int32_t tracks = tm.track_count;
  if (tracks < 0)
    stop_with_bad_value(ctx, kLabel, unit, "number of tracks", std::to_string(tracks) + ", must be 0 or more");
  require_allocatable(7.0 * std::max(tracks, 0) * std::max(tm.max_control_points, 0));
  tm.control_points.resize(tracks, tm.max_control_points, 7);
  tm.control_point_count.resize(tracks);
  tm.track_gauge.resize(tracks);
  tm.track_gauge.fill(1.5f);
  const bool vertical_is_z = ctx.solution.Coordination_sys_bridge == 1;
  for (std::int32_t i = 1; i <= tracks; ++i) {
    const std::string track = "track " + std::to_string(i);
    check(read_list(u, unit, {tm.control_point_count(i), tm.track_gauge(i)}),
          track + ": number of control points and gauge");
    for (std::int32_t j = 1; j <= tm.control_point_count(i); ++j) {
      if (j > tm.max_control_points)
        stop_with_bad_value(ctx, kLabel, unit, track + ": number of control points and gauge",
                            std::to_string(tm.control_point_count(i)) + " control points, must be at most " +
                                std::to_string(tm.max_control_points) + " (the header's largest)");
      float row[7] = {};
      check(read_list(u, unit, {ReadTarget::reals(row, 7)}), track + ", control point " + std::to_string(j));
      for (int c = 0; c < 7; ++c) tm.control_points(i, j, c + 1) = row[c];
      if (vertical_is_z) {
        // (y, z) = (z, -y); the direction angle and the curvature turn with
        // the lateral axis.
        const float y = tm.control_points(i, j, 2), z = tm.control_points(i, j, 3);
        tm.control_points(i, j, 2) = z;
        tm.control_points(i, j, 3) = -y;
        tm.control_points(i, j, 4) = -tm.control_points(i, j, 4);
        tm.control_points(i, j, 5) = -tm.control_points(i, j, 5);
      }
    }
  }
  const std::int32_t option_status = read_list(u, unit, {tm.track_option});
  if (option_status != io_status::end_of_file) check(option_status, "rail geometry option");
  if (!(tm.track_node_spacing > 0.0f))
    stop_with_bad_value(ctx, kLabel, unit, "header: track node spacing",
                        value_text(tm.track_node_spacing) + ", must be above 0");

  // A track needs a segment; interface nodes need a track to lie on.
  for (std::int32_t i = 1; i <= tracks; ++i)
    if (tm.control_point_count(i) < 2)
      stop_with_bad_value(ctx, kLabel, unit, "track " + std::to_string(i) + ": number of control points",
                          std::to_string(tm.control_point_count(i)) + ", must be 2 or more");
  if (tracks < 1 && ctx.bridge.interface_node_count > 0)
    stop_with_bad_value(ctx, kLabel, unit, "number of tracks",
                        std::to_string(tracks) + ", must be 1 or more for the bridge's interface nodes");
}

// The arc lengths of every track run strictly one way, the way of its first
// two points.
void check_control_point_order(RunContext& ctx) {
  const TrackModel& tm = ctx.track;
  for (std::int32_t i = 1; i <= tm.track_count; ++i) {
    const std::int32_t n = tm.control_point_count(i);
    const bool ascending = tm.control_points(i, 2, 6) - tm.control_points(i, 1, 6) > 0.0f;
    for (std::int32_t j = 1; j <= n - 1; ++j) {
      const float d = tm.control_points(i, j + 1, 6) - tm.control_points(i, j, 6);
      if (ascending ? d <= 0.0f : d >= 0.0f) {
        ctx.console.formatted("(I3,A,I3,A)",
                              {i, text::track_number_suffix, j + 1, text::control_point_coordinate_error});
        stop_with_bad_value(ctx, kLabel, ctx.control.unit_rails_location,
                            "track " + std::to_string(i) + ", control point " + std::to_string(j + 1),
                            "arc length " + value_text(tm.control_points(i, j + 1, 6)) + " after " +
                                value_text(tm.control_points(i, j, 6)) +
                                ", must rise or fall strictly from point to point, as from point 1 to point 2");
      }
    }
  }
}

// Nodes every track_node_spacing from the smaller end arc length, and the
// line geometry of the control points interpolated at them (window of up to
// three points): vertical and lateral position, direction angle, curvature,
// cant.
void build_node_table(RunContext& ctx, const Array1<std::int32_t>& own_node_count) {
  TrackModel& tm = ctx.track;
  const std::int32_t rows = tm.track_node_count;
  const float h = tm.track_node_spacing;
  std::vector<float> s, y;
  for (std::int32_t i = 1; i <= tm.track_count; ++i) {
    const std::int32_t n = tm.control_point_count(i);
    const float s0 = std::min(tm.control_points(i, 1, 6), tm.control_points(i, n, 6));
    for (std::int32_t k = 1; k <= own_node_count(i); ++k) {
      tm.track_nodes(k, 1, i) = static_cast<float>(k - 1) * h + s0;
      tm.track_nodes(k, 4, i) = tm.track_nodes(k, 1, i);
    }
    s.resize(static_cast<std::size_t>(n));
    y.resize(static_cast<std::size_t>(n));
    for (std::int32_t j = 1; j <= n; ++j) s[j - 1] = tm.control_points(i, j, 6);
    const std::int32_t window = std::min(n, 3);
    constexpr int kFromTo[5][2] = {{2, 2}, {3, 3}, {4, 14}, {5, 12}, {7, 15}};
    for (const auto& ft : kFromTo) {
      for (std::int32_t j = 1; j <= n; ++j) y[j - 1] = tm.control_points(i, j, ft[0]);
      lagrange_interpolate(ctx, n, rows, window, s.data(), y.data(), tm.track_nodes.at_ptr(1, 1, i),
                           tm.track_nodes.at_ptr(1, ft[1], i));
    }
  }
}

}  // namespace

void build_track_model(RunContext& ctx) {
  TrackModel& tm = ctx.track;
  read_rails_location(ctx);

  const float h = tm.track_node_spacing;
  Array1<std::int32_t> own_node_count(tm.track_count);
  float longest = 0.0f;
  for (std::int32_t i = 1; i <= tm.track_count; ++i) {
    const float length =
        std::fabs(tm.control_points(i, tm.control_point_count(i), 6) - tm.control_points(i, 1, 6));
    own_node_count(i) = node_count_for(ctx, length, h);
    longest = std::max(longest, length);
  }
  tm.track_node_count = node_count_for(ctx, longest, h);
  if (tm.modal_node_decimation < 1) tm.modal_node_decimation = 4;
  tm.coarse_node_count = tm.track_node_count / tm.modal_node_decimation;
  tm.coarse_node_spacing = h * static_cast<float>(tm.modal_node_decimation);
  // The wheel-rail interaction interpolates in windows of five track nodes and
  // between two coarse nodes of the mode-shape table.
  const std::int32_t modes = ctx.bridge.bridge_mode_count;
  if (tm.track_count >= 1 && (tm.track_node_count < 5 || (modes >= 1 && tm.coarse_node_count < 2)))
    stop_with_bad_value(ctx, kLabel, ctx.control.unit_rails_location, "header: track node spacing",
                        value_text(h) + ", gives the longest track " + std::to_string(tm.track_node_count) +
                            " nodes (" + std::to_string(tm.coarse_node_count) +
                            " for the mode shapes), too few for the interpolation along the track");

  const std::int32_t tracks = std::max(tm.track_count, 0);
  require_allocatable(2.0 * TrackModel::modal_vector_stride * std::max(modes, 0) * tm.coarse_node_count * tracks);
  require_allocatable(15.0 * tm.track_node_count * tracks);
  tm.track_modal_vectors.resize(TrackModel::modal_vector_stride, modes, tm.coarse_node_count, 2, tm.track_count);
  tm.track_nodes.resize(tm.track_node_count, 15, tm.track_count);

  tm.own_node_count = own_node_count;
  check_control_point_order(ctx);
  build_node_table(ctx, own_node_count);
  place_interface_nodes_on_tracks(ctx);
  tabulate_track_mode_shapes(ctx, own_node_count);
  apply_rail_geometry_option(ctx, own_node_count);
  apply_irregularity_to_rails(ctx, own_node_count);
  compute_track_derivatives(ctx, own_node_count);
  ctx.units.close(ctx.control.unit_rails_location);
}

}  // namespace tb
