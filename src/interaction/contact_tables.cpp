#include "interaction/contact_tables.h"

#include <array>
#include <string>
#include <vector>

#include "input/read_errors.h"
#include "model/file_names.h"
#include "platform/list_read.h"

namespace tb {

namespace {

constexpr std::string_view kHeaderText = "deltay   phi=";
constexpr std::size_t kHeaderRecordWidth = 256;

}  // namespace

void read_contact_geometry_table(RunContext& ctx) {
  using G = ContactGeometryTable;
  G& g = ctx.contact_geometry;
  const std::int32_t unit = ctx.control.unit_geometry;
  g.geometry_yaw_angles.resize(G::geometry_yaw_count);
  g.geometry_offsets.resize(G::geometry_offset_count);
  g.contact_geometry.resize(G::geometry_offset_count, G::geometry_yaw_count, G::geometry_quantity_count);

  check_read_status(ctx, ctx.units.open(unit, std::string(contact_geometry_file), OpenMode::old, UnitForm::text),
                    contact_geometry_file, unit);

  std::string line;
  std::string word;
  std::array<float, G::geometry_yaw_count> row{};
  for (std::int32_t q = 1; q <= G::geometry_quantity_count; ++q) {
    const std::string block = "block " + std::to_string(q);
    // Skip to the block's header record. A file that ends before it is a
    // data error: every block must be present.
    do {
      const std::int32_t st = read_text_record(ctx.units, unit, line, kHeaderRecordWidth);
      if (st != 0)
        check_search_status(ctx, st, contact_geometry_file, unit, "the \"deltay   phi=\" header of " + block);
    } while (line.find(kHeaderText) == std::string::npos);
    ctx.units.backspace(unit);
    check_read_status(ctx,
                      read_list(ctx.units, unit,
                                {word, word, ReadTarget::reals(g.geometry_yaw_angles.data(), G::geometry_yaw_count)}),
                      contact_geometry_file, unit, block + ", header");

    // Every row of every block is needed: a row that the file lacks, or
    // that holds a value which is not a number, is a data error.
    for (std::int32_t r = 1; r <= G::geometry_offset_count; ++r) {
      check_read_status(ctx, read_list(ctx.units, unit, {g.geometry_offsets(r), std::span<float>(row)}),
                        contact_geometry_file, unit, block + ", row " + std::to_string(r));
      for (std::int32_t c = 1; c <= G::geometry_yaw_count; ++c) g.contact_geometry(r, c, q) = row[c - 1];
    }
  }

  // Rolling radii as deviations from the nominal radius; angles in radians.
  for (std::int32_t c = 1; c <= G::geometry_yaw_count; ++c)
    for (std::int32_t r = 1; r <= G::geometry_offset_count; ++r) {
      for (std::int32_t q : {10, 17}) g.contact_geometry(r, c, q) -= G::nominal_wheel_radius;
      for (std::int32_t q : {1, 11, 18}) g.contact_geometry(r, c, q) *= G::degree_to_radian;
    }

  ctx.units.close(unit);
}

void read_contact_coefficient_table(RunContext& ctx) {
  using C = ContactCoefficientTable;
  Array2<float>& table = ctx.contact_coefficients.contact_coefficients;
  const std::int32_t unit = ctx.control.unit_worm_coefficients;
  table.resize(C::coefficient_row_count, C::coefficient_column_count);

  constexpr std::string_view label = contact_coefficients_label;
  // The first two records are titles, whatever they hold.
  check_read_status(ctx, read_list(ctx.units, unit, std::span<const ReadTarget>()), label, unit, "title line 1");
  check_read_status(ctx, read_list(ctx.units, unit, std::span<const ReadTarget>()), label, unit, "title line 2");
  std::vector<ReadTarget> rows;
  rows.reserve(C::coefficient_row_count);
  for (std::int32_t i = 1; i <= C::coefficient_row_count; ++i)
    rows.push_back(ReadTarget::reals(table.at_ptr(i, 1), C::coefficient_column_count,
                                     static_cast<std::ptrdiff_t>(table.stride(2))));
  check_read_status(ctx, read_list(ctx.units, unit, rows), label, unit, "the 56 rows of 7 values");

  // The creep law interpolates the columns against column 1 in windows of
  // three rows: equal or falling arguments would divide by zero there.
  for (std::int32_t i = 2; i <= C::coefficient_row_count; ++i)
    if (!(table(i, 1) > table(i - 1, 1)))
      stop_with_bad_value(
          ctx, label, unit, "row " + std::to_string(i),
          "argument " + value_text(table(i, 1)) + ", must be above the row before's " + value_text(table(i - 1, 1)));

  ctx.units.close(unit);
}

}  // namespace tb
