// The recordings of one call, checked before anything is converted: one output name, one
// recording.
#ifndef VELBRIX_CLI_RECORDING_LIST_H_
#define VELBRIX_CLI_RECORDING_LIST_H_

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace velbrix::cli {

// Whether `a` and `b` name the same file, however spelled: the same existing file (through links
// too), or the same path once made absolute and normal where either is missing.
bool SameRecording(const std::filesystem::path& a, const std::filesystem::path& b);

// Removes from `recordings` every later naming of a recording given before. With
// `names_are_outputs`, the outputs are named after the recordings' file names: returns the
// message of a usage error, naming both paths, when two different recordings whose names end in
// "_eeg" have file names that name the same file in one folder (see FileNamesMatch). Returns
// nothing when the list can be converted.
std::optional<std::string> CheckRecordingList(std::vector<std::filesystem::path>* recordings,
                                              bool names_are_outputs);

}  // namespace velbrix::cli

#endif  // VELBRIX_CLI_RECORDING_LIST_H_
