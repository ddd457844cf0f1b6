// The registering of the program's window classes, and the error thrown when the system will not
// register a class or make a window.
#ifndef VELBRIX_WINDOW_WIN32_WINDOW_CLASS_H_
#define VELBRIX_WINDOW_WIN32_WINDOW_CLASS_H_

#include <windows.h>

namespace velbrix::win32 {

// Registers `window_class` unless a class of its name is registered already (by an earlier window
// of the program); false when the system refuses it.
bool RegisterClassOnce(const WNDCLASSEXW& window_class);

// The class `name` of a top-level window of the program, handled by `procedure`: the program's own
// icon (the system's for a program without the resource, such as a test), the arrow cursor and
// the system's colour for dialog surfaces.
WNDCLASSEXW TopLevelClass(HINSTANCE instance, const wchar_t* name, WNDPROC procedure);

// Throws std::system_error with the calling thread's last error, described by `what`.
[[noreturn]] void ThrowLastError(const char* what);

}  // namespace velbrix::win32

#endif  // VELBRIX_WINDOW_WIN32_WINDOW_CLASS_H_
