// What the converter window asks of the system beyond its own controls: the open dialog, the
// message box, the program's folder and whether it was installed, the documents folder, Explorer
// and the user's decimal separator. The window reaches them only through this seam, so that tests
// can answer the modal dialogs and choose the folders.
#ifndef VELBRIX_WINDOW_WIN32_PLATFORM_H_
#define VELBRIX_WINDOW_WIN32_PLATFORM_H_

#include <windows.h>

#include <filesystem>
#include <optional>
#include <string>

#include "window/frm_fle_view.h"

namespace velbrix::win32 {

class Platform {
 public:
  virtual ~Platform() = default;

  // Shows the system's open dialog modally over `owner` with `filter` (parts ending in NUL, the
  // whole in a second NUL; see OpenDialogFilter) and no title, folder, extension or file name of
  // its own. Returns the full path of the chosen file, or nothing when the dialog was closed
  // without a choice or failed.
  virtual std::optional<std::filesystem::path> ShowOpenDialog(HWND owner,
                                                              const std::wstring& filter) = 0;
  // Shows `text` in a modal message box over `owner` captioned "Velbrix" with one OK button and
  // the icon `icon`; returns when it is dismissed.
  virtual void ShowMessageBox(HWND owner, const std::wstring& text, MessageIcon icon) = 0;
  // The folder of the running program, without a trailing separator unless it is a root.
  virtual std::filesystem::path ProgramFolder() const = 0;
  // Whether the running program was installed (see HasUninstaller).
  virtual bool IsInstalledCopy() const = 0;
  // The user's Documents folder, or an empty path where the system names none.
  virtual std::filesystem::path DocumentsFolder() const = 0;
  // Shows `folder` in Explorer, or whatever opens folders; false when nothing could.
  virtual bool ShowFolder(HWND owner, const std::filesystem::path& folder) = 0;
  // The decimal separator of the user's regional settings, or "." where none can be read.
  virtual std::wstring DecimalSeparator() const = 0;
};

// The system's own dialogs and settings.
class SystemPlatform : public Platform {
 public:
  std::optional<std::filesystem::path> ShowOpenDialog(HWND owner,
                                                      const std::wstring& filter) override;
  void ShowMessageBox(HWND owner, const std::wstring& text, MessageIcon icon) override;
  std::filesystem::path ProgramFolder() const override;
  bool IsInstalledCopy() const override;
  std::filesystem::path DocumentsFolder() const override;
  bool ShowFolder(HWND owner, const std::filesystem::path& folder) override;
  std::wstring DecimalSeparator() const override;
};

// The full path of the module `module` (nullptr: the program), of any length.
std::filesystem::path ModulePath(HMODULE module);

// The setup program's uninstaller, which it puts beside the programs and which marks them as
// installed: a portable copy (an unzipped folder, a build) has none.
inline constexpr wchar_t kUninstallerName[] = L"uninstall.exe";
// Whether the program in `program_folder` was installed by the setup program.
bool HasUninstaller(const std::filesystem::path& program_folder);

}  // namespace velbrix::win32

#endif  // VELBRIX_WINDOW_WIN32_PLATFORM_H_
