#include "core/events/event_time.h"

#include <gtest/gtest.h>

#include <string>

namespace velbrix {
namespace {

Hertz Rate(std::string_view text) {
  Hertz rate;
  EXPECT_TRUE(ParseHertz(text, "sample rate", &rate).ok()) << text;
  return rate;
}

TEST(EventTimeTest, SecondsAreExactDecimalsWhereTheyEnd) {
  EXPECT_EQ(RecordsAsSeconds(0, Rate("256")), "0");
  EXPECT_EQ(RecordsAsSeconds(1024, Rate("256")), "4");
  EXPECT_EQ(RecordsAsSeconds(1, Rate("256")), "0.00390625");
  EXPECT_EQ(RecordsAsSeconds(501, Rate("250.5")), "2");
  EXPECT_EQ(RecordsAsSeconds(3, Rate("0.5")), "6");
  EXPECT_EQ(RecordsAsSeconds(86'400'000'000, Rate("1000")), "86400000");
}

TEST(EventTimeTest, EndlessDecimalsAreRoundedToTwelvePlaces) {
  EXPECT_EQ(RecordsAsSeconds(1, Rate("250.5")), "0.003992015968");
  EXPECT_EQ(RecordsAsSeconds(2, Rate("3")), "0.666666666667");
  // 1 - 1/2000000000001 = 0.99999999999950...: the rounding carries into the whole seconds.
  EXPECT_EQ(RecordsAsSeconds(2'000'000'000'000, Rate("2000000000001")), "1");
}

TEST(EventTimeTest, SecondsBecomeTheNearestRecord) {
  EXPECT_EQ(SecondsAsRecords("4", Rate("256")), 1024u);
  EXPECT_EQ(SecondsAsRecords("0.0019", Rate("1000")), 2u);
  EXPECT_EQ(SecondsAsRecords("0.0014", Rate("1000")), 1u);
  EXPECT_EQ(SecondsAsRecords("1e-3", Rate("1000")), 1u);
  for (const char* text : {"", "-1", "+1", " 1", "1 s", "abc", "nan", "inf", "1e300"}) {
    EXPECT_FALSE(SecondsAsRecords(text, Rate("1000"))) << text;
  }
  // Written seconds read back as the same record, also where the decimal was rounded.
  for (std::uint64_t records : {0ull, 1ull, 2ull, 499ull, 12'345'678ull, 21'643'199ull}) {
    EXPECT_EQ(SecondsAsRecords(RecordsAsSeconds(records, Rate("250.5")), Rate("250.5")), records);
  }
}

}  // namespace
}  // namespace velbrix
