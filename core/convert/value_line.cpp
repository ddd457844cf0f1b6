// Formatting of sample values as text lines.
#include "core/convert/value_line.h"

#include <cassert>
#include <cstring>

#include "core/base/record.h"

namespace velbrix {

std::string FormatValueLine(std::uint8_t sample, std::string_view decimal_separator) {
  // The value is (b - 127) * 3.75 = quarters / 4 with quarters = (b - 127) * 15: exact integer
  // arithmetic gives the shortest form directly.
  const int quarters = (static_cast<int>(sample) - kZeroSample) * 15;
  const int magnitude = quarters < 0 ? -quarters : quarters;
  std::string line(1, quarters < 0 ? '-' : ' ');
  line += std::to_string(magnitude / 4);
  switch (magnitude % 4) {
    case 1:
      line.append(decimal_separator).append("25");
      break;
    case 2:
      line.append(decimal_separator).append("5");
      break;
    case 3:
      line.append(decimal_separator).append("75");
      break;
    default:
      break;
  }
  line += " \r\n";
  return line;
}

Status ValueLineTable::Check(std::string_view decimal_separator) {
  if (decimal_separator.empty()) {
    return Status::InvalidArgument("The decimal separator is empty");
  }
  if (decimal_separator.size() > kMaxSeparatorSize) {
    return Status::InvalidArgument("The decimal separator \"" + std::string(decimal_separator) +
                                   "\" is longer than " + std::to_string(kMaxSeparatorSize) +
                                   " bytes");
  }
  for (const char c : decimal_separator) {
    if ((c >= '0' && c <= '9') || c == ' ' || c == '-' || c == '+' || c == '\r' || c == '\n') {
      return Status::InvalidArgument("The decimal separator \"" + std::string(decimal_separator) +
                                     "\" holds a digit, a space, a sign or a line break");
    }
  }
  return Status::Ok();
}

ValueLineTable::ValueLineTable(std::string_view decimal_separator) {
  assert(Check(decimal_separator).ok());
  for (int b = 0; b < 256; ++b) {
    const std::string line = FormatValueLine(static_cast<std::uint8_t>(b), decimal_separator);
    const auto i = static_cast<std::size_t>(b);
    std::memcpy(slots_[i].data(), line.data(), line.size());
    lengths_[i] = static_cast<std::uint8_t>(line.size());
    if (line.size() > longest_) {
      longest_ = line.size();
    }
  }
}

}  // namespace velbrix
