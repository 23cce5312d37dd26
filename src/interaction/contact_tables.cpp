#include "interaction/contact_tables.h"

#include <array>
#include <string>
#include <vector>

#include "platform/list_read.h"
#include "run/input_helpers.h"

namespace tb {

namespace {

constexpr std::string_view kGeometryLabel = "Geometry.dat";
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

  check_read_status(ctx, ctx.units.open(unit, "Geometry.dat", OpenMode::old, UnitForm::text), kGeometryLabel);

  std::string line;
  std::string word;
  std::array<float, G::geometry_yaw_count> row{};
  std::int32_t status = 0;
  for (std::int32_t q = 1; q <= G::geometry_quantity_count; ++q) {
    // Skip to the block's header record. A file that ends before it is a
    // data error: every block must be present.
    do {
      const std::int32_t st = read_text_record(ctx.units, unit, line, kHeaderRecordWidth);
      if (st != 0) check_read_status(ctx, st, kGeometryLabel);
    } while (line.find(kHeaderText) == std::string::npos);
    ctx.units.backspace(unit);
    read_list(ctx.units, unit,
              {word, word, ReadTarget::reals(g.geometry_yaw_angles.data(), G::geometry_yaw_count)});

    for (std::int32_t r = 1; r <= G::geometry_offset_count; ++r) {
      // A row whose values cannot all be read keeps its zeros.
      status = read_list(ctx.units, unit, {g.geometry_offsets(r), std::span<float>(row)});
      if (status == 0)
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
  check_read_status(ctx, status, kGeometryLabel);
}

void read_contact_coefficient_table(RunContext& ctx) {
  using C = ContactCoefficientTable;
  Array2<float>& table = ctx.contact_coefficients.contact_coefficients;
  const std::int32_t unit = ctx.control.unit_worm_coefficients;
  table.resize(C::coefficient_row_count, C::coefficient_column_count);

  // The first two records are titles, whatever they hold.
  read_list(ctx.units, unit, std::span<const ReadTarget>());
  read_list(ctx.units, unit, std::span<const ReadTarget>());
  std::vector<ReadTarget> rows;
  rows.reserve(C::coefficient_row_count);
  for (std::int32_t i = 1; i <= C::coefficient_row_count; ++i)
    rows.push_back(ReadTarget::reals(table.at_ptr(i, 1), C::coefficient_column_count,
                                     static_cast<std::ptrdiff_t>(table.stride(2))));
  std::int32_t status = read_list(ctx.units, unit, rows);

  // The creep law interpolates the columns against column 1 in windows of
  // three rows: equal or falling arguments would divide by zero there.
  for (std::int32_t i = 2; status == 0 && i <= C::coefficient_row_count; ++i)
    if (!(table(i, 1) > table(i - 1, 1))) status = 1;

  ctx.units.close(unit);
  check_read_status(ctx, status, "WormCoeefficient.DAT");
}

}  // namespace tb
