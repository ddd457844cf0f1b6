// The fixed layout of the converter window: every control's place and size in twips, its font and
// its colours, and the identifiers of the controls and the menu item.
//
// Places are measured from the top-left corner of the control's container: the client area for
// controls on the window, the frame's outer top-left corner for the controls inside FraCh.
// A twip is 1/1440 inch, so 15 twips make one pixel at 96 dpi.
#ifndef VELBRIX_WINDOW_WIN32_FRM_FLE_LAYOUT_H_
#define VELBRIX_WINDOW_WIN32_FRM_FLE_LAYOUT_H_

#include <windows.h>

namespace velbrix::win32 {

struct TwipsRect {
  int left;
  int top;
  int width;
  int height;
};

inline constexpr int kTwipsPerInch = 1440;

// The pixels that `twips` make at `dpi` pixels per inch, rounded to the nearest (half away from
// zero), so that negative places map like positive ones.
constexpr int TwipsToPixels(int twips, int dpi) {
  const long long scaled = static_cast<long long>(twips) * dpi;
  const long long half = kTwipsPerInch / 2;
  return static_cast<int>(scaled >= 0 ? (scaled + half) / kTwipsPerInch
                                      : -((-scaled + half) / kTwipsPerInch));
}

// The pixel rectangle of `rect`; its edges are mapped, not its size, so that neighbours that
// touch in twips touch in pixels.
constexpr RECT PixelRect(const TwipsRect& rect, int dpi_x, int dpi_y) {
  return RECT{TwipsToPixels(rect.left, dpi_x), TwipsToPixels(rect.top, dpi_y),
              TwipsToPixels(rect.left + rect.width, dpi_x),
              TwipsToPixels(rect.top + rect.height, dpi_y)};
}

// The window.
inline constexpr wchar_t kCaption[] = L"Velbrix";
inline constexpr int kClientWidth = 5790;
inline constexpr int kClientHeight = 6915;
inline constexpr wchar_t kMnuFileCaption[] = L"&File";
inline constexpr wchar_t kMnuOpenCaption[] = L"&Open";

// On the window.
inline constexpr TwipsRect kLblFileRect{600, 375, 4305, 495};
inline constexpr TwipsRect kImage1Rect{5085, 90, 600, 705};
inline constexpr TwipsRect kFraChRect{255, 1005, 5130, 5385};
inline constexpr TwipsRect kLabel1Rect{300, 2205, 5010, 1590};
inline constexpr TwipsRect kLabel15Rect{-315, 6690, 7245, 300};
// Inside FraCh.
inline constexpr TwipsRect kOptchRect[2] = {{1065, 570, 1500, 375}, {3105, 570, 1500, 375}};
inline constexpr TwipsRect kLstChRect{690, 1455, 3735, 2895};
inline constexpr TwipsRect kCmdOkRect{1080, 4620, 1110, 315};
inline constexpr TwipsRect kCmdCancelRect{2730, 4620, 1110, 315};

// Texts that the controls start with.
inline constexpr wchar_t kFraChCaption[] = L"Channel Selection";
inline constexpr wchar_t kOptchCaption[2][10] = {L"Selection", L"All"};
inline constexpr wchar_t kCmdOkCaption[] = L"OK";
inline constexpr wchar_t kCmdCancelCaption[] = L"Cancel";
// The maker notice, the same in every window.
inline constexpr wchar_t kLabel15Text[] = L"Velbrix 1.0 \u00B7 made by the Velbrix developers";

// Fonts. Each names its face and the faces that stand in for it where it is not installed, in
// order of preference; where none is, the system picks a serif face.
struct FaceList {
  const wchar_t* names[3];
};
inline constexpr FaceList kBookAntiqua{
    {L"Book Antiqua", L"Palatino Linotype", L"TeX Gyre Pagella"}};
inline constexpr FaceList kGaramond{{L"Garamond", L"EB Garamond", L"EB Garamond 12"}};

struct FontSpec {
  FaceList faces;
  double points;
  int weight;  // FW_NORMAL or FW_BOLD
  bool italic = false;
  bool underline = false;
};
inline constexpr FontSpec kLblFileFont{kBookAntiqua, 11.25, FW_BOLD};
inline constexpr FontSpec kFraChFont{kGaramond, 12, FW_BOLD};  // also the option buttons
inline constexpr FontSpec kLstChFont{kBookAntiqua, 12, FW_BOLD};
inline constexpr FontSpec kCmdFont{kBookAntiqua, 9.75, FW_BOLD};
inline constexpr FontSpec kLabel1Font{kBookAntiqua, 27.75, FW_NORMAL, true, true};
inline constexpr FontSpec kLabel15Font{kBookAntiqua, 8.25, FW_BOLD};

// Text colours; every back colour is the system's dialog colour except Label15's.
inline constexpr COLORREF kLblFileColour = RGB(128, 0, 128);
inline constexpr COLORREF kFraChColour = RGB(0, 0, 192);
inline constexpr COLORREF kOptchColour = RGB(128, 0, 0);
inline constexpr COLORREF kLabel1Colour = RGB(0, 128, 0);
inline constexpr COLORREF kLabel15Colour = RGB(192, 0, 0);
inline constexpr COLORREF kLabel15BackColour = RGB(255, 255, 255);

// Control identifiers. None is IDOK or IDCANCEL, which the dialog keys Enter and Escape send.
enum ControlId : int {
  kIdFraCh = 100,
  kIdOptch0,
  kIdOptch1,
  kIdLstCh,
  kIdCmdOk,
  kIdCmdCancel,
  kIdFraChBorder,
  kIdLabel1,
  kIdLblFile,
  kIdLabel15,
  kIdImage1,
  kIdMnuOpen = 200,
};
static_assert(kIdFraCh > IDCANCEL && kIdMnuOpen > IDCANCEL);

}  // namespace velbrix::win32

#endif  // VELBRIX_WINDOW_WIN32_FRM_FLE_LAYOUT_H_
