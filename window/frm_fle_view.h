// The passive view of the converter window: what the controller may show or ask, and nothing
// else. Implemented by the real windows (window/qt, window/win32) and by the tests' fake.
//
// Every operation only shows or reads; none of them raises an event or calls back into the
// controller, except that PostToWindow later runs the controller's own task. In particular
// SelectOptch and SelectLstCh set the selection silently: running the click handler that a
// selection from code implies is the controller's job (FrmFle), so that the rule holds for every
// view alike. Only a user's own action on a control is reported, by the view calling the
// controller's handler of that event (FrmFle::optch_Click and so on).
//
// Texts are UTF-8. No operation fails, except that ShowFolder says whether the desktop could show
// the folder: a view shows what it can.
#ifndef VELBRIX_WINDOW_FRM_FLE_VIEW_H_
#define VELBRIX_WINDOW_FRM_FLE_VIEW_H_

#include <filesystem>
#include <functional>
#include <optional>
#include <string>

#include "window/trace_subject.h"

namespace velbrix {

enum class MessageIcon { kInformation, kWarning };

// The File menu's items after Open and a separator, in their order on the menu.
enum class MenuItem { kExportEdf, kViewTraces, kOpenOutputFolder };

// What the EDF export's dialog asks for, as the user typed it.
struct EdfSettings {
  std::string sample_rate;  // in hertz: "256", "250.5"
  std::string start;        // "YYYY-MM-DD HH:MM:SS", or empty: unknown

  bool operator==(const EdfSettings&) const = default;
};

class FrmFleView {
 public:
  virtual ~FrmFleView() = default;

  // The labels. SetLabel1Caption leaves the new text painted on the screen before it returns, so
  // that the converting state shows before a run begins.
  virtual void SetLblFileCaption(const std::string& text) = 0;
  virtual void SetLabel1Caption(const std::string& text) = 0;

  // The frame FraCh with everything inside it; while shown it covers Label1.
  virtual void ShowFraCh(bool visible) = 0;
  // The File menu's title; disabled, neither it nor any of its items can be chosen.
  virtual void EnableMnuFile(bool enabled) = 0;
  // One of the File menu's items after Open; it can be chosen only while the menu is enabled too.
  virtual void EnableMenuItem(MenuItem item, bool enabled) = 0;

  // The channel list LstCh.
  virtual void EnableLstCh(bool enabled) = 0;
  virtual void AppendLstCh(const std::string& entry) = 0;
  virtual void SelectLstCh(int index) = 0;  // 0-based; silently
  // The text of the selected entry, or "" when none is selected.
  virtual std::string LstChText() const = 0;

  // Checks option button optch(Index) and clears the other one; silently.
  virtual void SelectOptch(int index) = 0;

  // The open dialog cdb: its filter in the form "Description|pattern", shown modally. Returns the
  // full path of the chosen file, or nothing when the user closed the dialog without a choice.
  virtual void SetCdbFilter(const std::string& filter) = 0;
  virtual std::optional<std::filesystem::path> ShowCdbOpen() = 0;

  // A modal message box with one OK button, captioned "Velbrix"; returns when dismissed.
  virtual void ShowMessage(const std::string& text, MessageIcon icon) = 0;
  // A modal question captioned "Velbrix" with the buttons Yes and No; true for Yes.
  virtual bool AskYesNo(const std::string& text) = 0;
  // The EDF export's modal dialog, filled in with `settings`. Returns what the user entered, or
  // nothing when the dialog was cancelled.
  virtual std::optional<EdfSettings> ShowEdfDialog(const EdfSettings& settings) = 0;

  // The progress bar under Label1, hidden at start: how much of the recording a run has read.
  virtual void ShowProgress(bool visible) = 0;
  virtual void SetProgress(int percent) = 0;  // 0 .. 100

  // Closes the window, which ends the program.
  virtual void CloseWindow() = 0;

  // The window's thread stays free for painting and for a request to stop while a run works.
  // RunInBackground runs `work` on a thread of its own and returns at once; the controller starts
  // no other work before this one has ended, and the view waits for the work to end before it is
  // destroyed. PostToWindow, safe from any thread, queues `task` to run on the window's thread in
  // the order posted, once that thread handles events again (also while a modal dialog or message
  // box is shown); tasks still queued when the window is destroyed do not run.
  virtual void RunInBackground(std::function<void()> work) = 0;
  virtual void PostToWindow(std::function<void()> task) = 0;

  // The trace window. ShowTraceWindow opens it, or brings it forward, showing `subject` read
  // afresh; UpdateTraceWindow shows `subject` in the trace window if it is open (read afresh when
  // `reread` is set or it is another recording) and otherwise does nothing. Either returns at once:
  // the main window stays usable.
  virtual void ShowTraceWindow(const TraceSubject& subject) = 0;
  virtual void UpdateTraceWindow(const TraceSubject& subject, bool reread) = 0;

  // Platform services.
  virtual void BringToTop() = 0;
  virtual std::filesystem::path ProgramFolder() const = 0;
  // Whether this copy of the program was installed (by the Debian package, the Windows setup or
  // `cmake --install`), rather than built or unpacked into a folder of its own.
  virtual bool IsInstalledCopy() const = 0;
  // The user's documents folder, or an empty path where the system names none.
  virtual std::filesystem::path DocumentsFolder() const = 0;
  // Shows the existing folder `folder` in the desktop's file manager; false when it could not.
  virtual bool ShowFolder(const std::filesystem::path& folder) = 0;
  // The decimal separator of the user's regional settings ("." where none is set).
  virtual std::string DecimalSeparator() const = 0;
};

}  // namespace velbrix

#endif  // VELBRIX_WINDOW_FRM_FLE_VIEW_H_
