// Spring-damper elements: an element joins nodes I and J of the bridge or of
// one vehicle and acts in its own frame (local axis 1 from I to J, axes 2 and
// 3 fixed by a reference node K or a reference point derived from I and J).
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "interaction/spring_laws.h"
#include "model/run_context.h"

namespace tb {

// Column-major 12 x 12: local components = T x global components, per node
// the 3 x 3 matrix whose rows are e1, e2, e3, four times on the diagonal.
using ElementTransformation = std::array<float, 144>;

// One element's six entries of each SpringElementState table, copied out of
// the side's tables (whose degree-of-freedom index is the slowest) and the
// trial entries copied back after an evaluation.
struct ElementSpringRows {
  DofStates state_prev{};
  DofStates state{};
  DofValues force_prev{};
  DofValues force{};
  DofValues memory_prev{};
  DofValues memory{};
};

void load_bridge_spring_rows(const SpringElementState& state, std::int32_t e, ElementSpringRows& rows);
void store_bridge_spring_rows(SpringElementState& state, std::int32_t e, const ElementSpringRows& rows);
void load_vehicle_spring_rows(const SpringElementState& state, std::int32_t train, std::int32_t vehicle,
                              std::int32_t spring, ElementSpringRows& rows);
void store_vehicle_spring_rows(SpringElementState& state, std::int32_t train, std::int32_t vehicle,
                               std::int32_t spring, const ElementSpringRows& rows);

// Evaluates one element and adds its generalised forces to bridge_modal_force
// (vehicle_position 0; train is not read) or to vehicle_modal_force(train,
// vehicle_position, .). Nodes are positions in the side's node list; node_k 0
// means no reference node; spring_id is the element's row of
// spring_parameters. The law reads the committed rows and writes the trial
// rows. A degenerate frame stops the run.
void compute_spring_element_forces(RunContext& ctx, std::int32_t node_i, std::int32_t node_j, std::int32_t node_k,
                                   std::int32_t vehicle_position, std::int32_t train, std::int32_t spring_id,
                                   const DofStates& spring_state_prev, DofStates& spring_state,
                                   const DofValues& spring_force_prev, DofValues& spring_force,
                                   const DofValues& spring_memory_prev, DofValues& spring_memory);

// The bridge spring forces of one force evaluation: every element through the
// element path when bridge_springs_need_elements is 1, else the frame-less
// path.
void assemble_bridge_spring_forces(RunContext& ctx);

// Refuses at start-up, for each side whose springs take the element path, an
// element whose nodes give it no frame (I and J, or I and its reference point,
// at one place; the reference point on the line through I and J): the
// frame's line and the data-error line of the master file or the vehicle
// library naming the element and its nodes. The force evaluation would stop
// there at the first time step.
void check_spring_element_frames(RunContext& ctx);

// The file and the record of an element, and what is wrong with it, for the
// stop of an element whose nodes give it no frame.
struct ElementSource {
  std::string_view label;
  std::int32_t unit;
  std::string record;
  std::string problem;
};

// The element frame from node I (index 0), node J (1) and the reference point
// (2). A degenerate frame stops the run with the frame's line and the element
// of `source`.
void build_element_rotation(RunContext& ctx, const std::array<float, 3>& point_x, const std::array<float, 3>& point_y,
                            const std::array<float, 3>& point_z, ElementTransformation& element_transformation,
                            const ElementSource& source);

// c (m x n) := a (m x k) x b (k x n), all stored column by column. With m or n
// not positive nothing is done; with k not positive c is zero.
void multiply_matrices(const float* a, const float* b, float* c, std::int32_t m, std::int32_t k, std::int32_t n);

}  // namespace tb
