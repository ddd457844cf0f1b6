#include "window/trace/trace_controller.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <numbers>
#include <thread>

#include "core/base/channel_table.h"
#include "core/testing/test_support.h"
#include "window/testing/fake_trace_view.h"
#include "window/trace/spectrum_canvas.h"
#include "window/trace/trace_tools.h"

namespace velbrix {
namespace {

using testing::FakeSpectrumView;
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

// A recording at 256 Hz whose every channel holds a 10 Hz rhythm and 50 Hz hum about an offset of
// its own: byte 127 + p mod 5 + 30 sin(10 Hz) + 10 sin(50 Hz) at position p.
std::string RhythmRecording(std::size_t records) {
  std::string bytes(records * 32, '\0');
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    const double t = static_cast<double>(i / 32) / 256;
    const double wave =
        30 * std::sin(2 * std::numbers::pi * 10 * t) + 10 * std::sin(2 * std::numbers::pi * 50 * t);
    bytes[i] = static_cast<char>(std::lround(127 + static_cast<double>((i % 32 + 1) % 5) + wave));
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
  TraceControllerTest() {
    controller_.SetMontageFolder(dir_ / "montages");
    controller_.OnCanvasResized(1060, 800);
  }

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

  // The status line with the mouse over record `record` (0-based) of row `row`.
  std::string StatusAt(std::uint64_t record, int row) {
    const trace::Rect& traces = view_.picture->traces;
    const double band = traces.height() / static_cast<double>(controller_.page_rows().size());
    controller_.OnMouseMove(X(record), static_cast<int>(traces.top + (row + 0.5) * band), false);
    return view_.status;
  }
  int X(std::uint64_t record) const {
    const trace::Rect& traces = view_.picture->traces;
    return static_cast<int>(traces.left +
                            (static_cast<double>(record - controller_.first_record()) + 0.5) *
                                traces.width() / static_cast<double>(controller_.page_records()));
  }
  int Y(int row) const {
    const trace::Rect& traces = view_.picture->traces;
    const double band = traces.height() / static_cast<double>(controller_.page_rows().size());
    return static_cast<int>(traces.top + (row + 0.5) * band);
  }
  // Chooses the entry `text` of a reading tool's choice.
  void Choose(TraceTool tool, const std::string& text) {
    const auto& entries = view_.tools[static_cast<std::size_t>(tool)].entries;
    const auto at = std::find(entries.begin(), entries.end(), text);
    ASSERT_NE(at, entries.end()) << text;
    controller_.OnToolChosen(tool, static_cast<int>(at - entries.begin()));
  }
  std::vector<std::string> Labels() const {
    std::vector<std::string> labels;
    for (const trace::Step& step : view_.picture->steps) {
      if (const auto* text = std::get_if<trace::Text>(&step);
          text != nullptr && (text->ink == Ink::kLabel || text->ink == Ink::kHighlightLabel)) {
        labels.push_back(text->text);
      }
    }
    return labels;
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
  EXPECT_EQ(Header(),
            "rec01_eeg  \u00B7  25600 records  \u00B7  100.000 s (0:01:40) at 256 Hz  "
            "\u00B7  500 \u00B5V/div");

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
  EXPECT_EQ(
      Header(),
      "rec01_eeg  \u00B7  25600 records  \u00B7  50.000 s at 512 Hz  \u00B7  500 \u00B5V/div");
  controller_.OnSampleRateEntered("fast");
  EXPECT_EQ(view_.sample_rate_text, "512");
  EXPECT_EQ(view_.status,
            "The sample rate \"fast\" is not a positive number of hertz written with digits and "
            "at most one decimal separator (\".\" or \",\")");
  for (const char* refused : {"0", "1e3", "-5", "2000000"}) {
    controller_.OnSampleRateEntered(refused);
    EXPECT_EQ(controller_.sample_rate(), 512.0) << refused;
  }
  EXPECT_EQ(view_.status,
            "The sample rate 2000000 Hz is above the 1000000 Hz that the trace window shows");
  controller_.OnSampleRateEntered(" 250,5 ");
  EXPECT_EQ(view_.sample_rate_text, "250.5");
  EXPECT_EQ(controller_.page_records(), 2505u);

  controller_.Close();
  Show("rec02_eeg", Recording(25600));
  EXPECT_EQ(view_.sample_rate_text, "250.5");
  EXPECT_EQ(controller_.page_records(), 2505u);
}

TEST_F(TraceControllerTest, TimeAxisCountsHoursMinutesAndSecondsFromTheStart) {
  Show("rec01_eeg", Recording(300000));  // 1171.875 s (0:19:32) at 256 Hz
  controller_.OnPageChosen(12);          // 2 min
  controller_.OnScrollTo(1000);          // the last page, 0:17:32 to 0:19:32
  const std::vector<std::string> figures = Texts(*view_.picture, Ink::kText);
  EXPECT_NE(std::find(figures.begin(), figures.end(), "0:19:00"), figures.end())
      << ::testing::PrintToString(figures);
  const std::vector<std::string> legends = Texts(*view_.picture, Ink::kFaintText);
  EXPECT_NE(std::find(legends.begin(), legends.end(), trace::kTimeAxisLegend), legends.end());
}

TEST_F(TraceControllerTest, ACalibrationBarADivisionTallSaysItsMicrovolts) {
  Show("rec01_eeg", Recording(25600));
  const auto scale = [&] {
    std::vector<trace::Line> bars;
    for (const trace::Step& step : view_.picture->steps) {
      if (const auto* line = std::get_if<trace::Line>(&step);
          line != nullptr && line->ink == Ink::kScale && line->from.x == line->to.x) {
        bars.push_back(*line);
      }
    }
    return bars;
  };
  controller_.OnAmplitudeChosen(3);  // 10 µV/div
  ASSERT_EQ(scale().size(), 1u);
  const trace::Line bar = scale()[0];
  const trace::Rect& traces = view_.picture->traces;
  EXPECT_NEAR(bar.to.y - bar.from.y, traces.height() / 32.0, 1.0);  // a division: a row's band
  EXPECT_GT(bar.from.x, traces.right);                              // beside the traces
  EXPECT_LT(bar.from.x, view_.picture->width);
  EXPECT_EQ(Texts(*view_.picture, Ink::kScale), std::vector<std::string>{"10 \u00B5V"});
  EXPECT_NE(Header().find("  \u00B7  10 \u00B5V/div"), std::string::npos) << Header();
  controller_.OnKey(TraceKey::kAmplitudeDown);
  EXPECT_EQ(Texts(*view_.picture, Ink::kScale), std::vector<std::string>{"20 \u00B5V"});
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

TEST_F(TraceControllerTest, FiltersAndMontageChangeWhatIsDrawnAndTheStatusValue) {
  Show("rec01_eeg", RhythmRecording(15360), "Fz");  // 60 s
  const auto entries = [&](TraceTool tool) {
    return view_.tools[static_cast<std::size_t>(tool)].entries;
  };
  EXPECT_EQ(entries(TraceTool::kHighPass),
            (std::vector<std::string>{"Off", "0.1 Hz", "0.3 Hz", "0.5 Hz", "1 Hz", "5 Hz"}));
  EXPECT_EQ(entries(TraceTool::kLowPass),
            (std::vector<std::string>{"Off", "15 Hz", "30 Hz", "35 Hz", "40 Hz", "70 Hz"}));
  EXPECT_EQ(entries(TraceTool::kNotch), (std::vector<std::string>{"Off", "50 Hz", "60 Hz"}));
  EXPECT_EQ(entries(TraceTool::kMontage),
            (std::vector<std::string>{"As recorded", "Average reference", "Linked ears",
                                      "Bipolar longitudinal"}));
  const int fz = 9;
  const std::string raw = StatusAt(100, fz);
  EXPECT_NE(raw.find("Fz  \u00B7  "), std::string::npos) << raw;
  const std::vector<trace::Point> before = Traces(*view_.picture)[fz]->points;

  // The notch takes the hum out of the traces and out of the value under the mouse.
  Choose(TraceTool::kNotch, "50 Hz");
  EXPECT_NE(Traces(*view_.picture)[fz]->points, before);
  EXPECT_NE(StatusAt(100, fz), raw);
  EXPECT_EQ(Header(),
            "rec01_eeg  \u00B7  15360 records  \u00B7  60.000 s (0:01:00) at 256 Hz  "
            "\u00B7  200 \u00B5V/div  \u00B7  notch 50 Hz");
  controller_.OnKey(TraceKey::kPageForward);  // away from the recording's start
  double hum = 0;  // what is left of 50 Hz: the 10 Hz rhythm and its byte rounding alone
  for (std::size_t c = 0; c < controller_.page().columns; ++c) {
    hum = std::max(hum, std::abs(controller_.page().Max(fz, c)));
  }
  EXPECT_LT(hum, 30 * 3.75 + 6);

  // The bipolar montage: its 18 pairs, then EKG and the other inputs; Fz follows to Fz-Cz.
  Choose(TraceTool::kMontage, "Bipolar longitudinal");
  const std::vector<std::string> labels = Labels();
  ASSERT_EQ(labels.size(), 28u);
  EXPECT_EQ(labels[0], "FP1-F7");
  EXPECT_EQ(labels[17], "Cz-Pz");
  EXPECT_EQ(labels[18], "EKG");
  EXPECT_EQ(Texts(*view_.picture, Ink::kHighlightLabel), std::vector<std::string>{"Fz-Cz"});
  EXPECT_EQ(Traces(*view_.picture).size(), 28u);
  // FP1 (position 13) and F7 (14) differ by 13 % 5 - 14 % 5 = -1 step, which the notch leaves.
  const std::string pair = StatusAt(3000, 0);
  EXPECT_NE(pair.find("  \u00B7  FP1-F7  \u00B7  -3.75 to -3.75 \u00B5V"), std::string::npos)
      << pair;
  EXPECT_EQ(view_.tools[static_cast<std::size_t>(TraceTool::kMontage)].selected, 3);

  // Below 200 Hz, a low-pass of 70 Hz and a notch at 50 or 60 Hz are no longer offered.
  controller_.OnSampleRateEntered("100");
  EXPECT_EQ(entries(TraceTool::kLowPass),
            (std::vector<std::string>{"Off", "15 Hz", "30 Hz", "35 Hz", "40 Hz"}));
  EXPECT_EQ(entries(TraceTool::kNotch), std::vector<std::string>{"Off"});
  EXPECT_EQ(controller_.filters().notch, 0.0);
}

TEST_F(TraceControllerTest, FiltersTurnedOffByALowRateAreNamedInTheStatusLine) {
  Show("rec01_eeg", RhythmRecording(3000));
  Choose(TraceTool::kLowPass, "70 Hz");
  Choose(TraceTool::kNotch, "50 Hz");
  Choose(TraceTool::kHighPass, "0.5 Hz");
  controller_.OnSampleRateEntered("100");
  const std::string notice =
      "Low-pass 70 Hz is off: it needs a sample rate above 140 Hz  \u00B7  The notch at 50 Hz "
      "is off: it needs a sample rate above 100 Hz";
  EXPECT_EQ(view_.status, notice);
  EXPECT_EQ(controller_.filters().high_pass, 0.5);
  EXPECT_NE(StatusAt(10, 0), notice);  // the value under the mouse, while it is there
  controller_.OnMouseLeave();
  EXPECT_EQ(view_.status, notice);
  controller_.OnSampleRateEntered("256");  // nothing goes off: the keys' hint again
  EXPECT_EQ(view_.status, kTraceKeysHint);
  EXPECT_EQ(controller_.filters().low_pass, 0.0);
}

TEST_F(TraceControllerTest, APageFromTheOverviewSaysItShowsUnfilteredExtremes) {
  Show("rec01_eeg", Recording(200000));
  Choose(TraceTool::kHighPass, "0.5 Hz");
  Choose(TraceTool::kMontage, "Average reference");
  EXPECT_EQ(Labels().size(), 32u);
  EXPECT_GT(controller_.filter_margin(), 256u);
  controller_.OnPageChosen(static_cast<int>(view_.page_choices.size()) - 1);  // whole recording
  FinishOverview();
  ASSERT_TRUE(controller_.page_from_overview());
  EXPECT_EQ(Texts(*view_.picture, Ink::kWarning), std::vector<std::string>{kOverviewUnfiltered});
  EXPECT_EQ(Labels().front(), "FP2");
  // The boxes say what the page shows, and no trace is drawn over the header's lines.
  EXPECT_EQ(view_.tools[static_cast<std::size_t>(TraceTool::kMontage)].selected, 0);
  EXPECT_EQ(view_.tools[static_cast<std::size_t>(TraceTool::kHighPass)].selected, 0);
  for (const trace::Step& step : view_.picture->steps) {
    if (const auto* line = std::get_if<trace::Polyline>(&step)) {
      EXPECT_GE(line->clip.top, controller_.picture().traces.top);
    }
  }
  controller_.OnPageChosen(8);  // 10 s: filtered again, and the header says how
  EXPECT_EQ(view_.tools[static_cast<std::size_t>(TraceTool::kMontage)].selected, 1);
  EXPECT_TRUE(Texts(*view_.picture, Ink::kWarning).empty());
  EXPECT_NE(Header().find("Average reference  \u00B7  high-pass 0.5 Hz"), std::string::npos);
  EXPECT_EQ(Labels().front(), "FP2-avg");
}

TEST_F(TraceControllerTest, AFilteredPageTooLongToFilterInAFrameComesFromTheOverview) {
  Show("rec01_eeg", Recording(100000));  // within the pages read directly as recorded
  controller_.OnPageChosen(static_cast<int>(view_.page_choices.size()) - 1);  // whole recording
  FinishOverview();
  EXPECT_FALSE(controller_.page_from_overview());
  Choose(TraceTool::kHighPass, "0.5 Hz");
  FinishOverview();
  EXPECT_TRUE(controller_.page_from_overview());
  EXPECT_EQ(Texts(*view_.picture, Ink::kWarning), std::vector<std::string>{kOverviewUnfiltered});
}

TEST_F(TraceControllerTest, RowsNameTheirReferenceAndTheHeaderWhatItAverages) {
  Show("rec01_eeg", Recording(3000), "A1");
  const auto header_has = [&](const std::string& line) {
    const std::vector<std::string> texts = Texts(*view_.picture, Ink::kText);
    return std::find(texts.begin(), texts.end(), line) != texts.end();
  };
  Choose(TraceTool::kMontage, "Linked ears");
  std::vector<std::string> labels = Labels();
  ASSERT_EQ(labels.size(), 30u);  // 20 electrodes and the 10 other inputs; no rows for the ears
  EXPECT_EQ(labels.front(), "FP2-A1A2");
  EXPECT_EQ(std::count(labels.begin(), labels.end(), "A1-A1A2"), 0);
  EXPECT_EQ(labels[20], "EKG");
  EXPECT_TRUE(Texts(*view_.picture, Ink::kHighlightLabel).empty());  // A1 is the reference
  EXPECT_TRUE(header_has("A1A2: the mean of A1 and A2"));

  Choose(TraceTool::kMontage, "Average reference");
  labels = Labels();
  ASSERT_EQ(labels.size(), 32u);
  EXPECT_EQ(Texts(*view_.picture, Ink::kHighlightLabel), std::vector<std::string>{"A1-avg"});
  EXPECT_TRUE(header_has(MontageReferenceText(MontageKind::kAverageReference)));

  Choose(TraceTool::kMontage, "As recorded");
  EXPECT_EQ(Labels().front(), "FP2");
  EXPECT_FALSE(header_has(MontageReferenceText(MontageKind::kAverageReference)));
}

TEST_F(TraceControllerTest, AHighRateBoundsTheFiltersMarginAndTheHeaderSaysTheEdgesApproximate) {
  Show("rec01_eeg", RhythmRecording(3000));
  Choose(TraceTool::kHighPass, "0.1 Hz");
  const std::uint64_t exact = controller_.filter_margin();  // 2560 records and margins fit
  EXPECT_TRUE(Texts(*view_.picture, Ink::kWarning).empty());
  Show("rec02_eeg", Recording(200000));
  controller_.OnSampleRateEntered("1000");  // 10 s is 10000 records; the margin 34 s a side
  EXPECT_EQ(controller_.page_records(), 10000u);
  EXPECT_EQ(controller_.filter_margin(), (kFilteredSpanRecords - 10000) / 2);
  EXPECT_GT(exact * 1000 / 256, controller_.filter_margin());
  const std::vector<std::string> warnings = Texts(*view_.picture, Ink::kWarning);
  ASSERT_EQ(warnings.size(), 1u);
  EXPECT_EQ(warnings[0].rfind("The filters settle over ", 0), 0u) << warnings[0];
  EXPECT_NE(warnings[0].find(", of which 11.4 s are read on each side of this page: its values "
                             "near the edges are approximate"),
            std::string::npos)
      << warnings[0];
  EXPECT_NE(Traces(*view_.picture).size(), 0u);
  controller_.OnKey(TraceKey::kEnd);  // the margin after the last page is the recording's end
  EXPECT_EQ(Texts(*view_.picture, Ink::kWarning).size(), 1u);
  Show("short_eeg", RhythmRecording(3000));  // the bounded margin reaches both ends
  EXPECT_TRUE(Texts(*view_.picture, Ink::kWarning).empty());

  // A page too long for any margin still measures a record with one: a high-pass run over a
  // single record would give 0.
  Show("rec03_eeg", RhythmRecording(60000));
  controller_.OnSampleRateEntered("5000");
  ASSERT_EQ(controller_.page_records(), 50000u);
  EXPECT_EQ(controller_.filter_margin(), 0u);
  const int fz = 9;
  controller_.OnMouseDown(X(20000), Y(fz));
  controller_.OnMouseMove(X(20100), Y(fz), true);
  EXPECT_NE(view_.status.find("  \u00B7  Fz  \u00B7  "), std::string::npos) << view_.status;
  EXPECT_EQ(view_.status.find("Fz  \u00B7  0 to 0 \u00B5V"), std::string::npos) << view_.status;
}

TEST_F(TraceControllerTest, ADragMeasuresTimeAndDifferenceUntilReleased) {
  const std::string bytes = Recording(25600);
  Show("rec01_eeg", bytes);
  const int fz = 9;  // position 10
  const auto value = [&](std::uint64_t record) {
    return ScaleSample(static_cast<std::uint8_t>(bytes[static_cast<std::size_t>(record) * 32 + 9]));
  };
  controller_.OnPageChosen(6);  // 2 s: a record to a column
  ASSERT_EQ(controller_.page_records(), 512u);
  const std::uint64_t from = controller_.first_record() + 100;
  const std::uint64_t to = from + 128;
  controller_.OnMouseDown(X(from), Y(fz));
  controller_.OnMouseMove(X(to), Y(fz) + 40, true);  // the row where it began counts
  EXPECT_EQ(view_.status, "Records " + std::to_string(from + 1) + " to " + std::to_string(to + 1) +
                              "  \u00B7  0.500 s, 128 records  \u00B7  Fz  \u00B7  " +
                              trace::MicrovoltText(value(from)) + " to " +
                              trace::MicrovoltText(value(to)) + " \u00B5V, a difference of " +
                              trace::MicrovoltText(value(to) - value(from)) + " \u00B5V");
  int ends = 0;
  for (const trace::Step& step : view_.picture->steps) {
    const auto* line = std::get_if<trace::Line>(&step);
    ends += line != nullptr && line->ink == Ink::kMeasure ? 1 : 0;
  }
  EXPECT_EQ(ends, 2);
  controller_.OnMouseUp(X(to), Y(fz));
  EXPECT_EQ(view_.status.rfind("Record", 0), 0u);
  EXPECT_EQ(view_.status.find("difference"), std::string::npos);
}

TEST_F(TraceControllerTest, SpectrumFollowsThePageAndNamesFrequencyAndDensity) {
  Show("rec01_eeg", RhythmRecording(15360), "Oz");
  FakeSpectrumView spectrum;
  controller_.OnSpectrumResized(900, 500);
  controller_.OnSpectrumOpened(spectrum);
  EXPECT_EQ(spectrum.caption, "Velbrix - rec01_eeg - Spectrum");
  ASSERT_EQ(spectrum.channels.size(), 33u);
  EXPECT_EQ(spectrum.channels[0], "All channels");
  EXPECT_EQ(spectrum.channels[static_cast<std::size_t>(spectrum.channel_selected)], "Oz");
  ASSERT_NE(spectrum.picture, nullptr);
  const auto curves = [&] { return Traces(*spectrum.picture).size(); };
  EXPECT_EQ(curves(), 1u);

  // The mouse over the 10 Hz peak.
  const trace::SpectrumScale scale(900, 500, 128, {{1.0, 1e4}});
  controller_.OnSpectrumMouseMove(static_cast<int>(scale.X(10)), scale.plot.top + 40);
  EXPECT_EQ(spectrum.status.rfind("10.000 Hz  \u00B7  Oz  \u00B7  ", 0), 0u) << spectrum.status;
  EXPECT_NE(spectrum.status.find(" \u00B5V\u00B2/Hz"), std::string::npos);
  const std::string first_page = Texts(*spectrum.picture, Ink::kText).front();
  EXPECT_NE(first_page.find("records 1\u20132560"), std::string::npos) << first_page;

  const int shown = spectrum.pictures_shown;
  controller_.OnKey(TraceKey::kPageForward);
  EXPECT_GT(spectrum.pictures_shown, shown);
  EXPECT_NE(Texts(*spectrum.picture, Ink::kText).front().find("records 2561\u20135120"),
            std::string::npos);
  controller_.OnSpectrumChannelChosen(0);
  EXPECT_EQ(curves(), 32u);
  EXPECT_EQ(spectrum.channel_selected, 0);
  Choose(TraceTool::kMontage, "Bipolar longitudinal");
  EXPECT_EQ(spectrum.channels.size(), 29u);
  EXPECT_EQ(curves(), 28u);
  controller_.OnSpectrumClosed();
  controller_.OnKey(TraceKey::kPageForward);  // no longer shown
}

TEST_F(TraceControllerTest, APictureNamedWithoutAnExtensionIsSavedAsDotPng) {
  Show("rec01_eeg", Recording(3000));
  RgbImage image;
  image.width = 2;
  image.height = 1;
  image.pixels.assign(6, 255);
  controller_.OnPictureRendered(dir_ / "page", image);
  EXPECT_TRUE(std::filesystem::is_regular_file(dir_ / "page.png"));
  EXPECT_FALSE(std::filesystem::exists(dir_ / "page"));
  EXPECT_EQ(view_.status, "Saved the picture as " + PathForDisplay(dir_ / "page.png"));
  // A name with an extension of its own is kept as it is.
  controller_.OnPictureRendered(dir_ / "page.v2.picture", image);
  EXPECT_TRUE(std::filesystem::is_regular_file(dir_ / "page.v2.picture"));
  EXPECT_FALSE(std::filesystem::exists(dir_ / "page.v2.picture.png"));
}

// A montage of one's own in the montage folder: offered after the built-in ones, drawn with its
// labels and factors, its bad lines said in the header; one with nothing to draw is refused; the
// editor opens on it, and a montage it saves is shown.
TEST_F(TraceControllerTest, OwnMontagesAreOfferedDrawnAndTheirProblemsSaid) {
  std::filesystem::create_directories(dir_ / "montages");
  WriteFile(dir_ / "montages" / "chains.montage",
            "name: Chains\nFP2-(A1+A2)/2; label FP2-ears; factor 2\nC4-avg\nT3-Tx5\n");
  WriteFile(dir_ / "montages" / "none.montage", "Fx1-Fx2\n");
  const std::string recording(3000 * 32, '\x90');  // every channel at 63.75 µV
  Show("rec01_eeg", recording, "FP2");
  const auto& box = view_.tools[static_cast<std::size_t>(TraceTool::kMontage)];
  EXPECT_EQ(box.entries,
            (std::vector<std::string>{"As recorded", "Average reference", "Linked ears",
                                      "Bipolar longitudinal", "Chains", "none"}));
  Choose(TraceTool::kMontage, "Chains");
  EXPECT_EQ(Labels(), (std::vector<std::string>{"FP2-ears \u00D72", "C4-avg"}));
  EXPECT_EQ(Texts(*view_.picture, Ink::kHighlightLabel),
            std::vector<std::string>{"FP2-ears \u00D72"});
  EXPECT_EQ(view_.picture->traces.left, 12 + 10 * 11);  // room for the longest label
  const std::vector<std::string> warnings = Texts(*view_.picture, Ink::kWarning);
  ASSERT_EQ(warnings.size(), 2u);
  EXPECT_EQ(warnings[1], "line 4: \"Tx5\" is not a channel");
  EXPECT_NE(Header().find("Chains"), std::string::npos) << Header();
  // The values are the derivations' own, whatever factor a row is drawn at.
  EXPECT_NE(StatusAt(5, 0).find("FP2-ears"), std::string::npos);
  EXPECT_NE(StatusAt(5, 0).find(" 0 \u00B5V"), std::string::npos) << view_.status;

  Choose(TraceTool::kMontage, "none");
  EXPECT_EQ(controller_.montage().name, "Chains");
  EXPECT_EQ(Selected(box.entries, box.selected), "Chains");
  EXPECT_EQ(Texts(*view_.picture, Ink::kWarning).at(0).rfind("none has no rows to draw: ", 0), 0u);

  const MontageEditorSubject subject = controller_.montage_editor_subject();
  EXPECT_EQ(subject.file, dir_ / "montages" / "chains.montage");
  EXPECT_EQ(subject.start.lines.size(), 3u);
  EXPECT_EQ(subject.built_in.size(), 4u);
  WriteFile(dir_ / "montages" / "mine.montage", "name: Mine\nCz-Pz\n");
  controller_.OnMontageSaved(dir_ / "montages" / "mine.montage");
  EXPECT_EQ(controller_.montage().name, "Mine");
  EXPECT_EQ(Labels(), std::vector<std::string>{"Cz-Pz"});
  EXPECT_TRUE(Texts(*view_.picture, Ink::kWarning).empty());
}

TEST_F(TraceControllerTest, ChoicesStayForTheNextRecording) {
  Show("rec01_eeg", RhythmRecording(3000));
  Choose(TraceTool::kLowPass, "30 Hz");
  Choose(TraceTool::kMontage, "Linked ears");
  controller_.Close();
  Show("rec02_eeg", RhythmRecording(3000));
  EXPECT_EQ(controller_.filters().low_pass, 30.0);
  EXPECT_EQ(controller_.montage().name, "Linked ears");
  EXPECT_EQ(view_.tools[static_cast<std::size_t>(TraceTool::kLowPass)].selected, 2);
}

}  // namespace
}  // namespace velbrix
