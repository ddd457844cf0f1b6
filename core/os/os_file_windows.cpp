// Windows file services for the core, through the C runtime's wide-character functions so that
// any file name works, and the system's own calls where a file must be looked at without following
// a reparse point (a symbolic link, a junction).
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <direct.h>
#include <fcntl.h>
#include <io.h>
#include <share.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <system_error>
#include <thread>

#include "core/os/os_file.h"
#include "core/os/os_file_hooks.h"

namespace velbrix {
namespace {

std::error_code LastError() {
  return std::error_code(errno, std::generic_category());
}

// The name of the lock's file in a folder.
constexpr wchar_t kLockName[] = L".velbrix-lock";
// The system's code for a file that another program holds open in a way that excludes us.
constexpr unsigned long kSharingViolation = 32;

}  // namespace

std::error_code OsFile::OpenForReading(const std::filesystem::path& path, OsFile* file) {
  int fd = -1;
  const errno_t err =
      ::_wsopen_s(&fd, path.c_str(), _O_RDONLY | _O_BINARY | _O_NOINHERIT, _SH_DENYNO, 0);
  if (err != 0) {
    return std::error_code(err, std::generic_category());
  }
  *file = OsFile(fd);
  return {};
}

std::error_code OsFile::OpenOwnFileForReading(const std::filesystem::path& path, OsFile* file) {
  // The reparse point itself, never what it leads to; a folder cannot be opened this way.
  const HANDLE handle = ::CreateFileW(
      path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
      OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    const DWORD error = ::GetLastError();
    return error == ERROR_ACCESS_DENIED && FileKindOf(path) == FileKind::kOwnFolder
               ? MakeErrorCode(FileError::kNotRegularFile)
               : std::error_code(static_cast<int>(error), std::system_category());
  }
  BY_HANDLE_FILE_INFORMATION info{};
  std::error_code reason;
  if (::GetFileType(handle) != FILE_TYPE_DISK || !::GetFileInformationByHandle(handle, &info) ||
      (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    reason = MakeErrorCode(FileError::kNotRegularFile);
  } else if ((info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
    reason = MakeErrorCode(FileError::kLink);
  } else if (info.nNumberOfLinks != 1) {
    reason = MakeErrorCode(FileError::kOtherNames);
  }
  const int fd = reason ? -1 : ::_open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_RDONLY);
  if (fd < 0) {
    ::CloseHandle(handle);
    return reason ? reason : LastError();
  }
  *file = OsFile(fd);
  return {};
}

std::error_code OsFile::OpenRegularFileForReading(const std::filesystem::path& path, OsFile* file) {
  const std::error_code ec = OpenOwnFileForReading(path, file);
  if (ec != MakeErrorCode(FileError::kOtherNames)) {
    return ec;
  }
  return OpenForReading(path, file);  // a regular file with other names, which is no link
}

std::error_code OsFile::Hold(const std::filesystem::path& /*path*/, OsFile* /*file*/) {
  // A file that is open cannot lose its name here: removed files are removed by name alone.
  return std::make_error_code(std::errc::function_not_supported);
}

std::error_code OsFile::CreateNew(const std::filesystem::path& path, OsFile* file) {
  BeforeFileOperation();
  int fd = -1;
  const errno_t err =
      ::_wsopen_s(&fd, path.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY | _O_NOINHERIT,
                  _SH_DENYWR, _S_IREAD | _S_IWRITE);
  if (err != 0) {
    return std::error_code(err, std::generic_category());
  }
  *file = OsFile(fd);
  return {};
}

std::error_code OsFile::CreateTemporary(const std::filesystem::path& name, bool /*allow_unnamed*/,
                                        OsFile* file, bool* named) {
  *named = true;  // Windows has no unnamed files
  return CreateNew(name, file);
}

std::error_code OsFile::CreateLiveMark(const std::filesystem::path& path, OsFile* file) {
  // Opened without sharing writes or deletion: while it is open, no one else can open it for
  // writing (IsLive) or remove it.
  return CreateNew(path, file);
}

std::error_code OsFile::Name(const std::filesystem::path& /*name*/) {
  return std::make_error_code(std::errc::function_not_supported);  // every temporary has a name
}

std::error_code OsFile::Read(void* buffer, std::size_t size, std::size_t* got) {
  auto* out = static_cast<char*>(buffer);
  std::size_t total = 0;
  while (total < size) {
    const std::size_t want = std::min<std::size_t>(size - total, INT_MAX / 2);
    const int n = ::_read(fd_, out + total, static_cast<unsigned>(want));
    if (n < 0) {
      *got = total;
      return LastError();
    }
    if (n == 0) {
      break;
    }
    total += static_cast<std::size_t>(n);
  }
  *got = total;
  return {};
}

std::error_code OsFile::ReadAt(std::uint64_t offset, void* buffer, std::size_t size,
                               std::size_t* got) {
  *got = 0;
  const __int64 position = ::_telli64(fd_);
  if (position < 0 || ::_lseeki64(fd_, static_cast<__int64>(offset), SEEK_SET) < 0) {
    return LastError();
  }
  const std::error_code read = Read(buffer, size, got);
  if (::_lseeki64(fd_, position, SEEK_SET) < 0 && !read) {
    return LastError();
  }
  return read;
}

std::error_code OsFile::Write(const void* data, std::size_t size) {
  const auto* in = static_cast<const char*>(data);
  while (size > 0) {
    const std::size_t want = std::min<std::size_t>(size, INT_MAX / 2);
    const int n = ::_write(fd_, in, static_cast<unsigned>(want));
    if (n < 0) {
      return LastError();
    }
    if (n == 0) {
      return std::make_error_code(std::errc::no_space_on_device);
    }
    in += n;
    size -= static_cast<std::size_t>(n);
  }
  return {};
}

std::error_code OsFile::WriteAt(std::uint64_t offset, const void* data, std::size_t size) {
  const __int64 position = ::_telli64(fd_);
  if (position < 0 || ::_lseeki64(fd_, static_cast<__int64>(offset), SEEK_SET) < 0) {
    return LastError();
  }
  const std::error_code written = Write(data, size);
  if (::_lseeki64(fd_, position, SEEK_SET) < 0 && !written) {
    return LastError();
  }
  return written;
}

std::uint64_t OsFile::Size() const {
  struct _stat64 st {};
  if (::_fstat64(fd_, &st) != 0 || (st.st_mode & _S_IFREG) == 0) {
    return {};
  }
  return static_cast<std::uint64_t>(st.st_size);
}

std::error_code OsFile::Close() {
  const int fd = fd_;
  fd_ = -1;
  if (fd >= 0 && ::_close(fd) != 0) {
    return LastError();
  }
  return {};
}

std::error_code RenameFile(const std::filesystem::path& from, const std::filesystem::path& to) {
  // The standard library replaces an existing file here (MoveFileEx with REPLACE_EXISTING).
  // Its error carries the system's own code and text.
  BeforeFileOperation();
  std::error_code ec;
  std::filesystem::rename(from, to, ec);
  return ec;
}

std::error_code RemoveFile(const std::filesystem::path& path) {
  BeforeFileOperation();
  return ::_wremove(path.c_str()) == 0 ? std::error_code() : LastError();
}

std::error_code ExchangeFiles(const std::filesystem::path& /*a*/,
                              const std::filesystem::path& /*b*/) {
  return std::make_error_code(std::errc::function_not_supported);
}

std::error_code LinkFile(const std::filesystem::path& existing, const std::filesystem::path& link) {
  BeforeFileOperation();
  std::error_code ec;
  std::filesystem::create_hard_link(existing, link, ec);
  return ec;
}

std::error_code CreateFolder(const std::filesystem::path& path, bool /*private_one*/) {
  BeforeFileOperation();
  return ::_wmkdir(path.c_str()) == 0 ? std::error_code() : LastError();
}

std::error_code RemoveEmptyFolder(const std::filesystem::path& path) {
  BeforeFileOperation();
  return ::_wrmdir(path.c_str()) == 0 ? std::error_code() : LastError();
}

FileKind FileKindOf(const std::filesystem::path& path) {
  // The attributes of the name itself (a link's, not its target's).
  const DWORD attributes = ::GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    const DWORD error = ::GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? FileKind::kMissing
                                                                          : FileKind::kOther;
  }
  if ((attributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DEVICE)) != 0) {
    return FileKind::kOther;  // a link or a junction, never followed; a device
  }
  return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? FileKind::kOwnFolder : FileKind::kOwnFile;
}

std::error_code CheckOwnFile(const std::filesystem::path& path) {
  const DWORD attributes = ::GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) {
    return std::error_code(static_cast<int>(::GetLastError()), std::system_category());
  }
  if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
    return MakeErrorCode(FileError::kLink);
  }
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
    return MakeErrorCode(FileError::kNotRegularFile);
  }
  // The number of its names, from the file itself, opened without following anything and without
  // access to its content.
  const HANDLE handle =
      ::CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    return std::error_code(static_cast<int>(::GetLastError()), std::system_category());
  }
  BY_HANDLE_FILE_INFORMATION info{};
  std::error_code reason;
  if (::GetFileType(handle) != FILE_TYPE_DISK || !::GetFileInformationByHandle(handle, &info)) {
    reason = MakeErrorCode(FileError::kNotRegularFile);
  } else if (info.nNumberOfLinks != 1) {
    reason = MakeErrorCode(FileError::kOtherNames);
  }
  ::CloseHandle(handle);
  return reason;
}

bool SameFile(const std::filesystem::path& a, const std::filesystem::path& b) {
  // Both opened as they are, a link itself and never what it leads to.
  const auto open = [](const std::filesystem::path& path) {
    return ::CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                         nullptr, OPEN_EXISTING,
                         FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  };
  const HANDLE ha = open(a);
  const HANDLE hb = open(b);
  BY_HANDLE_FILE_INFORMATION ia{};
  BY_HANDLE_FILE_INFORMATION ib{};
  const bool same = ha != INVALID_HANDLE_VALUE && hb != INVALID_HANDLE_VALUE &&
                    ::GetFileInformationByHandle(ha, &ia) &&
                    ::GetFileInformationByHandle(hb, &ib) &&
                    ia.dwVolumeSerialNumber == ib.dwVolumeSerialNumber &&
                    ia.nFileIndexHigh == ib.nFileIndexHigh && ia.nFileIndexLow == ib.nFileIndexLow;
  for (const HANDLE h : {ha, hb}) {
    if (h != INVALID_HANDLE_VALUE) {
      ::CloseHandle(h);
    }
  }
  return same;
}

bool IsOwnName(const std::filesystem::path& path) {
  const FileKind kind = FileKindOf(path);
  return kind != FileKind::kMissing && kind != FileKind::kOwnFolder;
}

bool IsOwnFolderOfAnyMode(const std::filesystem::path& path) {
  return FileKindOf(path) == FileKind::kOwnFolder;
}

std::error_code OsFile::NarrowPermissionsTo(const std::filesystem::path& /*original*/) {
  return {};
}

std::error_code TakePermissionsOf(const std::filesystem::path& from,
                                  const std::filesystem::path& /*to*/) {
  return FileKindOf(from) == FileKind::kOwnFile ? std::error_code()
                                                : MakeErrorCode(FileError::kNotRegularFile);
}

bool IsLive(const std::filesystem::path& path) {
  if (FileKindOf(path) == FileKind::kMissing) {
    return false;
  }
  // The live run holds the mark open without sharing writes.
  int fd = -1;
  if (::_wsopen_s(&fd, path.c_str(), _O_RDWR | _O_BINARY | _O_NOINHERIT, _SH_DENYNO, 0) != 0) {
    return true;
  }
  struct _stat64 st {};
  const bool regular = ::_fstat64(fd, &st) == 0 && (st.st_mode & _S_IFREG) != 0;
  ::_close(fd);
  return !regular;
}

std::size_t NameLimit(const std::filesystem::path& /*folder*/) {
  return 255;  // UTF-16 units, on every file system that Windows writes
}

void DiscardTemporaries(std::vector<OsFile> files,
                        const std::vector<std::filesystem::path>& names) {
  files.clear();  // an open temporary cannot be removed
  for (const std::filesystem::path& name : names) {
    (void)RemoveFile(name);
  }
}

std::error_code FolderLock::Acquire(const std::filesystem::path& folder,
                                    const LockWaitReporter& report, const StopRequest* stop) {
  // A file that only one program can have open at a time, and that the system deletes when it is
  // closed, also when the program is killed.
  path_ = (folder.empty() ? std::filesystem::path(L".") : folder) / kLockName;
  const auto start = std::chrono::steady_clock::now();
  const auto patience = LockPatience();
  bool told = false;
  for (;;) {
    // Opening follows a link, and the file is deleted when closed: a link there would cost its
    // target. Only a regular file or nothing is opened.
    const FileKind kind = FileKindOf(path_);
    if (kind != FileKind::kMissing && kind != FileKind::kOwnFile) {
      return MakeErrorCode(CheckOwnFile(path_) == MakeErrorCode(FileError::kLink)
                               ? FileError::kLink
                               : FileError::kNotRegularFile);
    }
    int fd = -1;
    const errno_t err = ::_wsopen_s(&fd, path_.c_str(),
                                    _O_RDWR | _O_CREAT | _O_TEMPORARY | _O_BINARY | _O_NOINHERIT,
                                    _SH_DENYRW, _S_IREAD | _S_IWRITE);
    if (err == 0) {
      fd_ = fd;
      return {};
    }
    if (err != EACCES || _doserrno != kSharingViolation) {
      return std::error_code(err, std::generic_category());
    }
    const auto waited = std::chrono::steady_clock::now() - start;
    if (waited >= patience) {
      return MakeErrorCode(FileError::kLockTimeout);
    }
    if (!told && waited >= kLockWaitNotice) {
      told = true;
      ReportLockWait(report, path_);
    }
    if (stop != nullptr && stop->requested()) {
      return std::make_error_code(std::errc::operation_canceled);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
}

void FolderLock::Release() {
  if (fd_ >= 0) {
    ::_close(fd_);  // deletes the file
    fd_ = -1;
  }
}

}  // namespace velbrix
