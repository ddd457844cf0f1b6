// Tests of the text conversions at the border to the Win32 API.
#include "window/win32/text.h"

#include <gtest/gtest.h>

namespace velbrix::win32 {
namespace {

TEST(TextTest, NonAsciiTextSurvivesTheRoundTrip) {
  const std::string utf8 =
      "Gr\xC3\xB6\xC3\x9F"
      "e \xCE\xA9 \xE6\x9D\xB1 \xF0\x9F\xA7\xA0";  // Größe Ω 東 🧠
  const std::wstring utf16 = Widen(utf8);
  EXPECT_EQ(utf16, L"Gr\u00F6\u00DFe \u03A9 \u6771 \U0001F9E0");
  EXPECT_EQ(Narrow(utf16), utf8);
  EXPECT_EQ(Widen(""), L"");
  EXPECT_EQ(Narrow(L""), "");
}

TEST(TextTest, BrokenUtf8BecomesTheReplacementCharacter) {
  EXPECT_EQ(Widen("a\xFF"
                  "b"),
            L"a\uFFFD"
            L"b");
}

}  // namespace
}  // namespace velbrix::win32
