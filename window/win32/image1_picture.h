// The picture that Image1 shows, the drawing of window/art/image1_trace.h, recorded once as an
// enhanced metafile with a frame of 600 x 707 twips and a transparent ground.
#ifndef VELBRIX_WINDOW_WIN32_IMAGE1_PICTURE_H_
#define VELBRIX_WINDOW_WIN32_IMAGE1_PICTURE_H_

#include <windows.h>

namespace velbrix::win32 {

class Image1Picture {
 public:
  // Records the metafile. If the system cannot, the picture draws nothing.
  Image1Picture();
  ~Image1Picture();
  Image1Picture(const Image1Picture&) = delete;
  Image1Picture& operator=(const Image1Picture&) = delete;

  // Draws the picture at its natural size, not stretched, with its top-left corner at (x, y) of
  // `dc`, a device of `dpi_x` by `dpi_y` pixels per inch.
  void Draw(HDC dc, int x, int y, int dpi_x, int dpi_y) const;

  HENHMETAFILE metafile() const { return metafile_; }

 private:
  HENHMETAFILE metafile_ = nullptr;
};

}  // namespace velbrix::win32

#endif  // VELBRIX_WINDOW_WIN32_IMAGE1_PICTURE_H_
