// Finding recordings named twice, and different recordings whose outputs would share names.
#include "cli/recording_list.h"

#include <system_error>

#include "cli/platform.h"
#include "core/recording_name.h"
#include "core/status.h"

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
  std::vector<fs::path> kept;
  for (const fs::path& recording : *recordings) {
    bool repeated = false;
    for (const fs::path& earlier : kept) {
      const bool same_name = FileNamesMatch(earlier.filename(), recording.filename());
      // Recordings of different file names write different outputs, even when one is a link to
      // the other: each is converted.
      if (!same_name && names_are_outputs) {
        continue;
      }
      if (SameRecording(earlier, recording)) {
        repeated = true;
        break;
      }
      if (same_name && names_are_outputs && HasRecordingName(recording)) {
        return PathForDisplay(earlier) + " and " + PathForDisplay(recording) +
               " are different recordings of the same file name, and the files written for one "
               "would replace the other's. Convert them into different folders (-o DIR)";
      }
    }
    if (!repeated) {
      kept.push_back(recording);
    }
  }
  *recordings = std::move(kept);
  return std::nullopt;
}

}  // namespace velbrix::cli
