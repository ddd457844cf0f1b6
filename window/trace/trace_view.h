// The passive view of the trace window: what the trace controller may show, and nothing else.
// Implemented by the real windows (window/qt, window/win32) and by the tests' fake.
//
// The window holds, from top to bottom: a row with the "Sample rate" field (Hz), the choice of the
// page's length and the choice of the amplitude; the canvas, which shows the controller's
// TracePicture (the channels, the time axis and the overview strip); a horizontal scroll bar; a
// status line. No operation raises an event: a view reports only a user's own actions, by calling
// the controller's handler of that event (TraceController::OnKey and so on). Texts are UTF-8.
#ifndef VELBRIX_WINDOW_TRACE_TRACE_VIEW_H_
#define VELBRIX_WINDOW_TRACE_TRACE_VIEW_H_

#include <string>
#include <vector>

#include "window/trace/trace_picture.h"

namespace velbrix {

// The reading tools' choices in the trace window's bar.
enum class TraceTool { kHighPass, kLowPass, kNotch, kMontage };

class TraceView {
 public:
  virtual ~TraceView() = default;

  virtual void SetCaption(const std::string& text) = 0;
  virtual void SetSampleRateText(const std::string& text) = 0;
  // Replaces the entries of a choice and selects entry `selected`.
  virtual void SetPageChoices(const std::vector<std::string>& entries, int selected) = 0;
  virtual void SetAmplitudeChoices(const std::vector<std::string>& entries, int selected) = 0;
  // The scroll bar's positions run from 0 to `maximum`; `page` of them make a page.
  virtual void SetScrollBar(int maximum, int page, int position) = 0;
  // Draws `picture` on the canvas, now or at the next paint; it stays valid until the next call.
  virtual void ShowPicture(const trace::TracePicture& picture) = 0;
  virtual void SetStatusText(const std::string& text) = 0;
  // While on, the view calls TraceController::OnTick about ten times a second.
  virtual void SetTicking(bool on) = 0;
  // Replaces the entries of a reading tool's choice and selects entry `selected`. A window that
  // offers no such choice need not override it.
  virtual void SetToolChoices(TraceTool /*tool*/, const std::vector<std::string>& /*entries*/,
                              int /*selected*/) {}
};

}  // namespace velbrix

#endif  // VELBRIX_WINDOW_TRACE_TRACE_VIEW_H_
