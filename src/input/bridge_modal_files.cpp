// The substructures' modal result files and the preparation of the bridge's
// modal data: axis convention, damping ratios, excluded modes.
#include <algorithm>
#include <cmath>
#include <string>
#include <unordered_map>
#include <vector>

#include "input/bridge_modal.h"
#include "input/input_paths.h"
#include "input/modal_damping.h"
#include "input/read_errors.h"
#include "model/file_names.h"
#include "platform/list_read.h"
#include "platform/texts.h"

namespace tb {

namespace {

constexpr std::size_t kModalLineWidth = 128;
constexpr std::size_t kLabelWidth = 256;

bool contains(const std::string& line, std::string_view marker) { return line.find(marker) != std::string::npos; }

// One substructure's modal file, open on its unit.
struct ModalFile {
  RunContext& ctx;
  std::int32_t unit;
  std::int32_t index;        // substructure i
  std::int32_t mode_count;   // modes taken from the file
  std::string label;         // names the file in error messages
  std::string& line;         // the line buffer of the searches
  std::int32_t status = io_status::ok;  // of the last line read by the searches

  // Reads lines until the buffer holds the marker or a read fails; the line
  // already in the buffer counts.
  void search(std::string_view marker) {
    while (!contains(line, marker) && status == io_status::ok)
      status = read_text_record(ctx.units, unit, line, kModalLineWidth);
  }

  // The frequency table after the "(cycle/sec)" line: mode number q, a value
  // that is not kept, the frequency in Hz. A record that would store a value
  // outside this file's modes is a data error.
  void read_frequencies() {
    BridgeModalModel& b = ctx.bridge;
    search("(cycle/sec)");
    check_search_status(ctx, status, label, unit, "a line holding \"(cycle/sec)\" before the frequency table");
    std::int32_t q = 0;
    for (std::int32_t r = 1; r <= mode_count; ++r) {
      float second = 0.0f, frequency = 0.0f;
      const std::string record = "frequency table, record " + std::to_string(r) + " of " + std::to_string(mode_count);
      check_read_status(ctx, read_list(ctx.units, unit, {q, second, frequency}), label, unit, record);
      if (q < 1 || q > mode_count)
        stop_with_bad_value(ctx, label, unit, record,
                            "mode number " + std::to_string(q) + ", must be 1 to " + std::to_string(mode_count));
      // The modal stiffness is (2 pi f)^2 and the modal damping 2 xi (2 pi f):
      // a frequency below 0 would turn the damping's sign.
      if (frequency < 0.0f)
        stop_with_bad_value(ctx, label, unit, record,
                            "frequency " + value_text(frequency) + " Hz of mode " + std::to_string(q) +
                                ", must be 0 or more (0: a rigid-body mode)");
      b.mode_frequency(b.modal_mode_offset + q) = frequency;
    }
  }

  // Passes over the headers of the displacement mode table: up to the first
  // "(N,m)" line, the line after it, and (when the second header is looked
  // for) up to the next "(N,m)" line, which may be that line itself.
  void find_shape_table() {
    search("(N,m)");
    status = read_text_record(ctx.units, unit, line, kModalLineWidth);
    if (ctx.solution.second_header_switch == 1) search("(N,m)");
    check_search_status(ctx, status, label, unit, "the lines holding \"(N,m)\" before the displacement mode shapes");
  }

  // The displacement mode shapes, grouped by mode: a record of another mode
  // completes the mode being read and is read again for the next one.
  void read_shapes(const std::unordered_map<std::int32_t, std::int32_t>& position) {
    BridgeModalModel& b = ctx.bridge;
    std::int32_t node = 0, mode = 0;
    float v[6] = {};
    std::int32_t j = 1;
    while (j <= mode_count) {
      const std::int32_t st = read_list(ctx.units, unit, {node, mode, ReadTarget::reals(v, 6)});
      if (st == io_status::ok && mode == j) {
        const auto p = position.find(node);
        if (p != position.end())
          for (int c = 1; c <= 6; ++c) b.mode_shapes(b.modal_mode_offset + j, p->second, c) = v[c - 1];
        continue;
      }
      // A record that begins as one of the table but holds a value that is
      // not a number is a data error, not the end of the table.
      if (st == io_status::bad_value && failed_in_data_record(ctx.units, unit, 2))
        check_read_status(ctx, st, label, unit, "displacement mode shapes");
      ctx.console.formatted("(1X,A12,I5,A16,I5,A18)",
                            {text::preprocessing_no, j, text::displacement_modes_from, index, text::files_read_ok});
      ++j;
      ctx.units.backspace(unit);
      if (st != io_status::ok && j <= mode_count)
        check_read_status(ctx, st, label, unit, "displacement mode shapes, mode " + std::to_string(j));
    }
  }
};

// The damping ratios that the modes of each substructure get, its own modes
// (those after the last substructure's have neither frequency nor shape): a
// ratio below 0 feeds energy into its mode and is refused; one of 1 or more
// (a percentage typed as a ratio, say) lets the run go on with one warning
// for the substructure. A mode without a frequency takes no damping, and an
// excluded mode (its shapes zero) is never excited: their ratios are not
// looked at. Made after the excluded ranges are ordered and clamped.
void check_damping_ratios(RunContext& ctx) {
  const BridgeModalModel& b = ctx.bridge;
  const std::int32_t unit = ctx.control.unit_bridge_master;
  std::vector<bool> excluded(static_cast<std::size_t>(std::max(b.bridge_mode_count, 0)) + 1, false);
  for (std::int32_t r = 1; r <= b.excluded_range_count; ++r)
    for (std::int32_t j = b.excluded_mode_ranges(1, r); j <= b.excluded_mode_ranges(2, r); ++j) excluded[j] = true;
  std::int32_t first = 1;
  for (std::int32_t k = 1; k <= b.substructure_count; ++k) {
    const std::int32_t last = std::min(first + b.substructure_mode_counts(k) - 1, b.bridge_mode_count);
    const float f1 = b.damping_frequency_1(k), f2 = b.damping_frequency_2(k);
    const bool rayleigh = f2 - 1.0E-6f > f1 && f1 > 0.0f;
    const std::string how = rayleigh ? " (Rayleigh damping through " + value_text(f1) + " Hz, " +
                                           value_text(b.damping_ratio_1(k)) + " and " + value_text(f2) + " Hz, " +
                                           value_text(b.damping_ratio_2(k)) + ")"
                                     : "";
    const std::string sub = "substructure " + std::to_string(k);
    OverdampedModes overdamped;
    for (std::int32_t j = first; j <= last; ++j) {
      if (!(b.mode_frequency(j) > 0.0f) || excluded[j]) continue;
      const float ratio = b.mode_damping_ratio(j);
      if (ratio < 0.0f)
        stop_with_bad_value(ctx, bridge_master_file, unit, sub + ", damping frequencies and ratios",
                            rayleigh ? "bridge mode " + std::to_string(j) + " (" + value_text(b.mode_frequency(j)) +
                                           " Hz) gets the damping ratio " + value_text(ratio) + how +
                                           ", must be 0 or more"
                                     : "damping ratio " + value_text(ratio) + ", must be 0 or more");
      if (ratio >= 1.0f) overdamped.add(j, ratio);
    }
    if (!overdamped.empty())
      ctx.console.line(overdamped.warning(unit_file_name(ctx, unit, bridge_master_file), sub, "bridge ", how));
    first += b.substructure_mode_counts(k);
  }
}

}  // namespace

std::string modal_file_record(std::int32_t i) {
  return "the modal file of substructure " + std::to_string(i) + ", named from the working directory";
}

void read_bridge_modal_files(RunContext& ctx) {
  read_bridge_modal_master(ctx);
  BridgeModalModel& b = ctx.bridge;
  const std::int32_t unit = ctx.control.unit_modal_file;
  b.modal_mode_offset = 0;

  // First position of every node number in node_numbers, the lookup of every
  // mode-shape record (the files list all nodes of the structural model).
  std::unordered_map<std::int32_t, std::int32_t> position;
  position.reserve(static_cast<std::size_t>(std::max(b.bridge_node_count, 0)));
  for (std::int32_t i = 1; i <= b.bridge_node_count; ++i) position.emplace(b.node_numbers(i), i);

  std::string line;
  const std::int32_t s = b.substructure_count;
  for (std::int32_t i = 1; i <= s; ++i) {
    b.modal_file_index = i;
    // The file is named by its directory and file lines joined with a
    // backslash, as they stand (not under the input directory).
    std::string name = std::string(trim_trailing_blanks(b.substructure_dirs(i))) + "\\" +
                       std::string(trim_trailing_blanks(b.substructure_files(i)));
    std::string label = std::string(bridge_modal_file_label) + name;
    if (label.size() > kLabelWidth) label.resize(kLabelWidth);
    std::replace(name.begin(), name.end(), '\\', '/');

    ModalFile f{ctx, unit, i, b.substructure_mode_counts(i), label, line};
    f.status = ctx.units.open(unit, name, OpenMode::old, UnitForm::text);
    check_read_status(ctx, f.status, label, unit, modal_file_record(i));
    f.read_frequencies();
    f.find_shape_table();
    f.read_shapes(position);

    b.modal_mode_offset += f.mode_count;
    ctx.units.close(unit);
    line.clear();
  }
  b.modal_file_index = std::max(s, 0) + 1;
}

void prepare_bridge_modal_data(RunContext& ctx) {
  read_bridge_modal_files(ctx);
  BridgeModalModel& b = ctx.bridge;
  const std::int32_t n = b.bridge_node_count, m = b.bridge_mode_count;

  // z-upward input axes to the internal y-upward axes: (y, z) := (z, -y),
  // for the translations and the rotations alike.
  if (ctx.solution.Coordination_sys_bridge == 1) {
    for (std::int32_t i = 1; i <= n; ++i) {
      const float y = b.node_coordinates(i, 2);
      b.node_coordinates(i, 2) = b.node_coordinates(i, 3);
      b.node_coordinates(i, 3) = -y;
    }
    for (std::int32_t i = 1; i <= n; ++i)
      for (std::int32_t k = 1; k <= m; ++k)
        for (int c : {2, 5}) {
          const float a = b.mode_shapes(k, i, c);
          b.mode_shapes(k, i, c) = b.mode_shapes(k, i, c + 1);
          b.mode_shapes(k, i, c + 1) = -a;
        }
  }

  ctx.units.close(ctx.control.unit_bridge_master);

  // Damping. Each substructure sets every mode from its own first mode on;
  // the next substructure overwrites its share.
  const float two_pi = ctx.control.two_pi;
  std::int32_t d = 1;
  for (std::int32_t k = 1; k <= b.substructure_count; ++k) {
    const float f1 = b.damping_frequency_1(k), f2 = b.damping_frequency_2(k);
    const float x1 = b.damping_ratio_1(k), x2 = b.damping_ratio_2(k);
    if (f2 - 1.0E-6f > f1 && f1 > 0.0f) {
      // Rayleigh damping through (F1, xi1) and (F2, xi2).
      const float w1 = two_pi * f1, w2 = two_pi * f2;
      const float den = w1 * w1 - w2 * w2;
      const float alpha = 2.0f * w1 * w2 * (x2 * w1 - x1 * w2) / den;
      const float beta = 2.0f * (w1 * x1 - w2 * x2) / den;
      if (!std::isfinite(alpha) || !std::isfinite(beta))
        stop_with_bad_value(
            ctx, bridge_master_file, ctx.control.unit_bridge_master,
            "substructure " + std::to_string(k) + ", damping frequencies and ratios",
            "frequencies " + value_text(f1) + " and " + value_text(f2) + " Hz, too close for Rayleigh damping");
      for (std::int32_t j = d; j <= m; ++j) {
        const float f = b.mode_frequency(j);
        // A mode without a frequency has no Rayleigh ratio (the formula
        // divides by the frequency); it gets none.
        b.mode_damping_ratio(j) = f > 0.0f ? (39.478413f * beta * f * f + alpha) * 0.5f / (f * two_pi) : 0.0f;
      }
    } else {
      for (std::int32_t j = d; j <= m; ++j) b.mode_damping_ratio(j) = x1;
    }
    d += b.substructure_mode_counts(k);
  }

  // Excluded modes: each pair ordered and clamped to the bridge's modes and
  // stored back; the shapes of its modes are set to zero (frequencies and
  // damping ratios stay).
  for (std::int32_t r = 1; r <= b.excluded_range_count; ++r) {
    std::int32_t first = b.excluded_mode_ranges(1, r), last = b.excluded_mode_ranges(2, r);
    if (first > last) std::swap(first, last);
    if (first <= 0) first = 1;
    if (last >= m) last = m;
    b.excluded_mode_ranges(1, r) = first;
    b.excluded_mode_ranges(2, r) = last;
  }
  for (int c = 1; c <= 6; ++c)
    for (std::int32_t i = 1; i <= n; ++i)
      for (std::int32_t r = 1; r <= b.excluded_range_count; ++r)
        for (std::int32_t j = b.excluded_mode_ranges(1, r); j <= b.excluded_mode_ranges(2, r); ++j)
          b.mode_shapes(j, i, c) = 0.0f;

  check_damping_ratios(ctx);

  // Modes that the modal files give no frequency (a mode count above the
  // modes the files supply, or a frequency of 0 or below) take no part in
  // the quasi-static response; the console says how many there are.
  std::int32_t without = 0;
  for (std::int32_t j = 1; j <= m; ++j)
    if (!(b.mode_frequency(j) > 0.0f)) ++without;
  if (without > 0)
    ctx.console.line(" Warning: bridge modes without a frequency: " + std::to_string(without) + " of " +
                     std::to_string(m) + "; their quasi-static modal displacement is written as 0.");
}

}  // namespace tb
