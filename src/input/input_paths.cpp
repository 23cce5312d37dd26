#include "input/input_paths.h"

namespace tb {

std::string_view trim_trailing_blanks(std::string_view s) {
  while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
  return s;
}

std::string input_file_name(const RunControl& control, std::string_view name) {
  std::string path(trim_trailing_blanks(control.input_path));
  std::string full = path + std::string(name);
  for (char& c : full)
    if (c == '\\') c = '/';
  if (path.empty()) {
    // The working directory: the name must not land at the file-system root.
    std::size_t k = 0;
    while (k < full.size() && full[k] == '/') ++k;
    full.erase(0, k);
  }
  return full;
}

}  // namespace tb
