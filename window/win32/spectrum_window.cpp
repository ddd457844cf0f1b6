// The spectrum window's parts, messages and view operations.
#include "window/win32/spectrum_window.h"

#include <algorithm>

#include "window/trace/trace_window_layout.h"
#include "window/win32/text.h"
#include "window/win32/window_class.h"

namespace velbrix::win32 {
namespace {

constexpr wchar_t kClassName[] = L"VelbrixSpectrum";
constexpr wchar_t kCanvasClassName[] = L"VelbrixSpectrumCanvas";
constexpr int kIdChannel = 501;
constexpr int kMargin = 6;  // at 96 dpi
constexpr int kRowHeight = 22;
constexpr int kChoiceWidth = 160;

}  // namespace

SpectrumWindow::SpectrumWindow(TraceController& controller, HFONT font, int dpi)
    : controller_(controller), dpi_(dpi) {
  painter_.emplace(dpi_);
  const HINSTANCE instance = ::GetModuleHandleW(nullptr);
  WNDCLASSEXW canvas_class{};
  canvas_class.cbSize = sizeof(canvas_class);
  canvas_class.lpfnWndProc = CanvasProc;
  canvas_class.hInstance = instance;
  canvas_class.hCursor = ::LoadCursorW(nullptr, IDC_CROSS);
  canvas_class.lpszClassName = kCanvasClassName;
  if (!RegisterClassOnce(TopLevelClass(instance, kClassName, WindowProc)) ||
      !RegisterClassOnce(canvas_class)) {
    ThrowLastError("Cannot register the spectrum window's classes");
  }
  if (::CreateWindowExW(0, kClassName, L"Velbrix", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN,
                        CW_USEDEFAULT, CW_USEDEFAULT,
                        ::MulDiv(trace::kSpectrumStartWidth, dpi_, 96),
                        ::MulDiv(trace::kSpectrumStartHeight, dpi_, 96), nullptr, nullptr, instance,
                        this) == nullptr) {
    ThrowLastError("Cannot create the spectrum window");
  }
  const auto make = [&](DWORD ex_style, const wchar_t* window_class, const wchar_t* text,
                        DWORD style, int id, void* param) {
    HWND part = ::CreateWindowExW(ex_style, window_class, text, WS_CHILD | WS_VISIBLE | style, 0, 0,
                                  10, 10, hwnd_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                  instance, param);
    if (part == nullptr) {
      ThrowLastError("Cannot create a part of the spectrum window");
    }
    ::SendMessageW(part, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    return part;
  };
  label_ = make(0, L"STATIC", Widen(trace::kSpectrumChannelLabel).c_str(), SS_LEFT | SS_CENTERIMAGE,
                500, nullptr);
  channel_ =
      make(0, L"COMBOBOX", L"", WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST, kIdChannel, nullptr);
  canvas_ = make(0, kCanvasClassName, L"", 0, 502, this);
  status_ = make(WS_EX_STATICEDGE, L"STATIC", L"", SS_LEFTNOWORDWRAP | SS_NOPREFIX | SS_CENTERIMAGE,
                 503, nullptr);
  Arrange();
}

SpectrumWindow::~SpectrumWindow() {
  if (open_) {
    controller_.OnSpectrumClosed();
  }
  if (hwnd_ != nullptr) {
    ::SetWindowLongPtrW(canvas_, GWLP_USERDATA, 0);
    ::SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
    ::DestroyWindow(hwnd_);
  }
}

void SpectrumWindow::Open() {
  ::ShowWindow(hwnd_, SW_SHOWNORMAL);
  ::SetForegroundWindow(hwnd_);
  if (!open_) {
    open_ = true;
    RECT client{};
    ::GetClientRect(canvas_, &client);
    controller_.OnSpectrumResized(client.right, client.bottom);
    controller_.OnSpectrumOpened(*this);
  }
}

void SpectrumWindow::Close() {
  ::ShowWindow(hwnd_, SW_HIDE);
  if (open_) {
    open_ = false;
    picture_ = nullptr;
    controller_.OnSpectrumClosed();
  }
}

void SpectrumWindow::SetFont(HFONT font) {
  for (HWND part : {label_, channel_, status_}) {
    ::SendMessageW(part, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
  }
}

void SpectrumWindow::Arrange() {
  RECT client{};
  ::GetClientRect(hwnd_, &client);
  const auto px = [&](int value) { return ::MulDiv(value, dpi_, 96); };
  ::MoveWindow(label_, px(kMargin), px(kMargin), px(60), px(kRowHeight), TRUE);
  ::MoveWindow(channel_, px(kMargin + 64), px(kMargin), px(kChoiceWidth), px(300), TRUE);
  const int top = px(2 * kMargin + kRowHeight);
  const int width = std::max(0, static_cast<int>(client.right) - 2 * px(kMargin));
  const int status = px(kRowHeight);
  const int bottom = static_cast<int>(client.bottom) - px(kMargin);
  const int canvas = std::max(0, bottom - status - px(4) - top);
  ::MoveWindow(canvas_, px(kMargin), top, width, canvas, TRUE);
  ::MoveWindow(status_, px(kMargin), bottom - status, width, status, TRUE);
}

LRESULT CALLBACK SpectrumWindow::WindowProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_NCCREATE) {
    auto* self =
        static_cast<SpectrumWindow*>(reinterpret_cast<CREATESTRUCTW*>(lparam)->lpCreateParams);
    self->hwnd_ = hwnd;
    ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
  }
  auto* self = reinterpret_cast<SpectrumWindow*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (self == nullptr || self->canvas_ == nullptr) {
    return ::DefWindowProcW(hwnd, message, wparam, lparam);
  }
  return self->HandleMessage(message, wparam, lparam);
}

LRESULT SpectrumWindow::HandleMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_SIZE:
      Arrange();
      return 0;
    case WM_COMMAND:
      if (LOWORD(wparam) == kIdChannel && HIWORD(wparam) == CBN_SELCHANGE) {
        controller_.OnSpectrumChannelChosen(
            static_cast<int>(::SendMessageW(channel_, CB_GETCURSEL, 0, 0)));
      }
      return 0;
    case WM_CLOSE:
      Close();
      return 0;
    case WM_DPICHANGED: {
      dpi_ = HIWORD(wparam);
      painter_.reset();
      painter_.emplace(dpi_);
      // Moving the frame to the system's suggestion arranges the parts (WM_SIZE) for the new dpi.
      const RECT& place = *reinterpret_cast<const RECT*>(lparam);
      ::SetWindowPos(hwnd_, nullptr, place.left, place.top, place.right - place.left,
                     place.bottom - place.top, SWP_NOZORDER | SWP_NOACTIVATE);
      Arrange();  // also where the size stays
      ::InvalidateRect(canvas_, nullptr, FALSE);
      return 0;
    }
    default:
      return ::DefWindowProcW(hwnd_, message, wparam, lparam);
  }
}

LRESULT CALLBACK SpectrumWindow::CanvasProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_NCCREATE) {
    ::SetWindowLongPtrW(
        hwnd, GWLP_USERDATA,
        reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lparam)->lpCreateParams));
  }
  auto* self = reinterpret_cast<SpectrumWindow*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (self == nullptr || self->canvas_ != hwnd) {
    return message == WM_ERASEBKGND ? 1 : ::DefWindowProcW(hwnd, message, wparam, lparam);
  }
  return self->HandleCanvasMessage(message, wparam, lparam);
}

LRESULT SpectrumWindow::HandleCanvasMessage(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_ERASEBKGND:
      return 1;
    case WM_PAINT: {
      PAINTSTRUCT paint{};
      HDC dc = ::BeginPaint(canvas_, &paint);
      if (picture_ != nullptr) {
        painter_->Paint(dc, *picture_);
      } else {
        ::FillRect(dc, &paint.rcPaint, reinterpret_cast<HBRUSH>(::GetStockObject(WHITE_BRUSH)));
      }
      ::EndPaint(canvas_, &paint);
      return 0;
    }
    case WM_SIZE:
      controller_.OnSpectrumResized(LOWORD(lparam), HIWORD(lparam));
      return 0;
    case WM_MOUSEMOVE:
      if (!tracking_mouse_) {
        TRACKMOUSEEVENT track{sizeof(TRACKMOUSEEVENT), TME_LEAVE, canvas_, 0};
        tracking_mouse_ = ::TrackMouseEvent(&track) != FALSE;
      }
      controller_.OnSpectrumMouseMove(static_cast<short>(LOWORD(lparam)),
                                      static_cast<short>(HIWORD(lparam)));
      return 0;
    case WM_MOUSELEAVE:
      tracking_mouse_ = false;
      controller_.OnSpectrumMouseLeave();
      return 0;
    default:
      return ::DefWindowProcW(canvas_, message, wparam, lparam);
  }
}

void SpectrumWindow::SetCaption(const std::string& text) {
  ::SetWindowTextW(hwnd_, Widen(text).c_str());
}

void SpectrumWindow::SetChannelChoices(const std::vector<std::string>& entries, int selected) {
  bool same = ::SendMessageW(channel_, CB_GETCOUNT, 0, 0) == static_cast<LRESULT>(entries.size());
  for (std::size_t i = 0; same && i < entries.size(); ++i) {
    wchar_t text[64] = {};
    if (::SendMessageW(channel_, CB_GETLBTEXTLEN, i, 0) < 63) {
      ::SendMessageW(channel_, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
    }
    same = Widen(entries[i]) == text;
  }
  if (!same) {  // refilled only when they change, so that an open list stays open
    ::SendMessageW(channel_, CB_RESETCONTENT, 0, 0);
    for (const std::string& entry : entries) {
      ::SendMessageW(channel_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Widen(entry).c_str()));
    }
  }
  ::SendMessageW(channel_, CB_SETCURSEL, static_cast<WPARAM>(selected), 0);
}

void SpectrumWindow::ShowPicture(const trace::TracePicture& picture) {
  picture_ = &picture;
  ::InvalidateRect(canvas_, nullptr, FALSE);
}

void SpectrumWindow::SetStatusText(const std::string& text) {
  ::SetWindowTextW(status_, Widen(text).c_str());
}

}  // namespace velbrix::win32
