// Lines of the text reports on stored result series: free-format text lines,
// the integer labels of the channels and rows of channel values.
#pragma once

#include <cstdint>
#include <string_view>

#include "platform/array.h"
#include "platform/units.h"

namespace tb {

// A free-format line: a blank and the text.
void free_line(UnitTable& units, std::int32_t unit, std::string_view text);

// Column `column` of the label pairs (channel, 1..2), as integers, ten to a
// line (10I12).
void integer_labels(UnitTable& units, std::int32_t unit, const Array2<float>& labels, int column);

// One value per channel, ten to a line (10E12.3).
void value_lines(UnitTable& units, std::int32_t unit, const Array1<float>& values);

}  // namespace tb
