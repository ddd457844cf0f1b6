// The EDF export's dialog: an in-memory dialog template and its dialog procedure.
#include "window/win32/edf_dialog.h"

#include <string>
#include <string_view>
#include <vector>

#include "window/frm_fle_layout.h"
#include "window/win32/text.h"

namespace velbrix::win32 {
namespace {

// The predefined window classes of a dialog item, by their atoms.
constexpr WORD kButton = 0x0080;
constexpr WORD kEdit = 0x0081;
constexpr WORD kStatic = 0x0082;
constexpr WORD kNoId = 0xFFFF;

// A dialog template (DLGTEMPLATE and its items), laid out in WORDs as the system reads it.
class DialogTemplate {
 public:
  // `x` .. `cy` in dialog units.
  DialogTemplate(std::wstring_view caption, short cx, short cy) {
    const DWORD style = DS_SETFONT | DS_MODALFRAME | DS_CENTER | WS_POPUP | WS_CAPTION | WS_SYSMENU;
    AddDword(style);
    AddDword(0);  // extended style
    count_at_ = words_.size();
    words_.push_back(0);  // items, counted as they are added
    AddShorts({0, 0, cx, cy});
    words_.push_back(0);  // no menu
    words_.push_back(0);  // the standard dialog class
    AddText(caption);
    words_.push_back(8);  // the font's points
    AddText(L"MS Shell Dlg");
  }

  void AddItem(WORD window_class, std::wstring_view text, DWORD style, short x, short y, short cx,
               short cy, WORD id) {
    if (words_.size() % 2 != 0) {
      words_.push_back(0);  // each item begins on a DWORD
    }
    AddDword(style | WS_CHILD | WS_VISIBLE);
    AddDword(0);
    AddShorts({x, y, cx, cy});
    words_.push_back(id);
    words_.push_back(0xFFFF);
    words_.push_back(window_class);
    AddText(text);
    words_.push_back(0);  // no creation data
    ++words_[count_at_];
  }

  const DLGTEMPLATE* get() const { return reinterpret_cast<const DLGTEMPLATE*>(words_.data()); }

 private:
  void AddDword(DWORD value) {
    words_.push_back(LOWORD(value));
    words_.push_back(HIWORD(value));
  }
  void AddShorts(std::initializer_list<short> values) {
    for (const short value : values) {
      words_.push_back(static_cast<WORD>(value));
    }
  }
  void AddText(std::wstring_view text) {
    for (const wchar_t c : text) {
      words_.push_back(static_cast<WORD>(c));
    }
    words_.push_back(0);
  }

  std::vector<WORD> words_;  // from operator new, so aligned for the DWORDs in it
  std::size_t count_at_ = 0;
};

std::wstring ItemText(HWND dialog, int id) {
  return WindowText(::GetDlgItem(dialog, id));
}

INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
  auto* settings = reinterpret_cast<EdfSettings*>(::GetWindowLongPtrW(dialog, DWLP_USER));
  switch (message) {
    case WM_INITDIALOG:
      settings = reinterpret_cast<EdfSettings*>(lparam);
      ::SetWindowLongPtrW(dialog, DWLP_USER, lparam);
      ::SetDlgItemTextW(dialog, kIdEdfRate, Widen(settings->sample_rate).c_str());
      ::SetDlgItemTextW(dialog, kIdEdfStart, Widen(settings->start).c_str());
      ::SendDlgItemMessageW(dialog, kIdEdfRate, EM_SETSEL, 0, -1);
      return TRUE;  // the focus to the first field
    case WM_COMMAND:
      if (LOWORD(wparam) == IDOK) {
        *settings = {Narrow(ItemText(dialog, kIdEdfRate)), Narrow(ItemText(dialog, kIdEdfStart))};
        ::EndDialog(dialog, IDOK);
        return TRUE;
      }
      if (LOWORD(wparam) == IDCANCEL) {
        ::EndDialog(dialog, IDCANCEL);
        return TRUE;
      }
      return FALSE;
    default:
      return FALSE;
  }
}

}  // namespace

std::optional<EdfSettings> ShowEdfSettingsDialog(HWND owner, const EdfSettings& settings) {
  DialogTemplate dialog(Widen(layout::kEdfDialogCaption), 220, 86);
  constexpr DWORD kField = WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL;
  dialog.AddItem(kStatic, Widen(layout::kEdfRateLabel), SS_LEFT, 7, 7, 206, 9, kNoId);
  dialog.AddItem(kEdit, L"", kField | WS_GROUP, 7, 17, 206, 13, kIdEdfRate);
  dialog.AddItem(kStatic, Widen(layout::kEdfStartLabel), SS_LEFT, 7, 36, 206, 9, kNoId);
  dialog.AddItem(kEdit, L"", kField, 7, 46, 206, 13, kIdEdfStart);
  dialog.AddItem(kButton, L"OK", BS_DEFPUSHBUTTON | WS_TABSTOP | WS_GROUP, 109, 66, 50, 14, IDOK);
  dialog.AddItem(kButton, L"Cancel", BS_PUSHBUTTON | WS_TABSTOP, 163, 66, 50, 14, IDCANCEL);
  EdfSettings entered = settings;
  const INT_PTR result = ::DialogBoxIndirectParamW(::GetModuleHandleW(nullptr), dialog.get(), owner,
                                                   DialogProc, reinterpret_cast<LPARAM>(&entered));
  if (result != IDOK) {
    return std::nullopt;
  }
  return entered;
}

}  // namespace velbrix::win32
