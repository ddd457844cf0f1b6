// A hand-written view for the controller's tests: it keeps what each control shows, records every
// operation in order, and answers the open dialog and the platform questions from its fields.
#ifndef VELBRIX_WINDOW_FAKE_FRM_FLE_VIEW_H_
#define VELBRIX_WINDOW_FAKE_FRM_FLE_VIEW_H_

#include <deque>
#include <map>
#include <optional>
#include <string>
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
  int brought_to_top = 0;
  std::vector<TraceSubject> trace_windows_shown;  // by ShowTraceWindow
  std::vector<TraceSubject> trace_updates;        // by UpdateTraceWindow
  // Every operation, in order, as "Name(argument)".
  std::vector<std::string> log;

  // The answers.
  std::deque<std::optional<std::filesystem::path>> dialog_answers;  // nothing: cancelled
  std::filesystem::path program_folder = "/opt/velbrix";
  bool installed_copy = false;
  std::filesystem::path documents_folder;
  bool show_folder_works = true;
  std::string decimal_separator = ".";
  std::vector<std::filesystem::path> shown_folders;  // one per ShowFolder

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
  void ShowTraceWindow(const TraceSubject& subject) override {
    trace_windows_shown.push_back(subject);
  }
  void UpdateTraceWindow(const TraceSubject& subject) override { trace_updates.push_back(subject); }
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
};

}  // namespace velbrix::testing

#endif  // VELBRIX_WINDOW_FAKE_FRM_FLE_VIEW_H_
