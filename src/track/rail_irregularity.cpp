#include <algorithm>
#include <cmath>
#include <vector>

#include "input/read_errors.h"
#include "model/file_names.h"
#include "numerics/interpolation.h"
#include "numerics/truncation.h"
#include "platform/stop.h"
#include "platform/texts.h"
#include "track/track_build_steps.h"

namespace tb {

namespace {

constexpr int kRailColumns[4] = {2, 3, 5, 6};

// Column col of every row := its value minus the straight line through the
// track's first and last control point (slope from control column cp_col over
// the arc length) in the track's own rows, then minus its value in row 1.
void remove_chord(TrackModel& tm, std::int32_t i, std::int32_t own, int col, int cp_col) {
  const std::int32_t last = tm.control_point_count(i);
  const float g = (tm.control_points(i, 1, cp_col) - tm.control_points(i, last, cp_col)) /
                  (tm.control_points(i, 1, 6) - tm.control_points(i, last, 6));
  const float gh = g * tm.track_node_spacing;
  for (std::int32_t k = 1; k <= own; ++k) tm.track_nodes(k, col, i) -= static_cast<float>(k - 1) * gh;
  const float first = tm.track_nodes(1, col, i);
  for (std::int32_t k = 1; k <= tm.track_node_count; ++k) tm.track_nodes(k, col, i) -= first;
}

}  // namespace

void apply_rail_geometry_option(RunContext& ctx, const Array1<std::int32_t>& own_node_count) {
  TrackModel& tm = ctx.track;
  const std::int32_t rows = tm.track_node_count;
  for (std::int32_t i = 1; i <= tm.track_count; ++i) {
    if (tm.track_option != 1) {
      for (int col : kRailColumns)
        for (std::int32_t k = 1; k <= rows; ++k) tm.track_nodes(k, col, i) = 0.0f;
      continue;
    }
    // The lateral geometry is kept only on a track without horizontal
    // curvature: on a curve the offset from the chord is no irregularity.
    float curvature = 0.0f;
    for (std::int32_t j = 1; j <= tm.max_control_points; ++j)
      curvature = std::max(curvature, std::fabs(tm.control_points(i, j, 5)));
    const bool straight = curvature < 1.0E-5f;
    remove_chord(tm, i, own_node_count(i), 2, 2);
    if (straight) {
      remove_chord(tm, i, own_node_count(i), 3, 3);
    } else {
      for (std::int32_t k = 1; k <= rows; ++k) tm.track_nodes(k, 3, i) = 0.0f;
    }
    for (std::int32_t k = 1; k <= rows; ++k) {
      tm.track_nodes(k, 5, i) = tm.track_nodes(k, 2, i);
      tm.track_nodes(k, 6, i) = tm.track_nodes(k, 3, i);
    }
  }
}

void apply_irregularity_to_rails(RunContext& ctx, const Array1<std::int32_t>& own_node_count) {
  TrackModel& tm = ctx.track;
  const TrackIrregularity& irr = ctx.irregularity;
  const Array2<float>& profile = irr.irregularity_profile;
  const std::int32_t rows = tm.track_node_count;
  const float h = tm.track_node_spacing;
  if (tm.track_count < 1) return;

  // Tracks take consecutive stretches of the profile, each from its first
  // node to its last: the profile's samples must reach over all of them.
  // Its length is that of its samples, record 2's length rounded up to a
  // power of two of them. The irregularity is laid onto the nodes within
  // that length (all of them but, where the last node lies within one node
  // spacing of the length's end, the last one).
  const std::int32_t reach = truncate_to_int32(irr.irregularity_length / h);
  const std::int32_t samples =
      std::min(truncate_to_int32(irr.irregularity_length / irr.irregularity_spacing), profile.extent(1));

  // Columns 2, 3, 4: vertical profile, alignment, cross level at the nodes of
  // the current track; column 1 the node's position from the track's start.
  Array2<float> node_irregularity(rows, 4);
  for (std::int32_t k = 1; k <= rows; ++k) node_irregularity(k, 1) = static_cast<float>(k - 1) * h;
  std::vector<float> xe(static_cast<std::size_t>(rows));
  float offset = 0.0f;
  for (std::int32_t i = 1; i <= tm.track_count; ++i) {
    const std::int32_t own = own_node_count(i);
    const std::int32_t m = std::min(own, reach);
    const float a = node_irregularity(1, 1) + offset, b = node_irregularity(own, 1) + offset;
    const float lo = std::min(a, b), hi = std::max(a, b);
    const bool outside = samples < 1 || hi > std::max(profile(1, 1), profile(samples, 1)) ||
                         std::min(profile(1, 1), profile(samples, 1)) > lo;
    if (outside) {
      ctx.console.list_line({text::irregularity_too_short});
      if (samples < 1)
        stop_with_bad_value(ctx, irregularity_file, ctx.control.unit_irregularity, "record 2",
                            "length " + value_text(irr.irregularity_length) + " m, no sample of the profile");
      const float first = std::min(profile(1, 1), profile(samples, 1));
      const float last = std::max(profile(1, 1), profile(samples, 1));
      std::string after;
      if (i == 2) after = ", after track 1";
      if (i > 2) after = ", after tracks 1 to " + std::to_string(i - 1);
      stop_with_bad_value(
          ctx, irregularity_file, ctx.control.unit_irregularity, "record 2",
          "length: the profile's " + std::to_string(samples) + " samples " + value_text(irr.irregularity_spacing) +
              " m apart (the length rounded up to a power of two of samples) reach from " + value_text(first) +
              " to " + value_text(last) + " m, short of track " + std::to_string(i) + ", " +
              value_text(static_cast<float>(own - 1) * h) + " m long, which takes the profile from " +
              value_text(lo) + " to " + value_text(hi) + " m" + after + "; a length of " +
              value_text(hi + irr.irregularity_spacing) + " m or more covers it");
    }
    for (std::int32_t k = 1; k <= m; ++k) xe[k - 1] = node_irregularity(k, 1) + offset;
    for (int c = 2; c <= 4; ++c) {
      if (!lagrange_interpolate(samples, m, 3, profile.at_ptr(1, 1), profile.at_ptr(1, c), xe.data(),
                                node_irregularity.at_ptr(1, c)))
        stop_with_too_few_points(ctx, {irregularity_file, ctx.control.unit_irregularity, "samples of the profile"},
                                 samples, 3);
      // Rows this track's profile does not reach carry no irregularity.
      for (std::int32_t k = m + 1; k <= rows; ++k) node_irregularity(k, c) = 0.0f;
    }

    for (std::int32_t k = 1; k <= rows; ++k) {
      const float v = node_irregularity(k, 2), al = node_irregularity(k, 3), cl = node_irregularity(k, 4);
      tm.track_nodes(k, 2, i) = (0.5f * cl + v) + tm.track_nodes(k, 2, i);
      tm.track_nodes(k, 3, i) = tm.track_nodes(k, 3, i) + al;
      tm.track_nodes(k, 5, i) = (v + tm.track_nodes(k, 5, i)) - 0.5f * cl;
      tm.track_nodes(k, 6, i) = tm.track_nodes(k, 6, i) + al;
    }

    // End tapers over r nodes at both ends of the irregular stretch.
    const std::int32_t r = std::min(truncate_to_int32(irr.irregularity_ramp_length / h + 1.0f), m / 2);
    for (std::int32_t k = 1; k <= r; ++k) {
      const float w = 1.0f - std::cos(static_cast<float>(k) * 1.5707963f / static_cast<float>(r));
      for (int col : kRailColumns) {
        tm.track_nodes(k, col, i) *= w;
        tm.track_nodes(m - k + 1, col, i) *= w;
      }
    }
    // The next track takes the stretch of the profile after this one.
    offset += static_cast<float>(own - 1) * h;
  }
}

void compute_track_derivatives(RunContext& ctx, const Array1<std::int32_t>& own_node_count) {
  TrackModel& tm = ctx.track;
  const float h = tm.track_node_spacing;
  for (std::int32_t i = 1; i <= tm.track_count; ++i) {
    auto T = [&](std::int32_t k, int c) -> float& { return tm.track_nodes(k, c, i); };
    for (std::int32_t k = 2; k <= own_node_count(i) - 1; ++k) {
      T(k, 7) = (T(k + 1, 2) - T(k - 1, 2)) / h * 0.5f;
      T(k, 8) = (T(k + 1, 3) - T(k - 1, 3)) / h * 0.5f;
      T(k, 9) = (T(k + 1, 5) - T(k - 1, 5)) / h * 0.5f;
      T(k, 10) = (T(k + 1, 6) - T(k - 1, 6)) / h * 0.5f;
      T(k, 11) = ((T(k + 1, 2) + T(k - 1, 2)) - 2.0f * T(k, 2)) / h / h;
      T(k, 13) = ((T(k + 1, 5) + T(k - 1, 5)) - 2.0f * T(k, 5)) / h / h;
    }
  }
}

}  // namespace tb
