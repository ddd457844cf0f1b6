// A hand-written view for the controller's tests: it keeps what each control shows and records
// every operation in order. Its desktop is the FakeDesktop of fake_desktop.h, and its window thread
// the FakeWindowThread of fake_window_thread.h.
#ifndef VELBRIX_WINDOW_TESTING_FAKE_FRM_FLE_VIEW_H_
#define VELBRIX_WINDOW_TESTING_FAKE_FRM_FLE_VIEW_H_

#include <map>
#include <string>
#include <vector>

#include "window/converter/frm_fle_view.h"

namespace velbrix::testing {

class FakeFrmFleView : public FrmFleView {
 public:
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
  bool progress_visible = false;
  std::vector<int> progress;  // every SetProgress
  bool closed = false;
  int brought_to_top = 0;
  bool trace_window_open = false;
  std::vector<TraceSubject> trace_windows_shown;  // by ShowTraceWindow with kOpen
  std::vector<TraceSubject> trace_updates;        // by ShowTraceWindow with kUpdate or kReread
  std::vector<TraceSubject> trace_rereads;        // those of them to be read afresh
  // Every operation, in order, as "Name(argument)".
  std::vector<std::string> log;

  void SetLblFileCaption(const std::string& text) override {
    lbl_file = text;
    log.push_back("SetLblFileCaption(" + text + ")");
  }
  void SetLblFileNotice(const std::string& text) override {
    lbl_file = text;
    log.push_back("SetLblFileNotice(" + text + ")");
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
  void ShowProgress(bool visible) override {
    progress_visible = visible;
    log.push_back(std::string("ShowProgress(") + (visible ? "true" : "false") + ")");
  }
  void SetProgress(int percent) override { progress.push_back(percent); }
  void CloseWindow() override {
    closed = true;
    log.push_back("CloseWindow()");
  }
  bool IsTraceWindowOpen() const override { return trace_window_open; }
  void ShowTraceWindow(const TraceSubject& subject, TraceShow how) override {
    if (how == TraceShow::kOpen) {
      trace_window_open = true;
      trace_windows_shown.push_back(subject);
      return;
    }
    trace_updates.push_back(subject);
    if (how == TraceShow::kReread) {
      trace_rereads.push_back(subject);
    }
  }
  void BringToTop() override {
    ++brought_to_top;
    log.push_back("BringToTop()");
  }
};

}  // namespace velbrix::testing

#endif  // VELBRIX_WINDOW_TESTING_FAKE_FRM_FLE_VIEW_H_
