// The Export dialog's entries in the registry.
#include "window/win32/export_registry.h"

#include <windows.h>

#include <string_view>
#include <utility>
#include <vector>

#include "window/win32/text.h"

namespace velbrix::win32 {
namespace {

// An open registry key, closed with the object.
class RegistryKey {
 public:
  RegistryKey() = default;
  ~RegistryKey() {
    if (key_ != nullptr) {
      ::RegCloseKey(key_);
    }
  }
  RegistryKey(const RegistryKey&) = delete;
  RegistryKey& operator=(const RegistryKey&) = delete;

  HKEY get() const { return key_; }
  HKEY* out() { return &key_; }

 private:
  HKEY key_ = nullptr;
};

// The string value `name` of `key`, or nothing when it is missing or not a string.
std::optional<std::string> StringValue(HKEY key, std::string_view name) {
  const std::wstring wide_name = Widen(name);
  std::vector<wchar_t> buffer(64);
  for (;;) {
    DWORD bytes = static_cast<DWORD>(buffer.size() * sizeof(wchar_t));
    const LSTATUS status = ::RegGetValueW(key, nullptr, wide_name.c_str(), RRF_RT_REG_SZ, nullptr,
                                          buffer.data(), &bytes);
    if (status == ERROR_MORE_DATA) {
      buffer.resize(bytes / sizeof(wchar_t) + 1);  // the value grew or is longer: again
      continue;
    }
    if (status != ERROR_SUCCESS) {
      return std::nullopt;
    }
    // `bytes` counts the terminating NUL, which RegGetValueW guarantees.
    const std::size_t length = bytes / sizeof(wchar_t);
    return Narrow(std::wstring_view(buffer.data(), length > 0 ? length - 1 : 0));
  }
}

}  // namespace

std::optional<ExportSettings> ReadExportSettings(const std::wstring& subkey) {
  RegistryKey key;
  if (::RegOpenKeyExW(HKEY_CURRENT_USER, subkey.c_str(), 0, KEY_QUERY_VALUE, key.out()) !=
      ERROR_SUCCESS) {
    return std::nullopt;
  }
  return FromRememberedEntries(
      [&key](std::string_view name) { return StringValue(key.get(), name); });
}

bool WriteExportSettings(const std::wstring& subkey, const ExportSettings& settings) {
  RegistryKey key;
  if (::RegCreateKeyExW(HKEY_CURRENT_USER, subkey.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_SET_VALUE, nullptr, key.out(), nullptr) != ERROR_SUCCESS) {
    return false;
  }
  for (const auto& [name, value] : RememberedEntries(settings)) {
    const std::wstring wide = Widen(value);
    const DWORD bytes = static_cast<DWORD>((wide.size() + 1) * sizeof(wchar_t));
    if (::RegSetValueExW(key.get(), Widen(name).c_str(), 0, REG_SZ,
                         reinterpret_cast<const BYTE*>(wide.c_str()), bytes) != ERROR_SUCCESS) {
      return false;
    }
  }
  return true;
}

}  // namespace velbrix::win32
