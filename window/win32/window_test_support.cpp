// Helpers for driving the real converter window in tests.
#include "window/win32/window_test_support.h"

#include <commctrl.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "window/testing/next_answer.h"
#include "window/win32/text.h"

namespace velbrix::win32::testing {

using velbrix::testing::NextAnswer;
namespace {

constexpr UINT_PTR kSubclassId = 1;
constexpr UINT_PTR kMenuTimeoutTimer = 0x7E57;
constexpr UINT kMenuTimeoutMs = 5000;

LPARAM KeyLParam(UINT virtual_key, bool up, bool alt) {
  const UINT scan = ::MapVirtualKeyW(virtual_key, MAPVK_VK_TO_VSC);
  LPARAM lparam = 1 | static_cast<LPARAM>(scan) << 16;
  if (alt) {
    lparam |= LPARAM{1} << 29;  // the context code: Alt is down
  }
  if (up) {
    lparam |= LPARAM{3} << 30;  // previous state down, transition up
  }
  return lparam;
}

HWND KeyTarget(HWND window) {
  HWND focus = ::GetFocus();
  return focus != nullptr ? focus : window;
}

}  // namespace

std::optional<std::filesystem::path> ScriptedDesktop::ChooseFileToOpen(
    const std::vector<FileFilter>& filters) {
  dialog_filters.push_back(OpenDialogFilter(filters));
  return NextAnswer(dialog_answers, std::optional<std::filesystem::path>());
}

void ScriptedDesktop::ShowMessage(const std::string& text, MessageIcon icon) {
  messages.push_back({Widen(text), icon});
}

bool ScriptedDesktop::AskYesNo(const std::string& text) {
  questions.push_back(Widen(text));
  return NextAnswer(yes_no_answers, false);
}

void DeleteTestSettings(const std::wstring& key) {
  ::RegDeleteTreeW(HKEY_CURRENT_USER, key.c_str());
  ::RegDeleteKeyW(HKEY_CURRENT_USER, kTestSettingsFolder);  // fails while other keys are in it
}

std::optional<ExportSettings> ScriptedDesktop::AskExportSettings(const ExportSettings& settings) {
  export_dialogs.push_back(settings);
  return NextAnswer(export_answers, std::optional<ExportSettings>());
}

std::string ScriptedDesktop::DecimalSeparator() const {
  if (on_decimal_separator) {
    on_decimal_separator();
  }
  return SystemDesktop::DecimalSeparator();
}

RECT RectInParent(HWND control) {
  RECT rect{};
  ::GetWindowRect(control, &rect);
  ::MapWindowPoints(HWND_DESKTOP, ::GetParent(control), reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

bool IsPainted(HWND control) {
  return !::GetUpdateRect(control, nullptr, FALSE);
}

std::vector<std::uint32_t> CapturePixels(HWND window, const RECT& rect, Area area) {
  const int width = rect.right - rect.left;
  const int height = rect.bottom - rect.top;
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // top-down
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP bitmap = ::CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HDC memory = ::CreateCompatibleDC(nullptr);
  HGDIOBJ old = ::SelectObject(memory, bitmap);
  HDC screen = area == Area::kClient ? ::GetDC(window) : ::GetWindowDC(window);
  ::BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY);
  ::ReleaseDC(window, screen);
  ::GdiFlush();
  const auto* first = static_cast<const std::uint32_t*>(bits);
  std::vector<std::uint32_t> pixels(
      first, first + static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
  ::SelectObject(memory, old);
  ::DeleteDC(memory);
  ::DeleteObject(bitmap);
  return pixels;
}

int CountPixels(HWND window, const RECT& rect, COLORREF colour, int tolerance, Area area) {
  int count = 0;
  for (const std::uint32_t p : CapturePixels(window, rect, area)) {
    const int red = static_cast<int>((p >> 16) & 0xFF);
    const int green = static_cast<int>((p >> 8) & 0xFF);
    const int blue = static_cast<int>(p & 0xFF);
    if (std::abs(red - GetRValue(colour)) <= tolerance &&
        std::abs(green - GetGValue(colour)) <= tolerance &&
        std::abs(blue - GetBValue(colour)) <= tolerance) {
      ++count;
    }
  }
  return count;
}

void SaveBitmap(const RgbImage& image, const std::filesystem::path& path) {
  const auto row = static_cast<std::size_t>((image.width * 3 + 3) / 4 * 4);
  BITMAPINFOHEADER info{};
  info.biSize = sizeof(info);
  info.biWidth = image.width;
  info.biHeight = -image.height;  // top-down
  info.biPlanes = 1;
  info.biBitCount = 24;
  info.biCompression = BI_RGB;
  BITMAPFILEHEADER file{};
  file.bfType = 0x4D42;  // "BM"
  file.bfOffBits = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER);
  file.bfSize = file.bfOffBits + static_cast<DWORD>(row * static_cast<std::size_t>(image.height));
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(&file), sizeof(file));
  out.write(reinterpret_cast<const char*>(&info), sizeof(info));
  std::string line(row, '\0');
  for (int y = 0; y < image.height; ++y) {
    for (int x = 0; x < image.width; ++x) {
      const std::size_t at = (static_cast<std::size_t>(y) * static_cast<std::size_t>(image.width) +
                              static_cast<std::size_t>(x)) *
                             3;
      for (std::size_t c = 0; c < 3; ++c) {  // blue, green, red
        line[static_cast<std::size_t>(x) * 3 + c] = static_cast<char>(image.pixels[at + 2 - c]);
      }
    }
    out.write(line.data(), static_cast<std::streamsize>(row));
  }
}

void SaveScreenshot(HWND window, const std::filesystem::path& path) {
  RECT outer{};
  ::GetWindowRect(window, &outer);
  RgbImage image;
  image.width = outer.right - outer.left;
  image.height = outer.bottom - outer.top;
  for (const std::uint32_t p :
       CapturePixels(window, {0, 0, image.width, image.height}, Area::kWindow)) {
    for (const int shift : {16, 8, 0}) {  // red, green, blue
      image.pixels.push_back(static_cast<std::uint8_t>((p >> shift) & 0xFF));
    }
  }
  SaveBitmap(image, path);
}

void PostKeyPress(HWND window, UINT virtual_key) {
  const HWND target = KeyTarget(window);
  ::PostMessageW(target, WM_KEYDOWN, virtual_key, KeyLParam(virtual_key, false, false));
  ::PostMessageW(target, WM_KEYUP, virtual_key, KeyLParam(virtual_key, true, false));
}

void PostClick(HWND control, const RECT& rect) {
  const LPARAM at = MAKELPARAM((rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2);
  ::PostMessageW(control, WM_LBUTTONDOWN, MK_LBUTTON, at);
  ::PostMessageW(control, WM_LBUTTONUP, 0, at);
}

MenuDriver::MenuDriver(HWND window) : window_(window) {
  ::SetWindowSubclass(window_, Subclass, kSubclassId, reinterpret_cast<DWORD_PTR>(this));
}

MenuDriver::~MenuDriver() {
  ::KillTimer(window_, kMenuTimeoutTimer);
  ::RemoveWindowSubclass(window_, Subclass, kSubclassId);
}

void MenuDriver::PressAlt(wchar_t letter) {
  const HWND target = KeyTarget(window_);
  const auto key = static_cast<UINT>(letter);
  ::PostMessageW(target, WM_SYSKEYDOWN, VK_MENU, KeyLParam(VK_MENU, false, true));
  ::PostMessageW(target, WM_SYSKEYDOWN, key, KeyLParam(key, false, true));
  ::PostMessageW(target, WM_SYSKEYUP, key, KeyLParam(key, true, true));
  ::PostMessageW(target, WM_KEYUP, VK_MENU, KeyLParam(VK_MENU, true, false));
}

void MenuDriver::ClickMenuBar(int position) {
  RECT item{};
  ::GetMenuItemRect(window_, ::GetMenu(window_), static_cast<UINT>(position), &item);
  const POINT at{(item.left + item.right) / 2, (item.top + item.bottom) / 2};
  ::PostMessageW(window_, WM_NCLBUTTONDOWN, HTMENU, MAKELPARAM(at.x, at.y));
}

LRESULT CALLBACK MenuDriver::Subclass(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam,
                                      UINT_PTR, DWORD_PTR self_data) {
  auto* self = reinterpret_cast<MenuDriver*>(self_data);
  switch (message) {
    case WM_ENTERMENULOOP:
      ++self->menu_loops;
      ::SetTimer(hwnd, kMenuTimeoutTimer, kMenuTimeoutMs, nullptr);
      break;
    case WM_EXITMENULOOP:
      ::KillTimer(hwnd, kMenuTimeoutTimer);
      break;
    case WM_INITMENUPOPUP:
      ++self->popups_opened;
      break;
    case WM_ENTERIDLE:
      if (wparam == MSGF_MENU) {
        while (!self->keys_for_menu.empty()) {
          const UINT key = self->keys_for_menu.front();
          self->keys_for_menu.pop_front();
          ::PostMessageW(hwnd, WM_KEYDOWN, key, KeyLParam(key, false, false));
          ::PostMessageW(hwnd, WM_KEYUP, key, KeyLParam(key, true, false));
        }
      }
      break;
    case WM_TIMER:
      if (wparam == kMenuTimeoutTimer) {
        ::KillTimer(hwnd, kMenuTimeoutTimer);
        ::EndMenu();
        return 0;
      }
      break;
    default:
      break;
  }
  return ::DefSubclassProc(hwnd, message, wparam, lparam);
}

}  // namespace velbrix::win32::testing
