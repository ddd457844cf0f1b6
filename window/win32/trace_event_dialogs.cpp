// The label prompt and the Events list, from in-memory dialog templates.
#include "window/win32/trace_event_dialogs.h"

#include <string_view>

#include "window/trace/trace_window_layout.h"
#include "window/win32/dialog_template.h"
#include "window/win32/text.h"

namespace velbrix::win32 {
namespace {

struct LabelAsk {
  std::string label;
  const std::vector<std::string>* offered;
  std::string answer;
};

INT_PTR CALLBACK LabelProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
  auto* const ask = DialogState<LabelAsk>(dialog, message, lparam);
  if (message == WM_INITDIALOG) {
    const HWND combo = ::GetDlgItem(dialog, kIdEventLabel);
    for (const std::string& entry : *ask->offered) {
      ::SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Widen(entry).c_str()));
    }
    ::SetWindowTextW(combo, Widen(ask->label).c_str());
    return TRUE;
  }
  if (message == WM_COMMAND && (LOWORD(wparam) == IDOK || LOWORD(wparam) == IDCANCEL)) {
    const HWND combo = ::GetDlgItem(dialog, kIdEventLabel);
    std::wstring text(static_cast<std::size_t>(::GetWindowTextLengthW(combo)) + 1, L'\0');
    ::GetWindowTextW(combo, text.data(), static_cast<int>(text.size()));
    ask->answer = Narrow(text.c_str());
    ::EndDialog(dialog, LOWORD(wparam));
    return TRUE;
  }
  return FALSE;
}

struct ListShow {
  TraceController* controller;
  const std::vector<EventRow>* rows;
  int selected;
  HWND* shown;
};

INT_PTR CALLBACK ListProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
  auto* const show = DialogState<ListShow>(dialog, message, lparam);
  if (show == nullptr) {
    return FALSE;  // before WM_INITDIALOG
  }
  if (message == WM_INITDIALOG) {
    *show->shown = dialog;
    FillEventsList(dialog, *show->rows, show->selected);
    return TRUE;
  }
  if (message == WM_DESTROY) {
    *show->shown = nullptr;
    return FALSE;
  }
  if (message == WM_VKEYTOITEM) {  // a key in the list box, which returns what it did
    if (LOWORD(wparam) == VK_DELETE) {
      show->controller->OnDeleteEvent(
          static_cast<int>(::SendDlgItemMessageW(dialog, kIdEventsBox, LB_GETCURSEL, 0, 0)));
      return -2;  // done
    }
    return -1;  // the list box's own handling
  }
  if (message == WM_NCDESTROY) {
    delete show;
    return FALSE;
  }
  if (message != WM_COMMAND) {
    return FALSE;
  }
  const int row = static_cast<int>(::SendDlgItemMessageW(dialog, kIdEventsBox, LB_GETCURSEL, 0, 0));
  switch (LOWORD(wparam)) {
    case kIdEventsBox:
      if (HIWORD(wparam) == LBN_DBLCLK) {
        show->controller->OnEventChosen(row);
      }
      return TRUE;
    case IDOK:  // Enter
    case kIdGoToEvent:
      show->controller->OnEventChosen(row);
      return TRUE;
    case kIdRenameEvent:
      show->controller->OnRenameEvent(row);
      return TRUE;
    case kIdDeleteEvent:
      show->controller->OnDeleteEvent(row);
      return TRUE;
    case IDCANCEL:  // Close, Escape or the close box
      ::DestroyWindow(dialog);
      return TRUE;
    default:
      return FALSE;
  }
}

}  // namespace

std::optional<std::string> AskEventLabelDialog(HWND owner, const std::string& title,
                                               const std::string& label,
                                               const std::vector<std::string>& offered) {
  DialogTemplate dialog(Widen(title), 220, 62);
  dialog.AddItem(kStatic, Widen(trace::kEventLabelPrompt), SS_LEFT, 7, 7, 206, 9, -1);
  dialog.AddItem(kComboBox, L"", CBS_DROPDOWN | CBS_AUTOHSCROLL | WS_VSCROLL | WS_TABSTOP, 7, 18,
                 206, 100, kIdEventLabel);
  dialog.AddButtonRow(220, 40, {{L"OK", IDOK, true}, {L"Cancel", IDCANCEL}});
  LabelAsk ask{label, &offered, {}};
  const INT_PTR result = dialog.Run(owner, LabelProc, &ask);
  if (result != IDOK) {
    return std::nullopt;
  }
  return ask.answer;
}

namespace {

constexpr int kIdUnsavedIcon = 407;

INT_PTR CALLBACK UnsavedProc(HWND dialog, UINT message, WPARAM wparam, LPARAM) {
  if (message == WM_INITDIALOG) {
    ::SendDlgItemMessageW(dialog, kIdUnsavedIcon, STM_SETICON,
                          reinterpret_cast<WPARAM>(::LoadIconW(nullptr, IDI_WARNING)), 0);
    ::MessageBeep(MB_ICONWARNING);
    return TRUE;  // the focus on the first button, Save
  }
  if (message == WM_COMMAND &&
      (LOWORD(wparam) == kIdUnsavedSave || LOWORD(wparam) == kIdUnsavedDiscard ||
       LOWORD(wparam) == IDCANCEL)) {
    ::EndDialog(dialog, LOWORD(wparam));
    return TRUE;
  }
  return FALSE;
}

}  // namespace

UnsavedAnswer AskUnsavedEventsDialog(HWND owner, const std::string& question) {
  DialogTemplate dialog(Widen(trace::kUnsavedEventsTitle), 260, 66);
  dialog.AddItem(kStatic, L"", SS_ICON, 7, 7, 21, 20, kIdUnsavedIcon);
  dialog.AddItem(kStatic, Widen(question), SS_LEFT, 35, 7, 218, 30, -1);
  dialog.AddButtonRow(
      260, 45,
      {{L"&Save", kIdUnsavedSave, true}, {L"&Discard", kIdUnsavedDiscard}, {L"Cancel", IDCANCEL}});
  const INT_PTR answer = dialog.Run(owner, UnsavedProc, nullptr);
  return answer == kIdUnsavedSave      ? UnsavedAnswer::kSave
         : answer == kIdUnsavedDiscard ? UnsavedAnswer::kDiscard
                                       : UnsavedAnswer::kCancel;
}

void OpenEventsListDialog(HWND owner, TraceController& controller,
                          const std::vector<EventRow>& rows, int selected, HWND* shown) {
  if (*shown != nullptr) {
    FillEventsList(*shown, rows, selected);
    ::SetActiveWindow(*shown);
    return;
  }
  DialogTemplate dialog(L"Events", 300, 200);
  dialog.AddItem(kListBox, L"",
                 LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | LBS_WANTKEYBOARDINPUT | WS_VSCROLL |
                     WS_BORDER | WS_TABSTOP,
                 7, 7, 286, 164, kIdEventsBox);
  dialog.AddItem(kButton, L"&Go To", BS_PUSHBUTTON | WS_TABSTOP, 7, 179, 50, 14, kIdGoToEvent);
  dialog.AddItem(kButton, L"&Rename...", BS_PUSHBUTTON | WS_TABSTOP, 61, 179, 50, 14,
                 kIdRenameEvent);
  dialog.AddItem(kButton, L"&Delete", BS_PUSHBUTTON | WS_TABSTOP, 115, 179, 50, 14, kIdDeleteEvent);
  dialog.AddItem(kButton, L"Close", BS_PUSHBUTTON | WS_TABSTOP, 243, 179, 50, 14, IDCANCEL);
  // The dialog's state lives as long as its window, which deletes it at WM_NCDESTROY.
  auto* const show = new ListShow{&controller, &rows, selected, shown};
  if (dialog.Create(owner, ListProc, show) == nullptr) {
    delete show;  // never given to the dialog, which takes it at WM_INITDIALOG
  }
}

void FillEventsList(HWND dialog, const std::vector<EventRow>& rows, int selected) {
  const HWND box = ::GetDlgItem(dialog, kIdEventsBox);
  ::SendMessageW(box, WM_SETREDRAW, FALSE, 0);
  ::SendMessageW(box, LB_RESETCONTENT, 0, 0);
  for (const EventRow& row : rows) {
    const std::string text = row.time + "  \u00B7  " + row.record +
                             (row.length.empty() ? "" : "  \u00B7  " + row.length) + "  \u00B7  " +
                             row.label;
    ::SendMessageW(box, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Widen(text).c_str()));
  }
  ::SendMessageW(box, LB_SETCURSEL, static_cast<WPARAM>(selected), 0);
  ::SendMessageW(box, WM_SETREDRAW, TRUE, 0);
  ::InvalidateRect(box, nullptr, TRUE);
}

}  // namespace velbrix::win32
