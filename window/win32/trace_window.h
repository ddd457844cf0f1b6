// The trace window on the Win32 API: a second, resizable, non-modal top-level window with the
// sample rate field, the choices of page length, amplitude, filters and montage, the canvas
// (painted through an off-screen bitmap by TracePainter), a scroll bar and a status line, laid out
// as window/trace/trace_window_layout.h says, and the menus File > Save Picture... and View >
// Spectrum. It carries out TraceView's operations and passes each user action to its
// TraceController. Like the converter window, it follows the dpi of the monitor it is on
// (WM_DPICHANGED), and Tab moves between its parts (with message_loop.h's loop).
//
// The Events menu (trace_window_layout.h gives its items and keys) passes the events' actions on to
// the controller; the label prompt and the Events list are modal dialogs (trace_event_dialogs.h),
// and closing the window with unsaved events asks first (Yes: save, No: discard, Cancel: stay).
//
// Closing the window only hides it and lets go of the recording; the controller, and with it the
// sample rate, stays for the next showing. The window belongs to no other window, so the
// converter window is never hidden behind it for good, and closing it never ends the program.
#ifndef VELBRIX_WINDOW_WIN32_TRACE_WINDOW_H_
#define VELBRIX_WINDOW_WIN32_TRACE_WINDOW_H_

#include <windows.h>

#include <array>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/formats/png_file.h"
#include "window/trace/trace_controller.h"
#include "window/trace/trace_subject.h"
#include "window/trace/trace_view.h"
#include "window/win32/fonts.h"
#include "window/win32/spectrum_window.h"
#include "window/win32/trace_painter.h"

namespace velbrix::win32 {

class TraceWindow final : public TraceView {
 public:
  struct Parts {
    HWND sample_rate = nullptr;  // EDIT
    HWND page_length = nullptr;  // COMBOBOX
    HWND amplitude = nullptr;    // COMBOBOX
    HWND canvas = nullptr;
    HWND scroll_bar = nullptr;
    HWND status = nullptr;        // STATIC
    std::array<HWND, 4> tools{};  // COMBOBOX, by TraceTool
  };

  // Creates the window, hidden. Throws std::system_error when the system cannot create it.
  // The "Sample rate" field takes `decimal_separator`, the user's own, as well as the full stop.
  explicit TraceWindow(const std::string& decimal_separator = ".");
  ~TraceWindow() override;
  TraceWindow(const TraceWindow&) = delete;
  TraceWindow& operator=(const TraceWindow&) = delete;

  // Shows `subject` (see TraceController::Show); does not show the window itself.
  void ShowSubject(const TraceSubject& subject, bool reread);

  HWND hwnd() const { return hwnd_; }
  const Parts& parts() const { return parts_; }
  const TraceController& controller() const { return controller_; }
  // The canvas as it is shown, at its size.
  RgbImage CanvasImage();
  // File > Save Picture... once a file is chosen: CanvasImage() to `path` as PNG.
  void SavePictureAs(const std::filesystem::path& path);
  // View > Spectrum, and the spectrum window once it has been opened.
  void OpenSpectrum();
  SpectrumWindow* spectrum_window() const { return spectrum_.get(); }

  // TraceView.
  void SetCaption(const std::string& text) override;
  void SetSampleRateText(const std::string& text) override;
  void SetPageChoices(const std::vector<std::string>& entries, int selected) override;
  void SetAmplitudeChoices(const std::vector<std::string>& entries, int selected) override;
  void SetScrollBar(int maximum, int page, int position) override;
  void ShowPicture(const trace::TracePicture& picture) override;
  void SetStatusText(const std::string& text) override;
  void SetTicking(bool on) override;
  void SetToolChoices(TraceTool tool, const std::vector<std::string>& entries,
                      int selected) override;
  void SetEventRows(const std::vector<EventRow>& rows, int selected) override;
  void AskEventLabel(const std::string& title, const std::string& label,
                     const std::vector<std::string>& offered) override;
  void AskUnsavedEvents(const std::string& question) override;
  void CloseWindow() override;
  // Events > Import Events... and Detect Events...: the dialog, whose events join the window's.
  void OpenImportEvents() override;
  void OpenMontageEditor() override;
  void OpenDetectEvents() override;
  // Events > Events List...: modal until closed.
  void OpenEventsList();

 private:
  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
  static LRESULT CALLBACK CanvasProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
  static LRESULT CALLBACK SampleRateProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
  LRESULT HandleMessage(UINT message, WPARAM wparam, LPARAM lparam);
  LRESULT HandleCanvasMessage(UINT message, WPARAM wparam, LPARAM lparam);

  void CreateParts();
  void Arrange();
  // Maps everything again at `dpi` (WM_DPICHANGED): the fonts, the painter, and the frame at
  // `place`, the system's suggestion.
  void ApplyDpi(int dpi, const RECT& place);
  // Arranges the parts again and widens the frame where the row of fields does not fit in it.
  void FitRow();
  // The field whose label has `letter` as its access key (either case), or null.
  HWND FieldOfAccessKey(wchar_t letter) const;
  // The frame's width for a client area `client_width` pixels wide.
  int FrameWidth(int client_width) const;
  void OnCommand(int id, int code);
  void OnScroll(int request);
  void SampleRateEntered();
  void AskAndSavePicture();
  void AskAndSaveEventsAs();
  // The events' keys on the canvas: whether `key` (a virtual key) was one.
  bool OnEventKey(WPARAM key);

  int dpi_ = 96;
  int row_width_ = 0;  // the row of fields with its margins, as last arranged
  Font control_font_;
  std::optional<TracePainter> painter_;  // for dpi_
  HWND hwnd_ = nullptr;
  Parts parts_;
  WNDPROC edit_proc_ = nullptr;  // the sample rate field's own procedure
  const trace::TracePicture* picture_ = nullptr;
  std::vector<EventRow> event_rows_;
  int event_selected_ = -1;
  HWND events_list_ = nullptr;  // while the Events list shows
  bool tracking_mouse_ = false;
  std::unique_ptr<SpectrumWindow> spectrum_;  // let go of before the controller
  TraceController controller_;
};

}  // namespace velbrix::win32

#endif  // VELBRIX_WINDOW_WIN32_TRACE_WINDOW_H_
