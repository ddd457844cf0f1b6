// The trace window's events through its controller, with the fake view.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "core/events/events_sidecar.h"
#include "core/testing/test_support.h"
#include "window/testing/fake_trace_view.h"
#include "window/trace/trace_controller.h"
#include "window/trace/trace_events.h"

namespace velbrix {
namespace {

using testing::FakeTraceView;
using testing::ReadFile;
using testing::TempDir;
using testing::WriteFile;
using trace::Ink;

constexpr std::uint64_t kRecords = 256 * 600;  // ten minutes at 256 Hz

int Count(const trace::TracePicture& picture, Ink ink) {
  int count = 0;
  for (const trace::Step& step : picture.steps) {
    std::visit([&](const auto& drawn) { count += drawn.ink == ink ? 1 : 0; }, step);
  }
  return count;
}

class TraceEventsTest : public ::testing::Test {
 protected:
  TraceEventsTest() {
    controller_.OnCanvasResized(1060, 800);
    WriteFile(recording_, std::string(kRecords * 32, '\x80'));
  }
  void Open(bool reread = true) { controller_.Show({recording_, "rec01_eeg", ""}, reread); }
  void AddAt(std::uint64_t record, const std::string& label) {
    controller_.OnScrollTo(0);
    controller_.AddEvents({});  // nothing: only the status line
    std::vector<Event> one{{record, 0, label}};
    controller_.AddEvents(one);
  }
  std::vector<std::string> RowLabels() const {
    std::vector<std::string> labels;
    for (const EventRow& row : view_.event_rows) {
      labels.push_back(row.label);
    }
    return labels;
  }

  TempDir dir_;
  std::filesystem::path recording_ = dir_ / "rec01_eeg";
  std::filesystem::path sidecar_ = dir_ / "rec01_events.tsv";
  FakeTraceView view_;
  TraceController controller_{view_};
};

TEST_F(TraceEventsTest, OpeningReadsTheSidecarIntoTheEventsList) {
  WriteFile(sidecar_,
            "start_record\tlength_records\tlabel\n2048\t0\teyes closed\n512\t256\tphotic\n");
  Open();
  ASSERT_EQ(view_.event_rows.size(), 2u);
  EXPECT_EQ(view_.event_rows[0], (EventRow{"2.000 s", "512", "1.000 s", "photic"}));
  EXPECT_EQ(view_.event_rows[1].label, "eyes closed");
  EXPECT_EQ(view_.event_rows[1].length, "");
  EXPECT_FALSE(controller_.events().unsaved());
  // Both lie on the first ten-second page: a line each, the span's band, a tick each on the strip.
  EXPECT_EQ(Count(controller_.picture(), Ink::kEventSpan), 1);
  EXPECT_EQ(Count(controller_.picture(), Ink::kEvent), 2 + 2 + 2);
}

TEST_F(TraceEventsTest, ABadSidecarIsSaidInTheHeaderAndTheRecordingStillOpens) {
  WriteFile(sidecar_, "start_record\tlength_records\tlabel\nsoon\t0\tx\n");
  Open();
  EXPECT_EQ(controller_.records(), kRecords);
  bool said = false;
  for (const trace::Step& step : controller_.picture().steps) {
    if (const auto* text = std::get_if<trace::Text>(&step);
        text != nullptr && text->ink == Ink::kError &&
        text->text.find("rec01_events.tsv") != std::string::npos &&
        text->text.find("line 2") != std::string::npos) {
      said = true;
    }
  }
  EXPECT_TRUE(said);
  EXPECT_TRUE(view_.event_rows.empty());
}

TEST_F(TraceEventsTest, AddEventAsksForTheLabelOfferingThoseUsedBeforeAndMarksUnsaved) {
  WriteFile(sidecar_, "start_record\tlength_records\tlabel\n100\t0\told\n");
  Open();
  controller_.OnScrollTo(0);
  controller_.OnAddEvent();
  EXPECT_EQ(view_.labels_offered, std::vector<std::string>{"old"});
  controller_.OnEventLabelEntered("blink");
  EXPECT_EQ(RowLabels(), (std::vector<std::string>{"blink", "old"}));  // at record 0
  EXPECT_TRUE(controller_.events().unsaved());
  EXPECT_EQ(view_.event_selected, 0);
  controller_.OnAddEvent();
  EXPECT_EQ(view_.labels_offered, (std::vector<std::string>{"blink", "old"}));
  controller_.OnEventLabelEntered("bad\tlabel");
  EXPECT_EQ(view_.event_rows.size(), 2u);
  EXPECT_NE(view_.status.find("label"), std::string::npos);
}

TEST_F(TraceEventsTest, AddEventForSpanTakesTheMeasuredDragOrElseThePage) {
  Open();
  const trace::Rect traces = controller_.picture().traces;
  const int y = traces.top + 5;
  controller_.OnMouseDown(traces.left + 100, y);
  controller_.OnMouseMove(traces.left + 300, y, true);
  controller_.OnMouseUp(traces.left + 300, y);
  controller_.OnAddSpanEvent();
  controller_.OnEventLabelEntered("spike run");
  ASSERT_EQ(controller_.events().list().size(), 1u);
  const Event& span = controller_.events().list()[0];
  EXPECT_NEAR(static_cast<double>(span.start), 100.0 * 2560 / traces.width(), 3);
  EXPECT_NEAR(static_cast<double>(span.length), 200.0 * 2560 / traces.width(), 3);
  // Without a drag, the page shown.
  controller_.OnAddSpanEvent();
  controller_.OnEventLabelEntered("page");
  EXPECT_EQ(controller_.events().list()[0], (Event{0, 2560, "page"}));
}

TEST_F(TraceEventsTest, TheListJumpsRenamesAndDeletes) {
  WriteFile(sidecar_,
            "start_record\tlength_records\tlabel\n100\t0\ta\n76800\t0\tb\n153000\t0\tc\n");
  Open();
  controller_.OnEventChosen(1);
  EXPECT_LE(controller_.first_record(), 76800u);
  EXPECT_GT(controller_.first_record() + controller_.page_records(), 76800u);
  EXPECT_EQ(view_.event_selected, 1);
  EXPECT_EQ(Count(controller_.picture(), Ink::kSelectedEvent), 2);  // its line and label
  controller_.OnRenameEvent(1);
  EXPECT_EQ(view_.label_start, "b");
  controller_.OnEventLabelEntered("b2");
  EXPECT_EQ(RowLabels(), (std::vector<std::string>{"a", "b2", "c"}));
  controller_.OnDeleteEvent(0);
  EXPECT_EQ(RowLabels(), (std::vector<std::string>{"b2", "c"}));
  EXPECT_TRUE(controller_.events().unsaved());
}

TEST_F(TraceEventsTest, NextAndPreviousWalkTheEventsInOrderAndStopAtTheEnds) {
  WriteFile(sidecar_, "start_record\tlength_records\tlabel\n100\t0\ta\n200\t0\tb\n90000\t0\tc\n");
  Open();
  controller_.OnNextEvent();
  EXPECT_EQ(controller_.selected_event(), 0u);
  controller_.OnNextEvent();
  EXPECT_EQ(controller_.selected_event(), 1u);  // on the same page
  controller_.OnNextEvent();
  EXPECT_EQ(controller_.selected_event(), 2u);
  EXPECT_GT(controller_.first_record(), 80000u);
  controller_.OnNextEvent();
  EXPECT_EQ(controller_.selected_event(), 2u);
  EXPECT_NE(view_.status.find("no event after"), std::string::npos);
  controller_.OnPreviousEvent();
  EXPECT_EQ(controller_.selected_event(), 1u);
  controller_.OnPreviousEvent();
  controller_.OnPreviousEvent();
  EXPECT_EQ(controller_.selected_event(), 0u);
}

TEST_F(TraceEventsTest, SaveEventsWritesTheSidecarWholeAndClearsUnsaved) {
  Open();
  AddAt(512, "mark");
  controller_.OnSaveEvents();
  EXPECT_EQ(ReadFile(sidecar_), "start_record\tlength_records\tlabel\n512\t0\tmark\n");
  EXPECT_FALSE(controller_.events().unsaved());
  EXPECT_NE(view_.status.find("rec01_events.tsv"), std::string::npos);
  // Nothing of the commit's own is left in the folder.
  int files = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir_.path())) {
    ++files;
  }
  EXPECT_EQ(files, 2);
}

TEST_F(TraceEventsTest, SaveAsToAMissingFolderSaysThePathAndKeepsTheChangesUnsaved) {
  Open();
  AddAt(512, "mark");
  const std::filesystem::path missing = dir_ / "no such folder" / "events.tsv";
  controller_.OnSaveEventsAs(missing);
  EXPECT_NE(view_.status.find("no such folder"), std::string::npos) << view_.status;
  EXPECT_TRUE(controller_.events().unsaved());
  controller_.OnSaveEventsAs(dir_ / "copy.tsv");
  EXPECT_EQ(ReadFile(dir_ / "copy.tsv"), "start_record\tlength_records\tlabel\n512\t0\tmark\n");
  EXPECT_TRUE(controller_.events().unsaved());  // the sidecar itself is still behind
  EXPECT_FALSE(std::filesystem::exists(sidecar_));
}

TEST_F(TraceEventsTest, CloseWithUnsavedEventsAsksAndEachAnswerDoesItsPart) {
  Open();
  EXPECT_TRUE(controller_.OnCloseAsked());  // nothing to ask
  AddAt(512, "mark");
  EXPECT_FALSE(controller_.OnCloseAsked());
  EXPECT_NE(view_.unsaved_question.find("rec01_eeg"), std::string::npos);
  controller_.OnUnsavedEventsAnswered(UnsavedAnswer::kCancel);
  EXPECT_EQ(view_.closed, 0);
  EXPECT_TRUE(controller_.events().unsaved());

  EXPECT_FALSE(controller_.OnCloseAsked());
  controller_.OnUnsavedEventsAnswered(UnsavedAnswer::kSave);
  EXPECT_EQ(view_.closed, 1);
  EXPECT_TRUE(std::filesystem::exists(sidecar_));

  AddAt(600, "second");
  EXPECT_FALSE(controller_.OnCloseAsked());
  controller_.OnUnsavedEventsAnswered(UnsavedAnswer::kDiscard);
  EXPECT_EQ(view_.closed, 2);
  EXPECT_EQ(ReadFile(sidecar_), "start_record\tlength_records\tlabel\n512\t0\tmark\n");
}

TEST_F(TraceEventsTest, AFailedSaveOnCloseKeepsTheWindowOpen) {
  Open();
  AddAt(512, "mark");
  std::filesystem::create_directory(sidecar_);  // a folder where the sidecar goes
  EXPECT_FALSE(controller_.OnCloseAsked());
  controller_.OnUnsavedEventsAnswered(UnsavedAnswer::kSave);
  EXPECT_EQ(view_.closed, 0);
  EXPECT_TRUE(controller_.events().unsaved());
  EXPECT_NE(view_.status.find("rec01_events.tsv"), std::string::npos) << view_.status;
}

TEST_F(TraceEventsTest, AnotherRecordingWaitsForTheUnsavedQuestion) {
  Open();
  AddAt(512, "mark");
  const std::filesystem::path other = dir_ / "rec02_eeg";
  WriteFile(other, std::string(32 * 100, '\x10'));
  controller_.Show({other, "rec02_eeg", ""}, true);
  EXPECT_EQ(controller_.records(), kRecords);  // still the first
  EXPECT_NE(view_.unsaved_question.find("rec02_eeg"), std::string::npos);
  controller_.OnUnsavedEventsAnswered(UnsavedAnswer::kDiscard);
  EXPECT_EQ(controller_.records(), 100u);
  EXPECT_FALSE(controller_.events().unsaved());
  EXPECT_TRUE(view_.event_rows.empty());
  EXPECT_FALSE(std::filesystem::exists(sidecar_));
}

TEST_F(TraceEventsTest, AddEventsAddsThoseThatFitAndSaysHowMany) {
  Open();
  controller_.AddEvents({{10, 0, "a"}, {kRecords + 5, 0, "outside"}, {20, 5, "b"}});
  EXPECT_EQ(controller_.events().list().size(), 2u);
  EXPECT_NE(view_.status.find("Added 2 events"), std::string::npos) << view_.status;
  EXPECT_NE(view_.status.find("1 event left out"), std::string::npos) << view_.status;
}

TEST(TraceEventsPage, ThePageFindsItsEventsIncludingALongOneBeganBefore) {
  TempDir dir;
  WriteFile(dir / "r_eeg", std::string(32 * 10000, '\0'));
  TraceEvents events;
  events.Open(dir / "r_eeg", 10000);
  std::size_t added = 0;
  ASSERT_TRUE(
      events
          .AddMany(
              {{100, 0, "a"}, {500, 4000, "long"}, {1000, 0, "b"}, {3000, 10, "c"}, {6000, 0, "d"}},
              &added)
          .ok());
  // Events (by start): a 100, long 500..4500, b 1000, c 3000..3010, d 6000.
  // The long one, and b, which the drawing skips as it ends before the page.
  EXPECT_EQ(events.InPage(2000, 1000), (std::pair<std::size_t, std::size_t>{1, 3}));
  EXPECT_EQ(events.InPage(4600, 1000), (std::pair<std::size_t, std::size_t>{4, 4}));
  EXPECT_EQ(events.InPage(0, 200), (std::pair<std::size_t, std::size_t>{0, 1}));
  EXPECT_EQ(events.TickColumns(10), (std::vector<int>{0, 1, 3, 6}));
}

}  // namespace
}  // namespace velbrix
