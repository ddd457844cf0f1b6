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

// A row of the Events list: the start as time and as record, the length in seconds, the label.
struct EventRow {
  std::string time;
  std::string record;
  std::string length;
  std::string label;
  bool operator==(const EventRow&) const = default;
};

// The answers to the question about unsaved events.
enum class UnsavedAnswer { kSave, kDiscard, kCancel };

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

  // Events. A window without them need not override these.
  // The rows of the Events list, in start order; `selected` is a row or -1.
  virtual void SetEventRows(const std::vector<EventRow>& /*rows*/, int /*selected*/) {}
  // Asks for an event's label, titled `title`, starting from `label`, with `offered` (the labels
  // used before, the latest first) to choose from. The answer goes to
  // TraceController::OnEventLabelEntered, or nowhere when the user cancels.
  virtual void AskEventLabel(const std::string& /*title*/, const std::string& /*label*/,
                             const std::vector<std::string>& /*offered*/) {}
  // Asks `question` with Save, Discard and Cancel; the answer goes to
  // TraceController::OnUnsavedEventsAnswered.
  virtual void AskUnsavedEvents(const std::string& /*question*/) {}
  // Closes the window, as after the close that the unsaved question held back.
  virtual void CloseWindow() {}
  // Open the Import Events and Detect Events dialogs.
  virtual void OpenImportEvents() {}
  virtual void OpenDetectEvents() {}
  // Opens the Montage Editor (TraceController::montage_editor_subject); a montage it saves goes
  // to TraceController::OnMontageSaved.
  virtual void OpenMontageEditor() {}
};

}  // namespace velbrix

#endif  // VELBRIX_WINDOW_TRACE_TRACE_VIEW_H_
