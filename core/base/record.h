// The layout of an input recording and the value of one sample.
//
// A recording is a headerless sequence of 32-byte records. Record k occupies bytes 32k to 32k+31
// of the file; byte i of a record is the unsigned sample of the channel at record position i + 1
// (see channel_table.h). Every byte value is a valid sample; the content is never inspected.
//
//   offset:  0        1        ...  31
//          +--------+--------+-----+--------+
//          | pos 1  | pos 2  | ... | pos 32 |   one unsigned 8-bit sample each
//          +--------+--------+-----+--------+
#ifndef VELBRIX_CORE_BASE_RECORD_H_
#define VELBRIX_CORE_BASE_RECORD_H_

#include <array>
#include <cstddef>
#include <cstdint>

namespace velbrix {

inline constexpr std::size_t kChannelCount = 32;
inline constexpr std::size_t kRecordSize = kChannelCount;  // one byte per channel

// Sample byte whose value is zero; the range is therefore -127 .. +128 steps.
inline constexpr int kZeroSample = 127;

// One input record: byte i is the sample of the channel at record position i + 1.
using EegRecord = std::array<std::uint8_t, kRecordSize>;
static_assert(sizeof(EegRecord) == kRecordSize);

// The value of a sample byte b: (b - 127) * 3.75, from -476.25 to 480 in steps of 3.75. Every
// result is an exact multiple of 0.25, so the double holds it exactly.
constexpr double ScaleSample(std::uint8_t sample) {
  return static_cast<double>(static_cast<int>(sample) - kZeroSample) * 3.75;
}

static_assert(ScaleSample(127) == 0.0);
static_assert(ScaleSample(0) == -476.25);
static_assert(ScaleSample(255) == 480.0);

}  // namespace velbrix

#endif  // VELBRIX_CORE_BASE_RECORD_H_
