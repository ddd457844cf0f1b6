// What marks a file as a recording: its name, which must end in "_eeg" exactly (an underscore and
// lower-case letters). The content is never inspected.
#ifndef VELBRIX_CORE_BASE_RECORDING_NAME_H_
#define VELBRIX_CORE_BASE_RECORDING_NAME_H_

#include <cstdint>
#include <filesystem>
#include <string>

namespace velbrix {

inline constexpr char kRecordingNameEnd[] = "_eeg";
// What the user is told of a file whose name does not end in "_eeg".
inline constexpr char kNotValidText[] = "Not a Valid EEG file";

// Whether the last four characters of `path` are exactly "_eeg".
bool HasRecordingName(const std::filesystem::path& path);

// "the last 6 bytes of <recording> do not make a whole record of 32 bytes and were not
// converted": what a run that left out a trailing partial record tells the user.
std::string LeftOutDescription(const std::filesystem::path& recording, std::uint64_t bytes);

// A description such as LeftOutDescription's, which begins with a lower-case letter, as a sentence
// of its own: "The last 6 bytes ... converted." (a window's message, where the command line puts
// "warning: " before the description).
std::string AsSentence(std::string description);

}  // namespace velbrix

#endif  // VELBRIX_CORE_BASE_RECORDING_NAME_H_
