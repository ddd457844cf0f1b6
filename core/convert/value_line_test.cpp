#include "core/convert/value_line.h"

#include <gtest/gtest.h>

#include <charconv>
#include <string>

#include "core/base/record.h"

namespace velbrix {
namespace {

// The line written the straightforward way: the double in its shortest round-trip form.
std::string ReferenceLine(std::uint8_t b, std::string_view separator) {
  char digits[32];
  const double value = ScaleSample(b);
  const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
  std::string text(digits, end);
  std::string line = value < 0 ? "" : " ";
  for (const char c : text) {
    if (c == '.') {
      line += separator;
    } else {
      line += c;
    }
  }
  return line + " \r\n";
}

TEST(ValueLineTest, ScalingEdgeValues) {
  EXPECT_EQ(ScaleSample(0), -476.25);
  EXPECT_EQ(ScaleSample(1), -472.5);
  EXPECT_EQ(ScaleSample(126), -3.75);
  EXPECT_EQ(ScaleSample(127), 0.0);
  EXPECT_EQ(ScaleSample(128), 3.75);
  EXPECT_EQ(ScaleSample(129), 7.5);
  EXPECT_EQ(ScaleSample(130), 11.25);
  EXPECT_EQ(ScaleSample(131), 15.0);
  EXPECT_EQ(ScaleSample(255), 480.0);
}

TEST(ValueLineTest, LinesAreExactBytes) {
  EXPECT_EQ(FormatValueLine(127, "."), std::string("\x20\x30\x20\x0D\x0A"));
  EXPECT_EQ(FormatValueLine(128, "."), " 3.75 \r\n");
  EXPECT_EQ(FormatValueLine(129, "."), " 7.5 \r\n");
  EXPECT_EQ(FormatValueLine(131, "."), " 15 \r\n");
  EXPECT_EQ(FormatValueLine(255, "."), " 480 \r\n");
  EXPECT_EQ(FormatValueLine(126, "."), "-3.75 \r\n");
  EXPECT_EQ(FormatValueLine(0, "."), "-476.25 \r\n");
  EXPECT_EQ(FormatValueLine(0, ","), "-476,25 \r\n");
  EXPECT_EQ(FormatValueLine(130, "\xD9\xAB"),
            " 11\xD9\xAB"
            "25 \r\n");
}

TEST(ValueLineTest, EveryByteMatchesTheShortestDecimalForm) {
  for (const std::string_view separator : {".", ",", "\xD9\xAB"}) {
    const ValueLineTable table(separator);
    for (int b = 0; b < 256; ++b) {
      const auto sample = static_cast<std::uint8_t>(b);
      EXPECT_EQ(table.Line(sample), ReferenceLine(sample, separator)) << b;
    }
  }
}

TEST(ValueLineTest, AppendAdvancesByTheLineOnly) {
  const ValueLineTable table(",");
  char buffer[3 * ValueLineTable::kSlotSize] = {};
  char* out = table.Append(buffer, 0);
  out = table.Append(out, 127);
  out = table.Append(out, 130);
  EXPECT_EQ(std::string(buffer, out), "-476,25 \r\n 0 \r\n 11,25 \r\n");
}

TEST(ValueLineTest, ShortAppendWritesTheSameLinesWhereTheyFit) {
  for (const char* separator : {".", "\xd9\xab", "abcdefg", "abcdefgh"}) {
    const ValueLineTable table(separator);
    const bool fits = std::string_view(separator).size() <= 7;
    ASSERT_EQ(table.short_lines(), fits) << separator;
    if (!fits) {
      continue;  // its lines would be cut, as the conversion knows by short_lines()
    }
    std::string buffer(256 * ValueLineTable::kSlotSize, '\0');
    char* out = buffer.data();
    std::string expected;
    for (int b = 0; b < 256; ++b) {
      out = table.AppendShort(out, static_cast<std::uint8_t>(b));
      expected += table.Line(static_cast<std::uint8_t>(b));
    }
    EXPECT_EQ(std::string(buffer.data(), out), expected) << separator;
  }
}

TEST(ValueLineTest, RejectsSeparatorsThatBreakTheNumbers) {
  EXPECT_TRUE(ValueLineTable::Check(".").ok());
  EXPECT_TRUE(ValueLineTable::Check("\xD9\xAB").ok());  // Arabic decimal separator, two bytes
  for (const char* bad : {"", "1", " ", "-", "\n", "a very long separator text"}) {
    const Status s = ValueLineTable::Check(bad);
    EXPECT_EQ(s.code(), Status::Code::kInvalidArgument) << '"' << bad << '"';
  }
}

}  // namespace
}  // namespace velbrix
