// The checks of a run's output names that come before anything is converted, so that a name no
// folder takes is said at once, for the command line's every recording and for the window's
// export: the longest name a recording's outputs take in their folder, and whether it fits.
#ifndef VELBRIX_CORE_FORMATS_OUTPUT_NAMES_H_
#define VELBRIX_CORE_FORMATS_OUTPUT_NAMES_H_

#include <filesystem>
#include <span>

#include "core/base/status.h"
#include "core/formats/bids_layout.h"
#include "core/formats/export_inputs.h"

namespace velbrix {

// The longest of the text files "<leaf>_<channel>.eeg" of `positions` in `folder` (empty: the
// current folder).
std::filesystem::path LongestTextOutput(const std::filesystem::path& folder,
                                        const std::filesystem::path& leaf,
                                        std::span<const int> positions);
// The data file of an export of `format` in `folder` (empty: the current folder):
// "<leaf>.edf", or "<leaf>.vhdr", as long as the .vmrk and longer than the .eeg.
std::filesystem::path ExportDataOutput(const std::filesystem::path& folder,
                                       const std::filesystem::path& leaf, ExportFormat format);
// The longest path of a recording's files in the BIDS dataset at `root`: its channels.tsv.
std::filesystem::path LongestBidsOutput(const std::filesystem::path& root,
                                        const BidsEntities& entities);

// Fails with kInvalidArgument, the message naming `recording` and then why, when `longest` (one of
// the above) is longer than its folder takes, or, for BrainVision files outside a dataset
// (`brainvision_names`), when their header cannot name them.
Status CheckRecordingOutputs(const std::filesystem::path& recording,
                             const std::filesystem::path& longest, bool brainvision_names);

}  // namespace velbrix

#endif  // VELBRIX_CORE_FORMATS_OUTPUT_NAMES_H_
