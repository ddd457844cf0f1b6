// Fonts by face and point size, with stand-ins for faces that are not installed.
#include "window/win32/fonts.h"

#include <cmath>
#include <cwchar>

#include "window/win32/frm_fle_layout.h"
#include "window/win32/text.h"

namespace velbrix::win32 {
namespace {

int CALLBACK StopAtFirstFace(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM found) {
  *reinterpret_cast<bool*>(found) = true;
  return 0;
}

}  // namespace

Font::~Font() {
  if (font_ != nullptr) {
    ::DeleteObject(font_);
  }
}

Font& Font::operator=(Font&& other) noexcept {
  if (this != &other) {
    if (font_ != nullptr) {
      ::DeleteObject(font_);
    }
    font_ = other.font_;
    other.font_ = nullptr;
  }
  return *this;
}

bool IsFaceInstalled(const wchar_t* face) {
  LOGFONTW wanted{};
  wanted.lfCharSet = DEFAULT_CHARSET;
  if (std::wcslen(face) >= LF_FACESIZE) {
    return false;
  }
  std::wcscpy(wanted.lfFaceName, face);
  bool found = false;
  HDC screen = ::GetDC(nullptr);
  ::EnumFontFamiliesExW(screen, &wanted, StopAtFirstFace, reinterpret_cast<LPARAM>(&found), 0);
  ::ReleaseDC(nullptr, screen);
  return found;
}

std::wstring ChooseFace(const char* face) {
  std::wstring named = Widen(face);
  if (IsFaceInstalled(named.c_str())) {
    return named;
  }
  for (const char* stand_in : layout::StandInsFor(face)) {
    std::wstring name = Widen(stand_in);
    if (IsFaceInstalled(name.c_str())) {
      return name;
    }
  }
  return named;
}

Font CreateLayoutFont(const layout::Font& font, int dpi) {
  const int height = -static_cast<int>(std::lround(font.points * dpi / 72.0));
  return Font(::CreateFontW(height, 0, 0, 0, font.bold ? FW_BOLD : FW_NORMAL,
                            font.italic ? TRUE : FALSE, font.underline ? TRUE : FALSE, FALSE,
                            DEFAULT_CHARSET, OUT_TT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                            VARIABLE_PITCH | FF_ROMAN, ChooseFace(font.face).c_str()));
}

}  // namespace velbrix::win32
