// Reading a lab table on Windows: through a handle that does not follow a reparse point, whose
// kind is checked before a byte is read. (The system's header is needed for that handle; the C
// runtime follows reparse points.)
#define WIN32_LEAN_AND_MEAN
#define NOMINMAX
#include <windows.h>

#include <algorithm>
#include <string>
#include <system_error>

#include "core/formats/lab_table_file.h"

namespace velbrix {
namespace {

namespace fs = std::filesystem;

// A handle closed on destruction.
class Handle {
 public:
  explicit Handle(HANDLE handle) : handle_(handle) {}
  ~Handle() {
    if (handle_ != INVALID_HANDLE_VALUE) {
      ::CloseHandle(handle_);
    }
  }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  HANDLE get() const { return handle_; }

 private:
  HANDLE handle_;
};

Status SystemFailure(const fs::path& path, DWORD error) {
  return Status::IoError(
      "Cannot read", path,
      std::error_code(static_cast<int>(error), std::system_category()).message());
}

}  // namespace

Status ReadLabTable(const fs::path& path, std::optional<LabTable>* table) {
  table->reset();
  // Backup semantics open a folder too, so that it is named as one.
  const Handle file(::CreateFileW(
      path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
      OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (file.get() == INVALID_HANDLE_VALUE) {
    const DWORD error = ::GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND
               ? Status::Ok()
               : SystemFailure(path, error);
  }
  switch (::GetFileType(file.get())) {
    case FILE_TYPE_DISK:
      break;
    case FILE_TYPE_PIPE:
      return LabTableOfWrongKind(path, "a pipe");
    case FILE_TYPE_CHAR:
      return LabTableOfWrongKind(path, "a device");
    default:
      return LabTableOfWrongKind(path, "not a regular file");
  }
  BY_HANDLE_FILE_INFORMATION info{};
  if (!::GetFileInformationByHandle(file.get(), &info)) {
    return SystemFailure(path, ::GetLastError());
  }
  if ((info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
    return LabTableOfWrongKind(path, "a link (a reparse point)");
  }
  if ((info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    return LabTableOfWrongKind(path, "a folder");
  }
  const std::uint64_t size =
      (static_cast<std::uint64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
  if (size > kLabTableLimit) {
    return LabTableTooLarge(path);
  }
  // Up to one byte past the limit, which tells a file that grew past it since.
  std::string text(static_cast<std::size_t>(size) + 1, '\0');
  std::size_t got = 0;
  for (;;) {
    if (got == text.size()) {
      if (got > kLabTableLimit) {
        return LabTableTooLarge(path);
      }
      text.resize(std::min<std::size_t>(text.size() * 2, kLabTableLimit + 1));
    }
    DWORD n = 0;
    if (!::ReadFile(file.get(), text.data() + got, static_cast<DWORD>(text.size() - got), &n,
                    nullptr)) {
      return SystemFailure(path, ::GetLastError());
    }
    if (n == 0) {
      break;
    }
    got += n;
  }
  text.resize(got);
  *table = LabTable{std::move(text)};
  return Status::Ok();
}

}  // namespace velbrix
