#include <algorithm>
#include <cmath>
#include <numeric>
#include <set>
#include <vector>

#include "input/read_errors.h"
#include "model/file_names.h"
#include "numerics/interpolation.h"
#include "platform/stop.h"
#include "track/track_build_steps.h"

namespace tb {

namespace {

// The interface nodes of track u in the order of the interface list, leaving
// out a node whose arc length lies within 0.001 of one already taken.
void candidates_of_track(const RunContext& ctx, std::int32_t u, std::vector<std::int32_t>& nodes,
                         std::vector<float>& keys) {
  const BridgeModalModel& b = ctx.bridge;
  nodes.clear();
  keys.clear();
  std::set<float> taken;
  for (std::int32_t p = 1; p <= b.interface_node_count; ++p) {
    const std::int32_t n = b.interface_nodes(p);
    if (ctx.track.interface_node_track(n) != u) continue;
    const float key = b.node_coordinates(n, 1);
    // The nearest keys on either side decide whether one lies within 0.001.
    const auto above = taken.lower_bound(key);
    if (above != taken.end() && *above - key <= 0.001f) continue;
    if (above != taken.begin() && key - *std::prev(above) <= 0.001f) continue;
    taken.insert(key);
    nodes.push_back(n);
    keys.push_back(key);
  }
}

// The interface nodes that carry a track's mode shapes come from the bridge
// master file and fall on the track by the geometry of "Rails_Location.dat".
[[noreturn]] void stop_with_too_few_interface_nodes(RunContext& ctx, std::int32_t track, std::int32_t count,
                                                    std::int32_t needed) {
  stop_with_bad_value(ctx, rails_location_file, ctx.control.unit_rails_location, "track " + std::to_string(track),
                      std::to_string(count) + " interface nodes of Modal_Substructure_Bridge.dat at distinct arc "
                      "lengths on the track nearest its first node, must be " + std::to_string(needed) + " or more");
}

// Slope (entries 7, 8) and vertical curvature (entry 9) at the end node c of
// a run of `count` nodes that lies in direction `dir` (+1 or -1) from it, from
// the shapes (entries 2, 3) of c and the next two nodes: the one-sided slope
// of second order, and their second difference, the curvature of the
// parabola through them. A run of two nodes has the slope of its chord.
template <class Entry>
void end_derivatives(Entry& A, std::int32_t c, std::int32_t dir, std::int32_t count, float h) {
  const float sign = static_cast<float>(dir);
  const std::int32_t c1 = c + dir, c2 = c + 2 * dir;
  if (count < 3) {
    A(7, c) = sign * (A(2, c1) - A(2, c)) / h;
    A(8, c) = sign * (A(3, c1) - A(3, c)) / h;
    return;
  }
  A(7, c) = sign * (4.0f * A(2, c1) - 3.0f * A(2, c) - A(2, c2)) * 0.5f / h;
  A(8, c) = sign * (4.0f * A(3, c1) - 3.0f * A(3, c) - A(3, c2)) * 0.5f / h;
  A(9, c) = (A(2, c2) + A(2, c) - 2.0f * A(2, c1)) / h / h;
}

}  // namespace

void sort_with_index(float* values, std::int32_t* index, std::int32_t n) {
  if (n < 2) return;
  std::vector<std::int32_t> order(static_cast<std::size_t>(n));
  std::iota(order.begin(), order.end(), 0);
  std::stable_sort(order.begin(), order.end(), [&](std::int32_t a, std::int32_t b) { return values[a] < values[b]; });
  std::vector<float> v(values, values + n);
  std::vector<std::int32_t> x(index, index + n);
  for (std::int32_t i = 0; i < n; ++i) {
    values[i] = v[order[i]];
    index[i] = x[order[i]];
  }
}

void select_interface_nodes_for_track_point(RunContext& ctx, std::int32_t& count, std::int32_t interface_count,
                                            const float point[3], std::int32_t track, std::int32_t rail_offset) {
  const TrackModel& tm = ctx.track;
  BridgeModalModel& b = ctx.bridge;
  const float g = tm.track_gauge(track);
  const float offset = rail_offset == 0 ? -g / 2.0f : g / 2.0f;

  // The track whose nearer end lies nearest the rail point, among the tracks
  // that carry interface nodes.
  float best = 1000.0f;
  float lat_kept = 0.0f, dy_kept = 0.0f;
  std::vector<std::int32_t> nodes, chosen_nodes;
  std::vector<float> keys, chosen_keys;
  for (std::int32_t u = 1; u <= tm.track_count; ++u) {
    candidates_of_track(ctx, u, nodes, keys);
    const std::int32_t last = tm.control_point_count(u);
    const std::int32_t end =
        std::fabs(point[0] - tm.control_points(u, 1, 1)) < std::fabs(point[0] - tm.control_points(u, last, 1)) ? 1
                                                                                                                : last;
    const float ds = point[0] - tm.control_points(u, end, 1);
    const float dy = point[1] - tm.control_points(u, end, 2);
    const float dz = point[2] - tm.control_points(u, end, 3);
    const float c = std::cos(tm.control_points(u, end, 4)), s = std::sin(tm.control_points(u, end, 4));
    const float lat = (c * dz - s * ds) + offset;
    const float dist = std::sqrt(lat * lat + dy * dy);
    if (dist < best && !nodes.empty()) {
      best = dist;
      chosen_nodes.swap(nodes);
      chosen_keys.swap(keys);
      lat_kept = lat;
      dy_kept = dy;
    }
  }
  count = static_cast<std::int32_t>(chosen_nodes.size());
  if (count < 2) {
    ctx.console.list_line({"Number of track nodes are less than 2"});
    stop_with_too_few_interface_nodes(ctx, track, count, 2);
  }
  sort_with_index(chosen_keys.data(), chosen_nodes.data(), count);

  const std::int32_t modes = b.bridge_mode_count;
  if (b.interface_point_key.extent(1) < interface_count) b.interface_point_key.resize(interface_count);
  if (b.interface_point_modes.extent(1) < interface_count || b.interface_point_modes.extent(2) < modes)
    b.interface_point_modes.resize(interface_count, modes, 6);
  for (std::int32_t p = 1; p <= count; ++p) {
    b.interface_point_key(p) = chosen_keys[p - 1];
    const std::int32_t n = chosen_nodes[p - 1];
    for (std::int32_t m = 1; m <= modes; ++m) {
      for (int q = 1; q <= 6; ++q) b.interface_point_modes(p, m, q) = b.mode_shapes(m, n, q);
      // From the centre line to the rail: the rotation about the track axis
      // moves the rail vertically by its lateral lever and laterally by its
      // vertical lever.
      b.interface_point_modes(p, m, 2) = b.interface_point_modes(p, m, 2) - b.interface_point_modes(p, m, 4) * lat_kept;
      b.interface_point_modes(p, m, 3) = b.interface_point_modes(p, m, 3) + b.interface_point_modes(p, m, 4) * dy_kept;
    }
  }
}

void tabulate_track_mode_shapes(RunContext& ctx, const Array1<std::int32_t>& own_node_count) {
  TrackModel& tm = ctx.track;
  BridgeModalModel& b = ctx.bridge;
  tm.bridge_coarse_nodes.resize(2, 2, tm.track_count);
  if (b.interface_node_count < 1) return;

  float smin = 0.0f, smax = 0.0f;
  for (std::int32_t p = 1; p <= b.interface_node_count; ++p) {
    const float key = b.node_coordinates(b.interface_nodes(p), 1);
    if (p == 1 || key < smin) smin = key;
    if (p == 1 || key > smax) smax = key;
  }

  const std::int32_t modes = b.bridge_mode_count;
  const std::int32_t step = tm.modal_node_decimation;
  const float h = tm.coarse_node_spacing;
  std::vector<float> s, values;
  bool any_rail_reached = false;
  float track_from = 0.0f, track_to = 0.0f;  // the arc lengths that the tracks' nodes span
  for (std::int32_t t = 1; t <= tm.track_count; ++t) {
    // Coarse node c is track node (c - 1) * step + 1; only the track's own
    // nodes receive shapes.
    const std::int32_t own = std::min(tm.coarse_node_count, (own_node_count(t) - 1) / step + 1);
    // Both rails are selected from the centre-line point of the track's first
    // node; the rail offset moves it to rail 1 or rail 2.
    const float point[3] = {tm.track_nodes(1, 1, t), tm.track_nodes(1, 2, t), tm.track_nodes(1, 3, t)};
    for (std::int32_t r = 1; r <= 2; ++r) {
      std::int32_t n = 0;
      select_interface_nodes_for_track_point(ctx, n, b.interface_node_count, point, t, 3 * (r - 1));
      const int s_column = r == 1 ? 1 : 4;
      s.resize(static_cast<std::size_t>(own));
      for (std::int32_t c = 1; c <= own; ++c) s[c - 1] = tm.track_nodes((c - 1) * step + 1, s_column, t);
      for (std::int32_t c = 1; c <= own; ++c) {
        const bool first = t == 1 && r == 1 && c == 1;
        if (first || s[c - 1] < track_from) track_from = s[c - 1];
        if (first || s[c - 1] > track_to) track_to = s[c - 1];
      }
      std::int32_t j1 = own, j2 = 0;
      for (std::int32_t c = own; c >= 1; --c)
        if (s[c - 1] >= smin) j1 = c;
      for (std::int32_t c = 1; c <= own; ++c)
        if (s[c - 1] <= smax) j2 = c;
      if (j1 >= j2) continue;
      any_rail_reached = true;
      tm.bridge_coarse_nodes(1, r, t) = j1;
      tm.bridge_coarse_nodes(2, r, t) = j2;

      // The mode shapes are interpolated through three interface nodes.
      if (modes > 0 && n < 3) {
        ctx.console.list_line({"Not sufficient number of points for interpolation!"});
        stop_with_too_few_interface_nodes(ctx, t, n, 3);
      }
      const std::int32_t count = j2 - j1 + 1;
      values.resize(static_cast<std::size_t>(count));
      for (std::int32_t m = 1; m <= modes; ++m) {
        for (int q = 1; q <= 6; ++q) {
          std::fill(values.begin(), values.end(), 0.0f);
          if (!lagrange_interpolate(n, count, 3, b.interface_point_key.data(), b.interface_point_modes.at_ptr(1, m, q),
                                    s.data() + (j1 - 1), values.data()))
            stop_with_too_few_points(
                ctx, {bridge_master_file, ctx.control.unit_bridge_master, "interface nodes"}, n, 3);
          for (std::int32_t c = j1; c <= j2; ++c) tm.track_modal_vectors(q, m, c, r, t) = values[c - j1];
        }
        auto A = [&](int q, std::int32_t c) -> float& { return tm.track_modal_vectors(q, m, c, r, t); };
        for (std::int32_t c = j1 + 1; c <= j2 - 1; ++c) {
          A(7, c) = (A(2, c + 1) - A(2, c - 1)) * 0.5f / h;
          A(8, c) = (A(3, c + 1) - A(3, c - 1)) * 0.5f / h;
          A(9, c) = (A(2, c + 1) + A(2, c - 1) - 2.0f * A(2, c)) / h / h;
        }
        // At the first and last node the slope is one-sided: at a simply
        // supported end it is the largest of the span, and a wheel rolling
        // off the bridge sees the rail velocity v w' up to the bearing.
        end_derivatives(A, j1, 1, count, h);
        end_derivatives(A, j2, -1, count, h);
      }
    }
  }
  if (!any_rail_reached)
    stop_with_data_error(ctx, rails_location_file, ctx.control.unit_rails_location, "control points",
                         "no track reaches the bridge: its interface nodes lie at arc lengths " + value_text(smin) +
                             " to " + value_text(smax) + " m, the rails of the tracks run from " +
                             value_text(track_from) + " to " + value_text(track_to) + " m");
}

}  // namespace tb
