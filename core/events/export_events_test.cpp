#include "core/events/export_events.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/base/record.h"
#include "core/testing/test_support.h"

namespace velbrix {
namespace {

using testing::TempDir;
using testing::WriteFile;

class ExportEventsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(ParseHertz("256", "sample rate", &rate_).ok());
    // 100 records; channel Fz (10) low, then high from record 60 on.
    std::string bytes = testing::MakeRecording(100 * kRecordSize);
    for (std::size_t r = 0; r < 100; ++r) {
      bytes[r * kRecordSize + 9] = static_cast<char>(r < 60 ? 0 : 255);
    }
    WriteFile(recording_, bytes);
  }
  Status Events(const ExportEventsChoice& choice, EventList* events) {
    return EventsForExport(recording_, rate_, choice, events);
  }
  static std::vector<Event> List(std::vector<Event> events) {
    EventList list;
    EXPECT_TRUE(EventList::FromEvents(std::move(events), std::nullopt, &list).ok());
    return list.events();
  }

  TempDir dir_;
  std::filesystem::path recording_ = dir_ / "rec01_eeg";
  Hertz rate_;
};

TEST_F(ExportEventsTest, WithoutSidecarOrDetectionThereAreNoneAndTheRecordingIsNotOpened) {
  EventList events = EventList();
  ASSERT_TRUE(EventsForExport(dir_ / "missing_eeg", rate_, {}, &events).ok());
  EXPECT_TRUE(events.empty());
}

TEST_F(ExportEventsTest, TheSidecarIsTheDefaultAndItsEventsMustLieInTheRecording) {
  WriteFile(dir_ / "rec01_events.tsv",
            "start_record\tlength_records\tlabel\n10\t5\tblink\n99\t0\tend\n");
  EventList events;
  ASSERT_TRUE(Events({}, &events).ok());
  EXPECT_EQ(events.events(), List({{10, 5, "blink"}, {99, 0, "end"}}));

  WriteFile(dir_ / "rec01_events.tsv",
            "start_record\tlength_records\tlabel\n10\t5\tblink\n100\t0\tx\n");
  const Status outside = Events({}, &events);
  EXPECT_EQ(outside.code(), Status::Code::kInvalidArgument);
  EXPECT_NE(outside.message().find(PathForDisplay(dir_ / "rec01_events.tsv")), std::string::npos);
  EXPECT_NE(outside.message().find("line 3"), std::string::npos) << outside.message();
  EXPECT_EQ(events.size(), 2u);  // as it was
}

TEST_F(ExportEventsTest, AnotherTableInSecondsReplacesTheSidecarAndNoneLeavesBothOut) {
  WriteFile(dir_ / "rec01_events.tsv", "not a sidecar\n");
  WriteFile(dir_ / "lab.tsv", "onset\tduration\ttrial_type\n0.25\t0.125\tstim\n");
  ExportEventsChoice choice{ExportEventsSource::kFile, dir_ / "lab.tsv", {}};
  EventList events;
  ASSERT_TRUE(Events(choice, &events).ok());
  EXPECT_EQ(events.events(), List({{64, 32, "stim"}}));

  choice.file = dir_ / "missing.tsv";
  const Status missing = Events(choice, &events);
  EXPECT_EQ(missing.code(), Status::Code::kIoError);
  EXPECT_NE(missing.message().find(PathForDisplay(dir_ / "missing.tsv")), std::string::npos);

  ASSERT_TRUE(Events({ExportEventsSource::kNone, {}, {}}, &events).ok());
  EXPECT_TRUE(events.empty());
  EXPECT_FALSE(Events({}, &events).ok());  // the broken sidecar, when it is the source
}

TEST_F(ExportEventsTest, DetectedEventsJoinTheSidecarsInStartOrder) {
  WriteFile(dir_ / "rec01_events.tsv",
            "start_record\tlength_records\tlabel\n10\t0\tfirst\n80\t0\tlast\n");
  DetectionRule rule;
  ASSERT_TRUE(ParseDetectionRule("Fz,0,rising,0,Fz up", rate_, &rule).ok());
  EventList events;
  ASSERT_TRUE(Events({ExportEventsSource::kSidecar, {}, {rule}}, &events).ok());
  EXPECT_EQ(events.events(), List({{10, 0, "first"}, {60, 0, "Fz up"}, {80, 0, "last"}}));

  const Status unreadable = EventsForExport(dir_ / "missing_eeg", rate_,
                                            {ExportEventsSource::kNone, {}, {rule}}, &events);
  EXPECT_EQ(unreadable.code(), Status::Code::kIoError);
  EXPECT_NE(unreadable.message().find(PathForDisplay(dir_ / "missing_eeg")), std::string::npos);
}

TEST(CheckEventsWithinTest, AnEventEndingAfterTheLastRecordIsNamed) {
  EventList events;
  ASSERT_TRUE(EventList::FromEvents({{0, 0, "a"}, {8, 2, "tail"}}, std::nullopt, &events).ok());
  EXPECT_TRUE(CheckEventsWithin(events, 10, "rec01_eeg").ok());
  const Status beyond = CheckEventsWithin(events, 9, "rec01_eeg");
  EXPECT_EQ(beyond.code(), Status::Code::kInvalidArgument);
  EXPECT_NE(beyond.message().find("\"tail\" at record 8"), std::string::npos) << beyond.message();
}

}  // namespace
}  // namespace velbrix
