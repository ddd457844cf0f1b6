#include "core/base/hertz.h"

#include <gtest/gtest.h>

#include <string>

namespace velbrix {
namespace {

Hertz Rate(std::string_view text, std::string_view separator = ".") {
  Hertz rate;
  EXPECT_TRUE(ParseHertz(text, "sample rate", &rate, separator).ok()) << text;
  return rate;
}

// The message, or "" when `text` is a rate.
std::string Refusal(std::string_view text, std::string_view separator = ".") {
  Hertz rate;
  return ParseHertz(text, "sample rate", &rate, separator).message();
}

TEST(HertzTest, DecimalsAreNormalisedAndAnythingElseIsRefused) {
  EXPECT_EQ(Rate("0256.50").text, "256.5");
  EXPECT_EQ(Rate("256.000").text, "256");
  EXPECT_EQ(Rate("0.001").value, 0.001);
  for (const char* text : {"", "0", "0.0", "-5", "+5", "1.", ".5", "1e3", "1,5", "2 ", " 2", "2 Hz",
                           "inf", "0.0000000001", "1234567890123456", "1.2.3"}) {
    EXPECT_EQ(Refusal(text), "The sample rate \"" + std::string(text) +
                                 "\" is not a positive number of hertz written with digits and "
                                 "at most one full stop")
        << text;
  }
  EXPECT_EQ(ShortestDecimal(1e6 / 250.5), "3992.015968063872");
  EXPECT_EQ(ShortestDecimal(1e300).size(), 301u);  // no exponent, however large
}

TEST(HertzTest, TheUsersOwnSeparatorStandsBesideTheFullStop) {
  EXPECT_EQ(Rate("250,5", ",").text, "250.5");
  EXPECT_EQ(Rate("250.5", ",").text, "250.5");
  EXPECT_EQ(Rate("1\xE2\x80\xA7"
                 "5",
                 "\xE2\x80\xA7")
                .text,
            "1.5");  // a separator of 3 bytes
  for (const char* text : {"1,5.2", "1.5,2", "1,,5", ",5", "1e3", "1 000"}) {
    EXPECT_EQ(Refusal(text, ","), "The sample rate \"" + std::string(text) +
                                      "\" is not a positive number of hertz written with digits "
                                      "and at most one decimal separator (\".\" or \",\")")
        << text;
  }
}

}  // namespace
}  // namespace velbrix
