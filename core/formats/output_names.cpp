// The output names checked before a run.
#include "core/formats/output_names.h"

#include <string>
#include <string_view>

#include "core/base/channel_table.h"
#include "core/commit/file_table.h"
#include "core/formats/brainvision_header.h"

namespace velbrix {
namespace {

std::filesystem::path FolderOrCurrent(const std::filesystem::path& folder) {
  return folder.empty() ? std::filesystem::path(".") : folder;
}

}  // namespace

std::filesystem::path LongestTextOutput(const std::filesystem::path& folder,
                                        const std::filesystem::path& leaf,
                                        std::span<const int> positions) {
  std::string_view longest;
  for (const int position : positions) {
    const std::string_view name = ChannelAtPosition(position).name;
    longest = name.size() > longest.size() ? name : longest;
  }
  std::filesystem::path name = leaf;
  name += "_" + std::string(longest) + ".eeg";
  return FolderOrCurrent(folder) / name;
}

std::filesystem::path ExportDataOutput(const std::filesystem::path& folder,
                                       const std::filesystem::path& leaf, ExportFormat format) {
  std::filesystem::path name = leaf;
  name += WritesEdf(format) ? ".edf" : ".vhdr";
  return FolderOrCurrent(folder) / name;
}

std::filesystem::path LongestBidsOutput(const std::filesystem::path& root,
                                        const BidsEntities& entities) {
  return BidsRecordingFolder(root, entities) / (BidsPrefix(entities) + "_channels.tsv");
}

Status CheckRecordingOutputs(const std::filesystem::path& recording,
                             const std::filesystem::path& longest, bool brainvision_names) {
  Status status = CheckOutputName(longest);
  if (status.ok() && brainvision_names) {
    status = CheckBrainVisionBaseName(PathForDisplay(recording.filename()));
  }
  if (!status.ok()) {
    return Status::InvalidArgument(PathForDisplay(recording) + ": " + status.message());
  }
  return status;
}

}  // namespace velbrix
