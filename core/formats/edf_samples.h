// The step of the EDF export that touches every sample: channels taken out of consecutive
// records, each channel's samples in a run of its own, as EDF's 16-bit digital values
// (EdfDigitalValue, little-endian).
#ifndef VELBRIX_CORE_FORMATS_EDF_SAMPLES_H_
#define VELBRIX_CORE_FORMATS_EDF_SAMPLES_H_

#include <cstddef>
#include <cstdint>
#include <span>

namespace velbrix {

// For each s, writes the samples of the channel at positions[s] (1..32) of the `count` records at
// `records` as 2-byte digital values at out + s * stride, one after the other.
void PutEdfSamples(const std::uint8_t* records, std::size_t count, std::span<const int> positions,
                   char* out, std::size_t stride);

}  // namespace velbrix

#endif  // VELBRIX_CORE_FORMATS_EDF_SAMPLES_H_
