#include "run/solution_parameters.h"

#include "platform/format.h"
#include "platform/list_read.h"
#include "run/input_helpers.h"

namespace tb {

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

  // Six records, each its own read; no status is tested.
  read_list(ctx.units, unit, {p.integration_method});
  read_list(ctx.units, unit, {p.time_step});
  read_list(ctx.units, unit, {p.output_interval});
  read_list(ctx.units, unit, {p.contact_option});
  read_list(ctx.units, unit, {p.Coordination_sys_bridge});
  read_list(ctx.units, unit, {p.IsContact, p.StiContact, p.DamContact});

  // Rewrite the file with every value before its comment.
  ctx.units.rewind(unit);
  ctx.units.write_records(
      unit, format_records("(I5,17X,A80)",
                           {p.integration_method,
                            "!Integral Method (Wilson:0;Newmark:1;New Explicit:2;Rugge-kutta:4;PostPro:-1)"}));
  ctx.units.write_records(unit, format_records("(E20.6,A80)", {p.time_step, "!Time step for integration"}));
  ctx.units.write_records(unit,
                          format_records("(I5,17X,A80)", {p.output_interval, "!Output Result Every N Steps"}));
  ctx.units.write_records(
      unit, format_records("(I5,17X,A80)",
                           {p.contact_option,
                            "!Option for wheel-rail contact (Sptial:1;Vertical only:0;Moving load:-1)"}));
  ctx.units.write_records(
      unit, format_records("(I5,17X,A80)",
                           {p.Coordination_sys_bridge, "!Coordination_sys_bridge (Z axis upward:1;Y axis upward:0)"}));
  ctx.units.write_records(
      unit, format_records("(I5,E15.6,E15.6,A80)",
                           {p.IsContact, p.StiContact, p.DamContact,
                            "!IsContact,StiContact and DamContact of track contact,for wheel-rail jump"}));
  ctx.units.close(unit);

  // Values that every integration divides by. The stiffness of the track
  // contact spring is checked with the vehicle types, where it is known
  // whether any wheel pair uses the spring.
  const bool bad = !(p.time_step > 0.0f) || p.output_interval < 1;
  if (bad) check_read_status(ctx, 1, "\\SolutionParameters.dat");
}

}  // namespace tb
