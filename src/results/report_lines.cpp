#include "results/report_lines.h"

#include <vector>

#include "numerics/truncation.h"
#include "platform/format.h"

namespace tb {

void free_line(UnitTable& units, std::int32_t unit, std::string_view text) {
  units.write_record(unit, list_directed_line({text}));
}

void integer_labels(UnitTable& units, std::int32_t unit, const Array2<float>& labels, int column) {
  std::vector<FmtArg> args;
  for (std::int32_t c = 1; c <= labels.extent(1); ++c) args.emplace_back(truncate_to_int32(labels(c, column)));
  units.write_records(unit, format_records("(10I12)", args));
}

void value_lines(UnitTable& units, std::int32_t unit, const Array1<float>& values) {
  std::vector<FmtArg> args;
  for (std::int32_t c = 1; c <= values.extent(1); ++c) args.emplace_back(values(c));
  units.write_records(unit, format_records("(10E12.3)", args));
}

}  // namespace tb
