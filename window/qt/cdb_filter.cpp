// The open dialog's filter in Qt's form.
#include "window/qt/cdb_filter.h"

#include <vector>

namespace velbrix {
namespace {

std::vector<std::string_view> Split(std::string_view text, char separator) {
  std::vector<std::string_view> parts;
  for (std::size_t start = 0;;) {
    const std::size_t end = text.find(separator, start);
    parts.push_back(text.substr(start, end == std::string_view::npos ? end : end - start));
    if (end == std::string_view::npos) {
      return parts;
    }
    start = end + 1;
  }
}

// "All Files (*.*)" without its " (*.*)".
std::string_view WithoutPatterns(std::string_view description) {
  const std::size_t open = description.rfind(" (");
  if (open != std::string_view::npos && description.ends_with(')')) {
    return description.substr(0, open);
  }
  return description;
}

}  // namespace

std::string QtFilterFromCdb(std::string_view filter) {
  const std::vector<std::string_view> parts = Split(filter, '|');
  std::string result;
  for (std::size_t i = 0; i + 1 < parts.size(); i += 2) {
    std::string patterns;
    for (std::string_view pattern : Split(parts[i + 1], ';')) {
      if (pattern.empty()) {
        continue;
      }
      if (!patterns.empty()) {
        patterns += ' ';
      }
      patterns += pattern == "*.*" ? std::string_view("*") : pattern;
    }
    if (patterns.empty()) {
      continue;
    }
    if (!result.empty()) {
      result += ";;";
    }
    result += WithoutPatterns(parts[i]);
    result += " (" + patterns + ")";
  }
  return result;
}

}  // namespace velbrix
