// The Export dialog's entries remembered for the user as string values (REG_SZ) of a registry key
// under HKEY_CURRENT_USER, one value for each name that RememberedEntries gives.
#ifndef VELBRIX_WINDOW_WIN32_EXPORT_REGISTRY_H_
#define VELBRIX_WINDOW_WIN32_EXPORT_REGISTRY_H_

#include <optional>
#include <string>

#include "window/export/export_settings.h"

namespace velbrix::win32 {

// The entries remembered under HKEY_CURRENT_USER\`subkey`, or nothing when the key does not exist
// or cannot be read. A value that is missing or not a string stays as in a default ExportSettings.
std::optional<ExportSettings> ReadExportSettings(const std::wstring& subkey);

// Remembers `settings` under HKEY_CURRENT_USER\`subkey`, creating the key where it is missing.
// False when the key cannot be created or a value cannot be written (values written before the
// failure stay).
bool WriteExportSettings(const std::wstring& subkey, const ExportSettings& settings);

}  // namespace velbrix::win32

#endif  // VELBRIX_WINDOW_WIN32_EXPORT_REGISTRY_H_
