// The window's fonts: created by face name and point size for the screen's DPI, owned, and deleted
// with their owner.
#ifndef VELBRIX_WINDOW_WIN32_FONTS_H_
#define VELBRIX_WINDOW_WIN32_FONTS_H_

#include <windows.h>

#include <string>

#include "window/converter/frm_fle_layout.h"

namespace velbrix::win32 {

// One GDI font, deleted on destruction. Move-only.
class Font {
 public:
  Font() = default;
  explicit Font(HFONT font) : font_(font) {}
  ~Font();
  Font(Font&& other) noexcept : font_(other.font_) { other.font_ = nullptr; }
  Font& operator=(Font&& other) noexcept;
  Font(const Font&) = delete;
  Font& operator=(const Font&) = delete;

  HFONT get() const { return font_; }

 private:
  HFONT font_ = nullptr;
};

// Whether a font family named `face` is installed.
bool IsFaceInstalled(const wchar_t* face);

// The face that the window uses for the layout's `face`: `face` itself if installed, else the first
// of its stand-ins (frm_fle_layout.h) that is, else `face`, for which the system's font mapper
// picks a similar serif face.
std::wstring ChooseFace(const char* face);

// The font `font` at `dpi` pixels per inch (its height is points * dpi / 72 pixels, rounded;
// bold is FW_BOLD, else FW_NORMAL). Returns an empty Font only when the system cannot create any
// font.
Font CreateLayoutFont(const layout::Font& font, int dpi);

}  // namespace velbrix::win32

#endif  // VELBRIX_WINDOW_WIN32_FONTS_H_
