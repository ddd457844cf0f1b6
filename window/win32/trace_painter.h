// Painting the trace window's TracePicture with GDI, into an off-screen bitmap that is then copied
// to the window in one step, so that nothing flickers.
#ifndef VELBRIX_WINDOW_WIN32_TRACE_PAINTER_H_
#define VELBRIX_WINDOW_WIN32_TRACE_PAINTER_H_

#include <windows.h>

#include <array>
#include <vector>

#include "window/trace/trace_picture.h"
#include "window/win32/fonts.h"

namespace velbrix::win32 {

class TracePainter {
 public:
  // The canvas's fonts for `dpi` pixels per inch, its brushes and pens.
  explicit TracePainter(int dpi);
  ~TracePainter();
  TracePainter(const TracePainter&) = delete;
  TracePainter& operator=(const TracePainter&) = delete;

  // Paints `picture` onto `target`'s area (0, 0) .. (width, height) by way of the off-screen
  // bitmap, which is made anew when the size changes.
  void Paint(HDC target, const trace::TracePicture& picture);
  // Carries out `picture`'s steps on `dc` directly.
  void Draw(HDC dc, const trace::TracePicture& picture);

 private:
  static constexpr std::size_t kInks = static_cast<std::size_t>(trace::Ink::kPageFrame) + 1;

  HFONT FontFor(trace::TextStyle style) const;

  Font normal_;
  Font bold_;
  Font small_;
  std::array<HBRUSH, kInks> brushes_{};
  std::array<HPEN, kInks> pens_{};
  HDC memory_ = nullptr;
  HBITMAP bitmap_ = nullptr;
  HGDIOBJ old_bitmap_ = nullptr;
  int width_ = 0;
  int height_ = 0;
  std::vector<POINT> points_;
};

}  // namespace velbrix::win32

#endif  // VELBRIX_WINDOW_WIN32_TRACE_PAINTER_H_
