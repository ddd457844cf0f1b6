// The Montage Editor on the Win32 API: the view of MontageEditorController, a modal dialog built
// from a template in memory.
//
// The rows are a list in report mode (Derivation, Label, Factor, Shown and the row's problem);
// the fields under it edit the chosen row as it is typed. Save keeps the dialog open, saying why,
// until the montage is written; the dialog writes nothing else and tells no window of the file.
#ifndef VELBRIX_WINDOW_WIN32_MONTAGE_EDITOR_DIALOG_H_
#define VELBRIX_WINDOW_WIN32_MONTAGE_EDITOR_DIALOG_H_

#include <windows.h>

#include <filesystem>
#include <functional>
#include <optional>

#include "window/montage/montage_editor_controller.h"

namespace velbrix::win32 {

// The identifiers of the dialog's controls; Save is IDOK, Cancel IDCANCEL.
enum MontageEditorId : int {
  kIdMontageName = 501,
  kIdMontageRows,  // the list view
  kIdMontageDerivation,
  kIdMontageLabel,
  kIdMontageFactor,
  kIdMontageAdd,
  kIdMontageRemove,
  kIdMontageUp,
  kIdMontageDown,
  kIdMontageShowHide,
  kIdMontageHelp,
  kIdMontageMessage,
};

// The list's fifth column, after kMontageColumns: what is wrong with the row.
inline constexpr int kMontageProblemColumn = 4;

// Shows the editor modally over `owner` on `subject`; `on_shown` (if any) is called with the
// dialog as it opens, for tests. Returns the file that Save wrote, or nothing when cancelled or
// not shown.
std::optional<std::filesystem::path> ShowMontageEditorDialog(
    HWND owner, MontageEditorSubject subject, const std::function<void(HWND)>& on_shown = {});

}  // namespace velbrix::win32

#endif  // VELBRIX_WINDOW_WIN32_MONTAGE_EDITOR_DIALOG_H_
