#include "core/events/bids_events.h"

#include <gtest/gtest.h>

#include <string>

namespace velbrix {
namespace {

Hertz Rate(std::string_view text) {
  Hertz rate;
  EXPECT_TRUE(ParseHertz(text, "sample rate", &rate).ok()) << text;
  return rate;
}

TEST(BidsEventsTest, RowsGiveSecondsAtTheRateAndTheSample) {
  EventList events;
  ASSERT_TRUE(
      EventList::FromEvents({{1024, 0, "eyes closed"}, {5120, 256, ""}, {1, 3, "M\xC3\xBCller, 2"}},
                            std::nullopt, &events)
          .ok());
  EXPECT_EQ(MakeBidsEvents(events, Rate("256")),
            "onset\tduration\ttrial_type\tsample\n"
            "0.00390625\t0.01171875\tM\xC3\xBCller, 2\t1\n"
            "4\t0\teyes closed\t1024\n"
            "20\t1\tn/a\t5120\n");
  EXPECT_EQ(MakeBidsEvents(events, Rate("250.5")).substr(33, 30),
            "0.003992015968\t0.011976047904\t");
  EXPECT_EQ(MakeBidsEvents(EventList(), Rate("256")), "onset\tduration\ttrial_type\tsample\n");
}

TEST(BidsEventsTest, TheSidecarDescribesEachColumn) {
  const std::string json = MakeBidsEventsSidecar();
  for (const char* key : {"\"onset\"", "\"duration\"", "\"trial_type\"", "\"sample\""}) {
    EXPECT_NE(json.find(key), std::string::npos) << key;
  }
  EXPECT_EQ(json.front(), '{');
  EXPECT_EQ(json.substr(json.size() - 2), "}\n");
}

}  // namespace
}  // namespace velbrix
