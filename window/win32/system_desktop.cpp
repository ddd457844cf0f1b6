// The system's open dialog, message box, Export dialog, registry, folders, Explorer and decimal
// separator.
#include "window/win32/system_desktop.h"

#include <commdlg.h>
#include <knownfolders.h>
#include <objbase.h>
#include <shellapi.h>
#include <shlobj.h>

#include <system_error>
#include <vector>

#include "window/converter/frm_fle_layout.h"
#include "window/win32/export_dialog.h"
#include "window/win32/export_registry.h"
#include "window/win32/text.h"

namespace velbrix::win32 {
namespace {

// Long enough for any path the system allows ("\\?\" paths of up to 32,767 characters).
constexpr DWORD kPathBufferSize = 32768;

}  // namespace

std::wstring OpenDialogFilter(const std::vector<FileFilter>& filters) {
  std::wstring result;
  for (const FileFilter& filter : filters) {
    result += Widen(filter.name + " (" + filter.pattern + ")");
    result.push_back(L'\0');
    result += Widen(filter.pattern);
    result.push_back(L'\0');
  }
  result.push_back(L'\0');
  return result;
}

std::optional<std::filesystem::path> SystemDesktop::ChooseFileToOpen(
    const std::vector<FileFilter>& filters) {
  const std::wstring filter = OpenDialogFilter(filters);
  std::vector<wchar_t> file(kPathBufferSize, L'\0');
  OPENFILENAMEW dialog{};
  dialog.lStructSize = sizeof(dialog);
  dialog.hwndOwner = owner_;
  dialog.lpstrFilter = filters.empty() ? nullptr : filter.c_str();
  dialog.nFilterIndex = 1;
  dialog.lpstrFile = file.data();
  dialog.nMaxFile = kPathBufferSize;
  dialog.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
  if (!::GetOpenFileNameW(&dialog)) {
    return std::nullopt;  // closed without a choice (or CommDlgExtendedError() tells the failure)
  }
  return std::filesystem::path(file.data());
}

void SystemDesktop::ShowMessage(const std::string& text, MessageIcon icon) {
  const UINT icon_style = icon == MessageIcon::kWarning ? MB_ICONWARNING : MB_ICONINFORMATION;
  ::MessageBoxW(owner_, Widen(text).c_str(), Widen(layout::kCaption).c_str(), MB_OK | icon_style);
}

bool SystemDesktop::AskYesNo(const std::string& text) {
  return ::MessageBoxW(owner_, Widen(text).c_str(), Widen(layout::kCaption).c_str(),
                       MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) == IDYES;
}

std::optional<ExportSettings> SystemDesktop::AskExportSettings(const ExportSettings& settings) {
  return ShowExportDialog(owner_, settings);
}

std::optional<ExportSettings> SystemDesktop::LoadExportSettings() const {
  return ReadExportSettings(settings_key_);
}

void SystemDesktop::SaveExportSettings(const ExportSettings& settings) {
  WriteExportSettings(settings_key_, settings);  // quietly: the entries are only a convenience
}

std::filesystem::path SystemDesktop::ProgramFolder() const {
  return ModulePath(nullptr).parent_path();
}

bool SystemDesktop::IsInstalledCopy() const {
  return HasUninstaller(ProgramFolder());
}

std::filesystem::path SystemDesktop::DocumentsFolder() const {
  PWSTR folder = nullptr;
  std::filesystem::path documents;
  if (SUCCEEDED(::SHGetKnownFolderPath(FOLDERID_Documents, KF_FLAG_CREATE, nullptr, &folder))) {
    documents = folder;
  }
  ::CoTaskMemFree(folder);  // also when the call failed
  return documents;
}

bool SystemDesktop::ShowFolder(const std::filesystem::path& folder) {
  const auto result = reinterpret_cast<INT_PTR>(
      ::ShellExecuteW(owner_, L"open", folder.c_str(), nullptr, nullptr, SW_SHOWNORMAL));
  return result > 32;  // ShellExecuteW's way of telling success
}

std::string SystemDesktop::DecimalSeparator() const {
  wchar_t separator[16] = {};  // LOCALE_SDECIMAL holds at most 4 characters
  if (::GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, LOCALE_SDECIMAL, separator, 16) <= 1) {
    return ".";
  }
  return Narrow(separator);
}

std::filesystem::path ModulePath(HMODULE module) {
  std::vector<wchar_t> buffer(MAX_PATH);
  for (;;) {
    const DWORD size = static_cast<DWORD>(buffer.size());
    const DWORD length = ::GetModuleFileNameW(module, buffer.data(), size);
    if (length == 0) {
      return {};
    }
    if (length < size) {
      return std::filesystem::path(std::wstring(buffer.data(), length));
    }
    buffer.resize(buffer.size() * 2);  // truncated: try again with more room
  }
}

bool HasUninstaller(const std::filesystem::path& program_folder) {
  std::error_code error;
  return std::filesystem::is_regular_file(program_folder / kUninstallerName, error);
}

}  // namespace velbrix::win32
