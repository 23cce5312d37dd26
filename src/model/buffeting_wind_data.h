// BuffetingWindData: the deck panel model of the buffeting path and its
// station tables.
//
// The deck is described by up to three section types, each a closed outline
// of straight panels around a reference point, every panel carrying a
// pressure that is linear along it. Along the span the deck is divided into
// span groups; a group has one section type and, for every panel of that
// type, one row of consecutively numbered bridge nodes. A station is one
// position along the span: the nodes, one per row, that share a position in
// their rows. Station column k of the station tables holds, for the node of
// row r, its six components in entries 6(r-1)+1 .. 6r.
//
// The panel model and the station table are read once from
// "ParameterInput.dat"; the transfer matrices and the station arrays are
// created by the buffeting generator on its first call. Every array is zeroed
// when it is created.
#pragma once

#include <cstdint>

#include "platform/array.h"

namespace tb {

// Room for the section records of the deck.
inline constexpr std::int32_t kMaxDeckSections = 3;

struct BuffetingWindData {
  // Section records.
  std::int32_t deck_section_count = 0;    // ns, at most 3; record i carries section id i
  std::int32_t max_panel_count = 0;       // np, first extent of every panel and row table
  Array1<std::int32_t> section_ids;       // (3) id of record i
  Array1<float> section_reference_x;      // (3) reference point of the section (moments are taken about it)
  Array1<float> section_reference_y;      // (3)
  Array1<std::int32_t> section_panel_count;  // (3) panels of the section, 1..np

  // Panels of each section, as read.
  Array3<float> panel_ends;               // (np, 4, ns) x_start, y_start, x_end, y_end
  Array3<float> panel_pressures;          // (np, 3, ns) pressure at start, at end, part code 1.0/2.0/3.0

  // Panel geometry derived from the outline.
  Array2<float> panel_start_arm_x;        // (np, ns) start point relative to the reference point
  Array2<float> panel_start_arm_y;        // (np, ns)
  Array2<float> panel_end_arm_x;          // (np, ns) start arm of the next panel (panel 1 after the last)
  Array2<float> panel_end_arm_y;          // (np, ns)
  Array2<float> panel_length;             // (np, ns)
  Array2<float> panel_normal_x;           // (np, ns) -dy / length
  Array2<float> panel_normal_y;           // (np, ns) dx / length
  Array2<float> panel_start_load;         // (np, ns) share of the linear pressure at the start point
  Array2<float> panel_end_load;           // (np, ns) share at the end point

  // Span groups and the station table.
  std::int32_t span_group_count = 0;         // ng, at least 1
  Array1<std::int32_t> group_section;        // (ng) section id of the group
  Array1<std::int32_t> group_row_count;      // (ng) node rows, one per panel of the section
  Array2<std::int32_t> group_first_nodes;    // (np, ng) first node number of each row
  Array2<std::int32_t> group_last_nodes;     // (np, ng) last node number of each row (row 1 decides)
  Array1<std::int32_t> group_station_count;  // (ng) last minus first node of row 1, plus 1
  Array1<std::int32_t> group_station_offset; // (ng) stations of the groups before
  std::int32_t buffeting_station_count = 0;  // nst, stations of all groups
  Array2<std::int32_t> station_nodes;        // (np, nst) node numbers as read, bridge node positions after the lookup
  std::int32_t buffeting_read_status = 0;    // status of the last read or open of the file

  // Section transfer matrices: T_s maps the 6 np nodal values of a station to
  // six section values; its transpose spreads section forces onto the nodes.
  Array3<float> section_transfer;         // (6, 6 np, ns)

  // Station motion and aerodynamic memory, current and as at the end of the
  // previous time step (the step commit copies them).
  Array2<float> station_displacements;       // (6 np, nst)
  Array2<float> station_velocities;          // (6 np, nst)
  Array2<float> station_prev_displacements;  // (6 np, nst)
  Array2<float> station_prev_velocities;     // (6 np, nst)
  Array2<float> station_memory;              // (4, nst)
  Array2<float> station_prev_memory;         // (4, nst)
  Array2<float> station_selfexcited_forces;  // (6 np, nst) nodal self-excited forces of each station

  // Values of the station last visited by the generator.
  float buffeting_element_length = 0.0f;        // 18.0 m, the deck length one station stands for
  float buffeting_u = 0.0f;                     // along-wind turbulence
  float buffeting_w = 0.0f;                     // vertical turbulence
  Array1<float> element_buffeting_forces{3};    // lift share, drag share, moment share
  Array1<float> section_selfexcited_forces{6};  // six section forces
};

}  // namespace tb
