// velbrix: the converter's window.
#include <QApplication>

#include "window/qt/fonts.h"
#include "window/qt/frm_fle_platform.h"
#include "window/qt/frm_fle_window.h"

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  // The desktop entry that an installed copy comes with: its name and icon for the window.
  QGuiApplication::setDesktopFileName(QStringLiteral("org.velbrix.Velbrix"));
  velbrix::RegisterFontSubstitutes();
  velbrix::QtFrmFlePlatform platform;
  velbrix::FrmFleWindow window(platform);
  window.show();
  return app.exec();
}
