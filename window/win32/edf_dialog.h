// The EDF export's dialog on the Win32 API: the sample rate and, if known, the start date and
// time, as typed, with OK and Cancel. Built from a template in memory, so it needs no resource.
//
// The dialog only collects the two texts; the controller checks them (FrmFle::mnuedf_Click).
#ifndef VELBRIX_WINDOW_WIN32_EDF_DIALOG_H_
#define VELBRIX_WINDOW_WIN32_EDF_DIALOG_H_

#include <windows.h>

#include <optional>

#include "window/desktop.h"

namespace velbrix::win32 {

// The identifiers of the dialog's two fields; OK and Cancel are IDOK and IDCANCEL.
enum EdfDialogId : int { kIdEdfRate = 101, kIdEdfStart = 102 };

// Shows the dialog modally over `owner`, filled in with `settings`, the rate's text selected.
// Returns what the user entered, or nothing when the dialog was cancelled or could not be shown.
std::optional<EdfSettings> ShowEdfSettingsDialog(HWND owner, const EdfSettings& settings);

}  // namespace velbrix::win32

#endif  // VELBRIX_WINDOW_WIN32_EDF_DIALOG_H_
