// Reading list files, finding recordings named twice and different recordings whose outputs would
// share names, and sharing a list out.
#include "cli/recording_list.h"

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <functional>
#include <system_error>
#include <unordered_map>
#include <unordered_set>
#include <utility>

#include "cli/platform.h"
#include "core/base/recording_name.h"
#include "core/base/status.h"
#include "core/os/os_file.h"

namespace velbrix::cli {
namespace {

namespace fs = std::filesystem;

fs::path NormalPath(const fs::path& path) {
  std::error_code ec;
  const fs::path absolute = fs::absolute(path, ec);
  return (ec ? path : absolute).lexically_normal();
}

// Reads up to `size` bytes into `buffer`; `*got < size` only at the end of the input.
using ReadChunk = std::function<std::error_code(char* buffer, std::size_t size, std::size_t* got)>;

std::optional<std::string> ReadLines(const std::string& shown, const ReadChunk& read,
                                     std::vector<fs::path>* recordings) {
  std::string line;
  std::size_t line_number = 1;
  const auto at_line = [&] { return shown + ", line " + std::to_string(line_number) + ": "; };
  const auto too_long = [&] {
    return at_line() + "the line is longer than " + std::to_string(kMaxListLine) +
           " bytes; a list of recordings holds one path a line";
  };
  // Adds `line` unless blank; its CR, and the byte order mark of the first line, dropped.
  const auto add = [&]() -> std::optional<std::string> {
    if (line.ends_with('\r')) {
      line.pop_back();
    }
    if (line_number == 1 && line.starts_with("\xEF\xBB\xBF")) {
      line.erase(0, 3);
    }
    if (line.size() > kMaxListLine) {
      return too_long();
    }
    if (line.find_first_not_of(" \t") != std::string::npos) {
      recordings->push_back(PathFromArgument(line));
    }
    return std::nullopt;
  };
  std::vector<char> buffer(kMaxListLine);
  for (;;) {
    std::size_t got = 0;
    if (const std::error_code ec = read(buffer.data(), buffer.size(), &got)) {
      return "Cannot read the list of recordings " + shown + ": " + ec.message();
    }
    for (std::size_t i = 0; i < got; ++i) {
      const char c = buffer[i];
      if (c == '\n') {
        if (std::optional<std::string> error = add()) {
          return error;
        }
        line.clear();
        ++line_number;
      } else if (c == '\0') {
        return at_line() + "a NUL byte, which no path holds; a list of recordings is text, one " +
               "path a line";
      } else if (line.size() > kMaxListLine + 4) {  // too long even without a mark and a CR
        return too_long();
      } else {
        line.push_back(c);
      }
    }
    if (got < buffer.size()) {
      return add();
    }
  }
}

}  // namespace

std::optional<std::string> ReadRecordingList(const std::string& name,
                                             std::vector<fs::path>* recordings) {
  if (name == "-") {
    return ReadLines(
        "standard input",
        [](char* buffer, std::size_t size, std::size_t* got) {
          *got = std::fread(buffer, 1, size, stdin);
          return *got < size && std::ferror(stdin) ? std::error_code(errno, std::generic_category())
                                                   : std::error_code();
        },
        recordings);
  }
  const fs::path path = PathFromArgument(name);
  OsFile file;
  if (const std::error_code ec = OsFile::OpenForReading(path, &file)) {
    return "Cannot read the list of recordings " + PathForDisplay(path) + ": " + ec.message();
  }
  return ReadLines(
      PathForDisplay(path),
      [&](char* buffer, std::size_t size, std::size_t* got) {
        return file.Read(buffer, size, got);
      },
      recordings);
}

std::optional<std::string> ParseShard(const std::string& text, Shard* shard) {
  const std::size_t slash = text.find('/');
  const auto number = [&](std::size_t from, std::size_t to, std::size_t* value) {
    const char* first = text.data() + from;
    const char* last = text.data() + to;
    const auto [end, ec] = std::from_chars(first, last, *value);
    return first != last && ec == std::errc() && end == last;
  };
  Shard parsed;
  if (slash == std::string::npos || !number(0, slash, &parsed.index) ||
      !number(slash + 1, text.size(), &parsed.count)) {
    return "--shard " + Quoted(text) + " is not K/N: two whole numbers, as in --shard 3/8";
  }
  if (parsed.count == 0) {
    return "--shard " + text + ": N, the number of shares, must be at least 1";
  }
  if (parsed.index < 1 || parsed.index > parsed.count) {
    return "--shard " + text + ": K must be 1 to N, the number of shares (" +
           std::to_string(parsed.count) + ")";
  }
  *shard = parsed;
  return std::nullopt;
}

std::vector<std::size_t> ShardMembers(std::size_t size, const Shard& shard) {
  std::vector<std::size_t> members;
  for (std::size_t i = shard.index - 1; i < size; i += shard.count) {
    members.push_back(i);
  }
  return members;
}

bool SameRecording(const fs::path& a, const fs::path& b) {
  std::error_code ec;
  const bool same = fs::equivalent(a, b, ec);
  return ec ? NormalPath(a) == NormalPath(b) : same;
}

std::optional<std::string> CheckRecordingList(std::vector<fs::path>* recordings,
                                              bool names_are_outputs) {
  // One pass: each recording is looked up by its canonical path (the same file however spelled)
  // and by its file name among the earlier ones of the same name.
  std::vector<fs::path> kept;
  std::unordered_set<fs::path::string_type> paths;
  std::unordered_map<fs::path::string_type, std::vector<std::size_t>> by_name;
  for (fs::path& recording : *recordings) {
    std::error_code ec;
    fs::path canonical = fs::weakly_canonical(recording, ec);
    if (ec) {
      canonical = NormalPath(recording);
    }
    if (!paths.insert(canonical.native()).second) {
      continue;
    }
    std::vector<std::size_t>& same_name = by_name[FileNameKey(recording.filename())];
    bool repeated = false;
    for (const std::size_t index : same_name) {
      const fs::path& earlier = kept[index];
      if (!FileNamesMatch(earlier.filename(), recording.filename())) {
        continue;
      }
      if (SameRecording(earlier, recording)) {
        repeated = true;
        break;
      }
      // A missing recording writes nothing: it fails on its own when it comes to be converted.
      if (names_are_outputs && HasRecordingName(recording) && fs::exists(earlier, ec) &&
          fs::exists(recording, ec)) {
        return PathForDisplay(earlier) + " and " + PathForDisplay(recording) +
               " are different recordings of the same file name, and the files written for one "
               "would replace the other's. Convert them into different folders (-o DIR)";
      }
    }
    if (!repeated) {
      same_name.push_back(kept.size());
      kept.push_back(std::move(recording));
    }
  }
  *recordings = std::move(kept);
  return std::nullopt;
}

}  // namespace velbrix::cli
