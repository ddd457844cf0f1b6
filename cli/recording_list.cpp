// Finding recordings named twice, and different recordings whose outputs would share names.
#include "cli/recording_list.h"

#include <system_error>
#include <unordered_map>
#include <unordered_set>

#include "cli/platform.h"
#include "core/base/recording_name.h"
#include "core/base/status.h"

namespace velbrix::cli {
namespace {

namespace fs = std::filesystem;

fs::path NormalPath(const fs::path& path) {
  std::error_code ec;
  const fs::path absolute = fs::absolute(path, ec);
  return (ec ? path : absolute).lexically_normal();
}

}  // namespace

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
  for (const fs::path& recording : *recordings) {
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
      kept.push_back(recording);
    }
  }
  *recordings = std::move(kept);
  return std::nullopt;
}

}  // namespace velbrix::cli
