// The Detect Events dialog: its template, its dialog procedure, and the detection's tasks brought
// back to the dialog's thread.
#include "window/win32/detect_events_dialog.h"

#include <deque>
#include <mutex>
#include <utility>

#include "window/win32/dialog_template.h"
#include "window/win32/text.h"

namespace velbrix::win32 {
namespace {

constexpr UINT kWmTasks = WM_APP + 1;  // tasks of the detection are queued
constexpr short kLabelWidth = 90;
constexpr short kFieldX = kDialogMargin + kLabelWidth + 4;
constexpr short kFieldWidth = 150;
constexpr short kWidth = kFieldX + kFieldWidth + kDialogMargin;

DialogTemplate MakeTemplate() {
  DialogTemplate dialog(L"Detect Events", kWidth, kDialogMargin + 14 * kDialogRow + kDialogMargin);
  short y = kDialogMargin;
  const DWORD tab = WS_TABSTOP | WS_GROUP;
  const auto label = [&](const wchar_t* text, int id) {
    dialog.AddItem(kStatic, text, SS_LEFT, kDialogMargin, y + 2, kLabelWidth, 9, id);
  };
  label(L"&Channel:", -1);
  dialog.AddItem(kComboBox, L"", CBS_DROPDOWNLIST | WS_VSCROLL | tab, kFieldX, y, kFieldWidth, 150,
                 kIdDetectChannel);
  y += kDialogRow;
  label(L"&Level (\u00B5V):", -1);
  dialog.AddItem(kEdit, L"", WS_BORDER | ES_AUTOHSCROLL | tab, kFieldX, y, 80, kItemHeight,
                 kIdDetectLevel);
  y += kDialogRow;
  label(L"Di&rection:", -1);
  dialog.AddItem(kComboBox, L"", CBS_DROPDOWNLIST | tab, kFieldX, y, 80, 60, kIdDetectDirection);
  y += kDialogRow;
  label(L"Shortest &gap (seconds):", kIdDetectGapLabel);
  dialog.AddItem(kEdit, L"", WS_BORDER | ES_AUTOHSCROLL | tab, kFieldX, y, 80, kItemHeight,
                 kIdDetectGap);
  y += kDialogRow;
  label(L"La&bel:", -1);
  dialog.AddItem(kEdit, L"", WS_BORDER | ES_AUTOHSCROLL | tab, kFieldX, y, kFieldWidth, kItemHeight,
                 kIdDetectLabel);
  y += kDialogRow;
  dialog.AddItem(kButton, L"&Detect", BS_DEFPUSHBUTTON | tab, kDialogMargin, y, kButtonWidth,
                 kItemHeight, kIdDetectRun);
  dialog.AddItem(kButton, L"&Stop", BS_PUSHBUTTON | tab, kDialogMargin + kButtonWidth + kButtonGap,
                 y, kButtonWidth, kItemHeight, kIdDetectStop);
  y += kDialogRow;
  dialog.AddItem(kStatic, L"Events f&ound:", SS_LEFT, kDialogMargin, y + 2, kLabelWidth, 9, -1);
  y += 11;
  dialog.AddItem(
      kListBox, L"",
      WS_BORDER | WS_VSCROLL | LBS_NOINTEGRALHEIGHT | LBS_NOTIFY | LBS_WANTKEYBOARDINPUT | tab,
      kDialogMargin, y, kWidth - 2 * kDialogMargin, 4 * kDialogRow, kIdDetectFound);
  y += 4 * kDialogRow + 3;
  dialog.AddItem(kButton, L"&Remove", BS_PUSHBUTTON | tab, kDialogMargin, y, kButtonWidth,
                 kItemHeight, kIdDetectRemove);
  y += kDialogRow;
  dialog.AddItem(kStatic, L"", SS_LEFT, kDialogMargin, y, kWidth - 2 * kDialogMargin,
                 2 * kDialogRow - 4, kIdDetectMessage);
  y += 2 * kDialogRow;
  dialog.AddButtonRow(kWidth, y, {{L"&Add", IDOK}, {L"Cancel", IDCANCEL}});
  return dialog;
}

class DetectDialog final : public DetectEventsView {
 public:
  DetectDialog(EventsDialogSubject subject, std::vector<std::string> channels,
               const std::function<void(HWND)>& on_shown)
      : on_shown_(on_shown),
        controller_(*this, std::move(subject), std::move(channels),
                    [this](BackgroundRunner::Task task) { Post(std::move(task)); }) {}

  static INT_PTR CALLBACK Procedure(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
    auto* self = DialogState<DetectDialog>(dialog, message, lparam);
    if (message == WM_INITDIALOG) {
      self->Init(dialog);
      return FALSE;  // the focus is set
    }
    if (self == nullptr)
      return FALSE;
    if (message == kWmTasks) {
      self->RunTasks();
      return TRUE;
    }
    if (message == WM_VKEYTOITEM && LOWORD(wparam) == VK_DELETE) {
      self->RemoveChosen();
      return -2;  // handled
    }
    if (message == WM_VKEYTOITEM)
      return -1;
    if (message != WM_COMMAND)
      return FALSE;
    return self->Command(LOWORD(wparam));
  }

  const std::optional<std::vector<Event>>& result() const { return controller_.result(); }

 private:
  void Init(HWND dialog) {
    {
      const std::lock_guard<std::mutex> lock(mutex_);
      dialog_ = dialog;
    }
    for (const char* direction : kDirectionChoices) {
      ::SendDlgItemMessageW(dialog, kIdDetectDirection, CB_ADDSTRING, 0,
                            reinterpret_cast<LPARAM>(Widen(direction).c_str()));
    }
    ::SendDlgItemMessageW(dialog, kIdDetectDirection, CB_SETCURSEL, 0, 0);
    controller_.Open();
    ::SetFocus(::GetDlgItem(dialog, kIdDetectLevel));
    if (on_shown_)
      on_shown_(dialog);
  }

  INT_PTR Command(int id) {
    switch (id) {
      case kIdDetectRun:
        controller_.Detect();
        return TRUE;
      case kIdDetectStop:
        controller_.Stop();
        return TRUE;
      case kIdDetectRemove:
        RemoveChosen();
        return TRUE;
      case IDOK:
        if (controller_.Add())
          End(IDOK);
        return TRUE;
      case IDCANCEL:
        controller_.Cancel();
        End(IDCANCEL);
        return TRUE;
      default:
        return FALSE;
    }
  }

  void End(INT_PTR result) {
    HWND dialog = nullptr;
    {
      const std::lock_guard<std::mutex> lock(mutex_);
      std::swap(dialog, dialog_);
    }
    ::EndDialog(dialog, result);
  }

  // Safe from any thread; the task runs on the dialog's thread while it is open.
  void Post(BackgroundRunner::Task task) {
    const std::lock_guard<std::mutex> lock(mutex_);
    tasks_.push_back(std::move(task));
    if (dialog_ != nullptr)
      ::PostMessageW(dialog_, kWmTasks, 0, 0);
  }

  void RunTasks() {
    for (;;) {
      BackgroundRunner::Task task;
      {
        const std::lock_guard<std::mutex> lock(mutex_);
        if (tasks_.empty() || dialog_ == nullptr)
          return;
        task = std::move(tasks_.front());
        tasks_.pop_front();
      }
      task();
    }
  }

  void RemoveChosen() {
    const LRESULT index = ::SendDlgItemMessageW(dialog_, kIdDetectFound, LB_GETCURSEL, 0, 0);
    if (index == LB_ERR)
      return;
    const auto place = static_cast<std::size_t>(index);
    rows_.erase(rows_.begin() + static_cast<std::ptrdiff_t>(place));
    ::SendDlgItemMessageW(dialog_, kIdDetectFound, LB_DELETESTRING, static_cast<WPARAM>(index), 0);
    const LRESULT left = static_cast<LRESULT>(rows_.size());
    if (left > 0) {
      ::SendDlgItemMessageW(dialog_, kIdDetectFound, LB_SETCURSEL,
                            static_cast<WPARAM>(index < left ? index : left - 1), 0);
    }
  }

  int Channel() const override {
    return static_cast<int>(::SendDlgItemMessageW(dialog_, kIdDetectChannel, CB_GETCURSEL, 0, 0));
  }
  std::string LevelText() const override { return ItemText(kIdDetectLevel); }
  CrossingDirection Direction() const override {
    return DirectionAt(
        static_cast<int>(::SendDlgItemMessageW(dialog_, kIdDetectDirection, CB_GETCURSEL, 0, 0)));
  }
  std::string GapText() const override { return ItemText(kIdDetectGap); }
  std::string Label() const override { return ItemText(kIdDetectLabel); }
  bool Kept(std::size_t row) const override {
    for (const std::size_t kept : rows_) {
      if (kept == row)
        return true;
    }
    return false;
  }

  void SetChannels(const std::vector<std::string>& names, int selected) override {
    ::SendDlgItemMessageW(dialog_, kIdDetectChannel, CB_RESETCONTENT, 0, 0);
    for (const std::string& name : names) {
      ::SendDlgItemMessageW(dialog_, kIdDetectChannel, CB_ADDSTRING, 0,
                            reinterpret_cast<LPARAM>(Widen(name).c_str()));
    }
    ::SendDlgItemMessageW(dialog_, kIdDetectChannel, CB_SETCURSEL, static_cast<WPARAM>(selected),
                          0);
  }
  void SetGapUnit(const std::string& unit) override {
    ::SetDlgItemTextW(dialog_, kIdDetectGapLabel, Widen("Shortest &gap (" + unit + "):").c_str());
  }
  void SetRunning(bool running) override {
    ::EnableWindow(::GetDlgItem(dialog_, kIdDetectStop), running);
    if (running)
      ::SetFocus(::GetDlgItem(dialog_, kIdDetectStop));
    ::EnableWindow(::GetDlgItem(dialog_, kIdDetectRun), !running);
    ::EnableWindow(::GetDlgItem(dialog_, IDOK), !running);
  }
  void SetProgress(int percent) override {
    ::SetDlgItemTextW(dialog_, kIdDetectMessage,
                      (L"Detecting... " + std::to_wstring(percent) + L"%").c_str());
  }
  void SetFound(const std::vector<std::string>& rows) override {
    ::SendDlgItemMessageW(dialog_, kIdDetectFound, LB_RESETCONTENT, 0, 0);
    rows_.clear();
    for (std::size_t row = 0; row < rows.size(); ++row) {
      ::SendDlgItemMessageW(dialog_, kIdDetectFound, LB_ADDSTRING, 0,
                            reinterpret_cast<LPARAM>(Widen(rows[row]).c_str()));
      rows_.push_back(row);
    }
    if (!rows.empty()) {
      ::SendDlgItemMessageW(dialog_, kIdDetectFound, LB_SETCURSEL, 0, 0);
      ::SendMessageW(dialog_, DM_SETDEFID, IDOK, 0);
      ::SetFocus(::GetDlgItem(dialog_, kIdDetectFound));
    }
  }
  void SetMessage(const std::string& text) override {
    ::SetDlgItemTextW(dialog_, kIdDetectMessage, Widen(text).c_str());
  }

  std::string ItemText(int id) const { return Narrow(WindowText(::GetDlgItem(dialog_, id))); }

  std::function<void(HWND)> on_shown_;
  std::mutex mutex_;
  HWND dialog_ = nullptr;  // under mutex_ when written; null once the dialog ends
  std::deque<BackgroundRunner::Task> tasks_;
  std::vector<std::size_t> rows_;      // the found events' rows still listed
  DetectEventsController controller_;  // last: its detection ends before the rest goes
};

}  // namespace

std::optional<std::vector<Event>> ShowDetectEventsDialog(
    HWND owner, EventsDialogSubject subject, std::vector<std::string> channels,
    const std::function<void(HWND)>& on_shown) {
  DetectDialog state(std::move(subject), std::move(channels), on_shown);
  const DialogTemplate dialog = MakeTemplate();
  if (dialog.Run(owner, &DetectDialog::Procedure, &state) != IDOK)
    return std::nullopt;
  return state.result();
}

}  // namespace velbrix::win32
