#include "core/events/events_sidecar.h"

#include <gtest/gtest.h>
#ifndef _WIN32
#include <unistd.h>
#endif

#include <filesystem>
#include <string>

#include "core/testing/test_support.h"

namespace velbrix {
namespace {

using testing::TempDir;
using testing::Utf8Path;

EventList Sample() {
  EventList list;
  EXPECT_TRUE(EventList::FromEvents({{1024, 0, "eyes closed"},
                                     {5120, 256, "photic 10 Hz, left"},
                                     {5120, 0, ""},
                                     {7000, 1, "M\xC3\xBCller \xE7\x9C\xBC"}},
                                    std::nullopt, &list)
                  .ok());
  return list;
}

TEST(EventsSidecarTest, TheSidecarIsNamedAfterTheRecording) {
  EXPECT_EQ(EventsSidecarPath(Utf8Path("data/rec01_eeg")), Utf8Path("data/rec01_events.tsv"));
  EXPECT_EQ(EventsSidecarPath(Utf8Path("rec01.dat")), Utf8Path("rec01.dat_events.tsv"));
  EXPECT_EQ(EventsSidecarPath(Utf8Path("d/M\xC3\xBCller_eeg")),
            Utf8Path("d/M\xC3\xBCller_events.tsv"));
  EXPECT_EQ(EventsSidecarPath(Utf8Path("x_eeg_eeg")), Utf8Path("x_eeg_events.tsv"));
}

TEST(EventsSidecarTest, TextHasAHeaderAndOneEventALine) {
  EXPECT_EQ(FormatEventsSidecar(Sample()),
            "start_record\tlength_records\tlabel\n"
            "1024\t0\teyes closed\n"
            "5120\t256\tphotic 10 Hz, left\n"
            "5120\t0\t\n"
            "7000\t1\tM\xC3\xBCller \xE7\x9C\xBC\n");
  EXPECT_EQ(FormatEventsSidecar(EventList()), "start_record\tlength_records\tlabel\n");
}

TEST(EventsSidecarTest, EventsComeBackFromTheFileAsTheyWere) {
  TempDir dir;
  const std::filesystem::path recording = dir / "rec01_eeg";
  testing::WriteFile(dir / "rec01_events.tsv", FormatEventsSidecar(Sample()));
  EventList loaded;
  ASSERT_TRUE(LoadEventsSidecar(recording, 7001, &loaded).ok());
  EXPECT_EQ(loaded, Sample());
}

TEST(EventsSidecarTest, WindowsLineEndsAByteOrderMarkAndEmptyLinesAreRead) {
  EventList events;
  ASSERT_TRUE(ParseEventsSidecar("\xEF\xBB\xBFstart_record\tlength_records\tlabel\r\n"
                                 "\r\n"
                                 "9\t0\tlate\r\n"
                                 "2\t3\tearly\r\n",
                                 "x_events.tsv", 12, &events)
                  .ok());
  EXPECT_EQ(events.events(), (std::vector<Event>{{2, 3, "early"}, {9, 0, "late"}}));
}

TEST(EventsSidecarTest, BadLinesAreNamedAndNothingIsRead) {
  EventList events = Sample();
  const Status s = ParseEventsSidecar(
      "start_record\tlength_records\tlabel\n"
      "1\t0\tfine\n"
      "-2\t0\tnegative\n"
      "3\t0\n"
      "4\t0\ttab\tinside\n"
      "5\t1.5\tfraction\n"
      "99\t0\tbeyond the recording\n"
      "6\t0\t\xC3\n",
      "/data/rec01_events.tsv", 50, &events);
  EXPECT_EQ(s.code(), Status::Code::kInvalidArgument);
  EXPECT_EQ(s.message().rfind("Cannot read events from /data/rec01_events.tsv: line 3: the start "
                              "is not a whole number of records; line 4: not three fields",
                              0),
            0u)
      << s.message();
  EXPECT_NE(s.message().find("; line 5: The label \"tab\tinside\" holds a tab"), std::string::npos);
  EXPECT_NE(s.message().find("; line 6: the length is not"), std::string::npos);
  EXPECT_NE(s.message().find("; line 7: The event at record 99"), std::string::npos);
  EXPECT_NE(s.message().find("; and 1 more bad lines"), std::string::npos);
  EXPECT_EQ(events, Sample());
}

TEST(EventsSidecarTest, AnotherHeaderIsRefused) {
  EventList events;
  EXPECT_EQ(
      ParseEventsSidecar("onset\tduration\ttrial_type\n1\t0\tx\n", "e.tsv", {}, &events).message(),
      "Cannot read events from e.tsv: line 1: the header is not "
      "\"start_record<TAB>length_records<TAB>label\"");
  EXPECT_FALSE(ParseEventsSidecar("", "e.tsv", {}, &events).ok());
}

TEST(EventsSidecarTest, ARecordingWithoutSidecarHasNoEvents) {
  TempDir dir;
  EventList events = Sample();
  ASSERT_TRUE(LoadEventsSidecar(dir / "rec01_eeg", {}, &events).ok());
  EXPECT_TRUE(events.empty());
  events = Sample();
  ASSERT_TRUE(LoadEventsSidecar(dir / "missing" / "rec01_eeg", {}, &events).ok());
  EXPECT_TRUE(events.empty());
}

TEST(EventsSidecarTest, WhatCannotBeReadIsNamedWithTheSystemsReason) {
  TempDir dir;
  EventList events = Sample();
#ifndef _WIN32  // where Windows finds no file
  testing::WriteFile(dir / "file", "");
  const Status not_folder = LoadEventsSidecar(dir / "file" / "rec01_eeg", {}, &events);
  EXPECT_EQ(not_folder.message(), "Cannot open " +
                                      PathForDisplay(dir / "file" / "rec01_events.tsv") + ": " +
                                      std::make_error_code(std::errc::not_a_directory).message());
#endif

  std::filesystem::create_directory(dir / "rec02_events.tsv");
  const Status folder = LoadEventsSidecar(dir / "rec02_eeg", {}, &events);
  EXPECT_EQ(folder.code(), Status::Code::kIoError);
  EXPECT_NE(folder.message().find(PathForDisplay(dir / "rec02_events.tsv")), std::string::npos);

  testing::WriteFile(dir / "rec03_events.tsv", std::string(kMostEventsSidecarBytes + 1, '\n'));
  EXPECT_EQ(LoadEventsSidecar(dir / "rec03_eeg", {}, &events).message(),
            "Cannot read " + PathForDisplay(dir / "rec03_events.tsv") +
                ": larger than the 32 MiB an events file may hold");
  EXPECT_EQ(events, Sample());
}

#ifndef _WIN32
TEST(EventsSidecarTest, ALinkIsNotFollowed) {
  TempDir dir;
  testing::WriteFile(dir / "elsewhere.tsv", FormatEventsSidecar(Sample()));
  std::filesystem::create_symlink(dir / "elsewhere.tsv", dir / "rec01_events.tsv");
  EventList events;
  const Status s = LoadEventsSidecar(dir / "rec01_eeg", {}, &events);
  EXPECT_EQ(s.message(), "Cannot open " + PathForDisplay(dir / "rec01_events.tsv") +
                             ": A link, which is not followed");
  EXPECT_TRUE(events.empty());
}

// A lab's shared folder holds sidecars that colleagues wrote.
TEST(EventsSidecarTest, AnotherUsersSidecarIsRead) {
  TempDir dir;
  testing::WriteFile(dir / "rec01_events.tsv", FormatEventsSidecar(Sample()));
  if (::chown((dir / "rec01_events.tsv").c_str(), ::getuid() + 1, static_cast<gid_t>(-1)) != 0) {
    GTEST_SKIP() << "only root can give a file to another user";
  }
  EventList events;
  ASSERT_TRUE(LoadEventsSidecar(dir / "rec01_eeg", {}, &events).ok());
  EXPECT_EQ(events, Sample());
}
#endif

}  // namespace
}  // namespace velbrix
