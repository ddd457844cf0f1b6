// Text at the border between the controller (UTF-8) and the Win32 API (UTF-16).
#ifndef VELBRIX_WINDOW_WIN32_TEXT_H_
#define VELBRIX_WINDOW_WIN32_TEXT_H_

#include <windows.h>

#include <string>
#include <string_view>

namespace velbrix::win32 {

// UTF-8 to UTF-16. A byte sequence that is not UTF-8 becomes U+FFFD.
std::wstring Widen(std::string_view utf8);
// UTF-16 to UTF-8. An unpaired surrogate becomes U+FFFD.
std::string Narrow(std::wstring_view utf16);

// The text of a window or control.
std::wstring WindowText(HWND window);

}  // namespace velbrix::win32

#endif  // VELBRIX_WINDOW_WIN32_TEXT_H_
