// The converter window FrmFle on Qt Widgets: every control at its fixed place, the view operations
// carried out on them, and each user event passed to the controller's handler of the same name.
//
// The window decides nothing itself: File > Open runs FrmFle::mnuopen_Click, a click on an option
// button optch_Click with its Index, a selection in the list LstCh_Click, and so on. The view
// operations only change what the controls show and never raise those events; user actions do
// (a click, the arrow keys within the option group, the keyboard in the list, Space on a button).
// Dialogs, message boxes, the folders and the file manager are the Desktop's that it is given,
// which it hands to the controller. Escape runs Form_Escape and closing the window asks
// Form_QueryUnload. A run's work goes to the controller's BackgroundRunner, whose posted tasks come
// back as queued calls on the window's thread.
//
// The controls carry their names as object names ("LblFile", "FraCh", "optch_0", "optch_1",
// "LstCh", "CmdOk", "CmdCancel", "Label1", "Label15", "Image1", "Progress"; the menu "mnufile"
// and its items "mnuopen", "mnuexport", "mnutraces" and "mnufolder"), so that tests can find them.
#ifndef VELBRIX_WINDOW_QT_FRM_FLE_WINDOW_H_
#define VELBRIX_WINDOW_QT_FRM_FLE_WINDOW_H_

#include <QMainWindow>
#include <array>
#include <memory>
#include <string>

#include "window/converter/background_runner.h"
#include "window/converter/desktop.h"
#include "window/converter/frm_fle.h"
#include "window/converter/frm_fle_view.h"
#include "window/qt/trace_window.h"

class QAction;
class QGroupBox;
class QLabel;
class QListWidget;
class QMenu;
class QProgressBar;
class QPushButton;
class QRadioButton;

namespace velbrix {

class FrmFleWindow final : public QMainWindow, public FrmFleView {
  Q_OBJECT

 public:
  // Creates the window with its controls in their start state and runs Form_Load; the window is
  // left hidden for the caller to show. `desktop` must outlive the window.
  explicit FrmFleWindow(Desktop& desktop, QWidget* parent = nullptr);
  // Stops a run still working, without a question, and waits for its work (Form_Unload).
  ~FrmFleWindow() override;
  FrmFleWindow(const FrmFleWindow&) = delete;
  FrmFleWindow& operator=(const FrmFleWindow&) = delete;

  const FrmFle& form() const { return form_; }
  // The trace window, once File > View Traces has opened it.
  TraceWindow* trace_window() const { return trace_window_.get(); }

  // FrmFleView.
  void SetLblFileCaption(const std::string& text) override;
  void SetLblFileNotice(const std::string& text) override;
  void SetLabel1Caption(const std::string& text) override;
  void ShowFraCh(bool visible) override;
  void EnableMnuFile(bool enabled) override;
  void EnableMenuItem(MenuItem item, bool enabled) override;
  void EnableLstCh(bool enabled) override;
  void AppendLstCh(const std::string& entry) override;
  void SelectLstCh(int index) override;
  std::string LstChText() const override;
  void SelectOptch(int index) override;
  void ShowProgress(bool visible) override;
  void SetProgress(int percent) override;
  void CloseWindow() override;
  bool IsTraceWindowOpen() const override;
  void ShowTraceWindow(const TraceSubject& subject, TraceShow how) override;
  void BringToTop() override;

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void CreateMenu();
  void CreateClientArea();
  void CreateLabels();
  void CreateFrame();
  void SetTabOrder();
  void ConnectEvents();

  QWidget* client_ = nullptr;
  QMenu* mnufile_ = nullptr;
  QAction* mnuopen_ = nullptr;
  QAction* mnuexport_ = nullptr;
  QAction* mnutraces_ = nullptr;
  QAction* mnufolder_ = nullptr;
  QLabel* LblFile_ = nullptr;
  QWidget* Image1_ = nullptr;
  QLabel* Label1_ = nullptr;
  QLabel* Label15_ = nullptr;
  QGroupBox* FraCh_ = nullptr;
  std::array<QRadioButton*, 2> optch_{};
  QListWidget* LstCh_ = nullptr;
  QPushButton* CmdOk_ = nullptr;
  QPushButton* CmdCancel_ = nullptr;
  QProgressBar* Progress_ = nullptr;
  Desktop& desktop_;  // the controller's; the trace window takes its decimal separator
  std::unique_ptr<TraceWindow> trace_window_;
  // A run's worker; its tasks come back as queued calls, dropped with the window's other events if
  // it is destroyed first.
  BackgroundRunner runner_{[this](BackgroundRunner::Task task) {
    QMetaObject::invokeMethod(this, std::move(task), Qt::QueuedConnection);
  }};
  FrmFle form_;
};

}  // namespace velbrix

#endif  // VELBRIX_WINDOW_QT_FRM_FLE_WINDOW_H_
