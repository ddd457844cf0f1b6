// A hand-written view for the controller's tests: it keeps what each control shows, records every
// operation in order, and answers the dialogs and the platform questions from its fields.
// Background work waits until the test runs it (RunWork, on a thread of its own), and posted tasks
// until the test delivers them (DeliverPosted), so that a test can order a run's end against the
// user's actions.
#ifndef VELBRIX_WINDOW_FAKE_FRM_FLE_VIEW_H_
#define VELBRIX_WINDOW_FAKE_FRM_FLE_VIEW_H_

#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "window/frm_fle_view.h"

namespace velbrix::testing {

class FakeFrmFleView : public FrmFleView {
 public:
  struct Message {
    std::string text;
    MessageIcon icon;
    // What the window showed while the message was up.
    std::string lbl_file;
    std::string label1;
    bool mnufile_enabled;
  };

  // What the controls show.
  std::string lbl_file = "File Opened - None";
  std::string label1 = "ASCCII-DECIMAL FILECONVERTER";
  bool fra_ch_visible = false;
  bool mnufile_enabled = true;
  std::map<MenuItem, bool> menu_items;  // the items after Open that were enabled or disabled
  bool lst_ch_enabled = true;
  std::vector<std::string> lst_ch;
  int lst_ch_selected = -1;
  int optch_selected = -1;
  std::string cdb_filter;
  std::vector<Message> messages;
  bool progress_visible = false;
  std::vector<int> progress;             // every SetProgress
  std::vector<EdfSettings> edf_dialogs;  // what each showing of the EDF dialog was filled in with
  int questions = 0;
  bool closed = false;
  int brought_to_top = 0;
  std::vector<TraceSubject> trace_windows_shown;  // by ShowTraceWindow
  std::vector<TraceSubject> trace_updates;        // by UpdateTraceWindow
  std::vector<TraceSubject> trace_rereads;        // those of them to be read afresh
  // Every operation, in order, as "Name(argument)".
  std::vector<std::string> log;

  // The answers.
  std::deque<std::optional<std::filesystem::path>> dialog_answers;  // nothing: cancelled
  std::filesystem::path program_folder = "/opt/velbrix";
  bool installed_copy = false;
  std::filesystem::path documents_folder;
  bool show_folder_works = true;
  std::string decimal_separator = ".";
  std::vector<std::filesystem::path> shown_folders;    // one per ShowFolder
  std::deque<bool> yes_no_answers;                     // none left: No
  std::function<void()> while_asking;                  // runs while the question is shown
  std::deque<std::optional<EdfSettings>> edf_answers;  // none left: cancelled

  // The background work, not run yet, and the posted tasks, not delivered yet.
  bool HasWork() const { return static_cast<bool>(work_); }
  void RunWork() {
    if (!work_) {
      return;
    }
    std::thread worker(std::exchange(work_, {}));
    worker.join();
  }
  // Runs the posted tasks, also those that they post.
  void DeliverPosted() {
    for (;;) {
      std::function<void()> task;
      {
        const std::lock_guard<std::mutex> lock(mutex_);
        if (posted_.empty()) {
          return;
        }
        task = std::move(posted_.front());
        posted_.pop_front();
      }
      task();
    }
  }
  void FinishWork() {
    RunWork();
    DeliverPosted();
  }

  void SetLblFileCaption(const std::string& text) override {
    lbl_file = text;
    log.push_back("SetLblFileCaption(" + text + ")");
  }
  void SetLabel1Caption(const std::string& text) override {
    label1 = text;
    log.push_back("SetLabel1Caption(" + text + ")");
  }
  void ShowFraCh(bool visible) override {
    fra_ch_visible = visible;
    log.push_back(std::string("ShowFraCh(") + (visible ? "true" : "false") + ")");
  }
  void EnableMnuFile(bool enabled) override {
    mnufile_enabled = enabled;
    log.push_back(std::string("EnableMnuFile(") + (enabled ? "true" : "false") + ")");
  }
  void EnableMenuItem(MenuItem item, bool enabled) override { menu_items[item] = enabled; }
  void EnableLstCh(bool enabled) override {
    lst_ch_enabled = enabled;
    log.push_back(std::string("EnableLstCh(") + (enabled ? "true" : "false") + ")");
  }
  void AppendLstCh(const std::string& entry) override { lst_ch.push_back(entry); }
  void SelectLstCh(int index) override {
    lst_ch_selected = index;
    log.push_back("SelectLstCh(" + std::to_string(index) + ")");
  }
  std::string LstChText() const override {
    return lst_ch_selected >= 0 && lst_ch_selected < static_cast<int>(lst_ch.size())
               ? lst_ch[static_cast<std::size_t>(lst_ch_selected)]
               : std::string();
  }
  void SelectOptch(int index) override {
    optch_selected = index;
    log.push_back("SelectOptch(" + std::to_string(index) + ")");
  }
  void SetCdbFilter(const std::string& filter) override { cdb_filter = filter; }
  std::optional<std::filesystem::path> ShowCdbOpen() override {
    log.push_back("ShowCdbOpen()");
    if (dialog_answers.empty()) {
      return std::nullopt;
    }
    auto answer = dialog_answers.front();
    dialog_answers.pop_front();
    return answer;
  }
  void ShowMessage(const std::string& text, MessageIcon icon) override {
    messages.push_back({text, icon, lbl_file, label1, mnufile_enabled});
    log.push_back("ShowMessage(" + text + ")");
  }
  bool AskYesNo(const std::string& text) override {
    ++questions;
    log.push_back("AskYesNo(" + text + ")");
    if (while_asking) {
      std::exchange(while_asking, {})();
    }
    if (yes_no_answers.empty()) {
      return false;
    }
    const bool yes = yes_no_answers.front();
    yes_no_answers.pop_front();
    return yes;
  }
  std::optional<EdfSettings> ShowEdfDialog(const EdfSettings& settings) override {
    edf_dialogs.push_back(settings);
    if (edf_answers.empty()) {
      return std::nullopt;
    }
    auto answer = edf_answers.front();
    edf_answers.pop_front();
    return answer;
  }
  void ShowProgress(bool visible) override {
    progress_visible = visible;
    log.push_back(std::string("ShowProgress(") + (visible ? "true" : "false") + ")");
  }
  void SetProgress(int percent) override { progress.push_back(percent); }
  void CloseWindow() override {
    closed = true;
    log.push_back("CloseWindow()");
  }
  void RunInBackground(std::function<void()> work) override { work_ = std::move(work); }
  void PostToWindow(std::function<void()> task) override {
    const std::lock_guard<std::mutex> lock(mutex_);
    posted_.push_back(std::move(task));
  }
  void ShowTraceWindow(const TraceSubject& subject) override {
    trace_windows_shown.push_back(subject);
  }
  void UpdateTraceWindow(const TraceSubject& subject, bool reread) override {
    trace_updates.push_back(subject);
    if (reread) {
      trace_rereads.push_back(subject);
    }
  }
  void BringToTop() override {
    ++brought_to_top;
    log.push_back("BringToTop()");
  }
  std::filesystem::path ProgramFolder() const override { return program_folder; }
  bool IsInstalledCopy() const override { return installed_copy; }
  std::filesystem::path DocumentsFolder() const override { return documents_folder; }
  bool ShowFolder(const std::filesystem::path& folder) override {
    shown_folders.push_back(folder);
    log.push_back("ShowFolder(" + folder.string() + ")");
    return show_folder_works;
  }
  std::string DecimalSeparator() const override { return decimal_separator; }

 private:
  std::function<void()> work_;
  std::mutex mutex_;
  std::deque<std::function<void()>> posted_;
};

}  // namespace velbrix::testing

#endif  // VELBRIX_WINDOW_FAKE_FRM_FLE_VIEW_H_
