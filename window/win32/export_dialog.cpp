// The Export dialog: an in-memory dialog template, its dialog procedure and the folder dialog
// behind Browse.
#include "window/win32/export_dialog.h"

#include <objbase.h>
#include <shobjidl.h>

#include <filesystem>
#include <initializer_list>
#include <iterator>
#include <memory>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "window/win32/dialog_template.h"
#include "window/win32/text.h"

namespace velbrix::win32 {
namespace {

// The layout, in dialog units: two columns of rows, each row a label above its control. The
// format and the first six fields fill the left column, the other fields the right one, and OK
// and Cancel the last row on the right.
constexpr short kColumnWidth = 200;
constexpr short kColumnGap = 14;
constexpr short kRowHeight = 28;
constexpr short kLabelHeight = 9;
constexpr short kControlOffset = 10;  // from a row's top to its control
constexpr short kControlHeight = 14;
constexpr short kRowsPerColumn = 7;
constexpr short kDialogWidth = 2 * kDialogMargin + 2 * kColumnWidth + kColumnGap;
constexpr short kDialogHeight = kDialogMargin + (kRowsPerColumn - 1) * kRowHeight + kControlOffset +
                                kControlHeight + kDialogMargin;
static_assert(1 + kExportFieldCount < 2 * kRowsPerColumn, "room for OK and Cancel");

// The top-left corner of the row at `slot`, counted down the left column and on down the right.
POINT RowAt(int slot) {
  const int column = slot / kRowsPerColumn;
  const int row = slot % kRowsPerColumn;
  return {kDialogMargin + column * (kColumnWidth + kColumnGap), kDialogMargin + row * kRowHeight};
}

// The dialog's template, its items in the order of Tab: the format, then each field's label and
// edit (and Browse after the dataset folder), then OK and Cancel.
DialogTemplate MakeTemplate() {
  DialogTemplate dialog(Widen(kExportDialogCaption), kDialogWidth, kDialogHeight);
  const auto add = [&dialog](WORD window_class, std::string_view text, DWORD style, int x, int y,
                             int cx, int cy, int id) {
    dialog.AddItem(window_class, Widen(text), style, static_cast<short>(x), static_cast<short>(y),
                   static_cast<short>(cx), static_cast<short>(cy), id);
  };
  int slot = 0;
  POINT row = RowAt(slot++);
  add(kStatic, kExportFormatLabel, SS_LEFT, row.x, row.y, kColumnWidth, kLabelHeight, -1);
  add(kComboBox, "", CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP | WS_GROUP, row.x,
      row.y + kControlOffset, kColumnWidth, 80, kIdExportFormat);
  for (const ExportFieldInfo& info : kExportFields) {
    row = RowAt(slot++);
    const bool browse = info.field == ExportField::kBidsRoot;
    const int edit_width = browse ? kColumnWidth - kButtonWidth - kButtonGap : kColumnWidth;
    add(kStatic, info.label, SS_LEFT, row.x, row.y, kColumnWidth, kLabelHeight,
        ExportLabelId(info.field));
    add(kEdit, "", WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL, row.x, row.y + kControlOffset,
        edit_width, kControlHeight, ExportEditId(info.field));
    if (browse) {
      add(kButton, kExportBrowseCaption, BS_PUSHBUTTON | WS_TABSTOP,
          row.x + edit_width + kButtonGap, row.y + kControlOffset, kButtonWidth, kControlHeight,
          kIdExportBrowse);
    }
  }
  row = RowAt(2 * kRowsPerColumn - 1);
  const int cancel_x = row.x + kColumnWidth - kButtonWidth;
  const int buttons_y = row.y + kControlOffset;
  add(kButton, "OK", BS_DEFPUSHBUTTON | WS_TABSTOP | WS_GROUP, cancel_x - kButtonGap - kButtonWidth,
      buttons_y, kButtonWidth, kControlHeight, IDOK);
  add(kButton, "Cancel", BS_PUSHBUTTON | WS_TABSTOP, cancel_x, buttons_y, kButtonWidth,
      kControlHeight, IDCANCEL);
  return dialog;
}

// Releases a COM object.
struct ComRelease {
  void operator()(IUnknown* object) const { object->Release(); }
};
template <class T>
using ComPtr = std::unique_ptr<T, ComRelease>;

// The folder dialog, with COM initialised on this thread.
std::optional<std::wstring> ShowFolderDialog(HWND owner, const std::wstring& start) {
  IFileOpenDialog* raw_dialog = nullptr;
  if (FAILED(::CoCreateInstance(CLSID_FileOpenDialog, nullptr, CLSCTX_INPROC_SERVER,
                                IID_PPV_ARGS(&raw_dialog)))) {
    return std::nullopt;
  }
  const ComPtr<IFileOpenDialog> dialog(raw_dialog);
  FILEOPENDIALOGOPTIONS options = 0;
  dialog->GetOptions(&options);
  dialog->SetOptions(options | FOS_PICKFOLDERS | FOS_FORCEFILESYSTEM);
  dialog->SetTitle(Widen(kExportBrowseTitle).c_str());
  std::error_code error;
  if (!start.empty() && std::filesystem::is_directory(start, error)) {
    IShellItem* raw_folder = nullptr;
    if (SUCCEEDED(
            ::SHCreateItemFromParsingName(start.c_str(), nullptr, IID_PPV_ARGS(&raw_folder)))) {
      const ComPtr<IShellItem> folder(raw_folder);
      dialog->SetFolder(folder.get());
    }
  }
  IShellItem* raw_chosen = nullptr;
  if (FAILED(dialog->Show(owner)) || FAILED(dialog->GetResult(&raw_chosen))) {
    return std::nullopt;  // cancelled, or the dialog failed
  }
  const ComPtr<IShellItem> chosen(raw_chosen);
  PWSTR path = nullptr;
  if (FAILED(chosen->GetDisplayName(SIGDN_FILESYSPATH, &path))) {
    return std::nullopt;
  }
  std::wstring result(path);
  ::CoTaskMemFree(path);
  return result;
}

// The folder that the user chooses in the system's folder dialog over `owner`, which starts in
// `start` where that is an existing folder; nothing when the dialog was cancelled or failed.
std::optional<std::wstring> ChooseFolder(HWND owner, const std::wstring& start) {
  // The dialog needs a single-threaded apartment; one that the thread already has serves.
  const HRESULT com = ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
  std::optional<std::wstring> chosen = ShowFolderDialog(owner, start);
  if (SUCCEEDED(com)) {
    ::CoUninitialize();
  }
  return chosen;
}

std::wstring ItemText(HWND dialog, int id) {
  return WindowText(::GetDlgItem(dialog, id));
}

// The format chosen in the list.
ExportFormat ChosenTarget(HWND dialog) {
  const LRESULT index = ::SendDlgItemMessageW(dialog, kIdExportFormat, CB_GETCURSEL, 0, 0);
  if (index < 0 || index >= static_cast<LRESULT>(std::size(kExportFormats))) {
    return ExportFormat::kEdf;
  }
  return kExportFormats[index].target;
}

// Enables the BIDS fields, their labels and Browse while a BIDS format is chosen.
void EnableBidsFields(HWND dialog) {
  const BOOL bids = IsBids(ChosenTarget(dialog)) ? TRUE : FALSE;
  for (const ExportFieldInfo& info : kExportFields) {
    if (info.bids) {
      ::EnableWindow(::GetDlgItem(dialog, ExportLabelId(info.field)), bids);
      ::EnableWindow(::GetDlgItem(dialog, ExportEditId(info.field)), bids);
    }
  }
  ::EnableWindow(::GetDlgItem(dialog, kIdExportBrowse), bids);
}

void FillIn(HWND dialog, const ExportSettings& settings) {
  for (const ExportFormatInfo& info : kExportFormats) {
    ::SendDlgItemMessageW(dialog, kIdExportFormat, CB_ADDSTRING, 0,
                          reinterpret_cast<LPARAM>(Widen(info.label).c_str()));
    if (info.target == settings.target) {
      const auto index = &info - kExportFormats;
      ::SendDlgItemMessageW(dialog, kIdExportFormat, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    }
  }
  for (const ExportFieldInfo& info : kExportFields) {
    ::SetDlgItemTextW(dialog, ExportEditId(info.field), Widen(settings[info.field]).c_str());
  }
  EnableBidsFields(dialog);
}

ExportSettings Entered(HWND dialog) {
  ExportSettings settings;
  settings.target = ChosenTarget(dialog);
  for (const ExportFieldInfo& info : kExportFields) {
    settings[info.field] = Narrow(ItemText(dialog, ExportEditId(info.field)));
  }
  return settings;
}

INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
  auto* const settings = DialogState<ExportSettings>(dialog, message, lparam);
  switch (message) {
    case WM_INITDIALOG: {
      FillIn(dialog, *settings);
      HWND rate = ::GetDlgItem(dialog, ExportEditId(ExportField::kSampleRate));
      ::SetFocus(rate);
      ::SendMessageW(rate, EM_SETSEL, 0, -1);
      return FALSE;  // the focus is set
    }
    case WM_COMMAND:
      if (settings == nullptr) {
        return FALSE;  // before WM_INITDIALOG
      }
      switch (LOWORD(wparam)) {
        case IDOK:
          *settings = Entered(dialog);
          ::EndDialog(dialog, IDOK);
          return TRUE;
        case IDCANCEL:
          ::EndDialog(dialog, IDCANCEL);
          return TRUE;
        case kIdExportFormat:
          if (HIWORD(wparam) == CBN_SELCHANGE) {
            EnableBidsFields(dialog);
          }
          return TRUE;
        case kIdExportBrowse: {
          const int edit = ExportEditId(ExportField::kBidsRoot);
          if (const std::optional<std::wstring> folder =
                  ChooseFolder(dialog, ItemText(dialog, edit))) {
            ::SetDlgItemTextW(dialog, edit, folder->c_str());
          }
          return TRUE;
        }
        default:
          return FALSE;
      }
    default:
      return FALSE;
  }
}

}  // namespace

std::optional<ExportSettings> ShowExportDialog(HWND owner, const ExportSettings& settings) {
  const DialogTemplate dialog = MakeTemplate();
  ExportSettings entered = settings;
  const INT_PTR result = dialog.Run(owner, DialogProc, &entered);
  if (result != IDOK) {
    return std::nullopt;
  }
  return entered;
}

}  // namespace velbrix::win32
