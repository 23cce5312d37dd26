// The title of the result statistics report, kept from one report to the
// next.
#pragma once

#include <string>

namespace tb {

// Set from the result unit at every report; a unit without a title of its
// own repeats the previous one (blank before any title was set).
struct StatisticsReportTitle {
  std::string text = std::string(200, ' ');
};

}  // namespace tb
