// velbrix.exe: the converter window on Windows.
#include <windows.h>

#include <exception>

#include "window/win32/frm_fle_window.h"
#include "window/win32/message_loop.h"
#include "window/win32/system_desktop.h"
#include "window/win32/text.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int show_command) {
  try {
    velbrix::win32::SystemDesktop desktop;
    velbrix::win32::FrmFleWindow window(desktop);
    desktop.SetOwner(window.hwnd());
    window.Show(show_command);
    return velbrix::win32::RunMessageLoop(window.hwnd());
  } catch (const std::exception& error) {
    ::MessageBoxW(nullptr, velbrix::win32::Widen(error.what()).c_str(), L"Velbrix",
                  MB_OK | MB_ICONERROR);
    return 1;
  }
}
