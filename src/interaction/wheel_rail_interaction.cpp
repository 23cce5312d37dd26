#include "interaction/wheel_rail_interaction.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <utility>

#include "interaction/contact_forces.h"
#include "interaction/wheel_rail_sums.h"

namespace tb {

namespace {

constexpr std::int32_t kWindow = 5;              // track nodes of an interpolation window
constexpr float kBridgeMotionLimit = 1.0E-9f;    // vertical bridge displacement that counts as moving

constexpr std::int32_t padded_to_8(std::int32_t n) { return (n + 7) / 8 * 8; }

}  // namespace

// Rail 1 lies on the side of negative lateral coordinate (the track places it
// at -gauge/2): a wheel runs on rail 1 when it lies at or below the mean
// lateral coordinate of its vehicle type's wheels, otherwise on rail 2.
std::int32_t rail_of_wheel(const VehicleTypeLibrary& lib, std::int32_t type, std::int32_t w) {
  const std::int32_t nw = lib.vehicle_wheelset_count(type);
  float mean = 0.0f;
  for (std::int32_t k = 1; k <= nw; ++k) mean += lib.vehicle_node_coordinates(type, lib.wheelset_nodes(type, k), 3);
  mean /= static_cast<float>(nw);
  return lib.vehicle_node_coordinates(type, lib.wheelset_nodes(type, w), 3) <= mean ? 1 : 2;
}

namespace {

// The window of the track-node table whose nodes the wheel at x is
// interpolated from: five consecutive own nodes of the track around x (all of
// them when the track has fewer). A wheel beyond the first or last own node
// takes that end node alone, so that it sees the end values held (the slope
// and curvature columns are 0 there) and never a polynomial carried past the
// table.
struct NodeWindow {
  std::int32_t first = 1;
  std::int32_t count = kWindow;
  float abscissae[kWindow] = {};
};

NodeWindow node_window(const TrackModel& tm, float x, float smin, std::int32_t nodes) {
  NodeWindow win;
  const float h = tm.track_node_spacing;
  const float last = smin + h * static_cast<float>(nodes - 1);
  if (nodes < 1) {
    win.count = 0;
    return win;
  }
  if (!(x >= smin) || x > last) {
    win.first = x > last ? nodes : 1;
    win.count = 1;
    win.abscissae[0] = smin + h * static_cast<float>(win.first - 1);
    return win;
  }
  const float pos = (x - smin) / h - 2.0f;
  const std::int32_t i0 = pos < 1.0f ? 0 : (pos >= static_cast<float>(nodes) ? nodes : static_cast<std::int32_t>(pos));
  if (nodes < kWindow) {
    win.first = 1;
    win.count = nodes;
  } else if (i0 < 1) {
    win.first = 1;
  } else if (i0 + 4 < nodes) {
    win.first = i0;
  } else {
    win.first = nodes - 4;
  }
  for (std::int32_t k = 0; k < win.count; ++k)
    win.abscissae[k] = smin + h * static_cast<float>(win.first + k - 1);
  return win;
}

// Columns of the track-node table per rail: vertical position, its slope and
// second derivative, lateral position and its slope; then the track's
// curvature and cant.
constexpr std::int32_t kTrackColumns[2][7] = {{2, 7, 11, 3, 8, 12, 15}, {5, 9, 13, 6, 10, 12, 15}};

// ---------------------------------------------------------------------------
// What the interaction keeps between evaluations
// ---------------------------------------------------------------------------

// The counts and model tables the cache layout is built for, value by value.
template <class Add>
void visit_layout_signature(const RunContext& ctx, Add&& add) {
  const VehicleTypeLibrary& lib = ctx.vehicles;
  const TrainOrganization& tr = ctx.trains;
  const TrackModel& tm = ctx.track;
  auto address = [&](const void* p) { add(static_cast<std::int64_t>(reinterpret_cast<std::intptr_t>(p))); };
  add(ctx.bridge.bridge_mode_count);
  add(tm.coarse_node_count);
  add(tm.track_count);
  add(lib.max_modes_per_type);
  address(lib.vehicle_mode_shapes.data());
  address(lib.wheelset_nodes.data());
  address(lib.vehicle_node_coordinates.data());
  address(tm.track_modal_vectors.data());
  for (int d = 1; d <= 5; ++d) add(tm.track_modal_vectors.extent(d));
  add(tr.train_count);
  for (std::int32_t t = 1; t <= tr.train_count; ++t) {
    const std::int32_t fleet = tr.train_fleet(t);
    add(fleet);
    add(tr.fleet_vehicle_count(fleet));
    for (std::int32_t v = 1; v <= tr.fleet_vehicle_count(fleet); ++v) {
      const std::int32_t type = tr.fleet_vehicle_types(fleet, v);
      add(type);
      add(lib.vehicle_wheelset_count(type));
      add(lib.vehicle_mode_count(type));
      add(lib.contact_type(type));
    }
  }
}

// The vehicle mode shapes at wheel entry w of a type, φ(c, k) for c = 1..5
// (contact type 1 takes the vertical and roll components at the wheelset's
// second node), laid out for the wheel-point sums and for the generalised
// forces.
void gather_vehicle_shapes(const VehicleTypeLibrary& lib, std::int32_t type, std::int32_t w, std::int32_t padded,
                           float* sum_shapes, float* force_shapes) {
  const std::int32_t node = lib.wheelset_nodes(type, w);
  const bool second_node = lib.contact_type(type) == 1;
  for (std::int32_t k = 1; k <= lib.vehicle_mode_count(type); ++k) {
    float phi[5];
    for (std::int32_t c = 1; c <= 5; ++c) phi[c - 1] = lib.vehicle_mode_shapes(type, k, node, c);
    if (second_node) {
      const std::int32_t second = lib.wheelset_second_nodes(type, w);
      phi[1] = lib.vehicle_mode_shapes(type, k, second, 2);
      phi[3] = lib.vehicle_mode_shapes(type, k, second, 4);
    }
    float* lanes = sum_shapes + static_cast<std::size_t>(k - 1) * kVehicleShapeStride;
    for (std::int32_t d = 0; d < 3; ++d)
      for (std::int32_t c = 0; c < 5; ++c) lanes[d * 5 + c] = phi[c];
    for (std::int32_t c = 0; c < 5; ++c) force_shapes[static_cast<std::size_t>(c) * padded + (k - 1)] = phi[c];
  }
}

void build_layout(const RunContext& ctx, WheelRailCaches& wc) {
  const VehicleTypeLibrary& lib = ctx.vehicles;
  const TrainOrganization& tr = ctx.trains;
  wc = WheelRailCaches{};
  visit_layout_signature(ctx, [&](std::int64_t v) { wc.signature.push_back(v); });
  wc.vector_lanes = static_cast<std::int32_t>(widest_vector_width());
  wc.bridge_modes = std::max(ctx.bridge.bridge_mode_count, 0);
  wc.padded_bridge_modes = padded_to_8(wc.bridge_modes);
  wc.vehicle_modes = std::max(lib.max_modes_per_type, 0);
  wc.padded_vehicle_modes = padded_to_8(wc.vehicle_modes);

  const std::int64_t key_base = static_cast<std::int64_t>(lib.max_wheelsets_per_type) + 1;
  for (std::int32_t t = 1; t <= tr.train_count; ++t) {
    const std::int32_t fleet = tr.train_fleet(t);
    for (std::int32_t v = 1; v <= tr.fleet_vehicle_count(fleet); ++v) {
      VehicleSlot vs;
      vs.train = t;
      vs.vehicle = v;
      vs.type = tr.fleet_vehicle_types(fleet, v);
      vs.first_slot = static_cast<std::int32_t>(wc.wheels.size());
      vs.wheel_count = lib.vehicle_wheelset_count(vs.type);
      const std::int32_t modes = std::max(lib.vehicle_mode_count(vs.type), 0);
      vs.state.assign(3 * static_cast<std::size_t>(modes), 0.0);
      vs.pattern.assign(kVehicleShapeStride * static_cast<std::size_t>(modes), 0.0f);
      if (v == 1)
        for (std::int32_t k = 1; k <= modes; ++k) vs.lead_shapes.push_back(lib.vehicle_mode_shapes(vs.type, k, 1, 1));
      for (std::int32_t w = 1; w <= vs.wheel_count; ++w) {
        WheelSlot slot;
        slot.node = lib.wheelset_nodes(vs.type, w);
        slot.rail = rail_of_wheel(lib, vs.type, w);
        const std::int64_t key = vs.type * key_base + w;
        auto found = std::find(wc.vehicle_shape_keys.begin(), wc.vehicle_shape_keys.end(), key);
        slot.vehicle_shapes = static_cast<std::int32_t>(found - wc.vehicle_shape_keys.begin());
        if (found == wc.vehicle_shape_keys.end()) wc.vehicle_shape_keys.push_back(key);
        wc.wheels.push_back(slot);
      }
      wc.vehicles.push_back(std::move(vs));
    }
  }

  const std::size_t sum_stride = static_cast<std::size_t>(kVehicleShapeStride) * wc.vehicle_modes;
  const std::size_t force_stride = 5 * static_cast<std::size_t>(wc.padded_vehicle_modes);
  wc.vehicle_sum_shapes.assign(wc.vehicle_shape_keys.size() * sum_stride, 0.0f);
  wc.vehicle_force_shapes.assign(wc.vehicle_shape_keys.size() * force_stride, 0.0f);
  for (std::size_t i = 0; i < wc.vehicle_shape_keys.size(); ++i) {
    const std::int32_t type = static_cast<std::int32_t>(wc.vehicle_shape_keys[i] / key_base);
    const std::int32_t w = static_cast<std::int32_t>(wc.vehicle_shape_keys[i] % key_base);
    gather_vehicle_shapes(lib, type, w, wc.padded_vehicle_modes, wc.vehicle_sum_shapes.data() + i * sum_stride,
                          wc.vehicle_force_shapes.data() + i * force_stride);
  }

  const std::size_t slots = wc.wheels.size();
  wc.bridge_sum_shapes.assign(slots * kBridgeShapeStride * wc.bridge_modes, 0.0f);
  wc.bridge_force_shapes.assign(slots * 5 * wc.padded_bridge_modes, 0.0f);
  wc.bridge_end_rows.assign(2 * static_cast<std::size_t>(kBridgeShapeStride) * wc.bridge_modes, 0.0f);
  wc.bridge_state.assign(3 * static_cast<std::size_t>(wc.bridge_modes), 0.0);
  wc.bridge_state_pattern.assign(static_cast<std::size_t>(kBridgeShapeStride) * wc.bridge_modes, 0.0f);
  // The rows of the track table without any bridge shape.
  const TrackModel& tm = ctx.track;
  const Array5<float>& table = tm.track_modal_vectors;
  const std::size_t row_size = static_cast<std::size_t>(kBridgeShapeStride) * wc.bridge_modes;
  const std::size_t rows = row_size == 0 || table.size() == 0 ? 0 : table.size() / row_size;
  wc.zero_table_rows.assign(rows, 0);
  for (std::size_t r = 0; r < rows; ++r) {
    const float* row = table.data() + r * row_size;
    wc.zero_table_rows[r] = std::all_of(row, row + row_size, [](float f) { return f == 0.0f; }) ? 1 : 0;
  }
  wc.force_scratch.assign(static_cast<std::size_t>(std::max(wc.padded_bridge_modes, wc.padded_vehicle_modes)), 0.0f);
}

// Rebuilds the layout when the model's counts or tables differ from those it
// was built for (the first evaluation of a run, or another model).
void prepare_caches(const RunContext& ctx, WheelRailCaches& wc) {
  std::size_t at = 0;
  bool same = true;
  visit_layout_signature(ctx, [&](std::int64_t v) {
    if (at >= wc.signature.size() || wc.signature[at] != v) same = false;
    ++at;
  });
  if (!same || at != wc.signature.size()) build_layout(ctx, wc);
}

// Copies the values at from[i * stride] (i < count) to kept and tells whether
// any differs from the kept one, bit for bit.
bool copy_if_changed(const double* from, std::size_t stride, std::int32_t count, double* kept) {
  std::uint64_t differ = 0;
  for (std::int32_t i = 0; i < count; ++i) {
    std::uint64_t a, b;
    std::memcpy(&a, from + i * stride, sizeof a);
    std::memcpy(&b, kept + i, sizeof b);
    differ |= a ^ b;
    kept[i] = from[i * stride];
  }
  return differ != 0;
}

// The bridge modal state as the sums take it; a change of any value bumps
// the serial that the wheels' sums are kept under.
void refresh_bridge_state(const SolverState& st, WheelRailCaches& wc) {
  const std::int32_t modes = wc.bridge_modes;
  (void)st.bridge_modal_state(modes, 3);  // the table holds every mode (checked in test builds)
  const double* q = st.bridge_modal_state.at_ptr(1, 1);
  const std::size_t order_stride = st.bridge_modal_state.stride(2);
  bool changed = !wc.have_bridge_state;
  for (std::int32_t d = 0; d < 3; ++d)
    changed |= copy_if_changed(q + d * order_stride, 1, modes, wc.bridge_state.data() + d * modes);
  if (!changed) return;
  wc.have_bridge_state = true;
  ++wc.bridge_state_serial;
  wc.bridge_state_finite = build_bridge_state_pattern(wc.bridge_state.data(), modes, wc.bridge_state_pattern.data());
}

// The vehicle's modal state; true when it differs from the one its wheel
// points were computed from (and then the new sums' factors, and for a
// train's lead vehicle the longitudinal displacement of its node 1).
bool refresh_vehicle_state(const SolverState& st, const VehicleTypeLibrary& lib, VehicleSlot& vs) {
  const std::int32_t modes = lib.vehicle_mode_count(vs.type);
  bool changed = !vs.have_state;
  if (modes >= 1) {
    (void)st.vehicle_modal_state(vs.train, vs.vehicle, modes, 3);  // checked in test builds
    const double* q = st.vehicle_modal_state.at_ptr(vs.train, vs.vehicle, 1, 1);
    const std::size_t mode_stride = st.vehicle_modal_state.stride(3), order_stride = st.vehicle_modal_state.stride(4);
    for (std::int32_t d = 0; d < 3; ++d)
      changed |= copy_if_changed(q + d * order_stride, mode_stride, modes, vs.state.data() + d * modes);
  }
  if (!changed) return false;
  vs.have_state = true;
  vs.lead_shift = build_vehicle_state_pattern(vs.state.data(), modes,
                                              vs.lead_shapes.empty() ? nullptr : vs.lead_shapes.data(),
                                              vs.pattern.data());
  return true;
}

// The track a train runs on, as the wheels of the train need it.
struct TrainTrack {
  std::int32_t track = 1;
  float smin = 0.0f, smax = 0.0f;
  std::int32_t own_coarse = 0;  // the track's own coarse nodes
};

// Whether coarse node c of a rail holds the bridge's shapes: it lies in the
// bridge's part of that rail.
bool on_bridge_part(const TrackModel& tm, std::int32_t track, std::int32_t rail, std::int32_t c) {
  const Array3<std::int32_t>& part = tm.bridge_coarse_nodes;
  if (!part.allocated() || track < 1 || track > part.extent(3)) return false;
  return part(1, rail, track) >= 1 && part(1, rail, track) <= c && c <= part(2, rail, track);
}

// The table rows of the two nodes of an element (12 entries per mode) with
// the slopes of components 2 and 3 replaced by those of the straight line
// between the nodes, and the curvature by 0.
void straight_rail_rows(const float* here, const float* next, float h, std::int32_t modes, float* chord_here,
                        float* chord_next) {
  const std::size_t n = kBridgeShapeStride * static_cast<std::size_t>(modes);
  std::copy(here, here + n, chord_here);
  std::copy(next, next + n, chord_next);
  for (std::size_t m = 0; m < n; m += kBridgeShapeStride) {
    const float vertical = (next[m + 1] - here[m + 1]) / h;
    const float lateral = (next[m + 2] - here[m + 2]) / h;
    for (float* row : {chord_here + m, chord_next + m}) {
      row[6] = vertical;
      row[7] = lateral;
      row[8] = 0.0f;
    }
  }
}

// Places a wheel at x: the rail geometry there and, on the track's bridge
// part, the bridge mode shapes under the wheel. Off the track there is no
// bridge under the wheel: no shapes, no sums.
void locate_wheel(const TrackModel& tm, WheelRailCaches& wc, std::size_t index, const TrainTrack& on, float x,
                  bool bridge_on_track) {
  WheelSlot& slot = wc.wheels[index];
  slot.located = true;
  slot.x = x;
  slot.sums_serial = 0;
  slot.track = track_values_at_wheel(tm, on.track, slot.rail, x, on.smin);
  const std::int32_t modes = wc.bridge_modes;
  const std::size_t force_size = 5 * static_cast<std::size_t>(wc.padded_bridge_modes);
  float* force_shapes = wc.bridge_force_shapes.data() + index * force_size;
  auto no_shapes = [&](bool on_track) {
    if (!slot.force_shapes_zero) std::fill(force_shapes, force_shapes + force_size, 0.0f);
    slot.force_shapes_zero = true;
    slot.on_track = on_track;
    slot.shapes_nonzero = false;
    slot.sum_shapes_filled = false;
    slot.sums = {};
  };
  if (!(on.smin <= x && x <= on.smax) || !bridge_on_track || on.own_coarse < 1) {
    no_shapes(false);
    return;
  }
  // Linear between two own coarse nodes; past the last one the shapes of that
  // node are held.
  const float h = tm.coarse_node_spacing;
  std::int32_t ic = 1;
  float u = 0.0f;
  if (on.own_coarse >= 2) {
    const float pos = (x - on.smin) / h + 1.0f;
    ic = pos >= static_cast<float>(on.own_coarse - 1) ? on.own_coarse - 1 : static_cast<std::int32_t>(pos);
    u = std::min((x - on.smin - static_cast<float>(ic - 1) * h) / h, 1.0f);
  }
  const std::int32_t ic_next = on.own_coarse >= 2 ? ic + 1 : ic;
  // Between two rows of zeros every shape is 0 (of either sign, which no
  // finite product or sum tells apart): nothing to interpolate.
  const Array5<float>& table = tm.track_modal_vectors;
  auto zero_row = [&](std::int32_t c) {
    const std::size_t r = static_cast<std::size_t>(c - 1) +
                          static_cast<std::size_t>(table.extent(3)) *
                              (static_cast<std::size_t>(slot.rail - 1) + 2 * static_cast<std::size_t>(on.track - 1));
    return r < wc.zero_table_rows.size() && wc.zero_table_rows[r] != 0;
  };
  if (zero_row(ic) && zero_row(ic_next)) {
    no_shapes(true);
    return;
  }
  const float* here = table.at_ptr(1, 1, ic, slot.rail, on.track);
  const float* next = table.at_ptr(1, 1, ic_next, slot.rail, on.track);
  // Over the element between the bridge's end node and the approach's next
  // node the rail runs straight from the one to the other: its slope is the
  // chord's and its curvature 0, not the span's end slope faded out over the
  // element (at a simply supported bearing the slope, largest at the end,
  // drops to 0 there, and the rail velocity v w' with it). A wheel standing on
  // the end node itself sees the span's values there.
  const bool here_on_bridge = on_bridge_part(tm, on.track, slot.rail, ic);
  const bool next_on_bridge = on_bridge_part(tm, on.track, slot.rail, ic_next);
  const bool at_end_node = here_on_bridge ? u == 0.0f : u == 1.0f;
  if (ic != ic_next && here_on_bridge != next_on_bridge && !at_end_node) {
    float* chord_here = wc.bridge_end_rows.data();
    float* chord_next = chord_here + kBridgeShapeStride * static_cast<std::size_t>(modes);
    straight_rail_rows(here, next, h, modes, chord_here, chord_next);
    here = chord_here;
    next = chord_next;
  }
  float* shapes = wc.bridge_sum_shapes.data() + index * kBridgeShapeStride * static_cast<std::size_t>(modes);
  slot.on_track = true;
  slot.sum_shapes_filled = true;
  slot.force_shapes_zero = false;
  slot.shapes_nonzero = interpolate_bridge_shapes(here, next, u, modes, wc.padded_bridge_modes,
                                                  static_cast<VectorWidth>(wc.vector_lanes), shapes, force_shapes);
}

// Whether a wheel on the track is to have its bridge motion sums taken for
// the current bridge state. Shapes that are all zero (no bridge under the
// wheel) give sums of +0 whatever the (finite) state: those are set here.
bool bridge_sums_due(WheelRailCaches& wc, std::size_t index) {
  WheelSlot& slot = wc.wheels[index];
  if (!slot.on_track || slot.sums_serial == wc.bridge_state_serial) return false;
  slot.sums_serial = wc.bridge_state_serial;
  if (!slot.shapes_nonzero && wc.bridge_state_finite) {
    slot.sums = {};
    return false;
  }
  if (!slot.sum_shapes_filled) {
    float* shapes = wc.bridge_sum_shapes.data() + index * kBridgeShapeStride * static_cast<std::size_t>(wc.bridge_modes);
    std::fill(shapes, shapes + kBridgeShapeStride * static_cast<std::size_t>(wc.bridge_modes), 0.0f);
    slot.sum_shapes_filled = true;
  }
  return true;
}

// The bridge motion sums of one or two wheels (two at once keep more sums
// in flight).
void take_bridge_sums(WheelRailCaches& wc, std::size_t a, std::size_t b) {
  const std::size_t stride = kBridgeShapeStride * static_cast<std::size_t>(wc.bridge_modes);
  const VectorWidth width = static_cast<VectorWidth>(wc.vector_lanes);
  if (b == a)
    sum_bridge_motion(wc.bridge_sum_shapes.data() + a * stride, wc.bridge_state_pattern.data(), wc.bridge_modes, width,
                      wc.wheels[a].sums);
  else
    sum_bridge_motion_pair(wc.bridge_sum_shapes.data() + a * stride, wc.bridge_sum_shapes.data() + b * stride,
                           wc.bridge_state_pattern.data(), wc.bridge_modes, width, wc.wheels[a].sums,
                           wc.wheels[b].sums);
}

bool all_finite(const ContactForceRecord& f) {
  for (std::int32_t c = 0; c < 5; ++c)
    if (!std::isfinite(f.values[static_cast<std::size_t>(c)])) return false;
  return true;
}

// The pair's results, whose second wheel is entry w at x: per wheel the
// normal and lateral forces, the wheel-load reduction, the derailment factor
// and the position; for the pair the sums of its forces and its brake force;
// the rails under it and its wheels relative to them (vertical, lateral,
// yaw; contact type 1 reports no vertical motion of the wheels).
void record_pair_results(ResultBuffers& res, std::int32_t t, std::int32_t v, std::int32_t w,
                         const ContactForceRecord& f1r, const ContactForceRecord& f2r, float w_load, float x,
                         std::int32_t code, const ContactPointRecord& e, const ContactPointRecord& g,
                         const ContactPointRecord& i, const ContactPointRecord& j) {
  const float n1 = f1r(2), t1 = f1r(3), n2 = f2r(2), t2 = f2r(3);
  const float reduction = w_load > 0.1f ? 1.0f - std::min(n1, n2) / w_load : 0.0f;
  float derailment = 0.0f;
  if (n2 > n1 && n2 > 0.1f)
    derailment = t2 / n2;
  else if (n2 <= n1 && n1 > 0.1f)
    derailment = t1 / n1;
  const float first_values[5] = {n1, t1, reduction, derailment, x};
  const float second_values[5] = {n2, t2, n1 + n2, t1 + t2, 2.0f * f1r(1)};
  for (std::int32_t k = 1; k <= 5; ++k) {
    res.wheelset_result(t, v, w - 1, k) = first_values[k - 1];
    res.wheelset_result(t, v, w, k) = second_values[k - 1];
  }
  const std::int32_t comp[3] = {2, 3, 5};
  for (std::int32_t k = 0; k < 3; ++k) {
    const float rails = 0.5f * (e(comp[k]) + i(comp[k]));
    float wheels = 0.5f * (g(comp[k]) + j(comp[k]));
    if (code == 1 && k == 0) wheels = rails;
    res.wheelset_irregularity_displacement(t, v, w - 1, k + 1) = rails;
    res.wheelset_irregularity_displacement(t, v, w, k + 1) = wheels - rails;
  }
}

}  // namespace

TrackValuesAtWheel track_values_at_wheel(const TrackModel& tm, std::int32_t track, std::int32_t rail, float x,
                                         float smin) {
  const NodeWindow win = node_window(tm, x, smin, own_track_node_count(tm, track));
  if (win.count < 1) return {};
  float y[kWindow][8] = {};
  const std::int32_t* columns = kTrackColumns[rail == 1 ? 0 : 1];
  for (std::int32_t l = 0; l < win.count; ++l)
    for (std::int32_t c = 0; c < 7; ++c) y[l][c] = tm.track_nodes(win.first + l, columns[c], track);
  float v[8];
  interpolate_track_columns(win.count, win.abscissae, y, x, v);
  return {v[0], v[1], v[2], v[3], v[4], v[5], v[6]};
}

void interpolate_track_quantity(std::int32_t d1, std::int32_t n, std::int32_t d2, const float* x, const float* y,
                                std::int32_t m, const float* xe, float* ye) {
  d1 = std::max(d1, 0);
  n = std::max(n, 0);
  d2 = std::max(d2, 0);
  m = std::max(m, 0);
  std::fill(ye, ye + static_cast<std::ptrdiff_t>(d1) * m * d2, 0.0f);
  for (std::int32_t s2 = 0; s2 < d2; ++s2)
    for (std::int32_t s1 = 0; s1 < d1; ++s1)
      for (std::int32_t l = 0; l < n; ++l) {
        float coefficient = y[s1 + d1 * (l + n * s2)];
        for (std::int32_t q = 0; q < n; ++q)
          if (q != l) coefficient /= (x[l] - x[q]);
        for (std::int32_t p = 0; p < m; ++p) {
          float term = coefficient;
          for (std::int32_t q = 0; q < n; ++q)
            if (q != l) term *= (xe[p] - x[q]);
          ye[s1 + d1 * (p + m * s2)] += term;
        }
      }
}

void trackirr_modal_vector_interpolation_Largrange(RunContext& ctx, std::int32_t n, std::int32_t d1,
                                                  std::int32_t d2, std::int32_t m, const float* x,
                                                  const float* y, const float* xe, float* ye) {
  if (n < 1 || m < 1 || d1 < 1 || d2 < 1) return;
  auto take_point = [&](std::int32_t point) {
    for (std::int32_t s2 = 0; s2 < d2; ++s2)
      for (std::int32_t s1 = 0; s1 < d1; ++s1)
        for (std::int32_t p = 0; p < m; ++p)
          ye[s1 + d1 * (p + m * s2)] = p == 0 ? y[s1 + d1 * (point + n * s2)] : 0.0f;
  };
  if (xe[0] < x[0] + 0.01f)
    take_point(0);
  else if (xe[0] > x[n - 1] - 0.01f)
    take_point(n - 1);
  else if (m == 1)
    interpolate_track_quantity(d1, n, d2, x, y, m, xe, ye);
  else
    ctx.console.list_line({"Error in Subroutine trackirr_modal_vector_interpolation_Largrange"});
}

void compute_wheel_rail_interaction(RunContext& ctx, std::int32_t phase, std::int32_t stage, float /*step*/) {
  WheelRailContactState& cs = ctx.contact;
  WheelRailCaches& wc = cs.caches;
  const VehicleTypeLibrary& lib = ctx.vehicles;
  const TrainOrganization& tr = ctx.trains;
  const TrackModel& tm = ctx.track;
  SolverState& st = ctx.solver;
  ResultBuffers& res = ctx.results;
  prepare_caches(ctx, wc);
  cs.first_rail_point = {};
  cs.second_rail_point = {};
  cs.first_wheel_point = {};
  cs.second_wheel_point = {};
  cs.first_vehicle_force = {};
  cs.first_rail_force = {};
  cs.second_vehicle_force = {};
  cs.second_rail_force = {};
  cs.pair_centre = {};
  cs.bridge_motion_at_wheel = {};
  cs.rail_geometry_at_wheel = {};

  const std::int32_t bridge_modes = wc.bridge_modes;
  const Array5<float>& table = tm.track_modal_vectors;
  const bool bridge_on_track = bridge_modes > 0 && tm.coarse_node_count >= 2 &&
                               table.extent(1) == kBridgeShapeStride && table.extent(2) == bridge_modes &&
                               table.extent(3) >= tm.coarse_node_count && table.extent(4) == 2 &&
                               table.extent(5) >= tm.track_count;
  if (bridge_on_track) refresh_bridge_state(st, wc);
  const bool aux = ctx.solution.contact_aux_switch != 0;
  const VectorWidth width = static_cast<VectorWidth>(wc.vector_lanes);
  const std::size_t vehicle_force_stride = 5 * static_cast<std::size_t>(wc.padded_vehicle_modes);
  const std::size_t bridge_force_stride = 5 * static_cast<std::size_t>(wc.padded_bridge_modes);
  const std::size_t vehicle_sum_stride = static_cast<std::size_t>(kVehicleShapeStride) * wc.vehicle_modes;

  std::size_t vehicle_index = 0;
  for (std::int32_t t = 1; t <= tr.train_count; ++t) {
    TrainTrack on;
    on.track = tr.train_track(t);
    const float s_first = tm.control_points(on.track, 1, 6);
    const float s_last = tm.control_points(on.track, tm.control_point_count(on.track), 6);
    on.smin = std::min(s_first, s_last);
    on.smax = std::max(s_first, s_last);
    const float speed = static_cast<float>(tr.train_speed(t, stage));
    const std::int32_t fleet = tr.train_fleet(t);
    // The track's own coarse nodes (a shorter track leaves the later rows of
    // the shared tables unused).
    on.own_coarse = std::min(tm.coarse_node_count,
                             (own_track_node_count(tm, on.track) - 1) / std::max(tm.modal_node_decimation, 1) + 1);
    // The train advance carries the longitudinal motion of the lead
    // vehicle's node 1 in the train's position and speed; a wheel's own
    // longitudinal modal displacement therefore counts relative to it, not
    // a second time (the lead vehicle's state refresh gives that motion).
    const std::size_t first_vehicle = vehicle_index;
    const std::int32_t vehicles = tr.fleet_vehicle_count(fleet);

    // The vehicles' motion at each of their wheels, for their current states.
    for (std::int32_t v = 1; v <= vehicles; ++v) {
      VehicleSlot& vs = wc.vehicles[first_vehicle + static_cast<std::size_t>(v - 1)];
      if (!refresh_vehicle_state(st, lib, vs)) continue;
      for (std::int32_t w = 0; w < vs.wheel_count; w += kVehicleWheelsAtOnce) {
        const float* shapes[kVehicleWheelsAtOnce];
        ContactPointRecord* points[kVehicleWheelsAtOnce];
        const std::int32_t count = std::min(kVehicleWheelsAtOnce, vs.wheel_count - w);
        for (std::int32_t i = 0; i < count; ++i) {
          WheelSlot& slot = wc.wheels[static_cast<std::size_t>(vs.first_slot + w + i)];
          shapes[i] = wc.vehicle_sum_shapes.data() + slot.vehicle_shapes * vehicle_sum_stride;
          points[i] = &slot.wheel_point;
        }
        sum_vehicle_motion(shapes, count, vs.pattern.data(), lib.vehicle_mode_count(vs.type), width, points);
      }
    }

    // Every wheel on the track: its position, the rail and the bridge under
    // it, and the bridge motion sums there.
    const float lead_shift = vehicles >= 1 ? wc.vehicles[first_vehicle].lead_shift : 0.0f;
    std::size_t due = wc.wheels.size();  // a wheel whose sums wait for a second one
    for (std::int32_t v = 1; v <= vehicles; ++v) {
      const VehicleSlot& vs = wc.vehicles[first_vehicle + static_cast<std::size_t>(v - 1)];
      for (std::int32_t w = 1; w <= vs.wheel_count; ++w) {
        const std::size_t index = static_cast<std::size_t>(vs.first_slot + w - 1);
        WheelSlot& slot = wc.wheels[index];
        const float x = static_cast<float>(ctx.layout.wheelset_position(t, v, w)) + (slot.wheel_point(1) - lead_shift);
        if (!slot.located || !same_bits(slot.x, x)) locate_wheel(tm, wc, index, on, x, bridge_on_track);
        if (!bridge_sums_due(wc, index)) continue;
        if (due == wc.wheels.size()) {
          due = index;
        } else {
          take_bridge_sums(wc, due, index);
          due = wc.wheels.size();
        }
      }
    }
    if (due != wc.wheels.size()) take_bridge_sums(wc, due, due);

    for (std::int32_t v = 1; v <= vehicles; ++v) {
      VehicleSlot& vs = wc.vehicles[vehicle_index++];
      const std::int32_t type = vs.type;
      const std::int32_t modes = lib.vehicle_mode_count(type);
      const std::int32_t code = lib.contact_type(type);
      std::array<float, 3> first_vertical{};  // entries 2, 8, 14 of the pair's first rail point

      for (std::int32_t w = 1; w <= vs.wheel_count; ++w) {
        const std::size_t index = static_cast<std::size_t>(vs.first_slot + w - 1);
        const WheelSlot& slot = wc.wheels[index];
        const bool first = w % 2 == 1;
        ContactPointRecord& rail_point = first ? cs.first_rail_point : cs.second_rail_point;
        ContactPointRecord& wheel_point = first ? cs.first_wheel_point : cs.second_wheel_point;
        wheel_point = slot.wheel_point;
        const float x = slot.x;
        const float ax = wheel_point(13);
        const std::array<float, 3> vertical = compose_rail_point(
            slot.sums, slot.track, speed, ax, aux, cs.bridge_motion_at_wheel, cs.rail_geometry_at_wheel, rail_point);
        res.wheelset_track_curvature(t, v, w) = slot.track.curvature;
        res.wheelset_track_cant(t, v, w) = slot.track.cant;

        if (first) {
          cs.first_vehicle_force = {};
          cs.first_rail_force = {};
          first_vertical = vertical;
          continue;
        }

        // The pair is complete: its contact forces.
        const WheelSlot& first_slot = wc.wheels[index - 1];
        ContactForceRecord& f1v = cs.first_vehicle_force;
        ContactForceRecord& f1r = cs.first_rail_force;
        ContactForceRecord& f2v = cs.second_vehicle_force;
        ContactForceRecord& f2r = cs.second_rail_force;
        const ContactPointRecord& e = cs.first_rail_point;
        const ContactPointRecord& g = cs.first_wheel_point;
        const ContactPointRecord& i = cs.second_rail_point;
        const ContactPointRecord& j = cs.second_wheel_point;
        f2v = {};
        f2r = {};
        f2r(2) = res.wheelset_result(t, v, w, 1);
        f2r(3) = res.wheelset_result(t, v, w, 2);
        f1r(2) = res.wheelset_result(t, v, w - 1, 1);
        f1r(3) = res.wheelset_result(t, v, w - 1, 2);
        cs.pair_centre = {0.5f * (first_vertical[0] + vertical[0]), 0.5f * (first_vertical[1] + vertical[1]),
                          0.5f * (first_vertical[2] + vertical[2])};
        const std::int32_t bridge_flag = std::fabs(slot.sums.displacement[1]) >= kBridgeMotionLimit ? 1 : 0;
        const float w_load = lib.wheelset_static_load(type, w);
        compute_wheel_contact_forces(ctx, phase, t, v, w, first_slot.node, slot.node, type, speed, bridge_flag,
                                     cs.pair_centre, e, g, f1v, f1r, i, j, f2v, f2r, w_load);

        // Generalised forces: the vehicle receives the vehicle-side forces,
        // the bridge the reaction of the rail-side forces. Two wheels without
        // bridge shapes give the bridge modes nothing (-0 for finite forces).
        if (phase == 0) {
          float* sums = wc.force_scratch.data();
          sum_pair_forces_on_vehicle(wc.vehicle_force_shapes.data() + first_slot.vehicle_shapes * vehicle_force_stride,
                                     wc.vehicle_force_shapes.data() + slot.vehicle_shapes * vehicle_force_stride, f1v,
                                     f2v, wc.padded_vehicle_modes, width, sums);
          if (modes >= 1) {
            (void)st.vehicle_modal_force(t, v, modes);  // checked in test builds
            double* force = st.vehicle_modal_force.at_ptr(t, v, 1);
            const std::size_t stride = st.vehicle_modal_force.stride(3);
            for (std::int32_t k = 0; k < modes; ++k) force[k * stride] += static_cast<double>(sums[k]);
          }
        } else if (phase == 1 && bridge_modes > 0 &&
                   (first_slot.shapes_nonzero || slot.shapes_nonzero || !all_finite(f1r) || !all_finite(f2r))) {
          add_pair_forces_on_bridge(wc.bridge_force_shapes.data() + (index - 1) * bridge_force_stride,
                                    wc.bridge_force_shapes.data() + index * bridge_force_stride, f1r, f2r,
                                    bridge_modes, wc.padded_bridge_modes, width, wc.force_scratch.data(),
                                    st.bridge_modal_force.data());
        }

        record_pair_results(res, t, v, w, f1r, f2r, w_load, x, code, e, g, i, j);
      }
    }
  }
}

}  // namespace tb
