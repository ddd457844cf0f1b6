// The Export dialog on the Win32 API: the format from a list and the texts that
// window/export/export_settings.h lays out, as typed, with OK and Cancel, and a Browse button for
// the dataset's folder. Built from a template in memory, so it needs no resource.
//
// The dialog only collects the entries; the controller checks them (FrmFle::mnuexport_Click).
#ifndef VELBRIX_WINDOW_WIN32_EXPORT_DIALOG_H_
#define VELBRIX_WINDOW_WIN32_EXPORT_DIALOG_H_

#include <windows.h>

#include <optional>

#include "window/export/export_settings.h"

namespace velbrix::win32 {

// The identifiers of the dialog's controls; OK and Cancel are IDOK and IDCANCEL. The edit of each
// field is kIdExportFirstEdit plus the field's number (ExportField), its label kIdExportFirstLabel
// plus the same.
enum ExportDialogId : int {
  kIdExportFormat = 101,  // the drop-down list of formats, in the order of kExportFormats
  kIdExportBrowse,        // beside the dataset folder
  kIdExportFirstEdit = 110,
  kIdExportFirstLabel = 130,
};
static_assert(kIdExportFirstEdit + kExportFieldCount <= kIdExportFirstLabel);

constexpr int ExportEditId(ExportField field) {
  return kIdExportFirstEdit + static_cast<int>(field);
}
constexpr int ExportLabelId(ExportField field) {
  return kIdExportFirstLabel + static_cast<int>(field);
}

// Shows the dialog modally over `owner`, filled in with `settings`, the sample rate's text
// selected; the BIDS fields and Browse are enabled while a BIDS format is chosen. Browse shows the
// system's folder dialog, starting in the typed folder where it exists, and puts the chosen
// folder's path into the field. Returns what the user entered, untrimmed, or nothing when the
// dialog was cancelled or could not be shown.
std::optional<ExportSettings> ShowExportDialog(HWND owner, const ExportSettings& settings);

}  // namespace velbrix::win32

#endif  // VELBRIX_WINDOW_WIN32_EXPORT_DIALOG_H_
