// Helpers for the tests that drive the real converter window by messages: a desktop whose modal
// dialogs the test answers, a user's keys and clicks, and a driver for the menu.
#ifndef VELBRIX_WINDOW_WIN32_WINDOW_TEST_SUPPORT_H_
#define VELBRIX_WINDOW_WIN32_WINDOW_TEST_SUPPORT_H_

#include <windows.h>

#include <deque>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/formats/png_file.h"
#include "window/win32/system_desktop.h"

namespace velbrix::win32::testing {

// Where the tests' desktops remember the Export dialog's entries, under HKEY_CURRENT_USER, rather
// than the user's own key: each test's desktop its own key below kTestSettingsFolder.
inline constexpr wchar_t kTestSettingsFolder[] = L"Software\\Velbrix Tests";
// Deletes HKEY_CURRENT_USER\`key` with everything below it, then kTestSettingsFolder if that is
// left empty.
void DeleteTestSettings(const std::wstring& key);

// The system's desktop, except that the dialogs, the message box and the question are answered by
// the test, the folders and whether the copy was installed are the test's choice, and Explorer is
// not started. The decimal separator is the system's. The Export dialog's entries are remembered
// in the registry under kSettingsKey, which the desktop empties as it starts and deletes at its
// end.
class ScriptedDesktop : public SystemDesktop {
 public:
  static constexpr wchar_t kSettingsKey[] = L"Software\\Velbrix Tests\\Window";

  ScriptedDesktop() : SystemDesktop(kSettingsKey) { DeleteTestSettings(kSettingsKey); }
  ~ScriptedDesktop() override { DeleteTestSettings(kSettingsKey); }
  ScriptedDesktop(const ScriptedDesktop&) = delete;
  ScriptedDesktop& operator=(const ScriptedDesktop&) = delete;

  struct Message {
    std::wstring text;
    MessageIcon icon;
  };

  // The answers of the open dialog, one per showing; when none is left, it is cancelled.
  std::deque<std::optional<std::filesystem::path>> dialog_answers;
  std::deque<bool> yes_no_answers;                           // none left: No
  std::deque<std::optional<ExportSettings>> export_answers;  // none left: cancelled
  std::filesystem::path program_folder;
  bool installed = false;
  std::filesystem::path documents_folder;
  // Runs whenever the window asks for the decimal separator, which it does as a run starts.
  std::function<void()> on_decimal_separator;

  // What the window showed.
  std::vector<std::wstring>
      dialog_filters;  // one per showing of the open dialog, as the system gets it
  std::vector<Message> messages;
  std::vector<std::wstring> questions;
  std::vector<ExportSettings> export_dialogs;  // what each showing was filled in with
  std::vector<std::filesystem::path> shown_folders;

  std::optional<std::filesystem::path> ChooseFileToOpen(
      const std::vector<FileFilter>& filters) override;
  void ShowMessage(const std::string& text, MessageIcon icon) override;
  bool AskYesNo(const std::string& text) override;
  std::optional<ExportSettings> AskExportSettings(const ExportSettings& settings) override;
  std::filesystem::path ProgramFolder() const override { return program_folder; }
  bool IsInstalledCopy() const override { return installed; }
  std::filesystem::path DocumentsFolder() const override { return documents_folder; }
  bool ShowFolder(const std::filesystem::path& folder) override {
    shown_folders.push_back(folder);
    return true;
  }
  std::string DecimalSeparator() const override;
};

// The rectangle of `control` in its parent's client area, in pixels.
RECT RectInParent(HWND control);
// Whether `control` has no part waiting to be painted.
bool IsPainted(HWND control);
// How many pixels of `rect` show on the screen in a colour close to `colour`: no channel more than
// `tolerance` away. `rect` is in `window`'s client area, or with `Area::kWindow` relative to the
// window's top-left corner (to reach the caption and the menu bar).
enum class Area { kClient, kWindow };
int CountPixels(HWND window, const RECT& rect, COLORREF colour, int tolerance,
                Area area = Area::kClient);
// Writes what `window` shows on the screen, frame and all, as a BMP file.
void SaveScreenshot(HWND window, const std::filesystem::path& path);
// Writes `image` as a 24-bit BMP file at `path`.
void SaveBitmap(const RgbImage& image, const std::filesystem::path& path);

// A key pressed and released, as the keyboard delivers it to the focused window (or `window`
// when nothing has the focus); handled by the next PumpMessages.
void PostKeyPress(HWND window, UINT virtual_key);
// A click with the left mouse button at the centre of `rect`, in `control`'s client area.
void PostClick(HWND control, const RECT& rect);

// Drives the window's menu bar as a user does, and watches it. While it exists the window is
// subclassed. Each time the menu waits for input, it is given all the keys queued in
// `keys_for_menu` at once; a menu still open after a few seconds is closed, so that a failing
// test cannot hang.
class MenuDriver {
 public:
  explicit MenuDriver(HWND window);
  ~MenuDriver();
  MenuDriver(const MenuDriver&) = delete;
  MenuDriver& operator=(const MenuDriver&) = delete;

  // Alt held down while `letter` (an upper-case letter) is pressed; needs PumpMessages.
  void PressAlt(wchar_t letter);
  // A click on the menu bar's item at `position`; needs PumpMessages.
  void ClickMenuBar(int position);

  std::deque<UINT> keys_for_menu;
  int menu_loops = 0;     // times the menu was entered
  int popups_opened = 0;  // drop-down menus shown

 private:
  static LRESULT CALLBACK Subclass(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam,
                                   UINT_PTR id, DWORD_PTR self);
  HWND window_;
};

}  // namespace velbrix::win32::testing

#endif  // VELBRIX_WINDOW_WIN32_WINDOW_TEST_SUPPORT_H_
