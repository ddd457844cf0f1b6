// The trace window's event dialogs on the Win32 API: the label prompt (an editable combo box of
// the labels used before, OK and Cancel) and the question about unsaved events (Save, Discard
// and Cancel, Save the default), both modal; and the Events list, a window of its own beside the
// trace window (a list box of the events with Go To, Rename..., Delete and Close, which pass the
// chosen row on to the TraceController; Enter or a double click goes to the row, the Delete key
// deletes it).
//
// Control identifiers for tests: kIdEventLabel (the combo box), kIdEventsBox (the list box),
// kIdGoToEvent, kIdRenameEvent, kIdDeleteEvent, kIdUnsavedSave, kIdUnsavedDiscard; OK is IDOK,
// Cancel and Close IDCANCEL.
#ifndef VELBRIX_WINDOW_WIN32_TRACE_EVENT_DIALOGS_H_
#define VELBRIX_WINDOW_WIN32_TRACE_EVENT_DIALOGS_H_

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "window/trace/trace_controller.h"
#include "window/trace/trace_view.h"

namespace velbrix::win32 {

inline constexpr int kIdEventLabel = 400;
inline constexpr int kIdEventsBox = 401;
inline constexpr int kIdGoToEvent = 402;
inline constexpr int kIdRenameEvent = 403;
inline constexpr int kIdDeleteEvent = 404;
inline constexpr int kIdUnsavedSave = 405;
inline constexpr int kIdUnsavedDiscard = 406;

// Asks for an event's label under `title`, starting from `label`; nothing when cancelled.
std::optional<std::string> AskEventLabelDialog(HWND owner, const std::string& title,
                                               const std::string& label,
                                               const std::vector<std::string>& offered);

// Asks `question` about unsaved events; Cancel, Escape and the close box answer kCancel.
UnsavedAnswer AskUnsavedEventsDialog(HWND owner, const std::string& question);

// Opens the Events list beside `owner`, or brings it to the front where it is open. `*shown`
// holds its window until it is closed or destroyed with its owner (null otherwise), so that
// FillEventsList can follow the changes; `rows` must last as long.
void OpenEventsListDialog(HWND owner, TraceController& controller,
                          const std::vector<EventRow>& rows, int selected, HWND* shown);
void FillEventsList(HWND dialog, const std::vector<EventRow>& rows, int selected);

}  // namespace velbrix::win32

#endif  // VELBRIX_WINDOW_WIN32_TRACE_EVENT_DIALOGS_H_
