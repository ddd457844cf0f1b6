// The program's window classes.
#include "window/win32/window_class.h"

#include <system_error>

namespace velbrix::win32 {
namespace {

constexpr int kIconResource = 1;  // velbrix.rc

}  // namespace

bool RegisterClassOnce(const WNDCLASSEXW& window_class) {
  return ::RegisterClassExW(&window_class) != 0 || ::GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

WNDCLASSEXW TopLevelClass(HINSTANCE instance, const wchar_t* name, WNDPROC procedure) {
  WNDCLASSEXW window_class{};
  window_class.cbSize = sizeof(window_class);
  window_class.lpfnWndProc = procedure;
  window_class.hInstance = instance;
  window_class.hIcon = ::LoadIconW(instance, MAKEINTRESOURCEW(kIconResource));
  if (window_class.hIcon == nullptr) {
    window_class.hIcon = ::LoadIconW(nullptr, IDI_APPLICATION);
  }
  window_class.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  window_class.lpszClassName = name;
  return window_class;
}

void ThrowLastError(const char* what) {
  throw std::system_error(static_cast<int>(::GetLastError()), std::system_category(), what);
}

}  // namespace velbrix::win32
