#include "window/events/detect_events_controller.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/base/channel_table.h"
#include "core/testing/test_support.h"
#include "window/testing/fake_window_thread.h"

namespace velbrix {
namespace {

class FakeDetectView : public DetectEventsView {
 public:
  int Channel() const override { return channel; }
  std::string LevelText() const override { return level; }
  CrossingDirection Direction() const override { return direction; }
  std::string GapText() const override { return gap; }
  std::string Label() const override { return label; }
  bool Kept(std::size_t row) const override { return row >= kept.size() || kept[row]; }

  void SetChannels(const std::vector<std::string>& names, int selected) override {
    channels = names;
    channel = selected;
  }
  void SetGapUnit(const std::string& unit) override { gap_unit = unit; }
  void SetRunning(bool on) override { running = on; }
  void SetProgress(int percent) override { progress = percent; }
  void SetFound(const std::vector<std::string>& found_rows) override {
    rows = found_rows;
    kept.assign(rows.size(), true);
  }
  void SetMessage(const std::string& text) override { message = text; }

  int channel = 0;
  std::string level = "50", gap, label = "up", gap_unit, message;
  CrossingDirection direction = CrossingDirection::kRising;
  std::vector<std::string> channels, rows;
  std::vector<bool> kept;
  bool running = false;
  int progress = -1;
};

constexpr int kFz = 10;

class DetectEventsControllerTest : public ::testing::Test {
 protected:
  DetectEventsControllerTest() {
    // Fz crosses 50 uV upwards at records 1, 5 and 7 (byte 141 is 52.5 uV).
    const std::vector<std::uint8_t> fz = {127, 141, 141, 127, 127, 150, 100, 141, 255, 0};
    std::string bytes = testing::MakeRecording(fz.size() * kRecordSize);
    for (std::size_t i = 0; i < fz.size(); ++i) {
      bytes[i * kRecordSize + kFz - 1] = static_cast<char>(fz[i]);
    }
    testing::WriteFile(dir_ / "rec.eeg", bytes);
    for (const Channel& c : ChTable) channels_.emplace_back(c.name);
  }

  DetectEventsController Controller(std::optional<Hertz> rate) {
    return DetectEventsController(view_, {dir_ / "rec.eeg", 10, rate, ","}, channels_,
                                  thread_.Poster());
  }
  // Runs the detection to its end on the test's thread.
  void DetectAndWait(DetectEventsController& controller) {
    controller.Detect();
    while (controller.running()) thread_.Deliver();
  }

  testing::TempDir dir_;
  std::vector<std::string> channels_;
  FakeDetectView view_;
  testing::FakeWindowThread thread_;
};

TEST_F(DetectEventsControllerTest, OpenChoosesATriggerChannelAndTheGapsUnit) {
  DetectEventsController controller = Controller(std::nullopt);
  controller.Open();
  ASSERT_EQ(view_.channels.size(), 32u);
  const std::string& chosen = view_.channels[static_cast<std::size_t>(view_.channel)];
  EXPECT_TRUE(chosen.rfind("DC", 0) == 0 || chosen.rfind("PG", 0) == 0) << chosen;
  EXPECT_EQ(view_.gap_unit, "records");
}

TEST_F(DetectEventsControllerTest, FindsTheKnownCrossingsAndAddKeepsTheTickedOnes) {
  DetectEventsController controller = Controller(Hertz{"4", 4});
  controller.Open();
  EXPECT_EQ(view_.gap_unit, "seconds");
  view_.channel = kFz - 1;
  view_.level = "49,5";
  DetectAndWait(controller);
  EXPECT_FALSE(view_.running);
  ASSERT_EQ(view_.rows.size(), 3u) << view_.message;
  EXPECT_EQ(view_.rows[1], "1,250 s, record 5: up");
  view_.kept[1] = false;
  ASSERT_TRUE(controller.Add());
  EXPECT_EQ(*controller.result(), (std::vector<Event>{{1, 0, "up"}, {7, 0, "up"}}));
}

TEST_F(DetectEventsControllerTest, TheShortestGapInSecondsBecomesRecords) {
  DetectEventsController controller = Controller(Hertz{"4", 4});
  controller.Open();
  view_.channel = kFz - 1;
  view_.gap = "1,25";  // 5 records: the crossing at 5 is passed over
  DetectAndWait(controller);
  ASSERT_TRUE(controller.Add());
  EXPECT_EQ(*controller.result(), (std::vector<Event>{{1, 0, "up"}, {7, 0, "up"}}));
}

TEST_F(DetectEventsControllerTest, ABadLevelIsShownAndNothingRuns) {
  DetectEventsController controller = Controller(std::nullopt);
  controller.Open();
  view_.level = "high";
  controller.Detect();
  EXPECT_FALSE(controller.running());
  EXPECT_NE(view_.message.find("level"), std::string::npos) << view_.message;
}

TEST_F(DetectEventsControllerTest, CancelReturnsNothing) {
  DetectEventsController controller = Controller(std::nullopt);
  controller.Open();
  view_.channel = kFz - 1;
  DetectAndWait(controller);
  ASSERT_EQ(view_.rows.size(), 3u);
  controller.Cancel();
  EXPECT_FALSE(controller.result());
}

TEST_F(DetectEventsControllerTest, AMissingRecordingIsShown) {
  std::filesystem::remove(dir_ / "rec.eeg");
  DetectEventsController controller = Controller(std::nullopt);
  controller.Open();
  DetectAndWait(controller);
  EXPECT_NE(view_.message.find("rec.eeg"), std::string::npos) << view_.message;
  EXPECT_TRUE(view_.rows.empty());
}

}  // namespace
}  // namespace velbrix
