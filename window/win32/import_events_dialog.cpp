// The Import Events dialog: its template, its dialog procedure and the open dialog behind Browse.
#include "window/win32/import_events_dialog.h"

#include <commdlg.h>

#include <string>
#include <utility>

#include "window/win32/dialog_template.h"
#include "window/win32/text.h"

namespace velbrix::win32 {
namespace {

constexpr short kLabelWidth = 80;
constexpr short kFieldX = kDialogMargin + kLabelWidth + 4;
constexpr short kFieldWidth = 200;
constexpr short kWidth = kFieldX + kFieldWidth + kDialogMargin;

DialogTemplate MakeTemplate() {
  DialogTemplate dialog(L"Import Events", kWidth, kDialogMargin + 11 * kDialogRow + kDialogMargin);
  short y = kDialogMargin;
  const auto label = [&](const wchar_t* text) {
    dialog.AddItem(kStatic, text, SS_LEFT, kDialogMargin, y + 2, kLabelWidth, 9, -1);
  };
  const DWORD tab = WS_TABSTOP | WS_GROUP;
  label(L"&File:");
  dialog.AddItem(kEdit, L"", WS_BORDER | ES_AUTOHSCROLL | tab, kFieldX, y,
                 kFieldWidth - kButtonWidth - kButtonGap, kItemHeight, kIdImportFile);
  dialog.AddItem(kButton, L"&Browse...", BS_PUSHBUTTON | tab, kFieldX + kFieldWidth - kButtonWidth,
                 y, kButtonWidth, kItemHeight, kIdImportBrowse);
  y += kDialogRow;
  dialog.AddItem(kButton, L"Told by the &header (sidecar or BIDS)", BS_AUTORADIOBUTTON | tab,
                 kDialogMargin, y, kWidth - 2 * kDialogMargin, kItemHeight, kIdImportHeader);
  y += kDialogRow;
  dialog.AddItem(kButton, L"A &lab's table:", BS_AUTORADIOBUTTON, kDialogMargin, y,
                 kWidth - 2 * kDialogMargin, kItemHeight, kIdImportLab);
  const std::pair<const wchar_t*, int> columns[] = {{L"&Onset column:", kIdImportOnset},
                                                    {L"&Duration column:", kIdImportDuration},
                                                    {L"Lab&el column:", kIdImportLabel}};
  for (const auto& [text, id] : columns) {
    y += kDialogRow;
    label(text);
    dialog.AddItem(kComboBox, L"", CBS_DROPDOWNLIST | WS_VSCROLL | tab, kFieldX, y, kFieldWidth,
                   100, id);
  }
  y += kDialogRow;
  label(L"Unit:");
  dialog.AddItem(kButton, L"&Seconds", BS_AUTORADIOBUTTON | tab, kFieldX, y, 60, kItemHeight,
                 kIdImportSeconds);
  dialog.AddItem(kButton, L"&Records", BS_AUTORADIOBUTTON, kFieldX + 64, y, 60, kItemHeight,
                 kIdImportRecords);
  y += kDialogRow;
  label(L"Sample ra&te (Hz):");
  dialog.AddItem(kEdit, L"", WS_BORDER | ES_AUTOHSCROLL | tab, kFieldX, y, 80, kItemHeight,
                 kIdImportRate);
  y += kDialogRow;
  dialog.AddItem(kStatic, L"", SS_LEFT, kDialogMargin, y, kWidth - 2 * kDialogMargin,
                 3 * kDialogRow - 4, kIdImportMessage);
  y += 3 * kDialogRow;
  dialog.AddButtonRow(kWidth, y, {{L"OK", IDOK, true}, {L"Cancel", IDCANCEL}});
  return dialog;
}

std::string ComboText(HWND dialog, int id) {
  const HWND combo = ::GetDlgItem(dialog, id);
  const LRESULT index = ::SendMessageW(combo, CB_GETCURSEL, 0, 0);
  if (index == CB_ERR)
    return "";
  const LRESULT length = ::SendMessageW(combo, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
  std::wstring text(static_cast<std::size_t>(length < 0 ? 0 : length) + 1, L'\0');
  ::SendMessageW(combo, CB_GETLBTEXT, static_cast<WPARAM>(index),
                 reinterpret_cast<LPARAM>(text.data()));
  text.resize(static_cast<std::size_t>(length < 0 ? 0 : length));
  return Narrow(text);
}

class ImportDialog final : public ImportEventsView {
 public:
  ImportDialog(EventsDialogSubject subject, const std::function<void(HWND)>& on_shown)
      : controller_(*this, std::move(subject)), on_shown_(on_shown) {}

  static INT_PTR CALLBACK Procedure(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
    auto* self = DialogState<ImportDialog>(dialog, message, lparam);
    if (message == WM_INITDIALOG) {
      self->dialog_ = dialog;
      ::CheckRadioButton(dialog, kIdImportHeader, kIdImportLab, kIdImportHeader);
      ::CheckRadioButton(dialog, kIdImportSeconds, kIdImportRecords, kIdImportSeconds);
      self->controller_.Open();
      ::SetFocus(::GetDlgItem(dialog, kIdImportFile));
      if (self->on_shown_)
        self->on_shown_(dialog);
      return FALSE;  // the focus is set
    }
    if (self == nullptr || message != WM_COMMAND)
      return FALSE;
    return self->Command(LOWORD(wparam), HIWORD(wparam));
  }

  const std::optional<std::vector<Event>>& result() const { return controller_.result(); }

 private:
  INT_PTR Command(int id, int code) {
    switch (id) {
      case kIdImportFile:
        if (code == EN_KILLFOCUS)
          FileTyped();
        return TRUE;
      case kIdImportBrowse:
        Browse();
        return TRUE;
      case kIdImportHeader:
      case kIdImportLab:
      case kIdImportSeconds:
      case kIdImportRecords:
        if (code == BN_CLICKED)
          controller_.EntriesChanged();
        return TRUE;
      case kIdImportOnset:
      case kIdImportDuration:
      case kIdImportLabel:
        if (code == CBN_SELCHANGE)
          controller_.EntriesChanged();
        return TRUE;
      case kIdImportRate:
        if (code == EN_KILLFOCUS)
          controller_.EntriesChanged();
        return TRUE;
      case IDOK:
        FileTyped();
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

  void FileTyped() {
    const HWND edit = ::GetDlgItem(dialog_, kIdImportFile);
    if (::SendMessageW(edit, EM_GETMODIFY, 0, 0) != 0) {
      ::SendMessageW(edit, EM_SETMODIFY, FALSE, 0);
      controller_.FileChosen(File());
    }
  }

  void Browse() {
    std::wstring name(32768, L'\0');
    OPENFILENAMEW open{};
    open.lStructSize = sizeof open;
    open.hwndOwner = dialog_;
    open.lpstrFilter = L"Event tables (*.tsv;*.csv;*.txt)\0*.tsv;*.csv;*.txt\0All files\0*.*\0";
    open.lpstrFile = name.data();
    open.nMaxFile = static_cast<DWORD>(name.size());
    open.Flags = OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_EXPLORER;
    if (::GetOpenFileNameW(&open)) {
      name.resize(name.find(L'\0'));
      controller_.FileChosen(std::filesystem::path(name));
    }
  }

  std::filesystem::path File() const override {
    return std::filesystem::path(WindowText(::GetDlgItem(dialog_, kIdImportFile)));
  }
  ImportForm Form() const override {
    return ::IsDlgButtonChecked(dialog_, kIdImportLab) == BST_CHECKED ? ImportForm::kLabTable
                                                                      : ImportForm::kToldByHeader;
  }
  std::string OnsetColumn() const override { return ComboText(dialog_, kIdImportOnset); }
  std::string DurationColumn() const override { return ComboText(dialog_, kIdImportDuration); }
  std::string LabelColumn() const override { return ComboText(dialog_, kIdImportLabel); }
  EventTimeUnit Unit() const override {
    return ::IsDlgButtonChecked(dialog_, kIdImportRecords) == BST_CHECKED ? EventTimeUnit::kRecords
                                                                          : EventTimeUnit::kSeconds;
  }
  std::string RateText() const override {
    return Narrow(WindowText(::GetDlgItem(dialog_, kIdImportRate)));
  }

  void SetFile(const std::filesystem::path& file) override {
    ::SetDlgItemTextW(dialog_, kIdImportFile, file.wstring().c_str());
    ::SendDlgItemMessageW(dialog_, kIdImportFile, EM_SETMODIFY, FALSE, 0);
  }
  void SetRateText(const std::string& text) override {
    ::SetDlgItemTextW(dialog_, kIdImportRate, Widen(text).c_str());
  }
  void SetColumnChoices(const std::vector<std::string>& names) override {
    for (const int id : {kIdImportOnset, kIdImportDuration, kIdImportLabel}) {
      ::SendDlgItemMessageW(dialog_, id, CB_RESETCONTENT, 0, 0);
      if (id != kIdImportOnset) {
        ::SendDlgItemMessageW(dialog_, id, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(L""));
      }
      for (const std::string& name : names) {
        ::SendDlgItemMessageW(dialog_, id, CB_ADDSTRING, 0,
                              reinterpret_cast<LPARAM>(Widen(name).c_str()));
      }
    }
  }
  void SetColumns(const std::string& onset, const std::string& duration,
                  const std::string& label) override {
    const std::pair<int, const std::string*> chosen[] = {
        {kIdImportOnset, &onset}, {kIdImportDuration, &duration}, {kIdImportLabel, &label}};
    for (const auto& [id, name] : chosen) {
      const LRESULT index =
          ::SendDlgItemMessageW(dialog_, id, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                reinterpret_cast<LPARAM>(Widen(*name).c_str()));
      ::SendDlgItemMessageW(dialog_, id, CB_SETCURSEL, static_cast<WPARAM>(index < 0 ? 0 : index),
                            0);
    }
  }
  void SetLabTableEnabled(bool enabled) override {
    for (const int id :
         {kIdImportOnset, kIdImportDuration, kIdImportLabel, kIdImportSeconds, kIdImportRecords}) {
      ::EnableWindow(::GetDlgItem(dialog_, id), enabled);
    }
  }
  void SetMessage(const std::string& text) override {
    ::SetDlgItemTextW(dialog_, kIdImportMessage, Widen(text).c_str());
  }

  HWND dialog_ = nullptr;
  ImportEventsController controller_;
  std::function<void(HWND)> on_shown_;
};

}  // namespace

std::optional<std::vector<Event>> ShowImportEventsDialog(
    HWND owner, EventsDialogSubject subject, const std::function<void(HWND)>& on_shown) {
  ImportDialog state(std::move(subject), on_shown);
  const DialogTemplate dialog = MakeTemplate();
  if (dialog.Run(owner, &ImportDialog::Procedure, &state) != IDOK)
    return std::nullopt;
  return state.result();
}

}  // namespace velbrix::win32
