// The window's fonts: faces by name, with free look-alikes standing in for missing ones.
#ifndef VELBRIX_WINDOW_QT_FONTS_H_
#define VELBRIX_WINDOW_QT_FONTS_H_

#include <QFont>

#include "window/converter/frm_fle_layout.h"

namespace velbrix {

// Registers the stand-ins of layout::kStandIns for "Garamond" and "Book Antiqua" where the original
// face is not installed. Call once, after the
// QApplication exists and before the window is created.
void RegisterFontSubstitutes();

// The font `font`; its face is asked for by name, so a registered look-alike stands in for it.
QFont MakeFont(const layout::Font& font);

}  // namespace velbrix

#endif  // VELBRIX_WINDOW_QT_FONTS_H_
