// velbrix: the converter's window.
#include <QApplication>

#include "window/qt/fonts.h"
#include "window/qt/frm_fle_platform.h"
#include "window/qt/frm_fle_window.h"

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  velbrix::RegisterFontSubstitutes();
  velbrix::QtFrmFlePlatform platform;
  velbrix::FrmFleWindow window(platform);
  window.show();
  return app.exec();
}
