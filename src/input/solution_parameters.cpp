#include "input/solution_parameters.h"

#include <algorithm>
#include <cmath>
#include <initializer_list>
#include <string>
#include <string_view>

#include "input/read_errors.h"
#include "model/file_names.h"
#include "platform/format.h"
#include "platform/list_read.h"

namespace tb {

namespace {

// The format of a record: its edit descriptors in parentheses, separated by
// commas (built piece by piece).
std::string edit_list(std::initializer_list<std::string> descriptors) {
  std::string format = "(";
  for (const std::string& d : descriptors) {
    if (format.size() > 1) format += ',';
    format += d;
  }
  format += ')';
  return format;
}

// An edit descriptor of the given kind and width ("I5", "E20").
std::string descriptor(std::string_view kind, int width) {
  std::string d(kind);
  d += std::to_string(width);
  return d;
}

// Columns an integer field needs: 5, or as many as the value's digits and
// sign take (a narrower field would print asterisks, which read back as no
// value at all).
int integer_width(std::int32_t value) {
  return std::max(5, static_cast<int>(format_integer(value, 0).size()));
}

// The layout of a line with one integer value and its comment: the value in
// 5 columns, 17 blanks, the comment. A value that needs more columns takes
// them from the blanks, so the comment keeps its place.
std::string integer_line_layout(std::int32_t value) {
  const int w = integer_width(value);
  return edit_list({descriptor("I", w), std::to_string(22 - w) + "X", "A80"});
}

// The exponent field Ew.6 of a single-precision value, with as many more
// significant digits (up to 9, which always suffice) as the value needs to
// read back unchanged; each added digit widens the field by one column, so
// the blanks before the value stay. A value that six digits give back keeps
// the field as it is.
std::string exponent_field(float value, int width) {
  int digits = 6;
  for (; digits < 9; ++digits) {
    float back = 0.0f;
    if (parse_real(format_exponent(value, 0, digits), back) && back == value) break;
  }
  std::string field = descriptor("E", width + digits - 6);
  field += '.';
  field += std::to_string(digits);
  return field;
}

}  // namespace

void read_solution_parameters(RunContext& ctx) {
  SolutionParameters& p = ctx.solution;
  const std::int32_t unit = ctx.control.unit_solution_parameters;

  // Values before reading; a record that cannot be read keeps them.
  p.integration_method = 4;
  p.time_step = 1.0E-4f;
  p.output_interval = 10;
  p.contact_option = 0;
  p.IsContact = 0;
  p.StiContact = 0.0f;
  p.DamContact = 0.0f;
  // Fixed settings.
  p.integration_parameter = 0.25f;
  p.max_iterations = 10;
  p.iteration_tolerance = 0.01f;
  p.substructure_list_switch = 1;
  p.second_header_switch = 1;
  p.contact_aux_switch = 0;
  ctx.track.modal_node_decimation = 1;

  // Six records, each its own read. A file that ends early, or a null value,
  // leaves the rest at their values before reading, and the rewrite completes
  // the file; a value that does not read as a number of its kind (the two
  // switches take 0 or 1 only) stops the run before the rewrite, so the file
  // keeps it for the user to mend.
  constexpr std::string_view label = solution_parameters_file;
  const auto read = [&](std::initializer_list<ReadTarget> targets, std::string_view record) {
    const std::int32_t status = read_list(ctx.units, unit, targets, NullValues::keep_contents);
    if (status != io_status::end_of_file) check_read_status(ctx, status, label, unit, record);
  };
  read({p.integration_method}, "record 1, integration method");
  read({p.time_step}, "record 2, time step");
  read({p.output_interval}, "record 3, output interval");
  read({p.contact_option}, "record 4, wheel-rail contact option");
  read({ReadTarget::flag(p.Coordination_sys_bridge)}, "record 5, bridge axis convention");
  read({ReadTarget::flag(p.IsContact), p.StiContact, p.DamContact}, "record 6, track contact spring");

  // Codes that select no scheme and no contact solution: a method of 3 would
  // run every stage with the bridge and the car bodies at rest, and any
  // other value would integrate nothing; a contact option below -1 has no
  // law. A contact option of 2 or more is checked against the contact code
  // of every vehicle type, with the vehicle types.
  const std::int32_t m = p.integration_method;
  if (m != method::post_processing && m != method::wilson_theta && m != method::newmark &&
      m != method::explicit_two_step && m != method::runge_kutta)
    stop_with_bad_value(ctx, label, unit, "record 1, integration method",
                        std::to_string(m) + ", must be -1, 0, 1, 2 or 4");
  if (p.contact_option < -1)
    stop_with_bad_value(ctx, label, unit, "record 4, wheel-rail contact option",
                        std::to_string(p.contact_option) + ", must be -1, 0 or 1");

  // Values that every integration divides by. The stiffness of the track
  // contact spring is checked with the vehicle types, where it is known
  // whether any wheel pair uses the spring.
  if (!(p.time_step > 0.0f))
    stop_with_bad_value(ctx, label, unit, "record 2, time step", value_text(p.time_step) + ", must be above 0");
  if (p.output_interval < 1)
    stop_with_bad_value(ctx, label, unit, "record 3, output interval",
                        std::to_string(p.output_interval) + ", must be 1 or more");
  // Every result file stores its record interval N * dt in single precision.
  if (!std::isfinite(static_cast<float>(p.output_interval) * p.time_step))
    stop_with_bad_value(ctx, label, unit, "record 2, time step",
                        value_text(p.time_step) + ", gives a result interval of " +
                            std::to_string(p.output_interval) + " steps beyond single precision");

  // The file's new text, with every value before its comment, in fields
  // that give every value back when the file is read again. It is written
  // once the run starts (rewrite_solution_parameters): a run refused at
  // start-up leaves the file as it was, the user's own comments included.
  PendingTextRewrite& rewrite = ctx.rewrites.solution_parameters;
  const UnitTable::OpenAttempt* opened = ctx.units.last_open(unit);
  rewrite = PendingTextRewrite{true, unit, opened ? opened->name : std::string(label.substr(1)), {}};
  const auto add = [&](std::string_view layout, std::initializer_list<FmtArg> items) {
    append_records(rewrite.records, format_records(layout, items));
  };
  const auto add_integer_line = [&](std::int32_t value, std::string_view comment) {
    add(integer_line_layout(value), {value, comment});
  };
  add_integer_line(p.integration_method,
                   "!Integral Method (Wilson:0;Newmark:1;New Explicit:2;Rugge-kutta:4;PostPro:-1)");
  add(edit_list({exponent_field(p.time_step, 20), "A80"}), {p.time_step, "!Time step for integration"});
  add_integer_line(p.output_interval, "!Output Result Every N Steps");
  add_integer_line(p.contact_option, "!Option for wheel-rail contact (Sptial:1;Vertical only:0;Moving load:-1)");
  add_integer_line(p.Coordination_sys_bridge, "!Coordination_sys_bridge (Z axis upward:1;Y axis upward:0)");
  add(edit_list({descriptor("I", integer_width(p.IsContact)), exponent_field(p.StiContact, 15),
                 exponent_field(p.DamContact, 15), "A80"}),
      {p.IsContact, p.StiContact, p.DamContact,
       "!IsContact,StiContact and DamContact of track contact,for wheel-rail jump"});
  ctx.units.close(unit);
}

void rewrite_solution_parameters(RunContext& ctx) {
  PendingTextRewrite& rewrite = ctx.rewrites.solution_parameters;
  if (!rewrite.pending) return;
  rewrite.pending = false;
  const std::int32_t unit = rewrite.unit;
  check_read_status(ctx, ctx.units.open(unit, rewrite.file_name, OpenMode::unknown, UnitForm::text),
                    solution_parameters_file, unit, "its rewrite with the program's comments");
  for (const std::string& record : rewrite.records) ctx.units.write_record(unit, record);
  ctx.units.close(unit);
  rewrite.records.clear();
}

}  // namespace tb
