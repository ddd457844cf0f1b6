// The pieces of reading event tables shared by the sidecar and the import: lines, fields, counts,
// and the list of bad lines that makes a whole file fail.
#ifndef VELBRIX_CORE_EVENTS_EVENT_TEXT_H_
#define VELBRIX_CORE_EVENTS_EVENT_TEXT_H_

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/base/status.h"

namespace velbrix {

struct TextLine {
  std::size_t number = 0;  // 1-based, as an editor counts
  std::string_view text;   // without its line end
};

// The lines of `text` that hold anything: a leading UTF-8 byte order mark is dropped, lines end
// at LF or CR LF, and empty lines are left out (their numbers still count).
std::vector<TextLine> SplitTextLines(std::string_view text);

// The fields of `line` separated by `delimiter`. A field may be quoted ("a, b"), a doubled quote
// standing for one; quotes elsewhere are taken as they are. Returns nothing for a quote that is
// not closed.
std::optional<std::vector<std::string>> SplitFields(std::string_view line, char delimiter);

// The count written in `text`: decimal digits only, no sign or space, at most 2^64 - 1.
std::optional<std::uint64_t> ParseCount(std::string_view text);

// The bad lines of a file, collected so that one failure names them all (the first few).
class BadLines {
 public:
  void Add(std::size_t line, std::string reason);
  bool empty() const { return lines_.empty(); }
  // kInvalidArgument: "<operation> <file>: line 3: <reason>; line 9: <reason>; and 4 more bad
  // lines". Requires !empty().
  Status ToStatus(std::string_view operation, const std::filesystem::path& file) const;

 private:
  struct Bad {
    std::size_t line;
    std::string reason;
  };
  std::vector<Bad> lines_;  // the first few
  std::size_t count_ = 0;
};

}  // namespace velbrix

#endif  // VELBRIX_CORE_EVENTS_EVENT_TEXT_H_
