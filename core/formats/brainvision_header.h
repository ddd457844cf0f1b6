// The text files of the BrainVision recordings this program writes (BrainVision Core Data Format
// 1.0), and the layout of their binary data file.
//
// A BrainVision recording is three files of one base name in one folder:
//
//   <name>.vhdr  the header: UTF-8 text in CR LF lines, INI sections
//                  Brain Vision Data Exchange Header File Version 1.0
//                  [Common Infos]   Codepage=UTF-8, DataFile=<name>.eeg, MarkerFile=<name>.vmrk,
//                                   DataFormat=BINARY, DataOrientation=MULTIPLEXED,
//                                   NumberOfChannels=<n>, SamplingInterval=<microseconds>
//                  [Binary Infos]   BinaryFormat=INT_16
//                  [Channel Infos]  Ch<i>=<channel name>,,3.75,µV   (i = 1 .. n, no reference)
//   <name>.vmrk  the markers: one "New Segment" at the first sample, carrying the start if known
//   <name>.eeg   the data: no header; sample after sample, each chosen channel's value in order
//
//   .eeg:  | ch 1, pt 1 | ch 2, pt 1 | ... | ch n, pt 1 | ch 1, pt 2 | ...   2 bytes each
//
// Each value is the sample byte - 127 as a 16-bit little-endian integer, and its resolution is
// 3.75 µV: a reader gets exactly the values of the text conversion. The header holds no sample
// count; readers take it from the data file's size (2 * n bytes per sample).
#ifndef VELBRIX_CORE_FORMATS_BRAINVISION_HEADER_H_
#define VELBRIX_CORE_FORMATS_BRAINVISION_HEADER_H_

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/base/hertz.h"
#include "core/base/record.h"
#include "core/base/status.h"
#include "core/formats/edf_header.h"

namespace velbrix {

inline constexpr char kBrainVisionHeaderExtension[] = ".vhdr";
inline constexpr char kBrainVisionMarkerExtension[] = ".vmrk";
inline constexpr char kBrainVisionDataExtension[] = ".eeg";

inline constexpr char kBrainVisionHeaderFirstLine[] =
    "Brain Vision Data Exchange Header File Version 1.0";
inline constexpr char kBrainVisionMarkerFirstLine[] =
    "Brain Vision Data Exchange Marker File, Version 1.0";
inline constexpr char kBrainVisionResolution[] = "3.75";
inline constexpr char kBrainVisionUnit[] = "\xC2\xB5V";  // µV, MICRO SIGN and V, in UTF-8
inline constexpr std::size_t kBrainVisionBytesPerValue = 2;
static_assert(ScaleSample(kZeroSample + 1) == 3.75);

// The value that a sample byte becomes in the data file.
constexpr std::int16_t BrainVisionValue(std::uint8_t sample) {
  return static_cast<std::int16_t>(static_cast<int>(sample) - kZeroSample);
}

// SamplingInterval, 10^6 / rate microseconds, as written in the header: exactly where that
// decimal ends within 24 significant digits (256 Hz: "3906.25"); otherwise 10^6 / rate computed in
// double precision, in the shortest decimal that reads back as that double (250.5 Hz:
// "3992.015968063872"). A reader that divides 10^6 by it in double precision gets the rate within
// one unit in the last place, and the rate itself when rounding to 15 significant digits.
std::string BrainVisionSamplingInterval(const Hertz& rate);

// Whether `base_name` can be written in the headers' lines: valid UTF-8 without control
// characters.
Status CheckBrainVisionBaseName(std::string_view base_name);

// The header of a recording of the channels at `positions` (1 .. 32, at least one) whose files
// are named after `base_name` (UTF-8, checked by CheckBrainVisionBaseName).
std::string MakeBrainVisionHeader(const std::vector<int>& positions, std::string_view base_name,
                                  const Hertz& rate);

// The marker file of that recording: a "New Segment" at the first sample, with `start` as its
// date when given.
std::string MakeBrainVisionMarkers(std::string_view base_name,
                                   const std::optional<EdfStart>& start);

}  // namespace velbrix

#endif  // VELBRIX_CORE_FORMATS_BRAINVISION_HEADER_H_
