// A dialog template built in memory (DLGTEMPLATE and its items), so that a dialog needs no
// resource; shared by the program's dialogs.
#ifndef VELBRIX_WINDOW_WIN32_DIALOG_TEMPLATE_H_
#define VELBRIX_WINDOW_WIN32_DIALOG_TEMPLATE_H_

#include <windows.h>

#include <cstddef>
#include <initializer_list>
#include <string_view>
#include <vector>

namespace velbrix::win32 {

// The layout the dialogs share, in dialog units: their margin, the step from one row of fields to
// the next, and an edit's, a box's or a button's height.
constexpr short kDialogMargin = 7;
constexpr short kDialogRow = 17;
constexpr short kItemHeight = 14;
// A push button's width, and the gap between buttons side by side.
constexpr short kButtonWidth = 50;
constexpr short kButtonGap = 4;

// A button of a row (DialogTemplate::AddButtonRow).
struct DialogButton {
  std::wstring_view text;
  int id;
  bool is_default = false;
};

// The predefined window classes of a dialog item, by their atoms.
constexpr WORD kButton = 0x0080;
constexpr WORD kEdit = 0x0081;
constexpr WORD kStatic = 0x0082;
constexpr WORD kListBox = 0x0083;
constexpr WORD kComboBox = 0x0085;

// A dialog template (DLGTEMPLATE and its items), laid out in WORDs as the system reads it.
class DialogTemplate {
 public:
  // `cx` and `cy` in dialog units.
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

  // `x` .. `cy` in dialog units.
  void AddItem(WORD window_class, std::wstring_view text, DWORD style, short x, short y, short cx,
               short cy, int id) {
    BeginItem(style, x, y, cx, cy, id);
    words_.push_back(0xFFFF);
    words_.push_back(window_class);
    EndItem(text);
  }
  // An item of a registered class named `window_class` (WC_LISTVIEW, ...), which must be
  // registered before the dialog is created.
  void AddItem(std::wstring_view window_class, std::wstring_view text, DWORD style, short x,
               short y, short cx, short cy, int id) {
    BeginItem(style, x, y, cx, cy, id);
    AddText(window_class);
    EndItem(text);
  }

  // Adds `buttons`, left to right, in a row at `y` that ends at the right margin of a dialog
  // `dialog_cx` wide; each `width` wide and a tab stop, the row a group of its own.
  void AddButtonRow(short dialog_cx, short y, std::initializer_list<DialogButton> buttons,
                    short width = kButtonWidth) {
    const auto count = static_cast<short>(buttons.size());
    auto x =
        static_cast<short>(dialog_cx - kDialogMargin - count * width - (count - 1) * kButtonGap);
    DWORD group = WS_GROUP;
    for (const DialogButton& button : buttons) {
      AddItem(kButton, button.text,
              (button.is_default ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON) | WS_TABSTOP | group, x, y,
              width, kItemHeight, button.id);
      group = 0;
      x = static_cast<short>(x + width + kButtonGap);
    }
  }

  const DLGTEMPLATE* get() const { return reinterpret_cast<const DLGTEMPLATE*>(words_.data()); }

  // Shows the dialog modally over `owner`, `procedure` getting `state` with WM_INITDIALOG. Returns
  // what the dialog gave EndDialog (-1 when it could not be shown).
  INT_PTR Run(HWND owner, DLGPROC procedure, void* state) const {
    return ::DialogBoxIndirectParamW(::GetModuleHandleW(nullptr), get(), owner, procedure,
                                     reinterpret_cast<LPARAM>(state));
  }
  // Creates the dialog as a window of its own beside `owner` (modeless), shown; the message loop
  // gives it its dialog keys. Null when it could not be created.
  HWND Create(HWND owner, DLGPROC procedure, void* state) const {
    const HWND dialog = ::CreateDialogIndirectParamW(::GetModuleHandleW(nullptr), get(), owner,
                                                     procedure, reinterpret_cast<LPARAM>(state));
    if (dialog != nullptr) {
      ::ShowWindow(dialog, SW_SHOW);
    }
    return dialog;
  }

 private:
  void BeginItem(DWORD style, short x, short y, short cx, short cy, int id) {
    if (words_.size() % 2 != 0) {
      words_.push_back(0);  // each item begins on a DWORD
    }
    AddDword(style | WS_CHILD | WS_VISIBLE);
    AddDword(0);
    AddShorts({x, y, cx, cy});
    words_.push_back(static_cast<WORD>(id));
  }
  void EndItem(std::wstring_view text) {
    AddText(text);
    words_.push_back(0);  // no creation data
    ++words_[count_at_];
  }
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

// The state a dialog procedure was given with WM_INITDIALOG (`message`, `lparam`), which it keeps
// with the dialog from then on; null for the messages before it.
template <typename State>
State* DialogState(HWND dialog, UINT message, LPARAM lparam) {
  if (message == WM_INITDIALOG) {
    ::SetWindowLongPtrW(dialog, DWLP_USER, lparam);
  }
  return reinterpret_cast<State*>(::GetWindowLongPtrW(dialog, DWLP_USER));
}

}  // namespace velbrix::win32

#endif  // VELBRIX_WINDOW_WIN32_DIALOG_TEMPLATE_H_
