#include "core/events/events_import.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/events/bids_events.h"
#include "core/events/events_sidecar.h"
#include "core/testing/test_support.h"

namespace velbrix {
namespace {

Hertz Rate(std::string_view text) {
  Hertz rate;
  EXPECT_TRUE(ParseHertz(text, "sample rate", &rate).ok()) << text;
  return rate;
}

EventImportOptions AtRate(std::string_view rate) {
  EventImportOptions options;
  options.rate = Rate(rate);
  return options;
}

TEST(EventsImportTest, ABidsTableIsReadInSecondsAtTheRate) {
  EventList events;
  EventTableForm form = EventTableForm::kSidecar;
  ASSERT_TRUE(ImportEvents("onset\tduration\ttrial_type\tsample\n"
                           "20.5\tn/a\tn/a\t5248\n"
                           "4\t0.5\teyes closed\t1024\n"
                           "30\t\tblink\t7680\n",
                           "sub-01_events.tsv", AtRate("256"), 10'000, &events, &form)
                  .ok());
  EXPECT_EQ(form, EventTableForm::kColumns);
  EXPECT_EQ(events.events(),
            (std::vector<Event>{{1024, 128, "eyes closed"}, {5248, 0, ""}, {7680, 0, "blink"}}));
}

TEST(EventsImportTest, ALabsCsvIsReadWithTheColumnsItNames) {
  EventImportOptions options = AtRate("1000");
  options.onset_column = "time_s";
  options.duration_column = "";
  options.label_column = "what";
  EventList events;
  ASSERT_TRUE(ImportEvents("what,time_s,note\r\n"
                           "\"stimulus, left\",0.0019,\"said \"\"go\"\"\"\r\n"
                           "n/a, 1e-3 ,\r\n",
                           "lab.csv", options, {}, &events)
                  .ok());
  EXPECT_EQ(events.events(), (std::vector<Event>{{1, 0, ""}, {2, 0, "stimulus, left"}}));

  options.delimiter = ';';
  options.unit = EventTimeUnit::kRecords;
  options.rate.reset();
  options.duration_column = "len";
  ASSERT_TRUE(ImportEvents("time_s;len;what\n300;20;a,b\n", "lab.csv", options, {}, &events).ok());
  EXPECT_EQ(events.events(), (std::vector<Event>{{300, 20, "a,b"}}));
}

TEST(EventsImportTest, TheDelimiterIsToldByTheHeader) {
  EventImportOptions options;
  options.unit = EventTimeUnit::kRecords;
  options.duration_column = "";
  options.label_column = "label";
  EventList events;
  ASSERT_TRUE(ImportEvents("onset;label\n7;x,y\n", "s.csv", options, {}, &events).ok());
  EXPECT_EQ(events.events(), (std::vector<Event>{{7, 0, "x,y"}}));
}

TEST(EventsImportTest, TheSidecarsFormIsToldByItsHeader) {
  EventList sample;
  ASSERT_TRUE(EventList::FromEvents({{3, 0, "a"}, {9, 2, "b"}}, {}, &sample).ok());
  EventList events;
  EventTableForm form = EventTableForm::kColumns;
  ASSERT_TRUE(
      ImportEvents(FormatEventsSidecar(sample), "x_events.tsv", {}, {}, &events, &form).ok());
  EXPECT_EQ(form, EventTableForm::kSidecar);
  EXPECT_EQ(events, sample);
}

TEST(EventsImportTest, OwnBidsTableComesBackAsTheSameEvents) {
  EventList written;
  ASSERT_TRUE(
      EventList::FromEvents({{0, 0, "start"}, {1, 1, ""}, {12'345'677, 500, "late"}}, {}, &written)
          .ok());
  EventList events;
  ASSERT_TRUE(
      ImportEvents(MakeBidsEvents(written, Rate("250.5")), "e.tsv", AtRate("250.5"), {}, &events)
          .ok());
  EXPECT_EQ(events, written);
}

TEST(EventsImportTest, BadLinesAreListedAndNothingIsImported) {
  EventList events;
  ASSERT_TRUE(events.Add({1, 0, "before"}, {}).ok());
  const Status s = ImportEvents(
      "onset,duration,trial_type\n"
      "1,0,fine\n"
      "-1,0,negative\n"
      "2,0\n"
      "3,abc,bad duration\n"
      "\"4,0,open quote\n"
      "100,0,beyond\n",
      "lab.csv", AtRate("10"), 500, &events);
  EXPECT_EQ(s.message(),
            "Cannot import events from lab.csv: line 3: the onset \"-1\" is not a non-negative "
            "number of seconds; line 4: 2 fields where the header has 3; line 5: the duration "
            "\"abc\" is not a non-negative number of seconds; line 6: a quote is not closed; "
            "line 7: The event at record 1000 lasting 0 records does not lie within the "
            "recording's 500 records");
  EXPECT_EQ(events.events(), (std::vector<Event>{{1, 0, "before"}}));
}

TEST(EventsImportTest, AMissingColumnOrRateIsNamed) {
  EventList events;
  EXPECT_EQ(ImportEvents("time,trial_type\n1,x\n", "lab.csv", AtRate("10"), {}, &events).message(),
            "Cannot import events from lab.csv: line 1: no column \"onset\" among \"time\", "
            "\"trial_type\"; line 1: no column \"duration\" among \"time\", \"trial_type\"");
  EXPECT_EQ(ImportEvents("onset\tduration\ttrial_type\n", "e.tsv", {}, {}, &events).message(),
            "Cannot import events from e.tsv: times in seconds need the sample rate");
  EXPECT_FALSE(ImportEvents("", "e.tsv", AtRate("10"), {}, &events).ok());
}

TEST(EventsImportTest, AMissingFileIsNamed) {
  testing::TempDir dir;
  EventList events;
  const Status s = ImportEventsFile(dir / "none.tsv", AtRate("10"), {}, &events);
  EXPECT_EQ(s.message(), "Cannot open " + PathForDisplay(dir / "none.tsv") + ": " +
                             std::make_error_code(std::errc::no_such_file_or_directory).message());
  testing::WriteFile(dir / "e.tsv", "onset\tduration\ttrial_type\n0.5\t0\tx\n");
  ASSERT_TRUE(ImportEventsFile(dir / "e.tsv", AtRate("10"), {}, &events).ok());
  EXPECT_EQ(events.events(), (std::vector<Event>{{5, 0, "x"}}));
}

}  // namespace
}  // namespace velbrix
