// The Montage Editor dialog: its template and its dialog procedure. The rows are a list box with
// tab stops under a line that names its columns.
#include "window/win32/montage_editor_dialog.h"

#include <string>
#include <utility>

#include "window/win32/dialog_template.h"
#include "window/win32/text.h"

namespace velbrix::win32 {
namespace {

constexpr short kMargin = 7;
constexpr short kWidth = 360;
constexpr short kLabelWidth = 50;
constexpr short kFieldX = kMargin + kLabelWidth + 4;
constexpr short kRow = 17;
constexpr short kHeight = 14;
constexpr short kButtonWidth = 54;
constexpr short kListHeight = 150;
// The columns' tab stops, in dialog units from the list's left.
constexpr int kTabStops[] = {90, 150, 180, 210};

DialogTemplate MakeTemplate() {
  DialogTemplate dialog(Widen(kMontageEditorTitle), kWidth,
                        kMargin + kRow + 22 + kListHeight + 4 + kRow + 2 + 3 * kRow +
                            (2 * kRow - 4) + 2 * kRow + kHeight + kMargin);
  short y = kMargin;
  const DWORD tab = WS_TABSTOP | WS_GROUP;
  const auto label = [&](const char* text, short x, short width) {
    dialog.AddItem(kStatic, Widen(text), SS_LEFT, x, y + 2, width, 9, -1);
  };
  label(kMontageNameLabel, kMargin, kLabelWidth);
  dialog.AddItem(kEdit, L"", WS_BORDER | ES_AUTOHSCROLL | tab, kFieldX, y, 150, kHeight,
                 kIdMontageName);
  y += kRow;
  label(kMontageRowsLabel, kMargin, kLabelWidth);
  y += 11;
  // The columns' names over the list's tab stops, which are in dialog units too.
  const char* const names[] = {kMontageColumns[0], kMontageColumns[1], kMontageColumns[2],
                               kMontageColumns[3], "Problem"};
  for (std::size_t c = 0; c < std::size(names); ++c) {
    const short at = static_cast<short>(kMargin + 3 + (c == 0 ? 0 : kTabStops[c - 1]));
    dialog.AddItem(kStatic, Widen(names[c]), SS_LEFT | SS_NOPREFIX, at, y + 2, 60, 9, -1);
  }
  y += 11;
  dialog.AddItem(kListBox, L"",
                 WS_BORDER | WS_VSCROLL | LBS_NOTIFY | LBS_USETABSTOPS | LBS_NOINTEGRALHEIGHT | tab,
                 kMargin, y, kWidth - 2 * kMargin, kListHeight, kIdMontageRows);
  y += kListHeight + 4;
  const std::pair<const char*, int> buttons[] = {{kMontageAddText, kIdMontageAdd},
                                                 {kMontageRemoveText, kIdMontageRemove},
                                                 {kMontageUpText, kIdMontageUp},
                                                 {kMontageDownText, kIdMontageDown},
                                                 {kMontageShowHideText, kIdMontageShown}};
  short x = kMargin;
  for (const auto& [text, id] : buttons) {
    dialog.AddItem(kButton, Widen(text), BS_PUSHBUTTON | tab, x, y, kButtonWidth, kHeight, id);
    x += kButtonWidth + 4;
  }
  y += kRow + 2;
  const std::pair<const char*, int> fields[] = {{kMontageDerivationLabel, kIdMontageDerivation},
                                                {kMontageLabelLabel, kIdMontageLabel},
                                                {kMontageFactorLabel, kIdMontageFactor}};
  for (const auto& [text, id] : fields) {
    label(text, kMargin, kLabelWidth);
    dialog.AddItem(kEdit, L"", WS_BORDER | ES_AUTOHSCROLL | tab, kFieldX, y,
                   kWidth - kFieldX - kMargin, kHeight, id);
    y += kRow;
  }
  dialog.AddItem(kStatic, Widen(kMontageHelpText), SS_LEFT | SS_NOPREFIX, kMargin, y,
                 kWidth - 2 * kMargin, 2 * kRow - 6, -1);
  y += 2 * kRow - 4;
  dialog.AddItem(kStatic, L"", SS_LEFT | SS_NOPREFIX, kMargin, y, kWidth - 2 * kMargin,
                 2 * kRow - 4, kIdMontageMessage);
  y += 2 * kRow;
  dialog.AddItem(kButton, Widen(kMontageSaveText), BS_DEFPUSHBUTTON | tab,
                 kWidth - kMargin - 2 * kButtonWidth - 4, y, kButtonWidth, kHeight, IDOK);
  dialog.AddItem(kButton, L"Cancel", BS_PUSHBUTTON | tab, kWidth - kMargin - kButtonWidth, y,
                 kButtonWidth, kHeight, IDCANCEL);
  return dialog;
}

// Sets the text of control `id` only when it differs, so that the caret of the edit being typed
// in stays where it is.
void SetIfDifferent(HWND dialog, int id, const std::string& text) {
  const std::wstring wide = Widen(text);
  if (WindowText(::GetDlgItem(dialog, id)) != wide) {
    ::SetDlgItemTextW(dialog, id, wide.c_str());
  }
}

class EditorDialog final : public MontageEditorView {
 public:
  EditorDialog(MontageEditorSubject subject, const std::function<void(HWND)>& on_shown)
      : controller_(*this, std::move(subject)), on_shown_(on_shown) {}

  static INT_PTR CALLBACK Procedure(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
    auto* self = DialogState<EditorDialog>(dialog, message, lparam);
    if (message == WM_INITDIALOG) {
      self->dialog_ = dialog;
      ::SendDlgItemMessageW(dialog, kIdMontageRows, LB_SETTABSTOPS, std::size(kTabStops),
                            reinterpret_cast<LPARAM>(kTabStops));
      self->showing_ = true;
      self->controller_.Open();
      self->showing_ = false;
      ::SetFocus(::GetDlgItem(dialog, kIdMontageName));
      if (self->on_shown_)
        self->on_shown_(dialog);
      return FALSE;  // the focus is set
    }
    if (self == nullptr || message != WM_COMMAND)
      return FALSE;
    return self->Command(LOWORD(wparam), HIWORD(wparam));
  }

  const std::optional<std::filesystem::path>& saved() const { return controller_.saved(); }

 private:
  INT_PTR Command(int id, int code) {
    if (showing_) {
      return TRUE;  // the controller's own changes to the controls
    }
    switch (id) {
      case kIdMontageRows:
        if (code == LBN_SELCHANGE) {
          controller_.RowChosen(
              static_cast<int>(::SendDlgItemMessageW(dialog_, kIdMontageRows, LB_GETCURSEL, 0, 0)));
        }
        return TRUE;
      case kIdMontageDerivation:
      case kIdMontageLabel:
      case kIdMontageFactor:
        if (code == EN_CHANGE) {
          controller_.RowEdited(Text(kIdMontageDerivation), Text(kIdMontageLabel),
                                Text(kIdMontageFactor));
        }
        return TRUE;
      case kIdMontageAdd:
        controller_.AddRow();
        return TRUE;
      case kIdMontageRemove:
        controller_.RemoveRow();
        return TRUE;
      case kIdMontageUp:
        controller_.MoveRow(-1);
        return TRUE;
      case kIdMontageDown:
        controller_.MoveRow(1);
        return TRUE;
      case kIdMontageShown:
        controller_.ToggleShown();
        return TRUE;
      case IDOK:
        if (controller_.Accept())
          ::EndDialog(dialog_, IDOK);
        return TRUE;
      case IDCANCEL:
        ::EndDialog(dialog_, IDCANCEL);
        return TRUE;
      default:
        return FALSE;
    }
  }

  std::string Text(int id) const { return Narrow(WindowText(::GetDlgItem(dialog_, id))); }

  std::string Name() const override { return Text(kIdMontageName); }
  void SetName(const std::string& name) override {
    ::SetDlgItemTextW(dialog_, kIdMontageName, Widen(name).c_str());
  }
  void SetRows(const std::vector<MontageEditorRow>& rows, int chosen) override {
    const bool was = showing_;
    showing_ = true;
    const HWND list = ::GetDlgItem(dialog_, kIdMontageRows);
    const LRESULT top = ::SendMessageW(list, LB_GETTOPINDEX, 0, 0);
    ::SendMessageW(list, WM_SETREDRAW, FALSE, 0);
    ::SendMessageW(list, LB_RESETCONTENT, 0, 0);
    for (const MontageEditorRow& row : rows) {
      const std::string text = row.line.derivation + "\t" + row.line.label + "\t" +
                               row.line.factor + "\t" + (row.line.shown ? "Yes" : "No") + "\t" +
                               row.problem;
      ::SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Widen(text).c_str()));
    }
    ::SendMessageW(list, LB_SETTOPINDEX, static_cast<WPARAM>(top < 0 ? 0 : top), 0);
    ::SendMessageW(list, LB_SETCURSEL, static_cast<WPARAM>(chosen), 0);
    ::SendMessageW(list, WM_SETREDRAW, TRUE, 0);
    ::InvalidateRect(list, nullptr, TRUE);
    showing_ = was;
  }
  void SetRowFields(const MontageLine& line, bool enabled) override {
    const bool was = showing_;
    showing_ = true;
    SetIfDifferent(dialog_, kIdMontageDerivation, line.derivation);
    SetIfDifferent(dialog_, kIdMontageLabel, line.label);
    SetIfDifferent(dialog_, kIdMontageFactor, line.factor);
    for (const int id : {kIdMontageDerivation, kIdMontageLabel, kIdMontageFactor}) {
      ::EnableWindow(::GetDlgItem(dialog_, id), enabled);
    }
    showing_ = was;
  }
  void SetMessage(const std::string& text) override {
    ::SetDlgItemTextW(dialog_, kIdMontageMessage, Widen(text).c_str());
  }

  HWND dialog_ = nullptr;
  bool showing_ = false;
  MontageEditorController controller_;
  std::function<void(HWND)> on_shown_;
};

}  // namespace

std::optional<std::filesystem::path> ShowMontageEditorDialog(
    HWND owner, MontageEditorSubject subject, const std::function<void(HWND)>& on_shown) {
  EditorDialog state(std::move(subject), on_shown);
  const DialogTemplate dialog = MakeTemplate();
  if (dialog.Run(owner, &EditorDialog::Procedure, &state) != IDOK) {
    return std::nullopt;
  }
  return state.saved();
}

}  // namespace velbrix::win32
