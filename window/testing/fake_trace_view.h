// Hand-written trace and spectrum views for the trace controller's tests: they keep what each part
// of the windows shows.
#ifndef VELBRIX_WINDOW_TESTING_FAKE_TRACE_VIEW_H_
#define VELBRIX_WINDOW_TESTING_FAKE_TRACE_VIEW_H_

#include <array>
#include <string>
#include <vector>

#include "window/trace/spectrum_view.h"
#include "window/trace/trace_view.h"

namespace velbrix::testing {

class FakeTraceView : public TraceView {
 public:
  struct ScrollBar {
    int maximum = 0;
    int page = 0;
    int position = 0;
  };

  std::string caption;
  std::string sample_rate_text;
  std::vector<std::string> page_choices;
  int page_selected = -1;
  std::vector<std::string> amplitude_choices;
  int amplitude_selected = -1;
  ScrollBar scroll_bar;
  const trace::TracePicture* picture = nullptr;
  int pictures_shown = 0;
  std::string status;
  bool ticking = false;
  struct Choice {
    std::vector<std::string> entries;
    int selected = -1;
  };
  std::array<Choice, 4> tools;  // by TraceTool
  std::vector<EventRow> event_rows;
  int event_selected = -1;
  // The last label asked for, and the last unsaved question; empty when none was asked.
  std::string label_title;
  std::string label_start;
  std::vector<std::string> labels_offered;
  std::string unsaved_question;
  int closed = 0;

  void SetCaption(const std::string& text) override { caption = text; }
  void SetSampleRateText(const std::string& text) override { sample_rate_text = text; }
  void SetPageChoices(const std::vector<std::string>& entries, int selected) override {
    page_choices = entries;
    page_selected = selected;
  }
  void SetAmplitudeChoices(const std::vector<std::string>& entries, int selected) override {
    amplitude_choices = entries;
    amplitude_selected = selected;
  }
  void SetScrollBar(int maximum, int page, int position) override {
    scroll_bar = {maximum, page, position};
  }
  void ShowPicture(const trace::TracePicture& shown) override {
    picture = &shown;
    ++pictures_shown;
  }
  void SetStatusText(const std::string& text) override { status = text; }
  void SetTicking(bool on) override { ticking = on; }
  void SetToolChoices(TraceTool tool, const std::vector<std::string>& entries,
                      int selected) override {
    tools[static_cast<std::size_t>(tool)] = {entries, selected};
  }
  void SetEventRows(const std::vector<EventRow>& rows, int selected) override {
    event_rows = rows;
    event_selected = selected;
  }
  void AskEventLabel(const std::string& title, const std::string& label,
                     const std::vector<std::string>& offered) override {
    label_title = title;
    label_start = label;
    labels_offered = offered;
  }
  void AskUnsavedEvents(const std::string& question) override { unsaved_question = question; }
  void CloseWindow() override { ++closed; }
};

class FakeSpectrumView : public SpectrumView {
 public:
  std::string caption;
  std::vector<std::string> channels;
  int channel_selected = -1;
  const trace::TracePicture* picture = nullptr;
  int pictures_shown = 0;
  std::string status;

  void SetCaption(const std::string& text) override { caption = text; }
  void SetChannelChoices(const std::vector<std::string>& entries, int selected) override {
    channels = entries;
    channel_selected = selected;
  }
  void ShowPicture(const trace::TracePicture& shown) override {
    picture = &shown;
    ++pictures_shown;
  }
  void SetStatusText(const std::string& text) override { status = text; }
};

}  // namespace velbrix::testing

#endif  // VELBRIX_WINDOW_TESTING_FAKE_TRACE_VIEW_H_
