// The names under which the input and result files of a run are opened.
#pragma once

#include <string>
#include <string_view>

#include "model/file_units.h"

namespace tb {

// The name under which a file of the input directory is opened: input_path
// without its trailing blanks, then the name (which begins with a backslash);
// every backslash is this platform's directory separator. An empty input path
// is the working directory.
std::string input_file_name(const RunControl& control, std::string_view name);

// A text without its trailing blanks.
std::string_view trim_trailing_blanks(std::string_view s);

}  // namespace tb
