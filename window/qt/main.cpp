// velbrix: the converter's window.
#include <QApplication>

#include "window/qt/fonts.h"
#include "window/qt/frm_fle_window.h"
#include "window/qt/qt_desktop.h"

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  // The desktop entry that an installed copy comes with: its name and icon for the window.
  QGuiApplication::setDesktopFileName(QStringLiteral("org.velbrix.Velbrix"));
  velbrix::RegisterFontSubstitutes();
  velbrix::QtDesktop desktop;
  velbrix::FrmFleWindow window(desktop);
  desktop.SetOwner(&window);
  window.show();
  return app.exec();
}
