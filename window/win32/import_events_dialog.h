// The Import Events dialog on the Win32 API: the view of ImportEventsController, built from a
// template in memory.
//
// It returns the events to add, or nothing when cancelled; it adds them nowhere. OK keeps the
// dialog open, with what was entered and the bad lines shown, when the import fails.
#ifndef VELBRIX_WINDOW_WIN32_IMPORT_EVENTS_DIALOG_H_
#define VELBRIX_WINDOW_WIN32_IMPORT_EVENTS_DIALOG_H_

#include <windows.h>

#include <functional>
#include <optional>
#include <vector>

#include "window/events/import_events_controller.h"

namespace velbrix::win32 {

// The identifiers of the dialog's controls; OK and Cancel are IDOK and IDCANCEL.
enum ImportEventsId : int {
  kIdImportFile = 201,
  kIdImportBrowse,
  kIdImportHeader,
  kIdImportLab,
  kIdImportOnset,
  kIdImportDuration,
  kIdImportLabel,
  kIdImportSeconds,
  kIdImportRecords,
  kIdImportRate,
  kIdImportMessage,
};

// Shows the dialog modally over `owner`; `on_shown` (if any) is called with the dialog as it
// opens, for tests. Returns the imported events, or nothing when cancelled or not shown.
std::optional<std::vector<Event>> ShowImportEventsDialog(
    HWND owner, EventsDialogSubject subject, const std::function<void(HWND)>& on_shown = {});

}  // namespace velbrix::win32

#endif  // VELBRIX_WINDOW_WIN32_IMPORT_EVENTS_DIALOG_H_
