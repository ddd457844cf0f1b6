// Writing the header and marker files of a BrainVision recording.
#include "core/formats/brainvision_header.h"

#include <cassert>

#include "core/base/channel_table.h"
#include "core/base/utf8.h"

namespace velbrix {
namespace {

constexpr int kMostExactDigits = 24;
constexpr char kLineEnd[] = "\r\n";

std::uint64_t Power10(int exponent) {
  std::uint64_t value = 1;
  for (int i = 0; i < exponent; ++i) {
    value *= 10;
  }
  return value;
}

// 10^6 / rate written exactly, or nothing when the decimal does not end within kMostExactDigits
// significant digits. `rate_text` holds at most 15 digits and 9 decimals (ParseHertz), so
// 10^(6 + decimals) and ten times any remainder fit 64 bits.
std::optional<std::string> ExactInterval(std::string_view rate_text) {
  std::uint64_t rate = 0;
  int decimals = 0;
  bool after_point = false;
  for (const char c : rate_text) {
    if (c == '.') {
      after_point = true;
      continue;
    }
    rate = rate * 10 + static_cast<std::uint64_t>(c - '0');
    decimals += after_point ? 1 : 0;
  }
  const std::uint64_t dividend = Power10(6 + decimals);
  std::string text = std::to_string(dividend / rate);
  std::uint64_t remainder = dividend % rate;
  int significant = text == "0" ? 0 : static_cast<int>(text.size());
  if (remainder != 0) {
    text += '.';
  }
  while (remainder != 0) {
    if (significant >= kMostExactDigits) {
      return std::nullopt;
    }
    remainder *= 10;
    const std::uint64_t digit = remainder / rate;
    remainder %= rate;
    text += static_cast<char>('0' + digit);
    significant += significant > 0 || digit != 0 ? 1 : 0;
  }
  return text;
}

std::string TwoDigits(int value) {
  return std::string{static_cast<char>('0' + value / 10), static_cast<char>('0' + value % 10)};
}

}  // namespace

std::string BrainVisionSamplingInterval(const Hertz& rate) {
  if (std::optional<std::string> exact = ExactInterval(rate.text)) {
    return *exact;
  }
  return ShortestDecimal(1e6 / rate.value);
}

namespace {}  // namespace

Status CheckBrainVisionBaseName(std::string_view base_name) {
  if (!IsValidUtf8(base_name)) {
    return Status::InvalidArgument(
        "The name is not valid UTF-8, which a BrainVision header (Codepage=UTF-8) cannot name");
  }
  for (const char c : base_name) {
    if (static_cast<unsigned char>(c) < 32 || c == 127) {
      return Status::InvalidArgument("The name \"" + std::string(base_name) +
                                     "\" holds a control character, which a BrainVision header "
                                     "cannot name");
    }
  }
  return Status::Ok();
}

std::string MakeBrainVisionHeader(const std::vector<int>& positions, std::string_view base_name,
                                  const Hertz& rate) {
  assert(!positions.empty() && positions.size() <= kChannelCount);
  std::string text;
  const auto line = [&](std::string_view content) {
    text += content;
    text += kLineEnd;
  };
  const std::string name(base_name);
  line(kBrainVisionHeaderFirstLine);
  line("; Written by Velbrix: one INT_16 value per channel and sample, times the resolution");
  line("");
  line("[Common Infos]");
  line("Codepage=UTF-8");
  line("DataFile=" + name + kBrainVisionDataExtension);
  line("MarkerFile=" + name + kBrainVisionMarkerExtension);
  line("DataFormat=BINARY");
  line("; Data orientation: MULTIPLEXED=ch1,pt1, ch2,pt1 ...");
  line("DataOrientation=MULTIPLEXED");
  line("NumberOfChannels=" + std::to_string(positions.size()));
  line("; Sampling interval in microseconds");
  line("SamplingInterval=" + BrainVisionSamplingInterval(rate));
  line("");
  line("[Binary Infos]");
  line("BinaryFormat=INT_16");
  line("");
  line("[Channel Infos]");
  line("; Each entry: Ch<Channel number>=<Name>,<Reference channel name>,");
  line("; <Resolution in \"Unit\">,<Unit>");
  for (std::size_t i = 0; i < positions.size(); ++i) {
    line("Ch" + std::to_string(i + 1) + "=" + std::string(ChannelAtPosition(positions[i]).name) +
         ",," + kBrainVisionResolution + "," + kBrainVisionUnit);
  }
  return text;
}

std::string MakeBrainVisionMarkers(std::string_view base_name,
                                   const std::optional<EdfStart>& start) {
  std::string text;
  const auto line = [&](std::string_view content) {
    text += content;
    text += kLineEnd;
  };
  line(kBrainVisionMarkerFirstLine);
  line("; Written by Velbrix");
  line("");
  line("[Common Infos]");
  line("Codepage=UTF-8");
  line("DataFile=" + std::string(base_name) + kBrainVisionDataExtension);
  line("");
  line("[Marker Infos]");
  line("; Each entry: Mk<Marker number>=<Type>,<Description>,<Position in data points>,");
  line("; <Size in data points>, <Channel number (0 = marker is related to all channels)>");
  line("; and, for a New Segment, its date (YYYYMMDDhhmmssuuuuuu)");
  std::string segment = "Mk1=New Segment,,1,1,0";
  if (start) {
    segment += "," + std::to_string(start->year) + TwoDigits(start->month) + TwoDigits(start->day) +
               TwoDigits(start->hour) + TwoDigits(start->minute) + TwoDigits(start->second) +
               "000000";
  }
  line(segment);
  return text;
}

}  // namespace velbrix
