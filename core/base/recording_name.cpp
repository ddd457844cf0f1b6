// The name check of recordings, and what is said of a partial record left out.
#include "core/base/recording_name.h"

#include <string_view>

#include "core/base/record.h"
#include "core/base/status.h"

namespace velbrix {

bool HasRecordingName(const std::filesystem::path& path) {
  // "_eeg" is ASCII, so comparing the UTF-8 text's last four bytes compares its last four
  // characters.
  const std::string text = PathForDisplay(path);
  const std::string_view end = kRecordingNameEnd;
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

std::string LeftOutDescription(const std::filesystem::path& recording, std::uint64_t bytes) {
  std::string text = "the last " + std::to_string(bytes);
  text += bytes == 1 ? " byte of " : " bytes of ";
  text += PathForDisplay(recording);
  text += " do not make a whole record of " + std::to_string(kRecordSize) +
          " bytes and were not converted";
  return text;
}

std::string AsSentence(std::string description) {
  if (!description.empty() && description[0] >= 'a' && description[0] <= 'z') {
    description[0] = static_cast<char>(description[0] - 'a' + 'A');
  }
  return description + ".";
}

}  // namespace velbrix
