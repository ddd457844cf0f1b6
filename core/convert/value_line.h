// The text line that a channel file holds for one sample, and a table of all 256 of them.
//
// A line is: a space for a value of 0 or more, or "-" for a negative one; the magnitude in its
// shortest decimal form (whole part without leading zeros, then, only when there is a fraction, the
// decimal separator and one or two fraction digits without trailing zeros); a space; CR LF. Byte
// 127 gives " 0 \r\n", byte 0 gives "-476.25 \r\n", byte 255 gives " 480 \r\n". The line end is
// CR LF on every platform.
#ifndef VELBRIX_CORE_CONVERT_VALUE_LINE_H_
#define VELBRIX_CORE_CONVERT_VALUE_LINE_H_

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/base/status.h"

namespace velbrix {

// The line for one sample byte, with `decimal_separator` (one or more bytes of text, for example
// "." or "," or a UTF-8 character).
std::string FormatValueLine(std::uint8_t sample, std::string_view decimal_separator);

// The 256 lines preformatted for one separator, each in a fixed slot of kSlotSize bytes so that a
// writer can copy a whole slot unconditionally and advance by the line's length.
class ValueLineTable {
 public:
  static constexpr std::size_t kSlotSize = 32;
  // Longest line without the separator: "-476.25 \r\n" less its separator byte.
  static constexpr std::size_t kLongestLineWithoutSeparator = 9;
  static constexpr std::size_t kMaxSeparatorSize = kSlotSize - kLongestLineWithoutSeparator;

  // Fails with kInvalidArgument when the separator is empty, longer than kMaxSeparatorSize bytes,
  // or holds a digit, a space, a sign or a line break (the lines would no longer read as numbers).
  static Status Check(std::string_view decimal_separator);

  // Requires Check(decimal_separator).ok().
  explicit ValueLineTable(std::string_view decimal_separator);

  // The line of `sample` as text.
  std::string_view Line(std::uint8_t sample) const {
    return {slots_[sample].data(), lengths_[sample]};
  }

  // Appends the line of `sample` at `out` and returns the position after it. Requires kSlotSize
  // writable bytes at `out`, whatever the line's length.
  char* Append(char* out, std::uint8_t sample) const {
    __builtin_memcpy(out, slots_[sample].data(), kSlotSize);
    return out + lengths_[sample];
  }

  // As Append, copying only kShortSlotSize bytes: requires short_lines() and kShortSlotSize
  // writable bytes at `out`.
  static constexpr std::size_t kShortSlotSize = 16;
  char* AppendShort(char* out, std::uint8_t sample) const {
    __builtin_memcpy(out, slots_[sample].data(), kShortSlotSize);
    return out + lengths_[sample];
  }
  // Whether every line fits in kShortSlotSize bytes (a separator of at most 7 bytes).
  bool short_lines() const { return longest_ <= kShortSlotSize; }

  // The length in bytes of the longest of the 256 lines.
  std::size_t longest_line() const { return longest_; }

 private:
  alignas(64) std::array<std::array<char, kSlotSize>, 256> slots_{};
  std::array<std::uint8_t, 256> lengths_{};
  std::size_t longest_ = 0;
};

}  // namespace velbrix

#endif  // VELBRIX_CORE_CONVERT_VALUE_LINE_H_
