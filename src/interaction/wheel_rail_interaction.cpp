#include "interaction/wheel_rail_interaction.h"

#include <algorithm>
#include <cmath>

#include "interaction/contact_forces.h"

namespace tb {

namespace {

constexpr std::int32_t kWindow = 5;              // track nodes of an interpolation window
constexpr float kBridgeMotionLimit = 1.0E-9f;    // vertical bridge displacement that counts as moving
constexpr float kRailAccelerationLimit = 100.0f; // m/s^2: above it the rail's motion terms are dropped

// Sizes the scratch tables once (and again only when the model's counts
// change) and clears the whole state.
void reset_contact_state(WheelRailContactState& cs, std::int32_t bridge_modes, std::int32_t vehicle_modes) {
  if (!cs.bridge_shapes_at_wheel.allocated() || cs.bridge_shapes_at_wheel.extent(2) != bridge_modes ||
      cs.first_wheel_vehicle_shapes.extent(2) != vehicle_modes) {
    cs.rail_geometry_at_wheel.resize(3, 6);
    cs.bridge_shapes_at_wheel.resize(9, bridge_modes);
    cs.bridge_motion_sums.resize(9, 3);
    cs.first_wheel_bridge_shapes.resize(6, bridge_modes);
    cs.second_wheel_bridge_shapes.resize(6, bridge_modes);
    cs.first_wheel_vehicle_shapes.resize(6, vehicle_modes);
    cs.second_wheel_vehicle_shapes.resize(6, vehicle_modes);
  } else {
    for (Array2<float>* a : {&cs.rail_geometry_at_wheel, &cs.bridge_shapes_at_wheel, &cs.bridge_motion_sums,
                             &cs.first_wheel_bridge_shapes, &cs.second_wheel_bridge_shapes,
                             &cs.first_wheel_vehicle_shapes, &cs.second_wheel_vehicle_shapes})
      a->fill(0.0f);
  }
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
}

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

float track_value(const TrackModel& tm, const NodeWindow& win, std::int32_t column, std::int32_t track, float x) {
  if (win.count < 1) return 0.0f;
  float value = 0.0f;
  interpolate_track_quantity(1, win.count, 1, win.abscissae, tm.track_nodes.at_ptr(win.first, column, track), 1, &x,
                             &value);
  return value;
}

// Columns of the track-node table per rail: vertical position, its slope and
// second derivative, lateral position and its slope.
struct RailColumns {
  std::int32_t z, dz, ddz, y, dy;
};
constexpr RailColumns kRailColumns[2] = {{2, 7, 11, 3, 8}, {5, 9, 13, 6, 10}};
constexpr std::int32_t kCurvatureColumn = 12;
constexpr std::int32_t kCantColumn = 15;

}  // namespace

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
  const VehicleTypeLibrary& lib = ctx.vehicles;
  const TrainOrganization& tr = ctx.trains;
  const TrackModel& tm = ctx.track;
  SolverState& st = ctx.solver;
  ResultBuffers& res = ctx.results;
  const std::int32_t bridge_modes = std::max(ctx.bridge.bridge_mode_count, 0);
  reset_contact_state(cs, bridge_modes, std::max(lib.max_modes_per_type, 0));
  Array2<float>& shapes = cs.bridge_shapes_at_wheel;
  Array2<float>& sums = cs.bridge_motion_sums;
  const bool bridge_on_track = bridge_modes > 0 && tm.coarse_node_count >= 2;

  for (std::int32_t t = 1; t <= tr.train_count; ++t) {
    const std::int32_t track = tr.train_track(t);
    const float s_first = tm.control_points(track, 1, 6);
    const float s_last = tm.control_points(track, tm.control_point_count(track), 6);
    const float smin = std::min(s_first, s_last);
    const float smax = std::max(s_first, s_last);
    const float speed = static_cast<float>(tr.train_speed(t, stage));
    const std::int32_t fleet = tr.train_fleet(t);
    // The track's own nodes and coarse nodes (a shorter track leaves the
    // later rows of the shared tables unused).
    const std::int32_t own_nodes = own_track_node_count(tm, track);
    const std::int32_t own_coarse =
        std::min(tm.coarse_node_count, (own_nodes - 1) / std::max(tm.modal_node_decimation, 1) + 1);
    // The train advance carries the longitudinal motion of the lead
    // vehicle's node 1 in the train's position and speed; a wheel's own
    // longitudinal modal displacement therefore counts relative to it, not
    // a second time.
    float lead_shift = 0.0f;
    if (tr.fleet_vehicle_count(fleet) >= 1) {
      const std::int32_t lead = tr.fleet_vehicle_types(fleet, 1);
      for (std::int32_t i = 1; i <= lib.vehicle_mode_count(lead); ++i)
        lead_shift += lib.vehicle_mode_shapes(lead, i, 1, 1) * static_cast<float>(st.vehicle_modal_state(t, 1, i, 1));
    }

    for (std::int32_t v = 1; v <= tr.fleet_vehicle_count(fleet); ++v) {
      const std::int32_t type = tr.fleet_vehicle_types(fleet, v);
      const std::int32_t modes = lib.vehicle_mode_count(type);
      const std::int32_t code = lib.contact_type(type);

      for (std::int32_t w = 1; w <= lib.vehicle_wheelset_count(type); ++w) {
        const bool first = w % 2 == 1;
        ContactPointRecord& rail_point = first ? cs.first_rail_point : cs.second_rail_point;
        ContactPointRecord& wheel_point = first ? cs.first_wheel_point : cs.second_wheel_point;
        Array2<float>& phi = first ? cs.first_wheel_vehicle_shapes : cs.second_wheel_vehicle_shapes;
        Array2<float>& psi = first ? cs.first_wheel_bridge_shapes : cs.second_wheel_bridge_shapes;

        // Vehicle mode shapes at the wheel node (contact type 1 takes the
        // vertical and roll components at the wheelset's second node).
        const std::int32_t node = lib.wheelset_nodes(type, w);
        const std::int32_t rail = rail_of_wheel(lib, type, w);
        for (std::int32_t k = 1; k <= modes; ++k) {
          for (std::int32_t c = 1; c <= 5; ++c) phi(c, k) = lib.vehicle_mode_shapes(type, k, node, c);
          phi(6, k) = 0.0f;
          if (code == 1) {
            const std::int32_t second = lib.wheelset_second_nodes(type, w);
            phi(2, k) = lib.vehicle_mode_shapes(type, k, second, 2);
            phi(4, k) = lib.vehicle_mode_shapes(type, k, second, 4);
          }
        }

        // The vehicle's motion at the wheel: for every derivative order d and
        // component c the sum over the vehicle modes, taken in mode order.
        // The fifteen sums are held in locals and each modal state is
        // converted once, rather than every sum going through the tables.
        wheel_point = {};
        {
          float sum[3][5] = {};
          for (std::int32_t k = 1; k <= modes; ++k) {
            const float* shape = phi.at_ptr(1, k);
            for (std::int32_t d = 0; d < 3; ++d) {
              const float q = static_cast<float>(st.vehicle_modal_state(t, v, k, d + 1));
              for (std::int32_t c = 0; c < 5; ++c) sum[d][c] += shape[c] * q;
            }
          }
          for (std::int32_t d = 0; d < 3; ++d)
            for (std::int32_t c = 0; c < 5; ++c) wheel_point(d * 6 + c + 1) = sum[d][c];
        }
        const float x = static_cast<float>(ctx.layout.wheelset_position(t, v, w)) + (wheel_point(1) - lead_shift);
        const float ax = wheel_point(13);

        // The bridge and the rail under the wheel.
        ContactPointRecord& bridge = cs.bridge_motion_at_wheel;
        Array2<float>& geometry = cs.rail_geometry_at_wheel;
        bridge = {};
        geometry.fill(0.0f);
        sums.fill(0.0f);
        bool psi_filled = false;
        // Off the track there is no bridge under the wheel.
        if (!(smin <= x && x <= smax) || !bridge_on_track || own_coarse < 1) {
          shapes.fill(0.0f);
        } else {
          const float h = tm.coarse_node_spacing;
          // Linear between two own coarse nodes; past the last one the shapes
          // of that node are held.
          std::int32_t ic = 1;
          float u = 0.0f;
          if (own_coarse >= 2) {
            const float pos = (x - smin) / h + 1.0f;
            ic = pos >= static_cast<float>(own_coarse - 1) ? own_coarse - 1 : static_cast<std::int32_t>(pos);
            u = std::min((x - smin - static_cast<float>(ic - 1) * h) / h, 1.0f);
          }
          const std::int32_t r = rail == 1 ? 0 : 9;
          // The nine entries of a mode lie together in the table; the modes
          // of one track node lie a fixed distance apart. Per mode the shapes
          // at the wheel go to the scratch table and the wheel's own copy in
          // one pass, and the 27 sums over the modes (in mode order) are held
          // in locals.
          const std::size_t mode_stride = tm.track_modal_vectors.stride(2);
          const float* here = tm.track_modal_vectors.at_ptr(r + 1, 1, ic, track);
          const float* next = tm.track_modal_vectors.at_ptr(r + 1, 1, own_coarse >= 2 ? ic + 1 : ic, track);
          float sum[3][9] = {};
          for (std::int32_t m = 1; m <= bridge_modes; ++m) {
            const std::size_t at = static_cast<std::size_t>(m - 1) * mode_stride;
            float shape[9];
            for (std::int32_t e = 0; e < 9; ++e) shape[e] = (1.0f - u) * here[at + e] + u * next[at + e];
            float* shapes_m = shapes.at_ptr(1, m);
            for (std::int32_t e = 0; e < 9; ++e) shapes_m[e] = shape[e];
            float* psi_m = psi.at_ptr(1, m);
            for (std::int32_t e = 0; e < 6; ++e) psi_m[e] = shape[e];
            for (std::int32_t d = 0; d < 3; ++d) {
              const float q = static_cast<float>(st.bridge_modal_state(m, d + 1));
              for (std::int32_t e = 0; e < 9; ++e) sum[d][e] += shape[e] * q;
            }
          }
          for (std::int32_t d = 0; d < 3; ++d)
            for (std::int32_t e = 0; e < 9; ++e) sums(e + 1, d + 1) = sum[d][e];
          psi_filled = true;
        }
        for (std::int32_t c = 1; c <= 6; ++c) {
          bridge(c) = sums(c, 1);
          bridge(6 + c) = sums(c, 2);
          bridge(12 + c) = sums(c, 3);
        }
        bridge(8) = sums(2, 2) + speed * sums(7, 1);
        bridge(9) = sums(3, 2) + speed * sums(8, 1);
        bridge(14) = speed * speed * sums(9, 1) + sums(7, 1) * ax;
        if (ctx.solution.contact_aux_switch != 0) bridge(14) += sums(2, 3);

        // Rail geometry and irregularity, curvature and cant; beyond either
        // end of the track the values of its end node.
        {
          const RailColumns& col = kRailColumns[rail - 1];
          const NodeWindow win = node_window(tm, x, smin, own_nodes);
          const float z = track_value(tm, win, col.z, track, x);
          const float dz = track_value(tm, win, col.dz, track, x);
          const float ddz = track_value(tm, win, col.ddz, track, x);
          const float y = track_value(tm, win, col.y, track, x);
          const float dy = track_value(tm, win, col.dy, track, x);
          geometry(1, 2) = z;
          geometry(2, 2) = speed * dz;
          geometry(3, 2) = speed * speed * ddz + dz * ax;
          geometry(1, 3) = y;
          geometry(2, 3) = speed * dy;
          if (std::fabs(geometry(3, 2)) > kRailAccelerationLimit) {
            geometry(2, 2) = 0.0f;
            geometry(3, 2) = 0.0f;
          }
          res.wheelset_track_curvature(t, v, w) = track_value(tm, win, kCurvatureColumn, track, x);
          res.wheelset_track_cant(t, v, w) = track_value(tm, win, kCantColumn, track, x);
        }
        for (std::int32_t d = 1; d <= 3; ++d)
          for (std::int32_t c = 1; c <= 6; ++c) rail_point((d - 1) * 6 + c) = bridge((d - 1) * 6 + c) + geometry(d, c);
        // Off the track, or without bridge modes on it, the wheel's bridge
        // shapes are all zero, as is the scratch table.
        if (!psi_filled) psi.fill(0.0f);

        if (first) {
          cs.first_vehicle_force = {};
          cs.first_rail_force = {};
          continue;
        }

        // The pair is complete: its contact forces.
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
        cs.pair_centre = {0.5f * (e(2) + i(2)), 0.5f * (e(8) + i(8)), 0.5f * (e(14) + i(14))};
        const std::int32_t bridge_flag = std::fabs(sums(2, 1)) >= kBridgeMotionLimit ? 1 : 0;
        const float w_load = lib.wheelset_static_load(type, w);
        compute_wheel_contact_forces(ctx, phase, t, v, w, lib.wheelset_nodes(type, w - 1), node, type, speed,
                                     bridge_flag, cs.pair_centre, e, g, f1v, f1r, i, j, f2v, f2r, w_load);

        // Generalised forces: the vehicle receives the vehicle-side forces,
        // the bridge the reaction of the rail-side forces.
        if (phase == 0) {
          const Array2<float>& phi1 = cs.first_wheel_vehicle_shapes;
          const Array2<float>& phi2 = cs.second_wheel_vehicle_shapes;
          for (std::int32_t k = 1; k <= modes; ++k) {
            float s1 = 0.0f, s2 = 0.0f;
            for (std::int32_t c = 1; c <= 6; ++c) {
              s1 += phi1(c, k) * f1v(c);
              s2 += phi2(c, k) * f2v(c);
            }
            st.vehicle_modal_force(t, v, k) += static_cast<double>(s1 + s2);
          }
        } else if (phase == 1) {
          const Array2<float>& psi1 = cs.first_wheel_bridge_shapes;
          const Array2<float>& psi2 = cs.second_wheel_bridge_shapes;
          for (std::int32_t m = 1; m <= bridge_modes; ++m) {
            float s1 = 0.0f, s2 = 0.0f;
            for (std::int32_t c = 1; c <= 5; ++c) {
              s1 += psi1(c, m) * f1r(c);
              s2 += psi2(c, m) * f2r(c);
            }
            st.bridge_modal_force(m) += static_cast<double>(-s1 - s2);
          }
        }

        // Per-wheel results: normal and lateral forces, wheel-load reduction,
        // derailment factor, position; the pair's sums and brake force.
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

        // Rails under the pair, and the pair's wheels relative to them
        // (vertical, lateral, yaw).
        const std::int32_t comp[3] = {2, 3, 5};
        for (std::int32_t k = 0; k < 3; ++k) {
          const float rails = 0.5f * (e(comp[k]) + i(comp[k]));
          float wheels = 0.5f * (g(comp[k]) + j(comp[k]));
          if (code == 1 && k == 0) wheels = rails;
          res.wheelset_irregularity_displacement(t, v, w - 1, k + 1) = rails;
          res.wheelset_irregularity_displacement(t, v, w, k + 1) = wheels - rails;
        }
      }
    }
  }
}

}  // namespace tb
