// InputRewrites: the input files that a run writes back, held until the run
// starts. "SolutionParameters.dat" is rewritten with the program's comments,
// and a generated irregularity is stored into "Irregularity.dat"; both are
// written only once every input file has been read and checked, where the
// result files are opened, so that a run refused at start-up leaves every
// input file as the user wrote it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/array.h"

namespace tb {

// The new text of one input file: the unit and the name it was read under,
// and its records (lines) from the first on.
struct PendingTextRewrite {
  bool pending = false;
  std::int32_t unit = 0;
  std::string file_name;
  std::vector<std::string> records;
};

struct InputRewrites {
  PendingTextRewrite solution_parameters;  // the six commented lines
  // A generated irregularity: records 1 to 7 of the stored file, then one
  // record per sample of `irregularity_samples`, (N, 3) vertical profile,
  // alignment and cross level before scaling and filtering.
  PendingTextRewrite irregularity;
  Array2<float> irregularity_samples;
};

// Appends the records of a text that holds one or more, each ended by '\n'
// (the last one may lack it), as a write of that text to a unit makes them.
inline void append_records(std::vector<std::string>& records, std::string_view text) {
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    records.emplace_back(text.substr(start, end - start));
    start = end + 1;
  }
}

}  // namespace tb
