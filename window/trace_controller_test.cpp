#include "window/trace_controller.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <thread>

#include "core/channel_table.h"
#include "core/test_support.h"
#include "window/fake_trace_view.h"

namespace velbrix {
namespace {

using testing::FakeTraceView;
using testing::TempDir;
using testing::WriteFile;
using trace::Ink;

// A recording of `records` records whose byte of record r at position p is (r + 3 p) mod 256.
std::string Recording(std::size_t records, std::size_t tail = 0) {
  std::string bytes(records * 32 + tail, '\0');
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    bytes[i] = static_cast<char>((i / 32 + 3 * (i % 32 + 1)) & 0xFF);
  }
  return bytes;
}

std::vector<std::string> Texts(const trace::TracePicture& picture, Ink ink) {
  std::vector<std::string> texts;
  for (const trace::Step& step : picture.steps) {
    if (const auto* text = std::get_if<trace::Text>(&step); text != nullptr && text->ink == ink) {
      texts.push_back(text->text);
    }
  }
  return texts;
}

std::vector<const trace::Polyline*> Traces(const trace::TracePicture& picture) {
  std::vector<const trace::Polyline*> traces;
  for (const trace::Step& step : picture.steps) {
    if (const auto* line = std::get_if<trace::Polyline>(&step); line != nullptr) {
      traces.push_back(line);
    }
  }
  return traces;
}

class TraceControllerTest : public ::testing::Test {
 protected:
  TraceControllerTest() { controller_.OnCanvasResized(1060, 800); }

  std::filesystem::path Show(const std::string& name, const std::string& bytes,
                             const std::string& channel = "") {
    WriteFile(dir_ / name, bytes);
    controller_.Show({dir_ / name, name, channel}, true);
    return dir_ / name;
  }
  // Ticks until the overview is complete.
  void FinishOverview() {
    for (int i = 0; i < 500 && view_.ticking; ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
      controller_.OnTick();
    }
    ASSERT_FALSE(view_.ticking);
  }
  // The header's first line: the first text that begins left of the traces.
  std::string Header() const {
    for (const trace::Step& step : view_.picture->steps) {
      if (const auto* text = std::get_if<trace::Text>(&step);
          text != nullptr && text->align == trace::Align::kLeft &&
          text->anchor.x < view_.picture->traces.left) {
        return text->text;
      }
    }
    return "";
  }
  std::string Selected(const std::vector<std::string>& choices, int selected) const {
    return selected >= 0 ? choices.at(static_cast<std::size_t>(selected)) : "";
  }
  // The status line with the mouse over record `record` (0-based) of channel `name`.
  std::string StatusOver(std::uint64_t record, std::string_view name) {
    const trace::Rect& traces = view_.picture->traces;
    const double band = traces.height() / 32.0;
    const int index =
        ChannelAtListIndex(0).list_index + ChannelAtPosition(*FindChannelPosition(name)).list_index;
    const double x =
        traces.left + (static_cast<double>(record - controller_.first_record()) + 0.5) *
                          traces.width() / static_cast<double>(controller_.page_records());
    controller_.OnMouseMove(static_cast<int>(x),
                            static_cast<int>(traces.top + (index + 0.5) * band), false);
    return view_.status;
  }

  TempDir dir_;
  FakeTraceView view_;
  TraceController controller_{view_, ","};  // a user whose decimal separator is a comma
};

TEST_F(TraceControllerTest, OpensAtTenSecondsWithThirtyTwoLabelledTracesInListOrder) {
  Show("rec01_eeg", Recording(25600), "EKG");  // 100 s at 256 Hz
  EXPECT_EQ(view_.caption, "Velbrix - rec01_eeg");
  EXPECT_EQ(view_.sample_rate_text, "256");
  EXPECT_EQ(controller_.first_record(), 0u);
  EXPECT_EQ(controller_.page_records(), 2560u);
  EXPECT_EQ(Selected(view_.page_choices, view_.page_selected), "10 s");
  EXPECT_EQ(view_.page_choices.back(), "Whole recording");
  EXPECT_EQ(Header(), "rec01_eeg  \u00B7  25600 records  \u00B7  100.000 s (1:40) at 256 Hz");

  const std::vector<std::string> labels = Texts(*view_.picture, Ink::kLabel);
  ASSERT_EQ(labels.size(), 31u);
  EXPECT_EQ(labels.front(), "FP2");
  EXPECT_EQ(labels[12], "Oz");
  EXPECT_EQ(labels.back(), "PG2");
  EXPECT_EQ(Texts(*view_.picture, Ink::kHighlightLabel), std::vector<std::string>{"EKG"});
  const auto traces = Traces(*view_.picture);
  ASSERT_EQ(traces.size(), 32u);
  EXPECT_EQ(traces[22]->ink, Ink::kHighlightTrace);
  for (const trace::Polyline* line : traces) {
    EXPECT_EQ(line->points.size(), 2u * static_cast<std::size_t>(view_.picture->traces.width()));
  }
  // The overview is computed in the background and drawn once ready.
  FinishOverview();
  int envelope = 0;
  for (const trace::Step& step : view_.picture->steps) {
    if (const auto* bar = std::get_if<trace::Fill>(&step); bar && bar->ink == Ink::kEnvelope) {
      ++envelope;
    }
  }
  EXPECT_EQ(envelope, view_.picture->overview.width());

  // Another channel highlighted without reading the recording again; closing lets go of it.
  controller_.Show({dir_ / "rec01_eeg", "rec01_eeg", "Fz"}, false);
  EXPECT_FALSE(view_.ticking);
  EXPECT_EQ(Texts(*view_.picture, Ink::kHighlightLabel), std::vector<std::string>{"Fz"});
  controller_.Close();
  EXPECT_EQ(controller_.records(), 0u);
}

TEST_F(TraceControllerTest, PagingStopsAtBothEnds) {
  Show("rec01_eeg", Recording(25600));
  const std::uint64_t last = 25600 - 2560;
  controller_.OnKey(TraceKey::kStepBack);
  EXPECT_EQ(controller_.first_record(), 0u);
  controller_.OnKey(TraceKey::kStepForward);
  EXPECT_EQ(controller_.first_record(), 256u);
  controller_.OnKey(TraceKey::kPageForward);
  EXPECT_EQ(controller_.first_record(), 256u + 2560u);
  controller_.OnWheel(TraceController::kWheelNotch, false);  // away from the user: back a step
  controller_.OnWheel(TraceController::kWheelNotch / 2, false);
  EXPECT_EQ(controller_.first_record(), 256u + 2560u - 256u);
  controller_.OnWheel(TraceController::kWheelNotch / 2, false);  // a notch, in halves
  EXPECT_EQ(controller_.first_record(), 2304u);
  controller_.OnKey(TraceKey::kEnd);
  EXPECT_EQ(controller_.first_record(), last);
  controller_.OnKey(TraceKey::kPageForward);
  EXPECT_EQ(controller_.first_record(), last);
  EXPECT_EQ(view_.scroll_bar.maximum, 90);  // steps of 256 records
  EXPECT_EQ(view_.scroll_bar.page, 10);
  EXPECT_EQ(view_.scroll_bar.position, 90);
  controller_.OnKey(TraceKey::kPageBack);
  EXPECT_EQ(controller_.first_record(), last - 2560);
  controller_.OnKey(TraceKey::kStart);
  EXPECT_EQ(controller_.first_record(), 0u);
  controller_.OnScrollTo(45);
  EXPECT_EQ(controller_.first_record(), 45u * 256u);
  controller_.OnScrollTo(1000);
  EXPECT_EQ(controller_.first_record(), last);

  // A click on the overview strip centres the page there, within the recording.
  const trace::Rect strip = view_.picture->overview;
  controller_.OnMouseDown((strip.left + strip.right) / 2, strip.top + 5);
  EXPECT_EQ(controller_.first_record(), 12800u - 1280u);
  controller_.OnMouseMove(strip.right - 1, strip.top + 5, false);  // passing over it
  EXPECT_EQ(controller_.first_record(), 12800u - 1280u);
  controller_.OnMouseMove(strip.left, strip.top + 5, true);  // dragged along it
  EXPECT_EQ(controller_.first_record(), 0u);
}

TEST_F(TraceControllerTest, ZoomRunsFromAFewRecordsToTheWholeRecordingAndAmplitudeStopsAtItsEnds) {
  Show("rec01_eeg", Recording(200000));  // more than a page read directly
  for (int i = 0; i < 30; ++i) {
    controller_.OnKey(TraceKey::kZoomIn);
  }
  EXPECT_EQ(controller_.page_records(), 5u);  // 0.02 s
  EXPECT_EQ(Selected(view_.page_choices, view_.page_selected), "0.02 s");
  // Fewer records than columns: the samples themselves, one point each.
  EXPECT_EQ(Traces(*view_.picture)[0]->points.size(), 5u);
  for (int i = 0; i < 30; ++i) {
    controller_.OnWheel(-TraceController::kWheelNotch, true);
  }
  EXPECT_EQ(controller_.page_records(), 200000u);
  EXPECT_EQ(Selected(view_.page_choices, view_.page_selected), "Whole recording");
  EXPECT_TRUE(controller_.page_from_overview());
  FinishOverview();
  EXPECT_EQ(Traces(*view_.picture)[0]->points.size(),
            2u * static_cast<std::size_t>(view_.picture->traces.width()));
  controller_.OnPageChosen(8);  // 10 s
  EXPECT_EQ(controller_.page_records(), 2560u);
  EXPECT_FALSE(controller_.page_from_overview());

  for (int i = 0; i < 20; ++i) {
    controller_.OnKey(TraceKey::kAmplitudeUp);
  }
  EXPECT_EQ(controller_.microvolts_per_division(), 1.0);
  EXPECT_EQ(Selected(view_.amplitude_choices, view_.amplitude_selected), "1 \u00B5V/div");
  for (int i = 0; i < 20; ++i) {
    controller_.OnKey(TraceKey::kAmplitudeDown);
  }
  EXPECT_EQ(controller_.microvolts_per_division(), 5000.0);
  // Every channel reaches up to 128 steps (480 uV) from zero in this recording.
  controller_.OnAmplitudeChosen(static_cast<int>(view_.amplitude_choices.size()) - 1);
  EXPECT_EQ(view_.amplitude_choices.back(), "Fit page");
  EXPECT_EQ(controller_.microvolts_per_division(), 500.0);
}

TEST_F(TraceControllerTest, SampleRateRelabelsTimeAndIsKeptForTheNextRecording) {
  Show("rec01_eeg", Recording(25600));
  controller_.OnSampleRateEntered("512");
  EXPECT_EQ(controller_.page_records(), 5120u);
  EXPECT_EQ(Header(), "rec01_eeg  \u00B7  25600 records  \u00B7  50.000 s at 512 Hz");
  controller_.OnSampleRateEntered("fast");
  EXPECT_EQ(view_.sample_rate_text, "512");
  EXPECT_EQ(view_.status,
            "The sample rate \"fast\" is not a positive number of hertz written with digits and "
            "at most one decimal separator (\".\" or \",\")");
  for (const char* refused : {"0", "1e3", "-5", "2000000"}) {
    controller_.OnSampleRateEntered(refused);
    EXPECT_EQ(controller_.sample_rate(), 512.0) << refused;
  }
  controller_.OnSampleRateEntered(" 250,5 ");
  EXPECT_EQ(view_.sample_rate_text, "250.5");
  EXPECT_EQ(controller_.page_records(), 2505u);

  controller_.Close();
  Show("rec02_eeg", Recording(25600));
  EXPECT_EQ(view_.sample_rate_text, "250.5");
  EXPECT_EQ(controller_.page_records(), 2505u);
}

TEST_F(TraceControllerTest, StatusLineGivesTheExactValueUnderTheMouse) {
  std::string bytes = Recording(64);
  bytes[10 * 32 + 22] = static_cast<char>(234);  // EKG (position 23) of record 11: 401.25 uV
  Show("rec01_eeg", bytes);
  ASSERT_EQ(controller_.page_records(), 64u);  // the whole recording is shorter than 10 s
  EXPECT_EQ(StatusOver(10, "EKG"),
            "Record 11  \u00B7  0.039 s  \u00B7  EKG  \u00B7  401.25 \u00B5V");
  EXPECT_EQ(StatusOver(0, "FP2"), "Record 1  \u00B7  0.000 s  \u00B7  FP2  \u00B7  -465 \u00B5V");
  controller_.OnMouseLeave();
  EXPECT_EQ(view_.status, kTraceKeysHint);

  // Where a column holds several records, their range and the channel's extremes over them.
  Show("rec02_eeg", Recording(25600));
  controller_.OnKey(TraceKey::kZoomOut);  // 20 s: 5120 records over 1000 columns
  const std::string range = StatusOver(0, "Fz");
  EXPECT_EQ(range.substr(0, 15), "Records 1\u20135  ");
  EXPECT_NE(range.find("Fz  \u00B7  -363.75 to -348.75 \u00B5V"), std::string::npos) << range;
}

TEST_F(TraceControllerTest, EmptyUnreadableAndPartialRecordingsSaySoAndTheViewStaysUsable) {
  Show("empty_eeg", "");
  EXPECT_EQ(Texts(*view_.picture, Ink::kWarning),
            std::vector<std::string>{"empty_eeg is empty: it holds no records to show."});
  EXPECT_TRUE(Traces(*view_.picture).empty());
  EXPECT_EQ(Texts(*view_.picture, Ink::kLabel).size(), 32u);  // the empty axes
  EXPECT_FALSE(Texts(*view_.picture, Ink::kFaintText).empty());
  EXPECT_FALSE(view_.ticking);
  controller_.OnKey(TraceKey::kPageForward);
  controller_.OnKey(TraceKey::kZoomOut);
  EXPECT_EQ(controller_.first_record(), 0u);

  controller_.Show({dir_ / "gone_eeg", "gone_eeg", ""}, true);
  const std::vector<std::string> errors = Texts(*view_.picture, Ink::kError);
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_EQ(errors[0].rfind("Cannot open " + PathForDisplay(dir_ / "gone_eeg") + ": ", 0), 0u);

  const std::filesystem::path partial = Show("part_eeg", Recording(3000, 7));
  EXPECT_EQ(Texts(*view_.picture, Ink::kWarning),
            std::vector<std::string>{"The last 7 bytes of " + PathForDisplay(partial) +
                                     " do not make a whole record of 32 bytes and were not "
                                     "converted."});
  EXPECT_EQ(Traces(*view_.picture).size(), 32u);
}

}  // namespace
}  // namespace velbrix
