// The Detect Events dialog on the Win32 API: the view of DetectEventsController, built from a
// template in memory.
//
// It returns the events found that the user kept, or nothing when cancelled; it adds them
// nowhere. The detection runs off the window's thread; its progress shows in the message line.
// The found events are listed; Remove (or Delete in the list) leaves the chosen one out.
#ifndef VELBRIX_WINDOW_WIN32_DETECT_EVENTS_DIALOG_H_
#define VELBRIX_WINDOW_WIN32_DETECT_EVENTS_DIALOG_H_

#include <windows.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "window/events/detect_events_controller.h"

namespace velbrix::win32 {

// The identifiers of the dialog's controls; Add is IDOK, Cancel IDCANCEL.
enum DetectEventsId : int {
  kIdDetectChannel = 301,
  kIdDetectLevel,
  kIdDetectDirection,
  kIdDetectGapLabel,
  kIdDetectGap,
  kIdDetectLabel,
  kIdDetectRun,
  kIdDetectStop,
  kIdDetectFound,
  kIdDetectRemove,
  kIdDetectMessage,
};

// Shows the dialog modally over `owner` for the recording of `subject` with the channel names
// `channels`; `on_shown` (if any) is called with the dialog as it opens, for tests. Returns the
// kept events, or nothing when cancelled or not shown.
std::optional<std::vector<Event>> ShowDetectEventsDialog(
    HWND owner, EventsDialogSubject subject, std::vector<std::string> channels,
    const std::function<void(HWND)>& on_shown = {});

}  // namespace velbrix::win32

#endif  // VELBRIX_WINDOW_WIN32_DETECT_EVENTS_DIALOG_H_
