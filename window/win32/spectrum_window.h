// The spectrum window on Win32, opened from the trace window (View > Spectrum): the channel
// choice, a canvas painting the controller's spectrum picture, and a status line. It carries out
// SpectrumView's operations and passes the user's actions on to the trace window's controller.
// Closing it only hides it. Moved to a monitor of another dpi, it lays out and paints itself for
// that dpi (WM_DPICHANGED).
#ifndef VELBRIX_WINDOW_WIN32_SPECTRUM_WINDOW_H_
#define VELBRIX_WINDOW_WIN32_SPECTRUM_WINDOW_H_

#include <windows.h>

#include <optional>

#include "window/trace/spectrum_view.h"
#include "window/trace/trace_controller.h"
#include "window/win32/trace_painter.h"

namespace velbrix::win32 {

class SpectrumWindow final : public SpectrumView {
 public:
  // Creates the window, hidden, with the parts in `font` at `dpi`. `controller` must outlive the
  // window. Throws std::system_error when the system cannot create it.
  SpectrumWindow(TraceController& controller, HFONT font, int dpi);
  ~SpectrumWindow() override;
  SpectrumWindow(const SpectrumWindow&) = delete;
  SpectrumWindow& operator=(const SpectrumWindow&) = delete;

  // Shows the window and tells the controller so.
  void Open();
  // Hides the window and tells the controller so.
  void Close();
  // The parts' font, which the caller keeps alive while the window uses it.
  void SetFont(HFONT font);

  HWND hwnd() const { return hwnd_; }
  HWND channel() const { return channel_; }
  HWND canvas() const { return canvas_; }
  HWND status() const { return status_; }

  // SpectrumView.
  void SetCaption(const std::string& text) override;
  void SetChannelChoices(const std::vector<std::string>& entries, int selected) override;
  void ShowPicture(const trace::TracePicture& picture) override;
  void SetStatusText(const std::string& text) override;

 private:
  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
  static LRESULT CALLBACK CanvasProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
  LRESULT HandleMessage(UINT message, WPARAM wparam, LPARAM lparam);
  LRESULT HandleCanvasMessage(UINT message, WPARAM wparam, LPARAM lparam);
  void Arrange();

  TraceController& controller_;
  int dpi_;
  std::optional<TracePainter> painter_;  // for dpi_
  HWND hwnd_ = nullptr;
  HWND label_ = nullptr;
  HWND channel_ = nullptr;
  HWND canvas_ = nullptr;
  HWND status_ = nullptr;
  const trace::TracePicture* picture_ = nullptr;
  bool open_ = false;
  bool tracking_mouse_ = false;
};

}  // namespace velbrix::win32

#endif  // VELBRIX_WINDOW_WIN32_SPECTRUM_WINDOW_H_
