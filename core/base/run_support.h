// What the runs over a recording share: the checks of the channels and the file name they are
// given, and the bytes of a sample as the EDF and BrainVision data files hold it.
#ifndef VELBRIX_CORE_BASE_RUN_SUPPORT_H_
#define VELBRIX_CORE_BASE_RUN_SUPPORT_H_

#include <array>
#include <cstdint>
#include <filesystem>
#include <span>

#include "core/base/status.h"

namespace velbrix {

// Whether `positions` names at least one channel, each by its position 1 .. 32 and none twice;
// otherwise an InvalidArgument that names the first wrong one.
Status CheckPositions(std::span<const int> positions);

// Whether `file_name`, which the outputs are named after, is a file name alone: not empty and
// without a folder. Otherwise an InvalidArgument that shows it.
Status CheckRecordingFileName(const std::filesystem::path& file_name);

// For each sample byte, the two bytes (little-endian) of the 16-bit value that `value` gives it.
using SampleBytesTable = std::array<std::array<char, 2>, 256>;
constexpr SampleBytesTable LittleEndianSampleBytes(std::int16_t (*value)(std::uint8_t)) {
  SampleBytesTable bytes{};
  for (int b = 0; b < 256; ++b) {
    const auto v = static_cast<std::uint16_t>(value(static_cast<std::uint8_t>(b)));
    bytes[static_cast<std::size_t>(b)] = {static_cast<char>(v & 0xFF), static_cast<char>(v >> 8)};
  }
  return bytes;
}

}  // namespace velbrix

#endif  // VELBRIX_CORE_BASE_RUN_SUPPORT_H_
