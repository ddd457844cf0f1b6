// The message loop.
#include "window/win32/message_loop.h"

namespace velbrix::win32 {
namespace {

void Handle(HWND window, MSG& message) {
  // The dialog keys go to the top-level window that the message is for: the converter window, or
  // the trace window beside it.
  HWND top = message.hwnd != nullptr ? ::GetAncestor(message.hwnd, GA_ROOT) : nullptr;
  if (top == nullptr) {
    top = window;
  }
  // A hidden control takes no dialog keys. Wine's IsDialogMessage would even search forever for
  // an access key when a character reaches a control that was hidden meanwhile (Space on Cancel
  // hides the frame before the Space's WM_CHAR arrives).
  if (message.message == WM_SYSKEYDOWN && message.wParam >= 'A' && message.wParam <= 'Z' &&
      ::IsWindow(top) && ::SendMessageW(top, kWmAccessKey, message.wParam, 0) != 0) {
    return;
  }
  if (::IsWindow(top) && ::IsWindowVisible(message.hwnd) && ::IsDialogMessageW(top, &message)) {
    return;
  }
  ::TranslateMessage(&message);
  ::DispatchMessageW(&message);
}

}  // namespace

int RunMessageLoop(HWND window) {
  MSG message{};
  BOOL got = FALSE;
  while ((got = ::GetMessageW(&message, nullptr, 0, 0)) > 0) {
    Handle(window, message);
  }
  return got == 0 ? static_cast<int>(message.wParam) : 1;
}

void PumpMessages(HWND window) {
  MSG message{};
  while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message != WM_QUIT) {
      Handle(window, message);
    }
  }
}

}  // namespace velbrix::win32
