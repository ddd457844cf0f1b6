// The passive view of the spectrum window, which the trace window opens (View > Spectrum): the
// choice of the channel shown (or all of them), a canvas showing the controller's picture of the
// page's power spectral density, and a status line. Like TraceView, no operation raises an event;
// the window reports the user's actions to its TraceController (OnSpectrum...). Texts are UTF-8.
#ifndef VELBRIX_WINDOW_TRACE_SPECTRUM_VIEW_H_
#define VELBRIX_WINDOW_TRACE_SPECTRUM_VIEW_H_

#include <string>
#include <vector>

#include "window/trace/trace_picture.h"

namespace velbrix {

class SpectrumView {
 public:
  virtual ~SpectrumView() = default;

  virtual void SetCaption(const std::string& text) = 0;
  // Replaces the entries of the channel choice and selects entry `selected`.
  virtual void SetChannelChoices(const std::vector<std::string>& entries, int selected) = 0;
  // Draws `picture`, now or at the next paint; it stays valid until the next call.
  virtual void ShowPicture(const trace::TracePicture& picture) = 0;
  virtual void SetStatusText(const std::string& text) = 0;
};

}  // namespace velbrix

#endif  // VELBRIX_WINDOW_TRACE_SPECTRUM_VIEW_H_
