#include "input/vehicle_types.h"

#include <algorithm>
#include <array>
#include <utility>
#include <vector>

#include "input/array_reads.h"
#include "input/modal_damping.h"
#include "input/node_search.h"
#include "input/read_errors.h"
#include "model/contact_laws.h"
#include "model/file_names.h"
#include "platform/array.h"
#include "platform/list_read.h"

namespace tb {

namespace {

// Every read of the library is needed: a value that does not read as a
// number, or a file that ends early, stops the run with the record read.
void check_library_read(RunContext& ctx, std::int32_t status, const RecordName& record) {
  check_read_status(ctx, status, vehicle_types_file, ctx.control.unit_vehicle_types, record);
}

// A value that reads but that the run cannot use.
[[noreturn]] void library_bad_value(RunContext& ctx, const std::string& record, const std::string& problem) {
  stop_with_bad_value(ctx, vehicle_types_file, ctx.control.unit_vehicle_types, record, problem);
}

std::string of_type(std::int32_t k, std::string_view what) {
  return "type " + std::to_string(k) + ", " + std::string(what);
}

// Reads the parameter record of the type's contact code (nothing for a code
// outside the six) and, for codes 1 and -1, the second nodes; returns the
// status of the parameter read (0 when none is made).
std::int32_t read_contact_parameters(RunContext& ctx, std::int32_t k, std::int32_t nw) {
  VehicleTypeLibrary& v = ctx.vehicles;
  UnitTable& units = ctx.units;
  const std::int32_t unit = ctx.control.unit_vehicle_types;
  switch (v.contact_type(k)) {
    case 0:
      return read_list(units, unit, {v.wheel_radius(k), v.friction_coefficient(k), v.contact_half_spacing(k)});
    case 1:
    case -1:
      check_library_read(
          ctx,
          read_list(units, unit,
                    {array_run(v.load_amplitude_ratio, 2, nw, k, 1), array_run(v.load_phase, 2, nw, k, 1),
                     v.load_frequency(k), v.type1_contact_param_a(k), v.contact_half_spacing(k),
                     v.type1_contact_param_b(k), v.wheel_radius(k), v.friction_coefficient(k)}),
          of_type(k, "contact parameters"));
      check_library_read(ctx, read_list(units, unit, {array_run(v.wheelset_second_nodes, 2, nw, k, 1)}),
                         of_type(k, "second nodes"));
      return io_status::ok;
    case 2:
      return read_list(units, unit,
                       {array_run(v.contact_stiffness, 2, nw, k, 1), array_run(v.contact_damping, 2, nw, k, 1),
                        v.wheel_radius(k), v.friction_coefficient(k)});
    case 3:
      return read_list(units, unit,
                       {array_run(v.contact_stiffness, 2, nw, k, 1), array_run(v.contact_damping, 2, nw, k, 1),
                        v.type3_contact_param_a(k), v.type3_contact_param_b(k)});
    case -2:
      return read_list(units, unit,
                       {array_run(v.load_amplitude_ratio, 2, nw, k, 1), array_run(v.load_phase, 2, nw, k, 1),
                        v.load_frequency(k)});
    default:
      return io_status::ok;
  }
}

// Whether the run evaluates any wheel-rail contact law: a post-processing
// run evaluates none, and a moving constant load (contact option below 0)
// puts the static loads on the rails without looking at any contact code or
// parameter.
bool contact_laws_run(const SolutionParameters& sp) {
  return sp.integration_method != method::post_processing && sp.contact_option >= 0;
}

// The contact codes that have a law under the run's contact option.
std::string codes_with_a_law(std::int32_t option) {
  if (option == 0) return "0, 1, 2, 3 or -2";
  if (option == 1) return "0, 1, 2 or 3";
  return "2";
}

// A wheel pair of type k is evaluated at every step, so its contact code must
// have a law under the contact option of "SolutionParameters.dat": the stop
// names both files, with the force model's own line first.
void check_contact_law(RunContext& ctx, std::int32_t k) {
  const std::int32_t option = ctx.solution.contact_option;
  const std::int32_t code = ctx.vehicles.contact_type(k);
  const std::string_view undefined = undefined_contact_law(option, code);
  if (undefined.empty()) return;
  ctx.console.list_line({undefined});
  library_bad_value(ctx, of_type(k, "wheel loads and contact code"),
                    "contact code " + std::to_string(code) + " under contact option " + std::to_string(option) +
                        " (record 4 of " +
                        unit_file_name(ctx, ctx.control.unit_solution_parameters, solution_parameters_file) +
                        "), must be " + codes_with_a_law(option));
}

// The static wheel loads of type k: every entry's load is a weight of the
// vehicle (its gravity at the wheel node, its share in the running
// resistance and the brake force) and the load that the contact law of its
// pair, or the moving load, puts on the rail; one below 0 would lift the
// vehicle and pull the rail up. Under contact code 3 a load below 100 N is
// the lateral offset of a guidance wheel, whose sign the law takes as it
// stands. A post-processing run evaluates no load.
void check_wheel_loads(RunContext& ctx, std::int32_t k, std::int32_t nw) {
  const VehicleTypeLibrary& v = ctx.vehicles;
  if (ctx.solution.integration_method == method::post_processing || v.contact_type(k) == 3) return;
  for (std::int32_t w = 1; w <= nw; ++w)
    if (v.wheelset_static_load(k, w) < 0.0f)
      library_bad_value(ctx, of_type(k, "wheel loads and contact code"),
                        "static load " + value_text(v.wheelset_static_load(k, w)) + " N of wheel entry " +
                            std::to_string(w) + ", must be 0 or more");
}

// Checks the contact parameters of type k where the contact law of the run
// uses them, and only there. A wheel pair takes its parameters from its
// second wheel (even entry), so a type needs at least one pair, and the
// values of an odd entry are never used. Hertz contact (code 0 unless the
// track contact spring is on) and the creep forces of the spatial solution
// (codes 0 and 1) divide by the wheel radius; code 1 by the half spacing of
// its contact points; codes 2 and 3 by the contact stiffness of the pair
// (code 3 only for a supporting wheel, static load 100 N or more; below it
// the stiffness only multiplies); code 0 with the track contact spring by
// its stiffness from "SolutionParameters.dat", which is reported with that
// file's label. A contact spring or damper below 0 (codes 1, 2 and 3, and
// the track contact spring) pulls the wheel onto the rail or feeds energy
// into the contact. A code without a law under the contact option is
// refused first.
void check_contact_parameters(RunContext& ctx, std::int32_t k, std::int32_t nw) {
  const VehicleTypeLibrary& v = ctx.vehicles;
  const SolutionParameters& sp = ctx.solution;
  if (!contact_laws_run(sp) || nw < 2) return;
  check_contact_law(ctx, k);
  const std::int32_t code = v.contact_type(k);
  const bool creep = sp.contact_option == 1;
  const bool hertz = sp.IsContact != 1;
  const bool radius_used = (code == 0 && (hertz || creep)) || (code == 1 && creep);
  const std::string record = of_type(k, "contact parameters");
  if (radius_used && !(v.wheel_radius(k) > 0.0f))
    library_bad_value(ctx, record, "wheel radius " + value_text(v.wheel_radius(k)) + ", must be above 0");
  if (code == 1 && !(v.contact_half_spacing(k) > 0.0f))
    library_bad_value(ctx, record,
                      "contact half spacing " + value_text(v.contact_half_spacing(k)) + ", must be above 0");
  const auto not_negative = [&](float value, const char* name, std::int32_t w) {
    if (value < 0.0f)
      library_bad_value(ctx, record,
                        std::string(name) + " " + value_text(value) + " of wheel entry " + std::to_string(w) +
                            ", must be 0 or more");
  };
  if (code == 1)
    for (std::int32_t w = 2; w <= nw; w += 2) {
      not_negative(v.load_amplitude_ratio(k, w), "contact spring stiffness", w);
      not_negative(v.load_phase(k, w), "contact damping", w);
    }
  if (code == 2 || code == 3)
    for (std::int32_t w = 2; w <= nw; w += 2) {
      const bool supporting = code == 2 || v.wheelset_static_load(k, w) >= 100.0f;
      if (supporting && !(v.contact_stiffness(k, w) > 0.0f))
        library_bad_value(ctx, record,
                          "contact stiffness " + value_text(v.contact_stiffness(k, w)) + " of wheel entry " +
                              std::to_string(w) + ", must be above 0");
      not_negative(v.contact_stiffness(k, w), "contact stiffness", w);
      not_negative(v.contact_damping(k, w), "contact damping", w);
    }
  if (code == 0 && sp.IsContact == 1) {
    const auto track_spring = [&](const std::string& problem) {
      stop_with_bad_value(ctx, solution_parameters_file, ctx.control.unit_solution_parameters,
                          "record 6, track contact spring",
                          problem + " where wheels of contact code 0 run on the track contact spring");
    };
    if (!(sp.StiContact > 0.0f)) track_spring("stiffness " + value_text(sp.StiContact) + ", must be above 0");
    if (sp.DamContact < 0.0f) track_spring("damping " + value_text(sp.DamContact) + ", must be 0 or more");
  }
}

// The frequencies and damping ratios of the nm modes of type k, which the
// integration takes as the modal stiffness (2 pi f)^2 and the modal damping
// 2 xi (2 pi f). A frequency below 0 would turn that damping's sign; 0 is a
// rigid-body mode, which takes no damping, so its ratio is not looked at. A
// ratio below 0 feeds energy into its mode and is refused. A ratio of 1 or
// more is an overdamped mode: the damping projected onto a mode that strong
// dampers restrain (a bogie's yaw under its yaw dampers) may well give one,
// so such modes beside lightly damped ones (a ratio between 0 and 1) are
// taken as they stand. A type whose damped modes all have one cannot
// oscillate at all: most likely its ratios are typed as percentages, and
// the run goes on with one warning for the type. A post-processing run
// integrates no vehicle.
void check_mode_values(RunContext& ctx, std::int32_t k, std::int32_t nm) {
  const VehicleTypeLibrary& v = ctx.vehicles;
  if (ctx.solution.integration_method == method::post_processing) return;
  for (std::int32_t j = 1; j <= nm; ++j)
    if (v.vehicle_mode_frequency(k, j) < 0.0f)
      library_bad_value(ctx, of_type(k, "frequencies"),
                        "frequency " + value_text(v.vehicle_mode_frequency(k, j)) + " Hz of mode " +
                            std::to_string(j) + ", must be 0 or more (0: a rigid-body mode)");
  OverdampedModes overdamped;
  bool lightly_damped = false;  // a mode with a ratio between 0 and 1
  for (std::int32_t j = 1; j <= nm; ++j) {
    if (!(v.vehicle_mode_frequency(k, j) > 0.0f)) continue;
    const float ratio = v.vehicle_mode_damping_input(k, j);
    if (ratio < 0.0f)
      library_bad_value(ctx, of_type(k, "damping ratios"),
                        "damping ratio " + value_text(ratio) + " of mode " + std::to_string(j) +
                            ", must be 0 or more");
    if (ratio >= 1.0f) overdamped.add(j, ratio);
    if (ratio > 0.0f && ratio < 1.0f) lightly_damped = true;
  }
  if (!overdamped.empty() && !lightly_damped)
    ctx.console.line(overdamped.warning(unit_file_name(ctx, ctx.control.unit_vehicle_types, vehicle_types_file),
                                        "type " + std::to_string(k)));
}

// Reads the type header of one type record and returns its type number,
// after checking it and the five counts against the extents of the library.
std::int32_t read_type_header(RunContext& ctx, std::int32_t r, std::size_t count_line) {
  VehicleTypeLibrary& v = ctx.vehicles;
  std::array<std::int32_t, 6> h{};
  const std::string record = "type record " + std::to_string(r) + ", header";
  check_library_read(ctx, read_list(ctx.units, ctx.control.unit_vehicle_types, {h[0], h[1], h[2], h[3], h[4], h[5]}),
                     counted_entry("type record", r, v.type_record_count, count_line, "header"));
  const std::int32_t k = h[0];
  if (k < 1 || k > v.vehicle_type_count)
    library_bad_value(ctx, record,
                      "type number " + std::to_string(k) + ", must be 1 to " + std::to_string(v.vehicle_type_count));

  const std::array<std::int32_t*, 5> counts{&v.vehicle_node_count(k), &v.vehicle_wheelset_count(k),
                                             &v.vehicle_spring_count(k), &v.vehicle_output_count(k),
                                             &v.vehicle_mode_count(k)};
  const std::array<std::int32_t, 5> maxima{v.max_nodes_per_type, v.max_wheelsets_per_type,
                                           v.max_springs_per_type, v.max_outputs_per_type,
                                           v.max_modes_per_type};
  constexpr const char* names[] = {"node", "wheel entry", "spring", "output", "mode"};
  for (std::size_t i = 0; i < counts.size(); ++i) {
    *counts[i] = h[i + 1];
    if (*counts[i] < 0 || *counts[i] > maxima[i])
      library_bad_value(ctx, record,
                        std::string(names[i]) + " count " + std::to_string(*counts[i]) + ", must be 0 to " +
                            std::to_string(maxima[i]) + " (the library header's largest)");
  }
  v.vehicle_type_described(k) = 1;
  return k;
}

// Once the type records are read, the tables keep the room of the largest
// node, wheel entry, output and mode counts that a record gives, not that of
// the header's largest counts, which only bound the records: the per-vehicle
// tables of the trains and of the integration take these extents, so that
// their work in the time steps follows the wheels and modes that the
// vehicles have. The node extent stays 3 or more for the fixed roles of node
// positions 1 to 3; the spring rows keep theirs (the spring parameter reader
// takes it over).
void keep_the_extents_in_use(VehicleTypeLibrary& v) {
  const std::int32_t nt = v.vehicle_type_count;
  std::int32_t nn = nt >= 1 ? 3 : 0, nw = 0, no = 0, nm = 0;
  for (std::int32_t k = 1; k <= nt; ++k) {
    nn = std::max(nn, v.vehicle_node_count(k));
    nw = std::max(nw, v.vehicle_wheelset_count(k));
    no = std::max(no, v.vehicle_output_count(k));
    nm = std::max(nm, v.vehicle_mode_count(k));
  }
  shrink_table(v.vehicle_node_numbers, nt, nn);
  shrink_table(v.vehicle_node_coordinates, nt, nn, 3);
  for (Array2<std::int32_t>* a : {&v.wheelset_nodes, &v.wheelset_second_nodes}) shrink_table(*a, nt, nw);
  for (Array2<float>* a : {&v.wheelset_static_load, &v.contact_stiffness, &v.contact_damping, &v.load_amplitude_ratio,
                           &v.load_phase})
    shrink_table(*a, nt, nw);
  shrink_table(v.vehicle_output_items, nt, no, 2);
  for (Array2<float>* a : {&v.vehicle_mode_frequency, &v.vehicle_mode_damping, &v.vehicle_mode_damping_input})
    shrink_table(*a, nt, nm);
  shrink_table(v.vehicle_mode_shapes, nt, nm, nn, 6);
  v.max_nodes_per_type = nn;
  v.max_wheelsets_per_type = nw;
  v.max_outputs_per_type = no;
  v.max_modes_per_type = nm;
}

}  // namespace

void read_vehicle_type_library(RunContext& ctx) {
  VehicleTypeLibrary& v = ctx.vehicles;
  UnitTable& units = ctx.units;
  const std::int32_t unit = ctx.control.unit_vehicle_types;

  units.rewind(unit);
  check_library_read(
      ctx,
      read_list(units, unit,
                {v.type_record_count, v.vehicle_type_count, v.max_nodes_per_type, v.max_wheelsets_per_type,
                 v.max_springs_per_type, v.max_outputs_per_type, v.max_modes_per_type}),
      "library header");
  const std::size_t header_line = last_read_line(units, unit);
  // A negative count or extent is no library: type records and types are
  // counted, and each largest count sizes a dimension of the tables.
  const std::array<std::pair<const char*, std::int32_t>, 7> header{
      {{"type record count", v.type_record_count},
       {"type count", v.vehicle_type_count},
       {"largest node count", v.max_nodes_per_type},
       {"largest wheel entry count", v.max_wheelsets_per_type},
       {"largest spring count", v.max_springs_per_type},
       {"largest output count", v.max_outputs_per_type},
       {"largest mode count", v.max_modes_per_type}}};
  for (const auto& [name, value] : header)
    if (value < 0)
      library_bad_value(ctx, "library header", std::string(name) + " " + std::to_string(value) + ", must be 0 or more");

  // Every array zeroed, with the extents of the header: per type 15 scalars,
  // the node table (4 values per node), 7 values per wheel entry, 3 per mode,
  // the mode shapes (6 per mode and node), 4 per spring and 2 per output.
  const std::int32_t nt = v.vehicle_type_count;
  const std::int32_t nn_max = v.max_nodes_per_type;
  const std::int32_t nw_max = v.max_wheelsets_per_type;
  const std::int32_t nm_max = v.max_modes_per_type;
  const CountSource sized{vehicle_types_file, unit, "library header"};
  const double per_type = 15.0 + 4.0 * nn_max + 7.0 * nw_max + 3.0 * nm_max + 6.0 * nm_max * nn_max +
                          4.0 * v.max_springs_per_type + 2.0 * v.max_outputs_per_type;
  check_tables_fit_memory(ctx, sized, 4.0 * nt * per_type);
  resize_from_counts(ctx, sized, v.vehicle_type_described, nt);
  resize_from_counts(ctx, sized, v.vehicle_node_numbers, nt, nn_max);
  resize_from_counts(ctx, sized, v.wheelset_nodes, nt, nw_max);
  resize_from_counts(ctx, sized, v.wheelset_second_nodes, nt, nw_max);
  resize_from_counts(ctx, sized, v.vehicle_node_coordinates, nt, nn_max, 3);
  resize_from_counts(ctx, sized, v.vehicle_mode_frequency, nt, nm_max);
  resize_from_counts(ctx, sized, v.vehicle_mode_damping, nt, nm_max);
  resize_from_counts(ctx, sized, v.vehicle_mode_damping_input, nt, nm_max);
  resize_from_counts(ctx, sized, v.vehicle_mode_shapes, nt, nm_max, nn_max, 6);
  resize_from_counts(ctx, sized, v.vehicle_node_count, nt);
  resize_from_counts(ctx, sized, v.vehicle_wheelset_count, nt);
  resize_from_counts(ctx, sized, v.vehicle_spring_count, nt);
  resize_from_counts(ctx, sized, v.vehicle_output_count, nt);
  resize_from_counts(ctx, sized, v.vehicle_mode_count, nt);
  resize_from_counts(ctx, sized, v.vehicle_spring_nodes, nt, v.max_springs_per_type, 4);
  resize_from_counts(ctx, sized, v.vehicle_output_items, nt, v.max_outputs_per_type, 2);
  resize_from_counts(ctx, sized, v.wheelset_static_load, nt, nw_max);
  resize_from_counts(ctx, sized, v.contact_type, nt);
  resize_from_counts(ctx, sized, v.wheel_radius, nt);
  resize_from_counts(ctx, sized, v.friction_coefficient, nt);
  resize_from_counts(ctx, sized, v.contact_half_spacing, nt);
  resize_from_counts(ctx, sized, v.contact_stiffness, nt, nw_max);
  resize_from_counts(ctx, sized, v.contact_damping, nt, nw_max);
  resize_from_counts(ctx, sized, v.load_amplitude_ratio, nt, nw_max);
  resize_from_counts(ctx, sized, v.load_phase, nt, nw_max);
  resize_from_counts(ctx, sized, v.load_frequency, nt);
  resize_from_counts(ctx, sized, v.type1_contact_param_a, nt);
  resize_from_counts(ctx, sized, v.type1_contact_param_b, nt);
  resize_from_counts(ctx, sized, v.type3_contact_param_a, nt);
  resize_from_counts(ctx, sized, v.type3_contact_param_b, nt);

  // Node positions 1, 2 and 3 are the front coupling node, the node of the
  // whole-vehicle loads and the rear coupling node of every type, also of a
  // type that no record describes or that has fewer nodes (the slots beyond
  // its nodes keep their zero shapes): the node extent must give them room.
  if (nt >= 1 && nn_max < 3)
    library_bad_value(ctx, "library header", "largest node count " + std::to_string(nn_max) + ", must be 3 or more");

  std::vector<ReadTarget> targets;
  for (std::int32_t r = 1; r <= v.type_record_count; ++r) {
    const std::int32_t k = read_type_header(ctx, r, header_line);
    const std::size_t counts_line = last_read_line(units, unit);
    const std::string type = "type " + std::to_string(k);
    const std::int32_t nn = v.vehicle_node_count(k);
    const std::int32_t nw = v.vehicle_wheelset_count(k);
    const std::int32_t ns = v.vehicle_spring_count(k);
    const std::int32_t no = v.vehicle_output_count(k);
    const std::int32_t nm = v.vehicle_mode_count(k);
    const auto read = [&](std::span<const ReadTarget> t, const RecordName& what) {
      check_library_read(ctx, read_list(units, unit, t), what);
    };
    const auto read_one = [&](const ReadTarget& t, const RecordName& what) {
      read(std::span<const ReadTarget>(&t, 1), what);
    };

    targets.clear();
    for (std::int32_t n = 1; n <= nn; ++n) {
      targets.emplace_back(v.vehicle_node_numbers(k, n));
      targets.push_back(array_run(v.vehicle_node_coordinates, 3, 3, k, n, 1));
    }
    read(targets, counted("node", nn, counts_line, 4, type));

    if (nw >= 1) {
      read_one(array_run(v.wheelset_nodes, 2, nw, k, 1), counted("wheel node", nw, counts_line, 1, type));
      const ReadTarget loads[] = {array_run(v.wheelset_static_load, 2, nw, k, 1), v.contact_type(k)};
      read(loads, of_type(k, "wheel loads and contact code"));
      check_library_read(ctx, read_contact_parameters(ctx, k, nw), of_type(k, "contact parameters"));
      check_wheel_loads(ctx, k, nw);
      check_contact_parameters(ctx, k, nw);
    }

    if (ns >= 1) {
      targets.clear();
      for (std::int32_t s = 1; s <= ns; ++s) targets.push_back(array_run(v.vehicle_spring_nodes, 3, 4, k, s, 1));
      read(targets, counted("spring row", ns, counts_line, 4, type));
    }

    if (no >= 1) {
      targets.clear();
      for (std::int32_t o = 1; o <= no; ++o) targets.push_back(array_run(v.vehicle_output_items, 3, 2, k, o, 1));
      read(targets, counted("output item", no, counts_line, 2, type));
      for (std::int32_t o = 1; o <= no; ++o) {
        const std::int32_t direction = v.vehicle_output_items(k, o, 2);
        if (direction < 1 || direction > 6)
          library_bad_value(
              ctx, of_type(k, "output items"),
              "direction " + std::to_string(direction) + " of output item " + std::to_string(o) + ", must be 1 to 6");
      }
    }

    read_one(array_run(v.vehicle_mode_frequency, 2, nm, k, 1), counted("frequency", nm, counts_line, 1, type));
    read_one(array_run(v.vehicle_mode_damping_input, 2, nm, k, 1), counted("damping ratio", nm, counts_line, 1, type));
    check_mode_values(ctx, k, nm);
    targets.clear();
    for (std::int32_t j = 1; j <= nm; ++j)
      for (std::int32_t n = 1; n <= nn; ++n) targets.push_back(array_run(v.vehicle_mode_shapes, 4, 6, k, j, n, 1));
    // Six values for each node of each mode, mode by mode.
    read(targets, counted("mode shape row", static_cast<std::int64_t>(nm) * nn, counts_line, 6, type));
  }

  keep_the_extents_in_use(v);
  units.close(unit);
}

namespace {

// The node numbers of one vehicle type, in which a row's node number is
// looked up and replaced by its position; a number that the type does not
// have stops the run with the label of the row's section.
class TypeNodeList {
 public:
  TypeNodeList(const VehicleTypeLibrary& v, std::int32_t t) {
    for (std::int32_t n = 1; n <= v.vehicle_node_count(t); ++n) numbers_.push_back(v.vehicle_node_numbers(t, n));
  }

  // `record` names the row for the message, e.g. "type 2, wheel entry 3".
  void map(RunContext& ctx, std::int32_t& node, std::string_view label, const std::string& record) const {
    const std::int32_t position =
        find_node_index(node, numbers_.data(), static_cast<std::int32_t>(numbers_.size()));
    if (position == 0) stop_with_unknown_node(ctx, label, ctx.control.unit_vehicle_types, record, node);
    node = position;
  }

 private:
  std::vector<std::int32_t> numbers_;
};

}  // namespace

void map_vehicle_interface_nodes(RunContext& ctx) {
  constexpr std::string_view label = vehicle_interface_nodes_section;
  VehicleTypeLibrary& v = ctx.vehicles;
  for (std::int32_t t = 1; t <= v.vehicle_type_count; ++t) {
    const TypeNodeList nodes(v, t);
    for (std::int32_t w = 1; w <= v.vehicle_wheelset_count(t); ++w) {
      nodes.map(ctx, v.wheelset_nodes(t, w), label, of_type(t, "wheel entry " + std::to_string(w)));
      // Only contact type 1 uses its second nodes; those of type -1 stay as read.
      if (v.contact_type(t) == 1)
        nodes.map(ctx, v.wheelset_second_nodes(t, w), label, of_type(t, "second node " + std::to_string(w)));
    }
  }
}

void map_vehicle_spring_nodes(RunContext& ctx) {
  constexpr std::string_view label = vehicle_spring_nodes_section;
  VehicleTypeLibrary& v = ctx.vehicles;
  for (std::int32_t t = 1; t <= v.vehicle_type_count; ++t) {
    const TypeNodeList nodes(v, t);
    for (std::int32_t s = 1; s <= v.vehicle_spring_count(t); ++s) {
      const std::string row = of_type(t, "spring row " + std::to_string(s));
      nodes.map(ctx, v.vehicle_spring_nodes(t, s, 1), label, row);
      nodes.map(ctx, v.vehicle_spring_nodes(t, s, 2), label, row);
      // A reference node of 0 or less means none; column 4 is the spring id.
      if (v.vehicle_spring_nodes(t, s, 3) > 0) nodes.map(ctx, v.vehicle_spring_nodes(t, s, 3), label, row);
    }
  }
}

void map_vehicle_output_nodes(RunContext& ctx) {
  constexpr std::string_view label = vehicle_output_nodes_section;
  VehicleTypeLibrary& v = ctx.vehicles;
  for (std::int32_t t = 1; t <= v.vehicle_type_count; ++t) {
    const TypeNodeList nodes(v, t);
    for (std::int32_t o = 1; o <= v.vehicle_output_count(t); ++o)
      nodes.map(ctx, v.vehicle_output_items(t, o, 1), label, of_type(t, "output item " + std::to_string(o)));
  }
}

}  // namespace tb
