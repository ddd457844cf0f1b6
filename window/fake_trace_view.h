// A hand-written trace view for the trace controller's tests: it keeps what each part of the
// window shows.
#ifndef VELBRIX_WINDOW_FAKE_TRACE_VIEW_H_
#define VELBRIX_WINDOW_FAKE_TRACE_VIEW_H_

#include <string>
#include <vector>

#include "window/trace_view.h"

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
};

}  // namespace velbrix::testing

#endif  // VELBRIX_WINDOW_FAKE_TRACE_VIEW_H_
