// The passive view of the converter window: what the controller may show or ask, and nothing
// else. Implemented by the real windows (window/qt, window/win32) and by the tests' fake.
//
// Controls only: what the controller asks of the desktop (dialogs, folders, settings) is the
// Desktop's (desktop.h), and its background work the BackgroundRunner's (background_runner.h).
//
// Every operation only shows or reads; none of them raises an event or calls back into the
// controller. In particular
// SelectOptch and SelectLstCh set the selection silently: running the click handler that a
// selection from code implies is the controller's job (FrmFle), so that the rule holds for every
// view alike. Only a user's own action on a control is reported, by the view calling the
// controller's handler of that event (FrmFle::optch_Click and so on).
//
// Texts are UTF-8. No operation fails: a view shows what it can.
#ifndef VELBRIX_WINDOW_CONVERTER_FRM_FLE_VIEW_H_
#define VELBRIX_WINDOW_CONVERTER_FRM_FLE_VIEW_H_

#include <string>

#include "window/trace/trace_subject.h"

namespace velbrix {

// The File menu's items after Open and a separator, in their order on the menu.
enum class MenuItem { kExport, kViewTraces, kOpenOutputFolder };

// How ShowTraceWindow treats the trace window: kOpen opens it (or brings it forward) and shows the
// subject read afresh; kUpdate and kReread show the subject in the open window, read afresh with
// kReread or when it is another recording.
enum class TraceShow { kOpen, kUpdate, kReread };

class FrmFleView {
 public:
  virtual ~FrmFleView() = default;

  // The labels. SetLabel1Caption leaves the new text painted on the screen before it returns, so
  // that the converting state shows before a run begins.
  // LblFile's own text, in its font at its place: a text too long for it is cut off.
  virtual void SetLblFileCaption(const std::string& text) = 0;
  // A notice in LblFile during a run (the frame hidden), shown whole: the label takes the room down
  // to Label1 and, where its font would still leave some of it out, a smaller one. The next
  // SetLblFileCaption puts the label back.
  virtual void SetLblFileNotice(const std::string& text) = 0;
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

  // The progress bar under Label1, hidden at start: how much of the recording a run has read.
  virtual void ShowProgress(bool visible) = 0;
  virtual void SetProgress(int percent) = 0;  // 0 .. 100

  // Closes the window, which ends the program.
  virtual void CloseWindow() = 0;

  // The trace window: whether it is open (shown), and showing `subject` in it (see TraceShow). It
  // returns at once: the main window stays usable.
  virtual bool IsTraceWindowOpen() const = 0;
  virtual void ShowTraceWindow(const TraceSubject& subject, TraceShow how) = 0;

  // Brings the window to the top of the others.
  virtual void BringToTop() = 0;
};

}  // namespace velbrix

#endif  // VELBRIX_WINDOW_CONVERTER_FRM_FLE_VIEW_H_
