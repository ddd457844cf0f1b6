// The checks of a run's channels and file name.
#include "core/base/run_support.h"

#include <string>

#include "core/base/channel_table.h"
#include "core/base/record.h"

namespace velbrix {

Status CheckPositions(std::span<const int> positions) {
  if (positions.empty()) {
    return Status::InvalidArgument("No channel was chosen");
  }
  std::array<bool, kChannelCount + 1> seen{};
  for (const int p : positions) {
    if (p < 1 || p > static_cast<int>(kChannelCount)) {
      return Status::InvalidArgument("There is no channel at position " + std::to_string(p));
    }
    if (seen[static_cast<std::size_t>(p)]) {
      return Status::InvalidArgument("Channel " + std::string(ChannelAtPosition(p).name) +
                                     " was chosen twice");
    }
    seen[static_cast<std::size_t>(p)] = true;
  }
  return Status::Ok();
}

Status CheckRecordingFileName(const std::filesystem::path& file_name) {
  if (file_name.empty() || file_name.has_parent_path() || !file_name.has_filename()) {
    return Status::InvalidArgument("\"" + PathForDisplay(file_name) +
                                   "\" is not the file name of a recording");
  }
  return Status::Ok();
}

}  // namespace velbrix
