// The converter window's layout in Win32 terms: pixel rectangles, COLORREFs and the identifiers of
// the controls and the menu item. The places, fonts, colours and texts themselves are in
// window/converter/frm_fle_layout.h.
#ifndef VELBRIX_WINDOW_WIN32_FRM_FLE_LAYOUT_H_
#define VELBRIX_WINDOW_WIN32_FRM_FLE_LAYOUT_H_

#include <windows.h>

#include "window/converter/frm_fle_layout.h"

namespace velbrix::win32 {

// The pixel rectangle of `rect`; its edges are mapped, not its size, so that neighbours that
// touch in twips touch in pixels.
constexpr RECT PixelRect(const layout::TwipsRect& rect, int dpi_x, int dpi_y) {
  return RECT{layout::TwipsToPixels(rect.left, dpi_x), layout::TwipsToPixels(rect.top, dpi_y),
              layout::TwipsToPixels(rect.left + rect.width, dpi_x),
              layout::TwipsToPixels(rect.top + rect.height, dpi_y)};
}

constexpr COLORREF ColorRef(const layout::Rgb& rgb) {
  return RGB(rgb.red, rgb.green, rgb.blue);
}

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
  kIdProgress,
  kIdMnuOpen = 200,
  kIdMnuExport,
  kIdMnuTraces,
  kIdMnuFolder,
};
static_assert(kIdFraCh > IDCANCEL && kIdMnuOpen > IDCANCEL);

}  // namespace velbrix::win32

#endif  // VELBRIX_WINDOW_WIN32_FRM_FLE_LAYOUT_H_
