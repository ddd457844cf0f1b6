// The Montage Editor on the Win32 API: the view of MontageEditorController, built from a template
// in memory.
//
// Save keeps the dialog open, with the rows and what is wrong with them shown, until the montage
// is written; the dialog then returns its file.
#ifndef VELBRIX_WINDOW_WIN32_MONTAGE_EDITOR_DIALOG_H_
#define VELBRIX_WINDOW_WIN32_MONTAGE_EDITOR_DIALOG_H_

#include <windows.h>

#include <filesystem>
#include <functional>
#include <optional>

#include "window/montage/montage_editor_controller.h"

namespace velbrix::win32 {

// The identifiers of the dialog's controls; Save and Cancel are IDOK and IDCANCEL.
enum MontageEditorId : int {
  kIdMontageName = 301,
  kIdMontageRows,
  kIdMontageDerivation,
  kIdMontageLabel,
  kIdMontageFactor,
  kIdMontageAdd,
  kIdMontageRemove,
  kIdMontageUp,
  kIdMontageDown,
  kIdMontageShown,
  kIdMontageMessage,
};

// Shows the dialog modally over `owner`; `on_shown` (if any) is called with the dialog as it
// opens, for tests. Returns the file of the montage saved, or nothing when cancelled.
std::optional<std::filesystem::path> ShowMontageEditorDialog(
    HWND owner, MontageEditorSubject subject, const std::function<void(HWND)>& on_shown = {});

}  // namespace velbrix::win32

#endif  // VELBRIX_WINDOW_WIN32_MONTAGE_EDITOR_DIALOG_H_
