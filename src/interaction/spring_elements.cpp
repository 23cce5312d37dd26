#include "interaction/spring_elements.h"

#include <cmath>

#include "input/read_errors.h"
#include "interaction/spring_forces.h"
#include "model/file_names.h"
#include "platform/texts.h"

namespace tb {

namespace {

using Vector3 = std::array<float, 3>;
// axes[r] is the unit vector e_(r+1) of the local axis r+1 in global components.
using ElementAxes = std::array<Vector3, 3>;

Vector3 cross(const Vector3& a, const Vector3& b) {
  return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}

float length_of(const Vector3& a) { return std::sqrt(a[0] * a[0] + a[1] * a[1] + a[2] * a[2]); }

Vector3 divided(const Vector3& a, float l) { return {a[0] / l, a[1] / l, a[2] / l}; }

// e1 along I to J, e2 normal to e1 and the direction to the reference point,
// e3 completing the right-handed frame. The lengths are compared with exactly
// 0. Returns the text of a degenerate frame, empty for a sound one.
std::string_view frame_axes(const Vector3& px, const Vector3& py, const Vector3& pz, ElementAxes& e) {
  const Vector3 ij{px[1] - px[0], py[1] - py[0], pz[1] - pz[0]};
  const float l = length_of(ij);
  if (l == 0.0f) return text::spring_i_j_coincide;
  e[0] = divided(ij, l);
  const Vector3 ik{px[2] - px[0], py[2] - py[0], pz[2] - pz[0]};
  const float lk = length_of(ik);
  if (lk == 0.0f) return text::spring_i_k_coincide;
  const Vector3 e2 = cross(e[0], divided(ik, lk));
  const float l2 = length_of(e2);
  if (l2 == 0.0f) return text::spring_k_collinear;
  e[1] = divided(e2, l2);
  const Vector3 e3 = cross(e[0], e[1]);
  e[2] = divided(e3, length_of(e3));
  return {};
}

// The frame of the three points; a degenerate one stops the run with the
// frame's own line and the element of source().
template <class Source>
void element_axes(RunContext& ctx, const Vector3& px, const Vector3& py, const Vector3& pz, ElementAxes& e,
                  Source source) {
  const std::string_view fault = frame_axes(px, py, pz, e);
  if (fault.empty()) return;
  const ElementSource s = source();
  stop_with_message(ctx, fault, s.label, s.unit, s.record, s.problem);
}

// The x, y and z coordinates of the frame's three points (I, J and the
// reference point) from the coordinates of nodes I, J and K: node K when
// there is one; without one a point that I and J give, or, for an element
// along z, a point far along x; coincident ends take the global axes.
template <class Coordinate>
void frame_points(Coordinate coordinate, std::int32_t node_i, std::int32_t node_j, std::int32_t node_k, Vector3& px,
                  Vector3& py, Vector3& pz) {
  px = {coordinate(node_i, 1), coordinate(node_j, 1), 0.0f};
  py = {coordinate(node_i, 2), coordinate(node_j, 2), 0.0f};
  pz = {coordinate(node_i, 3), coordinate(node_j, 3), 0.0f};
  const float dx = px[1] - px[0];
  const float dy = py[1] - py[0];
  const float dz = pz[1] - pz[0];
  constexpr float tolerance = 1.0E-6f;
  if (node_k != 0) {
    px[2] = coordinate(node_k, 1);
    py[2] = coordinate(node_k, 2);
    pz[2] = coordinate(node_k, 3);
  } else if (std::fabs(dx) <= tolerance && std::fabs(dy) <= tolerance) {
    px[2] = 1.0E14f;  // an element along z
    py[2] = 0.0f;
    pz[2] = 0.0f;
  } else {
    px[2] = px[0] + dx * dz;
    py[2] = py[0] + dy * dz;
    pz[2] = 3.141592f * (dx * dx + dy * dy) - pz[0];
  }
  if (std::fabs(dx) <= tolerance && std::fabs(dy) <= tolerance && std::fabs(dz) <= tolerance) {
    // Coincident ends act along the global axes.
    px = {0.0f, 1.0f, 0.0f};
    py = {0.0f, 0.0f, 0.0f};
    pz = {0.0f, 0.0f, -1.0f};
  }
}

// Global to local components of the four three-component blocks of an end vector.
void to_local(const ElementAxes& e, EndVector& x) {
  for (std::size_t b = 0; b < 12; b += 3) {
    const Vector3 g{x[b], x[b + 1], x[b + 2]};
    for (std::size_t r = 0; r < 3; ++r) x[b + r] = e[r][0] * g[0] + e[r][1] * g[1] + e[r][2] * g[2];
  }
}

void to_global(const ElementAxes& e, EndVector& x) {
  for (std::size_t b = 0; b < 12; b += 3) {
    const Vector3 l{x[b], x[b + 1], x[b + 2]};
    for (std::size_t c = 0; c < 3; ++c) x[b + c] = e[0][c] * l[0] + e[1][c] * l[1] + e[2][c] * l[2];
  }
}

}  // namespace

void multiply_matrices(const float* a, const float* b, float* c, std::int32_t m, std::int32_t k, std::int32_t n) {
  if (m < 1 || n < 1) return;
  const std::size_t rows = static_cast<std::size_t>(m);
  const std::size_t inner = k > 0 ? static_cast<std::size_t>(k) : 0;
  for (std::size_t x = 0; x < rows * static_cast<std::size_t>(n); ++x) c[x] = 0.0f;
  for (std::size_t j = 0; j < static_cast<std::size_t>(n); ++j)
    for (std::size_t l = 0; l < inner; ++l)
      for (std::size_t i = 0; i < rows; ++i) c[j * rows + i] += a[l * rows + i] * b[j * inner + l];
}

void build_element_rotation(RunContext& ctx, const std::array<float, 3>& point_x, const std::array<float, 3>& point_y,
                            const std::array<float, 3>& point_z, ElementTransformation& element_transformation,
                            const ElementSource& source) {
  ElementAxes e;
  element_axes(ctx, point_x, point_y, point_z, e, [&] { return source; });
  element_transformation.fill(0.0f);
  for (std::size_t b = 0; b < 12; b += 3)
    for (std::size_t r = 0; r < 3; ++r)
      for (std::size_t c = 0; c < 3; ++c) element_transformation[(b + c) * 12 + b + r] = e[r][c];
}

void load_bridge_spring_rows(const SpringElementState& state, std::int32_t e, ElementSpringRows& rows) {
  for (std::int32_t d = 1; d <= 6; ++d) {
    const std::size_t k = static_cast<std::size_t>(d - 1);
    rows.state_prev[k] = state.bridge_spring_state_prev(e, d);
    rows.state[k] = state.bridge_spring_state(e, d);
    rows.force_prev[k] = state.bridge_spring_force_prev(e, d);
    rows.force[k] = state.bridge_spring_force(e, d);
    rows.memory_prev[k] = state.bridge_spring_memory_prev(e, d);
    rows.memory[k] = state.bridge_spring_memory(e, d);
  }
}

void store_bridge_spring_rows(SpringElementState& state, std::int32_t e, const ElementSpringRows& rows) {
  for (std::int32_t d = 1; d <= 6; ++d) {
    const std::size_t k = static_cast<std::size_t>(d - 1);
    state.bridge_spring_state(e, d) = rows.state[k];
    state.bridge_spring_force(e, d) = rows.force[k];
    state.bridge_spring_memory(e, d) = rows.memory[k];
  }
}

void load_vehicle_spring_rows(const SpringElementState& state, std::int32_t train, std::int32_t vehicle,
                              std::int32_t spring, ElementSpringRows& rows) {
  for (std::int32_t d = 1; d <= 6; ++d) {
    const std::size_t k = static_cast<std::size_t>(d - 1);
    rows.state_prev[k] = state.vehicle_spring_state_prev(train, vehicle, spring, d);
    rows.state[k] = state.vehicle_spring_state(train, vehicle, spring, d);
    rows.force_prev[k] = state.vehicle_spring_force_prev(train, vehicle, spring, d);
    rows.force[k] = state.vehicle_spring_force(train, vehicle, spring, d);
    rows.memory_prev[k] = state.vehicle_spring_memory_prev(train, vehicle, spring, d);
    rows.memory[k] = state.vehicle_spring_memory(train, vehicle, spring, d);
  }
}

void store_vehicle_spring_rows(SpringElementState& state, std::int32_t train, std::int32_t vehicle,
                               std::int32_t spring, const ElementSpringRows& rows) {
  for (std::int32_t d = 1; d <= 6; ++d) {
    const std::size_t k = static_cast<std::size_t>(d - 1);
    state.vehicle_spring_state(train, vehicle, spring, d) = rows.state[k];
    state.vehicle_spring_force(train, vehicle, spring, d) = rows.force[k];
    state.vehicle_spring_memory(train, vehicle, spring, d) = rows.memory[k];
  }
}

void compute_spring_element_forces(RunContext& ctx, std::int32_t node_i, std::int32_t node_j, std::int32_t node_k,
                                   std::int32_t vehicle_position, std::int32_t train, std::int32_t spring_id,
                                   const DofStates& spring_state_prev, DofStates& spring_state,
                                   const DofValues& spring_force_prev, DofValues& spring_force,
                                   const DofValues& spring_memory_prev, DofValues& spring_memory) {
  const BridgeModalModel& bridge = ctx.bridge;
  const VehicleTypeLibrary& lib = ctx.vehicles;
  SolverState& solver = ctx.solver;
  SpringForceScratch& w = ctx.spring_state.scratch;
  const bool on_bridge = vehicle_position == 0;
  const std::int32_t type =
      on_bridge ? 0 : ctx.trains.fleet_vehicle_types(ctx.trains.train_fleet(train), vehicle_position);
  const std::int32_t modes = on_bridge ? bridge.bridge_mode_count : lib.vehicle_mode_count(type);
  auto coordinate = [&](std::int32_t n, std::int32_t c) {
    return on_bridge ? bridge.node_coordinates(n, c) : lib.vehicle_node_coordinates(type, n, c);
  };

  // Float copies of the modal coordinates and the mode-shape rows at I and J
  // (the bridge's rows lie contiguous over the modes already).
  w.reserve_modes(modes);
  std::array<const float*, 6> shape_i{};
  std::array<const float*, 6> shape_j{};
  for (std::int32_t m = 1; m <= modes; ++m) {
    const std::size_t x = static_cast<std::size_t>(m - 1);
    w.displacement[x] = static_cast<float>(on_bridge ? solver.bridge_modal_state(m, 1)
                                                     : solver.vehicle_modal_state(train, vehicle_position, m, 1));
    w.velocity[x] = static_cast<float>(on_bridge ? solver.bridge_modal_state(m, 2)
                                                 : solver.vehicle_modal_state(train, vehicle_position, m, 2));
    w.displacement_prev_step[x] =
        static_cast<float>(on_bridge ? solver.bridge_modal_state_prev_step(m, 1)
                                     : solver.vehicle_modal_state_prev_step(train, vehicle_position, m, 1));
  }
  if (modes > 0) {
    for (std::int32_t d = 1; d <= 6; ++d) {
      const std::size_t x = static_cast<std::size_t>(d - 1);
      if (on_bridge) {
        shape_i[x] = bridge.mode_shapes.at_ptr(1, node_i, d);
        shape_j[x] = bridge.mode_shapes.at_ptr(1, node_j, d);
      } else {
        float* gi = w.shapes_i.data() + x * static_cast<std::size_t>(modes);
        float* gj = w.shapes_j.data() + x * static_cast<std::size_t>(modes);
        for (std::int32_t m = 1; m <= modes; ++m) {
          gi[m - 1] = lib.vehicle_mode_shapes(type, m, node_i, d);
          gj[m - 1] = lib.vehicle_mode_shapes(type, m, node_j, d);
        }
        shape_i[x] = gi;
        shape_j[x] = gj;
      }
    }
  }

  // End motions in global components, all six components of both ends.
  EndVector u{};
  EndVector v{};
  EndVector uc{};
  for (std::size_t d = 0; d < 6; ++d) {
    multiply_matrices(shape_i[d], w.displacement.data(), &u[d], 1, modes, 1);
    multiply_matrices(shape_j[d], w.displacement.data(), &u[6 + d], 1, modes, 1);
    multiply_matrices(shape_i[d], w.displacement_prev_step.data(), &uc[d], 1, modes, 1);
    multiply_matrices(shape_j[d], w.displacement_prev_step.data(), &uc[6 + d], 1, modes, 1);
    multiply_matrices(shape_i[d], w.velocity.data(), &v[d], 1, modes, 1);
    multiply_matrices(shape_j[d], w.velocity.data(), &v[6 + d], 1, modes, 1);
  }

  // Points I, J and the reference point.
  Vector3 px, py, pz;
  frame_points(coordinate, node_i, node_j, node_k, px, py, pz);
  ElementAxes e;
  element_axes(ctx, px, py, pz, e, [&] {
    // The element's nodes by their numbers in the file.
    const auto number = [&](std::int32_t n) {
      const std::int32_t count = on_bridge ? bridge.node_numbers.extent(1) : lib.vehicle_node_numbers.extent(2);
      if (n < 1 || n > count) return n;
      return on_bridge ? bridge.node_numbers(n) : lib.vehicle_node_numbers(type, n);
    };
    const std::string nodes = "nodes I " + std::to_string(number(node_i)) + ", J " + std::to_string(number(node_j)) +
                              (node_k > 0 ? ", K " + std::to_string(number(node_k)) : std::string(", no K"));
    return on_bridge ? ElementSource{bridge_master_file, ctx.control.unit_bridge_master,
                                     "spring-damper elements", nodes + ": they give the element no frame"}
                     : ElementSource{vehicle_types_file, ctx.control.unit_vehicle_types,
                                     "type " + std::to_string(type) + ", spring rows",
                                     nodes + ": they give the element no frame"};
  });

  to_local(e, u);
  to_local(e, v);
  to_local(e, uc);
  evaluate_spring_force_law(ctx, spring_id, u, v, uc, spring_state_prev, spring_state, spring_force_prev,
                            spring_force, spring_memory_prev, spring_memory);

  // A positive local force acts on node I along +e_d and on node J along -e_d.
  EndVector end_force;
  for (std::size_t d = 0; d < 6; ++d) {
    end_force[d] = spring_force[d];
    end_force[6 + d] = -spring_force[d];
  }
  to_global(e, end_force);

  for (std::size_t d = 0; d < 6; ++d) {
    const float* si = shape_i[d];
    const float* sj = shape_j[d];
    for (std::int32_t m = 1; m <= modes; ++m) {
      const std::size_t x = static_cast<std::size_t>(m - 1);
      const double g = static_cast<double>(si[x] * end_force[d] + sj[x] * end_force[6 + d]);
      if (on_bridge) {
        solver.bridge_modal_force(m) += g;
      } else {
        solver.vehicle_modal_force(train, vehicle_position, m) += g;
      }
    }
  }
}

void assemble_bridge_spring_forces(RunContext& ctx) {
  if (ctx.springs.bridge_springs_need_elements != 1) {
    compute_bridge_spring_forces(ctx);
    return;
  }
  const Array2<std::int32_t>& elements = ctx.bridge.spring_elements;
  ElementSpringRows rows;
  for (std::int32_t e = 1; e <= ctx.bridge.spring_element_count; ++e) {
    load_bridge_spring_rows(ctx.spring_state, e, rows);
    compute_spring_element_forces(ctx, elements(e, 1), elements(e, 2), elements(e, 3), 0, 0, elements(e, 4),
                                  rows.state_prev, rows.state, rows.force_prev, rows.force, rows.memory_prev,
                                  rows.memory);
    store_bridge_spring_rows(ctx.spring_state, e, rows);
  }
}

namespace {

// The user number of node position n of a node list, or the position when
// the list holds no numbers.
std::int32_t user_node(const Array1<std::int32_t>& numbers, std::int32_t n) {
  return n >= 1 && n <= numbers.extent(1) ? numbers(n) : n;
}

// The data-error stop of an element whose frame is degenerate: the frame's own
// line, then the file's data-error line naming the element and its nodes.
template <class Coordinate, class Number>
void check_frame(RunContext& ctx, Coordinate coordinate, Number number, std::int32_t node_i, std::int32_t node_j,
                 std::int32_t node_k, std::string_view label, std::int32_t unit, const std::string& element) {
  Vector3 px, py, pz;
  frame_points(coordinate, node_i, node_j, node_k, px, py, pz);
  ElementAxes e;
  const std::string_view fault = frame_axes(px, py, pz, e);
  if (fault.empty()) return;
  ctx.console.line(fault);
  stop_with_bad_value(ctx, label, unit, element,
                      "nodes I " + std::to_string(number(node_i)) + ", J " + std::to_string(number(node_j)) +
                          (node_k != 0 ? ", K " + std::to_string(number(node_k)) : std::string(", no K")) +
                          ": they give the element no frame");
}

}  // namespace

void check_spring_element_frames(RunContext& ctx) {
  const BridgeModalModel& b = ctx.bridge;
  if (ctx.springs.bridge_springs_need_elements == 1) {
    for (std::int32_t e = 1; e <= b.spring_element_count; ++e)
      check_frame(
          ctx, [&](std::int32_t n, std::int32_t c) { return b.node_coordinates(n, c); },
          [&](std::int32_t n) { return user_node(b.node_numbers, n); }, b.spring_elements(e, 1),
          b.spring_elements(e, 2), b.spring_elements(e, 3), bridge_master_file,
          ctx.control.unit_bridge_master, "spring-damper element " + std::to_string(e));
  }
  const VehicleTypeLibrary& lib = ctx.vehicles;
  if (ctx.springs.vehicle_springs_need_elements == 1) {
    for (std::int32_t ty = 1; ty <= lib.vehicle_type_count; ++ty)
      for (std::int32_t s = 1; s <= lib.vehicle_spring_count(ty); ++s)
        check_frame(
            ctx, [&](std::int32_t n, std::int32_t c) { return lib.vehicle_node_coordinates(ty, n, c); },
            [&](std::int32_t n) {
              return n >= 1 && n <= lib.vehicle_node_numbers.extent(2) ? lib.vehicle_node_numbers(ty, n) : n;
            },
            lib.vehicle_spring_nodes(ty, s, 1), lib.vehicle_spring_nodes(ty, s, 2), lib.vehicle_spring_nodes(ty, s, 3),
            vehicle_types_file, ctx.control.unit_vehicle_types,
            "type " + std::to_string(ty) + ", spring row " + std::to_string(s));
  }
}

}  // namespace tb
