#include "track/track_model.h"

#include <algorithm>
#include <cmath>
#include <new>
#include <string>
#include <vector>

#include "input/read_errors.h"
#include "model/file_names.h"
#include "numerics/interpolation.h"
#include "numerics/truncation.h"
#include "platform/list_read.h"
#include "platform/stop.h"
#include "platform/texts.h"
#include "track/track_build_steps.h"

namespace tb {

namespace {

// Nodes of track i at the spacing: int(length / spacing) + 1, the length
// being that from its first to its last control point. A count beyond the
// 32-bit range, or a node table (fifteen values a node on every track) beyond
// the memory, is an input error of the last control point, which lies too far
// from the first.
std::int32_t track_node_count_for(RunContext& ctx, std::int32_t i, float spacing) {
  const TrackModel& tm = ctx.track;
  const std::int32_t last = tm.control_point_count(i);
  const float first_s = tm.control_points(i, 1, 6), last_s = tm.control_points(i, last, 6);
  const float q = std::fabs(last_s - first_s) / spacing;
  const auto too_far = [&](const std::string& problem) {
    stop_with_bad_value(ctx, rails_location_file, ctx.control.unit_rails_location,
                        "track " + std::to_string(i) + ", control point " + std::to_string(last),
                        "arc length " + value_text(last_s) + problem);
  };
  if (!(q < 2147483520.0f))
    too_far(", must lie within " + value_text(2147483520.0f * spacing) + " m of control point 1 (" +
            value_text(first_s) + ") for a 32-bit count of track nodes " + value_text(spacing) + " m apart");
  const std::int32_t nodes = truncate_to_int32(q) + 1;
  if (15.0 * sizeof(float) * nodes * tm.track_count > static_cast<double>(memory_limit_bytes()))
    too_far(", " + std::to_string(nodes) + " track nodes " + value_text(spacing) + " m apart from control point 1 (" +
            value_text(first_s) + "), more than the memory holds for " + std::to_string(tm.track_count) +
            " tracks");
  return nodes;
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
  const auto check = [&](std::int32_t status, const RecordName& record) {
    check_read_status(ctx, status, rails_location_file, unit, record);
  };
  u.rewind(unit);
  check(read_list(u, unit, {tm.track_node_spacing, tm.max_control_points}),
        "header: track node spacing and largest number of control points");
  check(read_list(u, unit, {tm.track_count}), "number of tracks");

  const std::int32_t tracks = tm.track_count;
  if (tm.max_control_points < 0)
    stop_with_bad_value(ctx, rails_location_file, unit, "header: largest number of control points",
                        std::to_string(tm.max_control_points) + ", must be 0 or more");
  if (tracks < 0)
    stop_with_bad_value(ctx, rails_location_file, unit, "number of tracks",
                        std::to_string(tracks) + ", must be 0 or more");
  check_count_fits_file(ctx, rails_location_file, unit, "number of tracks", "track count", tracks);
  const std::size_t tracks_line = last_read_line(u, unit);
  const CountSource header{rails_location_file, unit, "header and number of tracks"};
  check_tables_fit_memory(ctx, header, 28.0 * std::max(tracks, 0) * std::max(tm.max_control_points, 0));
  resize_from_counts(ctx, header, tm.control_points, tracks, tm.max_control_points, 7);
  resize_from_counts(ctx, header, tm.control_point_count, tracks);
  resize_from_counts(ctx, header, tm.track_gauge, tracks);
  tm.track_gauge.fill(1.5f);
  const bool vertical_is_z = ctx.solution.Coordination_sys_bridge == 1;
  for (std::int32_t i = 1; i <= tracks; ++i) {
    const std::string track = "track " + std::to_string(i);
    check(read_list(u, unit, {tm.control_point_count(i), tm.track_gauge(i)}),
          counted_entry("track", i, tracks, tracks_line, "number of control points and gauge"));
    const std::size_t points_line = last_read_line(u, unit);
    // The rails lie half the gauge to either side of the centre line, rail 1
    // on the side of negative lateral offsets: a gauge of 0 puts both on the
    // centre line, a negative one swaps them.
    if (!(tm.track_gauge(i) > 0.0f))
      stop_with_bad_value(ctx, rails_location_file, unit, track + ": number of control points and gauge",
                          "gauge " + value_text(tm.track_gauge(i)) +
                              " m, must be above 0 (the distance between the contact points of the two rails)");
    // A track needs a segment.
    if (tm.control_point_count(i) < 2)
      stop_with_bad_value(ctx, rails_location_file, unit, track + ": number of control points",
                          std::to_string(tm.control_point_count(i)) + ", must be 2 or more");
    for (std::int32_t j = 1; j <= tm.control_point_count(i); ++j) {
      if (j > tm.max_control_points)
        stop_with_bad_value(ctx, rails_location_file, unit, track + ": number of control points and gauge",
                            std::to_string(tm.control_point_count(i)) + " control points, must be at most " +
                                std::to_string(tm.max_control_points) + " (the header's largest)");
      float row[7] = {};
      check(read_list(u, unit, {ReadTarget::reals(row, 7)}),
            counted_entry("control point", j, tm.control_point_count(i), points_line, track));
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
  if (tm.track_option != 0 && tm.track_option != 1)
    stop_with_bad_value(ctx, rails_location_file, unit, "rail geometry option",
                        std::to_string(tm.track_option) +
                            ", must be 0 (the irregularity only) or 1 (the line's own geometry as well)");
  if (!(tm.track_node_spacing > 0.0f))
    stop_with_bad_value(ctx, rails_location_file, unit, "header: track node spacing",
                        value_text(tm.track_node_spacing) + ", must be above 0");

  // Interface nodes need a track to lie on.
  if (tracks < 1 && ctx.bridge.interface_node_count > 0)
    stop_with_bad_value(ctx, rails_location_file, unit, "number of tracks",
                        std::to_string(tracks) + ", must be 1 or more for the bridge's interface nodes");
}

// How far the step of arc length between two control points may fall short
// of the straight horizontal distance between them (the chord) before the
// two contradict each other. An arc is never shorter than its chord, and on
// a curve of radius R an arc of length L exceeds it by only L^3 / (24 R^2):
// the allowance is for the values as written. 3 cm for the six values
// compared (x, lateral position and arc length of both points), each written
// to the centimetre or better; plus 0.05 mm per metre of each value, for
// values of 100 m and more written with five significant digits (and the
// single precision they are held in); plus 1 mm per metre of the chord, for
// an arc length taken within 0.1 %, such as the x distance on a track within
// 2.5 degrees of the x axis.
double chord_allowance(double chord, const double (&values)[6]) {
  double magnitude = 0.0;
  for (double v : values) magnitude += std::fabs(v);
  return 0.03 + 5.0E-5 * magnitude + 1.0E-3 * chord;
}

// The arc lengths of every track run strictly one way, the way of its first
// two points, and each step of arc length spans at least the chord between
// the two points (within the rounding allowance). Points given with too
// short an arc length compress the track: the bridge's interface nodes,
// measured along the tangents, crowd onto the wrong stations.
void check_control_point_order(RunContext& ctx) {
  const TrackModel& tm = ctx.track;
  const std::int32_t unit = ctx.control.unit_rails_location;
  for (std::int32_t i = 1; i <= tm.track_count; ++i) {
    const std::int32_t n = tm.control_point_count(i);
    const bool ascending = tm.control_points(i, 2, 6) - tm.control_points(i, 1, 6) > 0.0f;
    for (std::int32_t j = 1; j <= n - 1; ++j) {
      const float s1 = tm.control_points(i, j, 6), s2 = tm.control_points(i, j + 1, 6);
      const float d = s2 - s1;
      const std::string record = "track " + std::to_string(i) + ", control point " + std::to_string(j + 1);
      const auto coordinate_error = [&] {
        ctx.console.formatted("(I3,A,I3,A)",
                              {i, text::track_number_suffix, j + 1, text::control_point_coordinate_error});
      };
      if (ascending ? d <= 0.0f : d >= 0.0f) {
        coordinate_error();
        stop_with_bad_value(ctx, rails_location_file, unit, record,
                            "arc length " + value_text(s2) + " after " + value_text(s1) +
                                ", must rise or fall strictly from point to point, as from point 1 to point 2");
      }
      // Column 1 still holds x here; the lateral coordinate is column 3 in
      // either axis convention.
      const double x1 = tm.control_points(i, j, 1), x2 = tm.control_points(i, j + 1, 1);
      const double z1 = tm.control_points(i, j, 3), z2 = tm.control_points(i, j + 1, 3);
      const double chord = std::hypot(x2 - x1, z2 - z1);
      const double arc = std::fabs(static_cast<double>(s2) - static_cast<double>(s1));
      const double allowance = chord_allowance(chord, {x1, x2, z1, z2, s1, s2});
      if (arc < chord - allowance) {
        coordinate_error();
        stop_with_bad_value(
            ctx, rails_location_file, unit, record,
            "arc length " + value_text(s2) + " after " + value_text(s1) + ": " +
                value_text(static_cast<float>(arc)) + " m along the track from control point " + std::to_string(j) +
                ", less than the " + value_text(static_cast<float>(chord)) +
                " m straight horizontal distance between the two points (x and lateral position) by more than the "
                "rounding allowance of " +
                value_text(static_cast<float>(allowance)) + " m");
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
      if (!lagrange_interpolate(n, rows, window, s.data(), y.data(), tm.track_nodes.at_ptr(1, 1, i),
                                tm.track_nodes.at_ptr(1, ft[1], i)))
        stop_with_too_few_points(ctx, {rails_location_file, ctx.control.unit_rails_location, "control points"}, n,
                                 window);
    }
  }
}

}  // namespace

void build_track_model(RunContext& ctx) {
  TrackModel& tm = ctx.track;
  read_rails_location(ctx);

  const float h = tm.track_node_spacing;
  Array1<std::int32_t> own_node_count(tm.track_count);
  tm.track_node_count = 1;
  for (std::int32_t i = 1; i <= tm.track_count; ++i) {
    own_node_count(i) = track_node_count_for(ctx, i, h);
    tm.track_node_count = std::max(tm.track_node_count, own_node_count(i));
  }
  if (tm.modal_node_decimation < 1) tm.modal_node_decimation = 4;
  tm.coarse_node_count = tm.track_node_count / tm.modal_node_decimation;
  tm.coarse_node_spacing = h * static_cast<float>(tm.modal_node_decimation);
  // The wheel-rail interaction interpolates in windows of five track nodes and
  // between two coarse nodes of the mode-shape table.
  const std::int32_t modes = ctx.bridge.bridge_mode_count;
  if (tm.track_count >= 1 && (tm.track_node_count < 5 || (modes >= 1 && tm.coarse_node_count < 2)))
    stop_with_bad_value(ctx, rails_location_file, ctx.control.unit_rails_location, "header: track node spacing",
                        value_text(h) + ", gives the longest track " + std::to_string(tm.track_node_count) +
                            " nodes (" + std::to_string(tm.coarse_node_count) +
                            " for the mode shapes), too few for the interpolation along the track");

  const std::int32_t tracks = std::max(tm.track_count, 0);
  const CountSource nodes{rails_location_file, ctx.control.unit_rails_location, "header: track node spacing"};
  check_tables_fit_memory(ctx, nodes,
                          4.0 *
                              (2.0 * TrackModel::modal_vector_stride * std::max(modes, 0) * tm.coarse_node_count +
                               15.0 * tm.track_node_count) *
                              tracks);
  resize_from_counts(ctx, nodes, tm.track_modal_vectors, TrackModel::modal_vector_stride, modes, tm.coarse_node_count,
                     2, tm.track_count);
  resize_from_counts(ctx, nodes, tm.track_nodes, tm.track_node_count, 15, tm.track_count);

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
