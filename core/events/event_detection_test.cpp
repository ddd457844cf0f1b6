#include "core/events/event_detection.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/base/channel_table.h"
#include "core/testing/test_support.h"

namespace velbrix {
namespace {

constexpr int kFz = 10;

// A recording whose channel Fz has the sample bytes `fz` and whose other channels vary
// everywhere.
std::string RecordingWithFz(const std::vector<std::uint8_t>& fz) {
  std::string bytes = testing::MakeRecording(fz.size() * kRecordSize);
  for (std::size_t i = 0; i < fz.size(); ++i) {
    bytes[i * kRecordSize + kFz - 1] = static_cast<char>(fz[i]);
  }
  return bytes;
}

std::vector<std::uint64_t> Starts(const EventList& list) {
  std::vector<std::uint64_t> starts;
  for (const Event& event : list.events()) {
    EXPECT_EQ(event.length, 0u);
    starts.push_back(event.start);
  }
  return starts;
}

std::vector<std::uint64_t> Detect(const std::vector<std::uint8_t>& fz, DetectionRule rule) {
  const std::string bytes = RecordingWithFz(fz);
  EventList found;
  EXPECT_TRUE(DetectEventsInRecords(reinterpret_cast<const std::uint8_t*>(bytes.data()), fz.size(),
                                    rule, &found)
                  .ok());
  return Starts(found);
}

// Byte 141 is 52.5 uV, byte 140 is 48.75 uV.
const std::vector<std::uint8_t> kFzBytes = {127, 141, 141, 127, 127, 150, 100, 141, 255, 0};

TEST(EventDetectionTest, EachCrossingOfTheLevelIsOneInstantEvent) {
  DetectionRule rule{kFz, 50, CrossingDirection::kRising, 0, "up"};
  EXPECT_EQ(Detect(kFzBytes, rule), (std::vector<std::uint64_t>{1, 5, 7}));
  rule.direction = CrossingDirection::kFalling;
  EXPECT_EQ(Detect(kFzBytes, rule), (std::vector<std::uint64_t>{3, 6, 9}));
  rule.direction = CrossingDirection::kBoth;
  EXPECT_EQ(Detect(kFzBytes, rule), (std::vector<std::uint64_t>{1, 3, 5, 6, 7, 9}));
}

TEST(EventDetectionTest, AValueAtTheLevelLiesAbove) {
  EXPECT_EQ(Detect({140, 141, 140}, {kFz, 52.5, CrossingDirection::kBoth, 0, ""}),
            (std::vector<std::uint64_t>{1, 2}));
  EXPECT_EQ(Detect({140, 141, 140}, {kFz, 52.6, CrossingDirection::kBoth, 0, ""}),
            (std::vector<std::uint64_t>{}));
  EXPECT_EQ(Detect({0, 255, 0}, {kFz, 481, CrossingDirection::kBoth, 0, ""}),
            (std::vector<std::uint64_t>{}));
}

TEST(EventDetectionTest, CrossingsWithinTheGapAfterAnEventArePassedOver) {
  DetectionRule rule{kFz, 50, CrossingDirection::kBoth, 4, ""};
  // Crossings at 1, 3, 5, 6, 7, 9: 1 is taken, 3 is too close, 5 is 4 after it, 9 is 4 after 5.
  EXPECT_EQ(Detect(kFzBytes, rule), (std::vector<std::uint64_t>{1, 5, 9}));
}

TEST(EventDetectionTest, TheRecordingIsReadInBlocksAndCrossingsAtTheirBordersAreFound) {
  std::vector<std::uint8_t> fz(3 * kRecordsPerBlock + 7, 127);
  for (std::size_t i = kRecordsPerBlock; i < 2 * kRecordsPerBlock - 1; ++i) {
    fz[i] = 200;
  }
  fz.back() = 200;
  testing::TempDir dir;
  std::string bytes = RecordingWithFz(fz);
  bytes += "tail";  // a partial record, never looked at
  testing::WriteFile(dir / "rec_eeg", bytes);

  const DetectionRule rule{kFz, 100, CrossingDirection::kBoth, 0, "Fz crossing"};
  EventList found;
  std::uint64_t last_progress = 0;
  ASSERT_TRUE(
      DetectEvents(dir / "rec_eeg", rule, &found, [&](std::uint64_t done, std::uint64_t total) {
        EXPECT_EQ(total, bytes.size());
        last_progress = done;
      }).ok());
  EXPECT_EQ(Starts(found), (std::vector<std::uint64_t>{kRecordsPerBlock, 2 * kRecordsPerBlock - 1,
                                                       fz.size() - 1}));
  EXPECT_EQ(found[0].label, "Fz crossing");
  EXPECT_EQ(last_progress, fz.size() * kRecordSize);
}

TEST(EventDetectionTest, AStoppedOrUnreadableRecordingLeavesTheResultAsItWas) {
  testing::TempDir dir;
  testing::WriteFile(dir / "rec_eeg", RecordingWithFz(kFzBytes));
  EventList found;
  ASSERT_TRUE(found.Add({0, 0, "kept"}, {}).ok());
  StopRequest stop;
  stop.Request();
  const DetectionRule rule{kFz, 50, CrossingDirection::kRising, 0, ""};
  EXPECT_TRUE(DetectEvents(dir / "rec_eeg", rule, &found, {}, &stop).stopped());
  const Status missing = DetectEvents(dir / "none_eeg", rule, &found);
  EXPECT_EQ(missing.code(), Status::Code::kIoError);
  EXPECT_NE(missing.message().find(PathForDisplay(dir / "none_eeg")), std::string::npos);
  EXPECT_EQ(found.events(), (std::vector<Event>{{0, 0, "kept"}}));
}

TEST(EventDetectionTest, TooManyCrossingsAreRefused) {
  std::vector<std::uint8_t> fz(2 * kMostEvents + 2);
  for (std::size_t i = 0; i < fz.size(); ++i) {
    fz[i] = i % 2 == 0 ? 0 : 255;
  }
  const std::string bytes = RecordingWithFz(fz);
  EventList found;
  const Status s =
      DetectEventsInRecords(reinterpret_cast<const std::uint8_t*>(bytes.data()), fz.size(),
                            {kFz, 0, CrossingDirection::kBoth, 0, ""}, &found);
  EXPECT_EQ(s.code(), Status::Code::kInvalidArgument);
  EXPECT_TRUE(found.empty());
}

Hertz Rate(std::string_view text) {
  Hertz rate;
  EXPECT_TRUE(ParseHertz(text, "sample rate", &rate).ok()) << text;
  return rate;
}

TEST(EventDetectionTest, TheCommandLinesRuleIsParsed) {
  DetectionRule rule;
  ASSERT_TRUE(ParseDetectionRule("Fz,50", Rate("256"), &rule).ok());
  EXPECT_EQ(rule.position, kFz);
  EXPECT_EQ(rule.level_microvolts, 50);
  EXPECT_EQ(rule.direction, CrossingDirection::kRising);
  EXPECT_EQ(rule.shortest_gap, 0u);
  EXPECT_EQ(rule.label, "Fz rising 50 \xC2\xB5V");

  ASSERT_TRUE(ParseDetectionRule("EKG,-20.5,falling,0.5,Blink, left", Rate("256"), &rule).ok());
  EXPECT_EQ(rule.position, *FindChannelPosition("EKG"));
  EXPECT_EQ(rule.level_microvolts, -20.5);
  EXPECT_EQ(rule.direction, CrossingDirection::kFalling);
  EXPECT_EQ(rule.shortest_gap, 128u);
  EXPECT_EQ(rule.label, "Blink, left");

  ASSERT_TRUE(ParseDetectionRule("Cz,+7,both,0.0019,", Rate("1000"), &rule).ok());
  EXPECT_EQ(rule.level_microvolts, 7);
  EXPECT_EQ(rule.direction, CrossingDirection::kBoth);
  EXPECT_EQ(rule.shortest_gap, 2u);
  EXPECT_EQ(rule.label, "");
}

TEST(EventDetectionTest, AWrongPartOfTheRuleIsNamed) {
  DetectionRule rule;
  rule.label = "untouched";
  const auto refusal = [&](std::string_view text) {
    return ParseDetectionRule(text, Rate("256"), &rule).message();
  };
  EXPECT_EQ(refusal("fz,50"),
            "The detection \"fz,50\" names no channel of the table (\"fz\"); it is "
            "CHANNEL,LEVEL[,rising|falling|both[,GAP[,LABEL]]]");
  EXPECT_NE(refusal("Fz").find("names no level"), std::string::npos);
  EXPECT_NE(refusal("Fz,5uV").find("level (\"5uV\")"), std::string::npos);
  EXPECT_NE(refusal("Fz,+-5").find("level"), std::string::npos);
  EXPECT_NE(refusal("Fz,5,up").find("direction (\"up\")"), std::string::npos);
  EXPECT_NE(refusal("Fz,5,rising,-1").find("gap (\"-1\")"), std::string::npos);
  EXPECT_NE(refusal("Fz,5,rising,1,a\tb").find("bad label"), std::string::npos);
  EXPECT_EQ(rule.label, "untouched");
}

}  // namespace
}  // namespace velbrix
