// The frame container's window class.
#include "window/win32/fra_ch_frame.h"

#include "window/win32/window_class.h"

namespace velbrix::win32 {
namespace {

constexpr wchar_t kClassName[] = L"VelbrixFraCh";

LRESULT CALLBACK FrameProc(HWND frame, UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_COMMAND:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORLISTBOX:
    case WM_DRAWITEM:
      return ::SendMessageW(::GetParent(frame), message, wparam, lparam);
    default:
      return ::DefWindowProcW(frame, message, wparam, lparam);
  }
}

bool RegisterFrameClass(HINSTANCE instance) {
  WNDCLASSEXW window_class{};
  window_class.cbSize = sizeof(window_class);
  window_class.lpfnWndProc = FrameProc;
  window_class.hInstance = instance;
  window_class.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  window_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  window_class.lpszClassName = kClassName;
  return RegisterClassOnce(window_class);
}

}  // namespace

HWND CreateFraChFrame(HWND parent, const RECT& rect, int id) {
  const HINSTANCE instance = ::GetModuleHandleW(nullptr);
  if (!RegisterFrameClass(instance)) {
    return nullptr;
  }
  // WS_EX_CONTROLPARENT lets the dialog keys (Tab, the arrows) reach the controls inside. No
  // WS_CLIPCHILDREN: the group box covers the whole container but paints only its border and
  // caption, so the container's own ground must be painted beneath it.
  return ::CreateWindowExW(WS_EX_CONTROLPARENT, kClassName, L"", WS_CHILD | WS_CLIPSIBLINGS,
                           rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top,
                           parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance,
                           nullptr);
}

}  // namespace velbrix::win32
