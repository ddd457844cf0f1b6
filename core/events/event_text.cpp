// Lines, fields, counts and bad lines of event tables.
#include "core/events/event_text.h"

#include <cassert>
#include <charconv>

namespace velbrix {
namespace {

constexpr std::size_t kBadLinesNamed = 5;
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

}  // namespace

std::vector<TextLine> SplitTextLines(std::string_view text) {
  if (text.starts_with(kByteOrderMark)) {
    text.remove_prefix(kByteOrderMark.size());
  }
  std::vector<TextLine> lines;
  std::size_t number = 0;
  while (!text.empty()) {
    ++number;
    const std::size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    if (line.ends_with('\r')) {
      line.remove_suffix(1);
    }
    if (!line.empty()) {
      lines.push_back({number, line});
    }
  }
  return lines;
}

std::optional<std::vector<std::string>> SplitFields(std::string_view line, char delimiter) {
  std::vector<std::string> fields(1);
  bool quoted = false;
  for (std::size_t i = 0; i < line.size(); ++i) {
    const char c = line[i];
    if (quoted) {
      if (c != '"') {
        fields.back() += c;
      } else if (i + 1 < line.size() && line[i + 1] == '"') {
        fields.back() += '"';
        ++i;
      } else {
        quoted = false;
      }
    } else if (c == delimiter) {
      fields.emplace_back();
    } else if (c == '"' && fields.back().empty() && (i == 0 || line[i - 1] == delimiter)) {
      quoted = true;
    } else {
      fields.back() += c;
    }
  }
  if (quoted) {
    return std::nullopt;
  }
  return fields;
}

std::optional<std::uint64_t> ParseCount(std::string_view text) {
  std::uint64_t value = 0;
  if (text.empty() || text.front() < '0' || text.front() > '9') {
    return std::nullopt;
  }
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size()) {
    return std::nullopt;
  }
  return value;
}

void BadLines::Add(std::size_t line, std::string reason) {
  if (lines_.size() < kBadLinesNamed) {
    lines_.push_back({line, std::move(reason)});
  }
  ++count_;
}

Status BadLines::ToStatus(std::string_view operation, const std::filesystem::path& file) const {
  assert(!lines_.empty());
  std::string message = std::string(operation) + " " + PathForDisplay(file) + ": ";
  for (std::size_t i = 0; i < lines_.size(); ++i) {
    message +=
        (i > 0 ? "; line " : "line ") + std::to_string(lines_[i].line) + ": " + lines_[i].reason;
  }
  if (count_ > lines_.size()) {
    message += "; and " + std::to_string(count_ - lines_.size()) + " more bad lines";
  }
  return Status::InvalidArgument(std::move(message));
}

}  // namespace velbrix
