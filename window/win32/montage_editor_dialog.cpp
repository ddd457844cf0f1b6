// The Montage Editor dialog: its template, its dialog procedure, and the list of rows kept in step
// with the controller's.
#include "window/win32/montage_editor_dialog.h"

#include <commctrl.h>

#include <algorithm>
#include <array>
#include <string>
#include <utility>
#include <vector>

#include "window/win32/dialog_template.h"
#include "window/win32/text.h"

namespace velbrix::win32 {
namespace {

constexpr short kLabelWidth = 44;
constexpr short kFieldX = kDialogMargin + kLabelWidth + 4;
constexpr short kEditorButtonWidth = 58;
constexpr short kWidth = 5 * kEditorButtonWidth + 4 * 4 + 2 * kDialogMargin + 40;
constexpr short kListHeight = 120;
constexpr short kHelpHeight = 36;
constexpr short kMessageHeight = 36;
// The columns' widths in dialog units, but the problem's.
constexpr std::array<short, 4> kColumnWidths = {90, 60, 34, 30};
constexpr wchar_t kProblemTitle[] = L"Problem";

DialogTemplate MakeTemplate() {
  const short inner = kWidth - 2 * kDialogMargin;
  DialogTemplate dialog(Widen(kMontageEditorTitle), kWidth,
                        kDialogMargin + 2 * kDialogRow + kListHeight + 4 + 4 * kDialogRow +
                            kHelpHeight + kMessageHeight + kDialogRow + kDialogMargin);
  const DWORD tab = WS_TABSTOP | WS_GROUP;
  short y = kDialogMargin;
  // A label directly before its field, so that its access key reaches the field.
  const auto field = [&](const char* label, int id, short width) {
    dialog.AddItem(kStatic, Widen(label), SS_LEFT, kDialogMargin, y + 2, kLabelWidth, 9, -1);
    dialog.AddItem(kEdit, L"", WS_BORDER | ES_AUTOHSCROLL | tab, kFieldX, y, width, kItemHeight,
                   id);
    y += kDialogRow;
  };
  field(kMontageNameLabel, kIdMontageName, 200);
  dialog.AddItem(kStatic, Widen(kMontageRowsLabel), SS_LEFT, kDialogMargin, y + 2, kLabelWidth, 9,
                 -1);
  y += 12;
  dialog.AddItem(
      WC_LISTVIEWW, L"",
      WS_BORDER | LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS | LVS_NOSORTHEADER | tab,
      kDialogMargin, y, inner, kListHeight, kIdMontageRows);
  y += kListHeight + 4;
  field(kMontageDerivationLabel, kIdMontageDerivation, 160);
  field(kMontageLabelLabel, kIdMontageLabel, 100);
  field(kMontageFactorLabel, kIdMontageFactor, 50);
  const std::pair<const char*, int> buttons[] = {{kMontageAddText, kIdMontageAdd},
                                                 {kMontageRemoveText, kIdMontageRemove},
                                                 {kMontageUpText, kIdMontageUp},
                                                 {kMontageDownText, kIdMontageDown},
                                                 {kMontageShowHideText, kIdMontageShowHide}};
  short x = kDialogMargin;
  for (const auto& [text, id] : buttons) {
    dialog.AddItem(kButton, Widen(text), BS_PUSHBUTTON | tab, x, y, kEditorButtonWidth, kItemHeight,
                   id);
    x += kEditorButtonWidth + kButtonGap;
  }
  y += kDialogRow + 2;
  dialog.AddItem(kStatic, Widen(kMontageHelpText), SS_LEFT, kDialogMargin, y, inner, kHelpHeight,
                 kIdMontageHelp);
  y += kHelpHeight;
  dialog.AddItem(kStatic, L"", SS_LEFT, kDialogMargin, y, inner, kMessageHeight, kIdMontageMessage);
  y += kMessageHeight;
  dialog.AddButtonRow(kWidth, y, {{Widen(kMontageSaveText), IDOK, true}, {L"Cancel", IDCANCEL}},
                      kEditorButtonWidth);
  return dialog;
}

// A row as the list shows it, a text a column.
using RowTexts = std::array<std::wstring, 5>;

RowTexts TextsOf(const MontageEditorRow& row) {
  return {Widen(row.line.derivation), Widen(row.line.label), Widen(row.line.factor),
          row.line.shown ? L"Yes" : L"No", Widen(row.problem)};
}

class MontageEditorDialog final : public MontageEditorView {
 public:
  MontageEditorDialog(MontageEditorSubject subject, const std::function<void(HWND)>& on_shown)
      : controller_(*this, std::move(subject)), on_shown_(on_shown) {}

  static INT_PTR CALLBACK Procedure(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
    auto* self = DialogState<MontageEditorDialog>(dialog, message, lparam);
    if (message == WM_INITDIALOG) {
      self->Init(dialog);
      return FALSE;  // the focus is set
    }
    if (self == nullptr)
      return FALSE;
    if (message == WM_COMMAND)
      return self->Command(LOWORD(wparam), HIWORD(wparam));
    if (message == WM_NOTIFY)
      return self->Notify(*reinterpret_cast<const NMHDR*>(lparam));
    return FALSE;
  }

  const std::optional<std::filesystem::path>& saved() const { return controller_.saved(); }

 private:
  // Set while the dialog itself changes its controls, whose notifications are then no user's.
  class Updating {
   public:
    explicit Updating(bool& flag) : flag_(flag), was_(flag) { flag_ = true; }
    ~Updating() { flag_ = was_; }
    Updating(const Updating&) = delete;
    Updating& operator=(const Updating&) = delete;

   private:
    bool& flag_;
    bool was_;
  };

  void Init(HWND dialog) {
    dialog_ = dialog;
    list_ = ::GetDlgItem(dialog, kIdMontageRows);
    ListView_SetExtendedListViewStyle(list_, LVS_EX_FULLROWSELECT);
    // The problem takes what the other columns leave of the list, a scroll bar kept free.
    RECT client{};
    ::GetClientRect(list_, &client);
    int left = client.right - ::GetSystemMetrics(SM_CXVSCROLL);
    for (int column = 0; column <= kMontageProblemColumn; ++column) {
      const bool last = column == kMontageProblemColumn;
      const auto at = static_cast<std::size_t>(column);
      RECT width{0, 0, last ? 0 : kColumnWidths[at], 0};
      ::MapDialogRect(dialog, &width);
      left -= width.right;
      std::wstring title = last ? kProblemTitle : Widen(kMontageColumns[at]);
      LVCOLUMNW entry{};
      entry.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
      entry.pszText = title.data();
      entry.cx = last ? std::max(left, 0) : width.right;
      entry.iSubItem = column;
      ListView_InsertColumn(list_, column, &entry);
    }
    controller_.Open();
    ::SetFocus(::GetDlgItem(dialog, kIdMontageName));
    if (on_shown_)
      on_shown_(dialog);
  }

  INT_PTR Command(int id, int code) {
    switch (id) {
      case kIdMontageDerivation:
      case kIdMontageLabel:
      case kIdMontageFactor:
        if (code == EN_CHANGE && !updating_) {
          controller_.RowEdited(ItemText(kIdMontageDerivation), ItemText(kIdMontageLabel),
                                ItemText(kIdMontageFactor));
        }
        return TRUE;
      case kIdMontageAdd:
        controller_.AddRow();
        ::SendMessageW(dialog_, WM_NEXTDLGCTL,
                       reinterpret_cast<WPARAM>(::GetDlgItem(dialog_, kIdMontageDerivation)), TRUE);
        return TRUE;
      case kIdMontageRemove:
        controller_.RemoveRow();
        return TRUE;
      case kIdMontageUp:
        controller_.MoveRow(-1);
        return TRUE;
      case kIdMontageDown:
        controller_.MoveRow(+1);
        return TRUE;
      case kIdMontageShowHide:
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

  INT_PTR Notify(const NMHDR& header) {
    if (header.idFrom != kIdMontageRows || updating_)
      return FALSE;
    if (header.code == LVN_ITEMCHANGED) {
      const auto& change = reinterpret_cast<const NMLISTVIEW&>(header);
      if ((change.uChanged & LVIF_STATE) != 0 && (change.uNewState & LVIS_SELECTED) != 0 &&
          (change.uOldState & LVIS_SELECTED) == 0) {
        controller_.RowChosen(change.iItem);
      }
    } else if (header.code == LVN_KEYDOWN &&
               reinterpret_cast<const NMLVKEYDOWN&>(header).wVKey == VK_DELETE) {
      controller_.RemoveRow();
    }
    return FALSE;
  }

  std::string Name() const override { return ItemText(kIdMontageName); }
  void SetName(const std::string& name) override { SetItemText(kIdMontageName, name); }

  // Changes only the cells that differ, so that the list neither flickers nor scrolls as a field
  // is typed in.
  void SetRows(const std::vector<MontageEditorRow>& rows, int chosen) override {
    const Updating updating(updating_);
    while (shown_.size() > rows.size()) {
      shown_.pop_back();
      ListView_DeleteItem(list_, static_cast<int>(shown_.size()));
    }
    for (std::size_t i = 0; i < rows.size(); ++i) {
      RowTexts texts = TextsOf(rows[i]);
      const int item = static_cast<int>(i);
      if (i == shown_.size()) {
        LVITEMW entry{};
        entry.mask = LVIF_TEXT;
        entry.iItem = item;
        entry.pszText = texts[0].data();
        ListView_InsertItem(list_, &entry);
        shown_.push_back({texts[0]});
      }
      for (std::size_t column = 0; column < texts.size(); ++column) {
        if (shown_[i][column] != texts[column]) {
          ListView_SetItemText(list_, item, static_cast<int>(column), texts[column].data());
          shown_[i][column] = texts[column];
        }
      }
    }
    const int selected = ListView_GetNextItem(list_, -1, LVNI_SELECTED);
    if (selected != chosen) {
      constexpr UINT kMark = LVIS_SELECTED | LVIS_FOCUSED;
      if (selected >= 0)
        ListView_SetItemState(list_, selected, 0, kMark);
      if (chosen >= 0)
        ListView_SetItemState(list_, chosen, kMark, kMark);
    }
    if (chosen >= 0)
      ListView_EnsureVisible(list_, chosen, FALSE);
  }

  void SetRowFields(const MontageLine& line, bool enabled) override {
    const Updating updating(updating_);
    const std::pair<int, const std::string*> fields[] = {{kIdMontageDerivation, &line.derivation},
                                                         {kIdMontageLabel, &line.label},
                                                         {kIdMontageFactor, &line.factor}};
    for (const auto& [id, text] : fields) {
      SetItemText(id, *text);
      ::EnableWindow(::GetDlgItem(dialog_, id), enabled);
    }
  }

  void SetMessage(const std::string& text) override { SetItemText(kIdMontageMessage, text); }

  std::string ItemText(int id) const { return Narrow(WindowText(::GetDlgItem(dialog_, id))); }

  // Sets the control's text only when it differs, which keeps the caret of a field being typed in.
  void SetItemText(int id, const std::string& text) {
    const HWND item = ::GetDlgItem(dialog_, id);
    const std::wstring wide = Widen(text);
    if (WindowText(item) != wide)
      ::SetWindowTextW(item, wide.c_str());
  }

  HWND dialog_ = nullptr;
  HWND list_ = nullptr;
  std::vector<RowTexts> shown_;  // what the list shows, row by row
  bool updating_ = false;
  MontageEditorController controller_;
  std::function<void(HWND)> on_shown_;
};

}  // namespace

std::optional<std::filesystem::path> ShowMontageEditorDialog(
    HWND owner, MontageEditorSubject subject, const std::function<void(HWND)>& on_shown) {
  const INITCOMMONCONTROLSEX common{sizeof(INITCOMMONCONTROLSEX), ICC_LISTVIEW_CLASSES};
  ::InitCommonControlsEx(&common);
  MontageEditorDialog state(std::move(subject), on_shown);
  const DialogTemplate dialog = MakeTemplate();
  if (dialog.Run(owner, &MontageEditorDialog::Procedure, &state) != IDOK) {
    return std::nullopt;
  }
  return state.saved();
}

}  // namespace velbrix::win32
