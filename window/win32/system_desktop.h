// The Desktop on the Win32 API: the system's open dialog, message boxes, the Export dialog and its
// entries in the registry, the program's folder and its uninstaller, the Documents folder, Explorer
// and the user's decimal separator.
#ifndef VELBRIX_WINDOW_WIN32_SYSTEM_DESKTOP_H_
#define VELBRIX_WINDOW_WIN32_SYSTEM_DESKTOP_H_

#include <windows.h>

#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "window/converter/desktop.h"
#include "window/win32/text.h"

namespace velbrix::win32 {

class SystemDesktop : public Desktop {
 public:
  // The Export dialog's entries are remembered under HKEY_CURRENT_USER\`settings_key`
  // (kSettingsRegistryKey; tests give their own).
  SystemDesktop() = default;
  explicit SystemDesktop(std::wstring settings_key) : settings_key_(std::move(settings_key)) {}

  // The window over which the dialogs are modal; none until set.
  void SetOwner(HWND owner) { owner_ = owner; }

  // Also nothing when the dialog failed (CommDlgExtendedError() tells why).
  std::optional<std::filesystem::path> ChooseFileToOpen(
      const std::vector<FileFilter>& filters) override;
  void ShowMessage(const std::string& text, MessageIcon icon) override;
  bool AskYesNo(const std::string& text) override;
  std::optional<ExportSettings> AskExportSettings(const ExportSettings& settings) override;
  // REG_SZ values under the settings key (export_registry.h).
  std::optional<ExportSettings> LoadExportSettings() const override;
  void SaveExportSettings(const ExportSettings& settings) override;
  // Without a trailing separator unless it is a root.
  std::filesystem::path ProgramFolder() const override;
  bool IsInstalledCopy() const override;
  std::filesystem::path DocumentsFolder() const override;
  // Explorer, or whatever opens folders.
  bool ShowFolder(const std::filesystem::path& folder) override;
  std::string DecimalSeparator() const override;

 protected:
  HWND owner() const { return owner_; }

 private:
  HWND owner_ = nullptr;
  std::wstring settings_key_ = Widen(kSettingsRegistryKey);
};

// The open dialog's filter for `filters`: each name with its pattern in brackets and the pattern,
// each part ending in a NUL and the whole in a second NUL ("All Files (*.*)\0*.*\0\0").
std::wstring OpenDialogFilter(const std::vector<FileFilter>& filters);

// The full path of the module `module` (nullptr: the program), of any length.
std::filesystem::path ModulePath(HMODULE module);

// The setup program's uninstaller, which it puts beside the programs and which marks them as
// installed: a portable copy (an unzipped folder, a build) has none.
inline constexpr wchar_t kUninstallerName[] = L"uninstall.exe";
// Whether the program in `program_folder` was installed by the setup program.
bool HasUninstaller(const std::filesystem::path& program_folder);

}  // namespace velbrix::win32

#endif  // VELBRIX_WINDOW_WIN32_SYSTEM_DESKTOP_H_
