#include "results/bridge_response_recovery.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <limits>
#include <span>
#include <string>
#include <unordered_set>
#include <utility>
#include <vector>

#include "input/bridge_modal.h"
#include "input/input_paths.h"
#include "input/read_errors.h"
#include "model/file_names.h"
#include "platform/format.h"
#include "platform/list_read.h"
#include "platform/progress.h"
#include "platform/signals.h"
#include "platform/stop.h"
#include "platform/texts.h"
#include "results/result_series.h"

namespace tb {

namespace {

constexpr std::size_t kMarkerLineWidth = 128;
constexpr std::size_t kLabelWidth = 256;
// Largest table (in values) that a request may make the recovery allocate.
constexpr std::int64_t kMaxTableValues = std::numeric_limits<std::int32_t>::max();

// A request of the master file's "Post" section that cannot be used.
[[noreturn]] void request_error(RunContext& ctx, const std::string& record, const std::string& problem) {
  stop_with_bad_value(ctx, bridge_master_file, ctx.control.unit_bridge_master, record, problem);
}

void check_master_read(RunContext& ctx, std::int32_t status, const RecordName& record) {
  check_read_status(ctx, status, bridge_master_file, ctx.control.unit_bridge_master, record);
}

// Marker search: while the line buffer does not contain the marker and the
// status in hand is 0, reads the next line (its first 128 characters) into
// the buffer. The text already in the buffer is tested first.
std::int32_t search_marker(RunContext& ctx, std::int32_t unit, std::string_view marker, std::int32_t status) {
  std::string& line = ctx.recovery.post_line;
  while (line.find(marker) == std::string::npos && status == io_status::ok)
    status = read_text_record(ctx.units, unit, line, kMarkerLineWidth);
  return status;
}

// The first line that holds the "Post" marker in another letter case.
struct CaseVariant {
  std::size_t line = 0;  // 1-based; 0: none
  std::string text;      // the marker as written there
};

// The position of "post" in any letter case within line, or npos.
std::size_t find_any_case(std::string_view line, std::string_view lower) {
  const auto same = [](char a, char b) { return std::tolower(static_cast<unsigned char>(a)) == b; };
  const auto it = std::search(line.begin(), line.end(), lower.begin(), lower.end(), same);
  return it == line.end() ? std::string_view::npos : static_cast<std::size_t>(it - line.begin());
}

// The search for the "Post" marker line (search_marker, the letter case as
// written), which also notes the first line passed over that holds the
// marker in another letter case ("post", "POST").
CaseVariant search_post_marker(RunContext& ctx, std::int32_t unit, std::int32_t& status) {
  std::string& line = ctx.recovery.post_line;
  const TextUnit* text = ctx.units.text(unit);
  CaseVariant variant;
  for (;;) {
    if (status != io_status::ok || line.find("Post") != std::string::npos) return variant;
    const std::size_t at = find_any_case(line, "post");
    if (variant.line == 0 && at != std::string::npos && text) {
      variant.line = text->position;
      variant.text = line.substr(at, 4);
    }
    status = read_text_record(ctx.units, unit, line, kMarkerLineWidth);
  }
}

// A master file without the "Post" line requests no node and no element:
// one console line says so, and names a line that holds the marker in
// another letter case, the likely slip.
void report_no_post_section(RunContext& ctx, const CaseVariant& variant) {
  const std::string file = unit_file_name(ctx, ctx.control.unit_bridge_master, bridge_master_file);
  const std::string why = file + " has no line holding \"Post\" after its substructure list";
  if (variant.line == 0) {
    ctx.console.line(" No bridge responses recovered: " + why + ", so it requests no node or element.");
    return;
  }
  ctx.console.line(" Warning: no bridge responses recovered: " + why + "; line " + std::to_string(variant.line) +
                   " holds \"" + variant.text + "\", but \"Post\" is matched with its letter case.");
}

// One range of requested numbers: first, first + step, ... up to last.
struct Range {
  std::int32_t first = 0;
  std::int32_t last = 0;
  std::int32_t step = 0;
  std::int32_t components = 0;  // element ranges only

  std::int64_t count() const {
    return (static_cast<std::int64_t>(last) - first) / step + 1;
  }
};

// Reads a range count and its ranges from the master file. A count that is
// missing (the file ends), no number or negative, a range cut short, a step
// of 0, a last number before the first in the step's direction or a negative
// component count is a data error: such a request names no well-defined set
// of numbers (a node range count one too large would take the element range
// count as a node range and drop every element request).
std::vector<Range> read_ranges(RunContext& ctx, bool with_components) {
  const std::int32_t unit = ctx.control.unit_bridge_master;
  const std::string kind = with_components ? "Post section, element range" : "Post section, node range";
  std::int32_t n = 0;
  check_master_read(ctx, read_list(ctx.units, unit, {n}), kind + " count");
  if (n < 0) request_error(ctx, kind + " count", std::to_string(n) + ", must be 0 or more");
  const std::size_t count_line = last_read_line(ctx.units, unit);
  std::vector<Range> ranges;
  for (std::int32_t r = 1; r <= n; ++r) {
    Range g;
    const std::string record = kind + " " + std::to_string(r);
    const std::int32_t st = with_components
                                ? read_list(ctx.units, unit, {g.first, g.last, g.step, g.components})
                                : read_list(ctx.units, unit, {g.first, g.last, g.step});
    check_master_read(ctx, st, counted_entry(kind, r, n, count_line));
    const bool backwards = (g.step > 0 && g.last < g.first) || (g.step < 0 && g.last > g.first);
    if (g.step == 0 || backwards)
      request_error(ctx, record,
                    "step " + std::to_string(g.step) + " from " + std::to_string(g.first) + " to " +
                        std::to_string(g.last) + ", must be nonzero and lead from the first number to the last");
    if (g.components < 0)
      request_error(ctx, record, "component count " + std::to_string(g.components) + ", must be 0 or more");
    ranges.push_back(g);
  }
  return ranges;
}

// Fits a value count in a table of the recovery, or stops: a request that
// large is not a bridge model.
std::int32_t checked_size(RunContext& ctx, std::int64_t values) {
  if (values > kMaxTableValues)
    request_error(ctx, "Post section", "request of " + std::to_string(values) + " table values, too large");
  return static_cast<std::int32_t>(values);
}

// The post-processing section of the master file, read on from the record
// after the substructure list: the "Post" line, the node ranges and the
// element ranges, into the request lists. Only a file without the "Post" line
// requests nothing; after it both range counts are needed. Closes the master
// file.
void read_post_section(RunContext& ctx) {
  ResponseRecoveryTables& rt = ctx.recovery;
  const std::int32_t unit = ctx.control.unit_bridge_master;
  const std::int64_t m = std::max(ctx.bridge.bridge_mode_count, 0);

  rt.post_line.clear();
  std::int32_t status = read_text_record(ctx.units, unit, rt.post_line, kMarkerLineWidth);
  const CaseVariant variant = search_post_marker(ctx, unit, status);
  std::vector<Range> node_ranges;
  std::vector<Range> element_ranges;
  if (status != io_status::end_of_file) {
    check_master_read(ctx, status, "Post section");
    node_ranges = read_ranges(ctx, false);
    element_ranges = read_ranges(ctx, true);
  } else {
    report_no_post_section(ctx, variant);
  }

  std::int64_t nodes = 0;
  for (const Range& g : node_ranges) nodes += g.count();
  std::int64_t elements = 0;
  std::int64_t total = 0;
  std::int32_t cmax = 0;
  for (const Range& g : element_ranges) {
    elements += g.count();
    total += g.count() * g.components;
    cmax = std::max(cmax, g.components);
  }
  rt.post_node_count = checked_size(ctx, nodes);
  rt.post_element_count = checked_size(ctx, elements);
  rt.post_component_total = checked_size(ctx, total);
  rt.post_component_max = cmax;
  checked_size(ctx, 24 * nodes);  // the label records of the bulk files
  checked_size(ctx, 2 * total);
  checked_size(ctx, nodes * m * 6);
  checked_size(ctx, elements * m * cmax);

  const CountSource sized{bridge_master_file, unit, "Post section: the node and element ranges"};
  resize_from_counts(ctx, sized, rt.post_nodes, rt.post_node_count);
  resize_from_counts(ctx, sized, rt.post_elements, rt.post_element_count, 2);
  std::int32_t k = 0;
  for (const Range& g : node_ranges)
    for (std::int64_t c = 0; c < g.count(); ++c) rt.post_nodes(++k) = static_cast<std::int32_t>(g.first + c * g.step);
  k = 0;
  for (const Range& g : element_ranges)
    for (std::int64_t c = 0; c < g.count(); ++c) {
      ++k;
      rt.post_elements(k, 1) = static_cast<std::int32_t>(g.first + c * g.step);
      rt.post_elements(k, 2) = g.components;
    }
  ctx.units.close(unit);
}

// The shape and response tables of the requests, zeroed, for m modes.
void create_response_tables(RunContext& ctx) {
  ResponseRecoveryTables& rt = ctx.recovery;
  const std::int32_t m = std::max(ctx.bridge.bridge_mode_count, 0);
  const std::int32_t nn = rt.post_node_count;
  const std::int32_t ne = rt.post_element_count;
  const std::int32_t cmax = rt.post_component_max;
  const std::string requests = "Post section: " + std::to_string(nn) + " nodes and " + std::to_string(ne) +
                               " elements of up to " + std::to_string(cmax) + " components, for " +
                               std::to_string(m) + " modes";
  const CountSource sized{bridge_master_file, ctx.control.unit_bridge_master, requests};
  resize_from_counts(ctx, sized, rt.post_node_responses, nn, 6, 2);
  resize_from_counts(ctx, sized, rt.post_node_shapes, nn, m, 6);
  resize_from_counts(ctx, sized, rt.post_element_forces, ne, cmax);
  resize_from_counts(ctx, sized, rt.post_element_shapes, ne, m, cmax);
}

// The requested positions of each node or element number, sorted by number,
// so that a record of the modal file finds every position it belongs to.
class RequestIndex {
 public:
  RequestIndex(const std::int32_t* numbers, std::int32_t count) {
    entries_.reserve(static_cast<std::size_t>(count));
    for (std::int32_t k = 1; k <= count; ++k) entries_.emplace_back(numbers[k - 1], k);
    std::sort(entries_.begin(), entries_.end());
    found_.assign(static_cast<std::size_t>(count), false);
  }

  // Calls visit(position) for every position of number; marks them found.
  template <class Visit>
  void for_positions(std::int32_t number, Visit visit) {
    auto lo = std::lower_bound(entries_.begin(), entries_.end(), std::pair{number, 0});
    for (; lo != entries_.end() && lo->first == number; ++lo) {
      found_[static_cast<std::size_t>(lo->second - 1)] = true;
      visit(lo->second);
    }
  }

  // The numbers that no modal file listed, each once, in request order.
  std::vector<std::int32_t> missing_numbers(const std::int32_t* numbers) const {
    std::vector<std::int32_t> missing;
    std::unordered_set<std::int32_t> named;
    for (std::size_t k = 0; k < found_.size(); ++k)
      if (!found_[k] && named.insert(numbers[k]).second) missing.push_back(numbers[k]);
    return missing;
  }

 private:
  std::vector<std::pair<std::int32_t, std::int32_t>> entries_;  // (number, position)
  std::vector<bool> found_;
};

// The two passes over the modal files: the check at start-up finds which
// requested numbers the files list, quietly; the recovery after the
// integration stores their shapes and prints a progress line per mode.
enum class ModalPass { check, recover };

// The mode loop over one section of substructure i's modal file: records
// (number, mode, values) grouped by mode; a record of mode j stores its values
// for global mode modal_mode_offset + j; a record that cannot be read, or of
// another mode, completes mode j and is read again for mode j + 1. In the
// check pass a record whose values do not all stand on its own line calls
// short_record(line): the line holds fewer values than the record asks for.
// So does one that begins on a line of the section (a number and a mode)
// and whose read runs on past that line to the end of the file or to a line
// that is not numbers: the values it asks for are more than the line holds,
// however many lines follow.
template <class Store, class ShortRecord>
void read_section_modes(RunContext& ctx, ModalPass pass, std::int32_t i, std::string_view section,
                        std::string_view record, std::span<float> values, Store store, ShortRecord short_record) {
  const std::int32_t unit = ctx.control.unit_modal_file;
  const BridgeModalModel& b = ctx.bridge;
  const std::int32_t modes = b.substructure_mode_counts(i);
  const TextUnit* text = ctx.units.text(unit);
  std::int32_t j = 1;
  while (j <= modes) {
    std::int32_t number = 0;
    std::int32_t mode = 0;
    // The line of the record's first value (the read passes over blank lines).
    std::size_t line = text ? text->position : 0;
    while (text && line < text->records.size() && text->records[line].find_first_not_of(" \t") == std::string::npos)
      ++line;
    ++line;
    const std::int32_t st = read_list(ctx.units, unit, {number, mode, ReadTarget::reals(values.data(), values.size())});
    if (pass == ModalPass::check && text) {
      const bool past_its_line =
          st == io_status::ok ? text->position > line
          : st == io_status::end_of_file ? line <= text->records.size()
          : st == io_status::bad_value && text->bad_value_line > line;
      if (past_its_line && (st == io_status::ok || leading_value_count(ctx.units, unit, line) >= 2))
        short_record(line);
    }
    if (st == io_status::ok && mode == j) {
      const std::int32_t global = b.modal_mode_offset + j;
      if (global <= b.bridge_mode_count) store(number, global);
      continue;
    }
    // A record that begins as one of the section but holds a value that is
    // not a number is a data error, not the end of the section.
    if (st == io_status::bad_value && failed_in_data_record(ctx.units, unit, 2))
      check_read_status(ctx, st, ctx.recovery.modal_file_error_name, unit, record);
    if (pass == ModalPass::recover)
      ctx.console.formatted("(1X,A12,I5,A16,I5,A18)", {text::postprocessing_no, j, section, i, text::files_read_ok});
    ++j;
    ctx.units.backspace(unit);
  }
}

// An element request whose component count exceeds the values of the
// internal-force records of the modal file open on `unit`: each record holds
// the element, the mode and one value per component on its line, so more
// components would be read from the records after it.
[[noreturn]] void refuse_force_components(RunContext& ctx, std::int32_t unit, std::size_t line) {
  const ResponseRecoveryTables& rt = ctx.recovery;
  const std::size_t on_line = leading_value_count(ctx.units, unit, line);
  const std::int32_t held = static_cast<std::int32_t>(on_line > 2 ? on_line - 2 : 0);
  // The first request that asks for more.
  std::int32_t e = 1;
  while (e < rt.post_element_count && rt.post_elements(e, 2) <= held) ++e;
  request_error(ctx, "Post section, element ranges",
                std::to_string(rt.post_elements(e, 2)) + " force components of element " +
                    std::to_string(rt.post_elements(e, 1)) + ", must be at most " + std::to_string(held) +
                    ", the values that each record after \"Stress\" holds in " +
                    unit_file_name(ctx, unit, rt.modal_file_error_name) + " (line " + std::to_string(line) + ")");
}

// A modal file's name: directory, a backslash and the file name, as they
// stand (not under the input directory); the backslash is this platform's
// directory separator.
std::string modal_file_name(std::string_view dir, std::string_view file) {
  std::string name = std::string(dir) + "\\" + std::string(file);
  std::replace(name.begin(), name.end(), '\\', '/');
  return name;
}

// The requested numbers that no modal file lists.
struct UnlistedRequests {
  std::vector<std::int32_t> nodes;
  std::vector<std::int32_t> elements;
};

// Reads the displacement and internal-force sections of every
// substructure's modal file for the requested nodes and elements, at the
// global modes of the substructure; the recovery pass stores their shapes.
UnlistedRequests read_modal_files(RunContext& ctx, ModalPass pass) {
  BridgeModalModel& b = ctx.bridge;
  ResponseRecoveryTables& rt = ctx.recovery;
  const std::int32_t unit = ctx.control.unit_modal_file;
  const std::int32_t nn = rt.post_node_count;
  const std::int32_t ne = rt.post_element_count;
  const std::int32_t cmax = rt.post_component_max;
  const bool storing = pass == ModalPass::recover;

  RequestIndex node_index(rt.post_nodes.data(), nn);
  std::vector<std::int32_t> element_numbers(static_cast<std::size_t>(ne));
  for (std::int32_t e = 1; e <= ne; ++e) element_numbers[e - 1] = rt.post_elements(e, 1);
  RequestIndex element_index(element_numbers.data(), ne);
  std::vector<float> values(static_cast<std::size_t>(std::max(cmax, 6)));

  auto store_node = [&](std::int32_t number, std::int32_t mode) {
    node_index.for_positions(number, [&](std::int32_t k) {
      if (storing)
        for (std::int32_t d = 1; d <= 6; ++d) rt.post_node_shapes(k, mode, d) = values[d - 1];
    });
  };
  auto store_element = [&](std::int32_t number, std::int32_t mode) {
    element_index.for_positions(number, [&](std::int32_t k) {
      if (storing)
        for (std::int32_t c = 1; c <= cmax; ++c) rt.post_element_shapes(k, mode, c) = values[c - 1];
    });
  };

  b.modal_mode_offset = 0;
  const std::int32_t substructures = b.substructure_count;
  for (std::int32_t i = 1; i <= substructures; ++i) {
    b.modal_file_index = i;
    const std::string_view dir = trim_trailing_blanks(b.substructure_dirs(i));
    const std::string_view file = trim_trailing_blanks(b.substructure_files(i));
    rt.modal_file_error_name = std::string(bridge_modal_file_label) + std::string(dir) + "\\" + std::string(file);
    if (rt.modal_file_error_name.size() > kLabelWidth) rt.modal_file_error_name.resize(kLabelWidth);

    // A modal file that cannot be opened is an error whether or not nodes
    // are requested from it.
    std::int32_t status = ctx.units.open(unit, modal_file_name(dir, file), OpenMode::old, UnitForm::text);
    check_read_status(ctx, status, rt.modal_file_error_name, unit, modal_file_record(i));
    // The searches of this file begin in this file: a line left over from
    // the previous file must not end them.
    rt.post_line.clear();

    if (nn > 0) {
      status = search_marker(ctx, unit, "(N,m)", status);
      status = read_text_record(ctx.units, unit, rt.post_line, kMarkerLineWidth);
      if (ctx.solution.second_header_switch == 1) status = search_marker(ctx, unit, "(N,m)", status);
      check_search_status(ctx, status, rt.modal_file_error_name, unit,
                          "the lines holding \"(N,m)\" before the displacement mode shapes");
      read_section_modes(ctx, pass, i, text::displacement_modes_from, "displacement mode shapes",
                         std::span<float>(values.data(), 6), store_node, [](std::size_t) {});
    }

    rt.post_line.clear();
    if (ne > 0) {
      for (int back = 0; back < 3; ++back) ctx.units.backspace(unit);
      search_marker(ctx, unit, "Stress", io_status::ok);
      read_section_modes(ctx, pass, i, text::internal_force_modes_from, "internal-force mode shapes",
                         std::span<float>(values.data(), static_cast<std::size_t>(cmax)), store_element,
                         [&](std::size_t line) { refuse_force_components(ctx, unit, line); });
    }

    ctx.units.close(unit);
    b.modal_mode_offset += b.substructure_mode_counts(i);
  }
  b.modal_file_index = std::max(substructures, 0) + 1;
  return {node_index.missing_numbers(rt.post_nodes.data()), element_index.missing_numbers(element_numbers.data())};
}

// result(k, c) = sum over modes i of shapes(k, i, c) * coeff(i), for the n
// entries and comps components of a (n, m, comps) shape table; each sum runs
// over the modes in order, in single precision. The modal values lie three
// apart (displacement, acceleration, quasi-static of each mode).
void superpose(const float* shapes, std::size_t n, std::size_t m, std::size_t comps, const float* coeff,
               float* result) {
  std::fill(result, result + n * comps, 0.0f);
  for (std::size_t c = 0; c < comps; ++c) {
    float* r = result + n * c;
    for (std::size_t i = 0; i < m; ++i) {
      const float w = coeff[3 * i];
      const float* col = shapes + n * (i + m * c);
      for (std::size_t k = 0; k < n; ++k) r[k] += col[k] * w;
    }
  }
}

// A record count or stage count of unit 36 as a loop bound (truncated toward
// zero); false when it is no count at all.
bool to_count(float v, std::int32_t& n) {
  if (!(v >= 0.0f && v < 2147483648.0f)) return false;
  n = static_cast<std::int32_t>(v);
  return true;
}

// Unit 36 rewound and its run header read: the number of stages it holds, or
// false when it holds no run header. A post-processing run stops without
// one: it has nothing to do without the modal coordinates of an earlier run;
// a run whose first stage wrote no output instant (or that stopped before
// its first) leaves the file empty. A stage count that is no count stops.
bool read_modal_run_header(RunContext& ctx, RunHeader& run, std::int32_t& stages) {
  const std::int32_t u36 = ctx.control.unit_res_modal_coordinates;
  ctx.units.rewind(u36);
  const std::int32_t status = read_run_header(ctx.units, u36, run);
  if (status != io_status::ok) {
    if (ctx.solution.integration_method == method::post_processing)
      check_read_status(ctx, status, res_modal_coordinates_file, u36,
                        "the modal coordinates of an earlier run, which a post-processing run reads");
    return false;
  }
  if (!to_count(run.stage_count, stages))
    stop_with_bad_value(ctx, res_modal_coordinates_file, u36, "run header",
                        "stage count " + value_text(run.stage_count) + ", not a count");
  return true;
}

// The record count of stage s's header of unit 36, which must hold three
// channels per mode of this model: a file of another model (or none of this
// layout) would be read as the wrong modes.
std::int32_t stage_record_count(RunContext& ctx, const StageHeader& in, std::int32_t s, std::size_t m) {
  const std::int32_t u36 = ctx.control.unit_res_modal_coordinates;
  const std::string stage = "stage " + std::to_string(s) + " header";
  if (in.channel_count != static_cast<float>(3 * m))
    stop_with_bad_value(ctx, res_modal_coordinates_file, u36, stage,
                        "channel count " + value_text(in.channel_count) + ", must be 3 per bridge mode, " +
                            std::to_string(3 * m) + " (the file of another model?)");
  std::int32_t records = 0;
  if (!to_count(in.record_count, records))
    stop_with_bad_value(ctx, res_modal_coordinates_file, u36, stage,
                        "record count " + value_text(in.record_count) + ", not a count");
  return records;
}

// Unit 36 read back from its beginning; per stage and output instant the
// four bulk files receive the superposed responses. A failed read of unit 36
// ends the work there, keeping what was written.
void write_bulk_files(RunContext& ctx, bool after_stopped_integration) {
  const RunControl& rc = ctx.control;
  ResponseRecoveryTables& rt = ctx.recovery;
  ResultSeriesFile& files = ctx.result_files;
  UnitTable& units = ctx.units;
  const std::int32_t u36 = rc.unit_res_modal_coordinates;
  const std::size_t m = static_cast<std::size_t>(std::max(ctx.bridge.bridge_mode_count, 0));
  const std::size_t nn = static_cast<std::size_t>(rt.post_node_count);
  const std::size_t ne = static_cast<std::size_t>(rt.post_element_count);
  const std::size_t cmax = static_cast<std::size_t>(rt.post_component_max);
  const std::size_t total = static_cast<std::size_t>(rt.post_component_total);
  const std::array<std::int32_t, 4> bulk{rc.unit_res_bulk_disacc, rc.unit_res_bulk_stress,
                                         rc.unit_res_bulk_dis_static, rc.unit_res_bulk_stress_static};

  RunHeader run;
  std::int32_t stages = 0;
  if (!read_modal_run_header(ctx, run, stages)) return;
  // The bulk files are written from their beginning.
  for (std::int32_t unit : bulk) {
    units.rewind(unit);
    begin_series_file(units, files, unit, run);
  }

  // Label records: the node numbers 24 times (displacement file) and 12 times
  // (static file), the component total 2M times (both force files).
  std::vector<float> node_labels(24 * nn);
  for (std::size_t r = 0; r < 24; ++r)
    for (std::size_t k = 0; k < nn; ++k) node_labels[r * nn + k] = static_cast<float>(rt.post_nodes(k + 1));
  const std::vector<float> element_labels(2 * total, static_cast<float>(rt.post_component_total));
  const std::array<float, 4> channels{static_cast<float>(12 * nn), static_cast<float>(total),
                                      static_cast<float>(6 * nn), static_cast<float>(total)};
  const std::array<std::span<const float>, 4> labels{std::span<const float>(node_labels),
                                                      std::span<const float>(element_labels),
                                                      std::span<const float>(node_labels).first(12 * nn),
                                                      std::span<const float>(element_labels)};

  std::vector<float> modal(3 * m);
  std::vector<float> pairs(6 * m);
  // The step records of one instant, one per bulk file.
  std::array<std::vector<float>, 4> out{std::vector<float>(12 * nn), std::vector<float>(total),
                                        std::vector<float>(6 * nn), std::vector<float>(total)};
  float* const u = rt.post_node_responses.data();        // (k, d, 1)
  float* const a = u + 6 * nn;                            // (k, d, 2)
  float* const f = rt.post_element_forces.data();
  const float* const phi = rt.post_node_shapes.data();
  const float* const psi = rt.post_element_shapes.data();

  auto put_forces = [&](std::vector<float>& record) {
    std::size_t p = 0;
    for (std::size_t e = 0; e < ne; ++e)
      for (std::size_t c = 0; c < static_cast<std::size_t>(rt.post_elements(e + 1, 2)); ++c) record[p++] = f[c * ne + e];
  };
  // A modal coordinate that is not finite (a file of a run that blew up) or a
  // sum beyond single precision: no bulk file takes the records of that
  // instant, so the four files always hold the same instants. Returns false
  // for such an instant.
  auto write_records = [&]() {
    for (const std::vector<float>& record : out)
      if (!std::all_of(record.begin(), record.end(), [](float v) { return std::isfinite(v); })) return false;
    for (std::size_t b = 0; b < 4; ++b) {
      units.write_f32s(bulk[b], out[b]);
      count_series_record(files, bulk[b]);
    }
    return true;
  };

  // Many output instants of many requested nodes take a while: the recovery
  // says how far it is, and what the console holds goes out before it.
  ProgressLines progress(ctx.console, "Bridge responses", 0);
  for (std::int32_t s = 1; s <= stages; ++s) {
    StageHeader in;
    if (read_stage_header(units, u36, in) != io_status::ok) return;
    const std::int32_t records = stage_record_count(ctx, in, s, m);
    if (units.read_f32s(u36, pairs) != io_status::ok) return;  // read and not used
    for (std::size_t b = 0; b < 4; ++b) {
      begin_series_block(units, files, bulk[b], {in.output_interval, in.record_count, channels[b]});
      units.write_f32s(bulk[b], labels[b]);
    }

    for (std::int32_t r = 1; r <= records; ++r) {
      const auto reached = [&] {
        return "speed stage " + std::to_string(s) + " recovered to " +
               format_fixed(static_cast<float>(r - 1) * in.output_interval, 0, 6) + " s";
      };
      // A stop signal ends the recovery between two records.
      if (const int signal = after_stopped_integration ? 0 : stop_signal_received())
        stop_for_signal(ctx.console, signal,
                        "bridge response recovery, " + reached() + "; the bulk files hold the records up to there.");
      if (units.read_f32s(u36, modal) != io_status::ok) return;
      // Displacements and accelerations of the nodes; internal forces.
      superpose(phi, nn, m, 6, modal.data(), u);
      superpose(phi, nn, m, 6, modal.data() + 1, a);
      for (std::size_t k = 0; k < nn; ++k)
        for (std::size_t d = 0; d < 6; ++d) {
          out[0][12 * k + 2 * d] = u[d * nn + k];
          out[0][12 * k + 2 * d + 1] = a[d * nn + k];
        }
      superpose(psi, ne, m, cmax, modal.data(), f);
      put_forces(out[1]);
      // The quasi-static counterparts, from the quasi-static modal
      // displacements.
      superpose(phi, nn, m, 6, modal.data() + 2, u);
      for (std::size_t k = 0; k < nn; ++k)
        for (std::size_t d = 0; d < 6; ++d) out[2][6 * k + d] = u[d * nn + k];
      superpose(psi, ne, m, cmax, modal.data() + 2, f);
      put_forces(out[3]);
      if (write_records()) {
        progress.advance(1, [&] {
          return "speed stage " + std::to_string(s) + " of " + std::to_string(stages) + ", output instant " +
                 grouped(r) + " of " + grouped(records);
        });
        continue;
      }
      // After a complete run this is a blow-up of the run; after a stopped
      // integration, whose own stop has been reported, the recovery ends.
      if (!after_stopped_integration) blow_up_stop(ctx.console, !ctx.step.blow_up_paused);
      ctx.console.line(" Bridge responses: " + reached() +
                       "; those of the next output instant are beyond single precision.");
      return;
    }
  }
}

}  // namespace

void read_response_requests(RunContext& ctx) {
  read_bridge_modal_master(ctx);
  read_post_section(ctx);
  const ResponseRecoveryTables& rt = ctx.recovery;
  if (rt.post_node_count == 0 && rt.post_element_count == 0) return;

  // A request that no modal file answers gets zero responses; the console
  // says so once here, so that they are not taken for a bridge at rest.
  const UnlistedRequests unlisted = read_modal_files(ctx, ModalPass::check);
  for (std::int32_t n : unlisted.nodes)
    ctx.console.line(" Warning: requested node " + std::to_string(n) +
                     " is in no modal file; its responses are written as 0.");
  for (std::int32_t e : unlisted.elements)
    ctx.console.line(" Warning: requested element " + std::to_string(e) +
                     " has internal forces in no modal file; its forces are written as 0.");
}

void check_earlier_modal_coordinates(RunContext& ctx) {
  RunHeader run;
  std::int32_t stages = 0;
  read_modal_run_header(ctx, run, stages);
  StageHeader first;
  if (stages >= 1 &&
      read_stage_header(ctx.units, ctx.control.unit_res_modal_coordinates, first) == io_status::ok)
    stage_record_count(ctx, first, 1, static_cast<std::size_t>(std::max(ctx.bridge.bridge_mode_count, 0)));
  ctx.units.rewind(ctx.control.unit_res_modal_coordinates);
}

void recover_bridge_responses(RunContext& ctx, bool after_stopped_integration) {
  // The substructure list again, from the top of the master file; the
  // requests stay those read and checked at start-up.
  read_bridge_modal_master(ctx);
  ctx.units.close(ctx.control.unit_bridge_master);
  create_response_tables(ctx);
  read_modal_files(ctx, ModalPass::recover);

  const float scale = ctx.bridge.mode_shape_scale;
  if (scale != 1.0f) {
    const float root = std::sqrt(scale);
    for (float& v : ctx.recovery.post_node_shapes.span()) v *= root;
    for (float& v : ctx.recovery.post_element_shapes.span()) v *= root;
  }

  write_bulk_files(ctx, after_stopped_integration);
}

}  // namespace tb
