// The converter window FrmFle on the Win32 API: real controls at the fixed places of
// window/converter/frm_fle_layout.h, the File menu, and the view operations of FrmFleView carried
// out on them.
//
// The window has no logic of its own. It routes each user event to the controller's handler of
// the same name (File > Open to mnuopen_Click, a click on an option button to optch_Click with its
// Index, a new selection in the list to LstCh_Click, the push buttons to CmdOk_Click and
// CmdCancel_Click), and its view operations change the controls silently. Enter and Escape press
// no button; Escape runs Form_Escape, and closing the window asks Form_QueryUnload. The dialogs,
// the message boxes, the folders, Explorer and the decimal separator are the Desktop's that it is
// given, which it hands to the controller.
//
// A run's work goes to the controller's BackgroundRunner; the tasks that the work posts wait in a
// queue of the window's and are run by its message loop (also inside a modal dialog's loop), so
// the window keeps answering during a run.
//
// Keyboard navigation (Tab, the arrow keys) needs the message loop of message_loop.h.
#ifndef VELBRIX_WINDOW_WIN32_FRM_FLE_WINDOW_H_
#define VELBRIX_WINDOW_WIN32_FRM_FLE_WINDOW_H_

#include <windows.h>

#include <array>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "window/converter/background_runner.h"
#include "window/converter/desktop.h"
#include "window/converter/frm_fle.h"
#include "window/converter/frm_fle_layout.h"
#include "window/converter/frm_fle_view.h"
#include "window/win32/fonts.h"
#include "window/win32/image1_picture.h"
#include "window/win32/trace_window.h"

namespace velbrix::win32 {

class FrmFleWindow final : public FrmFleView {
 public:
  // The window's controls and menu.
  struct Controls {
    HWND fra_ch = nullptr;         // the frame's container, which shows and hides with the frame
    HWND fra_ch_border = nullptr;  // the group box with the frame's caption
    std::array<HWND, 2> optch{};   // Index 0 "Selection", Index 1 "All"
    HWND lst_ch = nullptr;
    HWND cmd_ok = nullptr;
    HWND cmd_cancel = nullptr;
    HWND label1 = nullptr;
    HWND lbl_file = nullptr;
    HWND label15 = nullptr;
    HWND image1 = nullptr;
    HWND progress = nullptr;  // the progress bar of a run
    HMENU menu = nullptr;  // the menu bar; mnufile is its item 0, with the items of kIdMnuOpen ...
  };

  // Creates the window with its menu and controls in their start state and runs Form_Load; the
  // window stays hidden until Show. `desktop` must outlive the window. Throws std::system_error
  // when the system cannot create the window or a control.
  explicit FrmFleWindow(Desktop& desktop);
  // Stops a run still working, without a question, waits for its work (Form_Unload) and destroys
  // the window.
  ~FrmFleWindow() override;
  FrmFleWindow(const FrmFleWindow&) = delete;
  FrmFleWindow& operator=(const FrmFleWindow&) = delete;

  // Shows the window (`show_command` as for ShowWindow) and paints it.
  void Show(int show_command);

  // The window, or nullptr once it has been closed.
  HWND hwnd() const { return hwnd_; }
  const Controls& controls() const { return controls_; }
  const FrmFle& controller() const { return controller_; }
  // The trace window, once File > View Traces has opened it.
  TraceWindow* trace_window() const { return trace_window_.get(); }
  // The pixels per inch by which twips are mapped: those of the monitor that the window is on. When
  // the system moves it to a monitor of another dpi (WM_DPICHANGED), the window maps its client
  // area, its controls and its fonts again.
  int dpi_x() const { return dpi_x_; }
  int dpi_y() const { return dpi_y_; }

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

 private:
  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
  LRESULT HandleMessage(UINT message, WPARAM wparam, LPARAM lparam);

  void CreateFonts();
  void CreateMainWindow();
  void CreateFrameControls();
  void CreateWindowControls();
  // Maps everything again at `dpi_x`, `dpi_y`: new fonts, the controls at their places, and the
  // client area at its size, the window's top-left corner at `left`, `top`.
  void ApplyDpi(int dpi_x, int dpi_y, int left, int top);
  HWND CreateControl(HWND parent, DWORD ex_style, const wchar_t* window_class, const wchar_t* text,
                     DWORD style, const layout::TwipsRect& place, int id, const Font& font);

  void OnCommand(int id, int code, HWND control);
  LRESULT OnCtlColorStatic(HDC dc, HWND control);
  void OnDrawItem(const DRAWITEMSTRUCT& item);
  // The runner's primitive: queues `task` and tells the window's thread; safe from any thread.
  void PostTask(BackgroundRunner::Task task);
  void RunPostedTasks();

  int dpi_x_ = 96;
  int dpi_y_ = 96;
  Font lbl_file_font_;
  Font fra_ch_font_;
  Font lst_ch_font_;
  Font cmd_font_;
  Font label1_font_;
  Font label15_font_;
  Font notice_font_;             // LblFile's while it shows a notice
  std::string lbl_file_notice_;  // the notice LblFile shows, or empty
  Image1Picture image1_picture_;
  HWND hwnd_ = nullptr;
  HWND post_target_ = nullptr;  // hwnd_ as created, for other threads: it never changes
  Controls controls_;
  std::mutex tasks_mutex_;
  std::deque<std::function<void()>> tasks_;  // posted, not run yet
  Desktop& desktop_;  // the controller's; the trace window takes its decimal separator
  std::unique_ptr<TraceWindow> trace_window_;
  BackgroundRunner runner_{[this](BackgroundRunner::Task task) { PostTask(std::move(task)); }};
  FrmFle controller_;
};

}  // namespace velbrix::win32

#endif  // VELBRIX_WINDOW_WIN32_FRM_FLE_WINDOW_H_
