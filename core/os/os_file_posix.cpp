// POSIX file services for the core.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>

#include "core/os/os_file.h"
#include "core/os/os_file_hooks.h"

namespace velbrix {
namespace {

std::error_code LastError() {
  return std::error_code(errno, std::generic_category());
}

// Reads `size` bytes into `buffer` by calls of `read_some(out, n, done)`, each of which reads at
// most n bytes to `out` (`done` bytes in) like read(2), until all are in or the end is reached;
// tells in `got` how many, also on an error.
template <typename ReadSome>
std::error_code ReadFully(void* buffer, std::size_t size, std::size_t* got, ReadSome read_some) {
  auto* out = static_cast<char*>(buffer);
  std::size_t total = 0;
  while (total < size) {
    const ssize_t n = read_some(out + total, size - total, total);
    if (n < 0) {
      if (errno == EINTR) {
        continue;
      }
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

// Writes the `size` bytes at `data` by calls of `write_some(in, n, done)`, each of which writes at
// most n bytes from `in` (`done` bytes written before) like write(2).
template <typename WriteSome>
std::error_code WriteFully(const void* data, std::size_t size, WriteSome write_some) {
  const auto* in = static_cast<const char*>(data);
  std::size_t done = 0;
  while (done < size) {
    const ssize_t n = write_some(in + done, size - done, done);
    if (n < 0) {
      if (errno == EINTR) {
        continue;
      }
      return LastError();
    }
    done += static_cast<std::size_t>(n);
  }
  return {};
}

// The folder of `name` as a path that open() takes.
std::filesystem::path FolderOf(const std::filesystem::path& name) {
  const std::filesystem::path folder = name.parent_path();
  return folder.empty() ? std::filesystem::path(".") : folder;
}

// Marks `fd` as held by a live process: see IsLive.
bool MarkLive(int fd) {
  return ::flock(fd, LOCK_EX | LOCK_NB) == 0;
}

// Why the file of `st` is not a regular file of the user running with no second name, or nothing.
std::error_code OwnFileReason(const struct stat& st) {
  if (S_ISLNK(st.st_mode)) {
    return MakeErrorCode(FileError::kLink);
  }
  if (!S_ISREG(st.st_mode)) {
    return MakeErrorCode(FileError::kNotRegularFile);
  }
  if (st.st_uid != ::geteuid()) {
    return MakeErrorCode(FileError::kNotOwn);
  }
  return st.st_nlink == 1 ? std::error_code() : MakeErrorCode(FileError::kOtherNames);
}

// The reason open() with O_NOFOLLOW gave: ELOOP is the link at the name itself.
std::error_code OpenError() {
  return errno == ELOOP ? MakeErrorCode(FileError::kLink) : LastError();
}

// The name of the lock's file in a folder.
constexpr char kLockName[] = ".velbrix-lock";

}  // namespace

std::error_code OsFile::OpenForReading(const std::filesystem::path& path, OsFile* file) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    return LastError();
  }
  *file = OsFile(fd);
  return {};
}

namespace {

// Opens `path` for reading without following a link and without waiting (a pipe without a writer,
// a device) into `*fd`, then has `reason` say, from what was opened, why it is not to be read
// (nothing: it is); where it is not, nothing is left open.
template <typename Reason>
std::error_code OpenCheckedForReading(const std::filesystem::path& path, Reason reason, int* fd) {
  *fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
  if (*fd < 0) {
    return OpenError();
  }
  struct stat st {};
  std::error_code ec = ::fstat(*fd, &st) != 0 ? LastError() : reason(st);
  if (ec) {
    ::close(*fd);
    *fd = -1;
  }
  return ec;
}

}  // namespace

std::error_code OsFile::OpenOwnFileForReading(const std::filesystem::path& path, OsFile* file) {
  int fd = -1;
  if (const std::error_code ec = OpenCheckedForReading(path, OwnFileReason, &fd)) {
    return ec;
  }
  *file = OsFile(fd);
  return {};
}

std::error_code OsFile::OpenRegularFileForReading(const std::filesystem::path& path, OsFile* file) {
  const auto reason = [](const struct stat& st) {
    return S_ISREG(st.st_mode) ? std::error_code() : MakeErrorCode(FileError::kNotRegularFile);
  };
  int fd = -1;
  if (const std::error_code ec = OpenCheckedForReading(path, reason, &fd)) {
    return ec;
  }
  *file = OsFile(fd);
  return {};
}

std::error_code OsFile::Hold(const std::filesystem::path& path, OsFile* file) {
#ifdef O_PATH
  const int fd = ::open(path.c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) {
    return OpenError();
  }
  OsFile held(fd);
  struct stat st {};
  if (::fstat(fd, &st) != 0) {
    return LastError();
  }
  if (!S_ISREG(st.st_mode)) {
    return MakeErrorCode(S_ISLNK(st.st_mode) ? FileError::kLink : FileError::kNotRegularFile);
  }
  *file = std::move(held);
  return {};
#else
  (void)path;
  (void)file;
  return std::make_error_code(std::errc::function_not_supported);
#endif
}

std::error_code OsFile::CreateNew(const std::filesystem::path& path, OsFile* file) {
  BeforeFileOperation();
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fd < 0) {
    return LastError();
  }
  *file = OsFile(fd);
  return {};
}

std::error_code OsFile::CreateTemporary(const std::filesystem::path& name, bool allow_unnamed,
                                        OsFile* file, bool* named) {
  BeforeFileOperation();
#ifdef O_TMPFILE
  // Name() needs the process's view of its own descriptors.
  if (allow_unnamed && ::access("/proc/self/fd", X_OK) == 0) {
    const int fd = ::open(FolderOf(name).c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
    if (fd >= 0) {
      *file = OsFile(fd);
      *named = false;
      return {};
    }
    // The file system has no unnamed files (or the folder is missing): a named one says why not.
  }
#else
  (void)allow_unnamed;
#endif
  if (const std::error_code ec = CreateNew(name, file)) {
    return ec;
  }
  *named = true;
  return {};
}

std::error_code OsFile::CreateLiveMark(const std::filesystem::path& path, OsFile* file) {
  const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
  if (fd < 0) {
    return LastError();
  }
  *file = OsFile(fd);
  return MarkLive(fd) ? std::error_code() : LastError();
}

std::error_code OsFile::Name(const std::filesystem::path& name) {
  BeforeFileOperation();
  // Through the process's view of its own descriptors; AT_EMPTY_PATH where that is missing (it
  // needs a privilege).
  const std::string self = "/proc/self/fd/" + std::to_string(fd_);
  if (::linkat(AT_FDCWD, self.c_str(), AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0) {
    return {};
  }
  const std::error_code first = LastError();
  if (first == std::errc::file_exists) {
    return first;
  }
#ifdef AT_EMPTY_PATH
  if (::linkat(fd_, "", AT_FDCWD, name.c_str(), AT_EMPTY_PATH) == 0) {
    return {};
  }
#endif
  return first;
}

std::error_code OsFile::NarrowPermissionsTo(const std::filesystem::path& original) {
  struct stat from {};
  if (::lstat(original.c_str(), &from) != 0 || !S_ISREG(from.st_mode)) {
    return {};
  }
  struct stat now {};
  if (::fstat(fd_, &now) != 0) {
    return LastError();
  }
  mode_t mode = now.st_mode & from.st_mode & 0777;
  if (now.st_gid != from.st_gid && ::fchown(fd_, static_cast<uid_t>(-1), from.st_gid) != 0) {
    mode &= ~static_cast<mode_t>(S_IRWXG);
  }
  if ((now.st_mode & 07777) != mode && ::fchmod(fd_, mode) != 0) {
    return LastError();
  }
  return {};
}

std::error_code OsFile::Read(void* buffer, std::size_t size, std::size_t* got) {
  return ReadFully(buffer, size, got,
                   [this](char* out, std::size_t n, std::size_t) { return ::read(fd_, out, n); });
}

std::error_code OsFile::ReadAt(std::uint64_t offset, void* buffer, std::size_t size,
                               std::size_t* got) {
  return ReadFully(buffer, size, got, [this, offset](char* out, std::size_t n, std::size_t done) {
    return ::pread(fd_, out, n, static_cast<off_t>(offset + done));
  });
}

std::error_code OsFile::Write(const void* data, std::size_t size) {
  return WriteFully(data, size, [this](const char* in, std::size_t n, std::size_t) {
    return ::write(fd_, in, n);
  });
}

std::error_code OsFile::WriteAt(std::uint64_t offset, const void* data, std::size_t size) {
  return WriteFully(data, size, [this, offset](const char* in, std::size_t n, std::size_t done) {
    return ::pwrite(fd_, in, n, static_cast<off_t>(offset + done));
  });
}

std::uint64_t OsFile::Size() const {
  struct stat st {};
  if (::fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode)) {
    return {};
  }
  return static_cast<std::uint64_t>(st.st_size);
}

std::error_code OsFile::Close() {
  const int fd = fd_;
  fd_ = -1;
  if (fd >= 0 && ::close(fd) != 0 && errno != EINTR) {
    return LastError();
  }
  return {};
}

std::error_code RenameFile(const std::filesystem::path& from, const std::filesystem::path& to) {
  BeforeFileOperation();
  return std::rename(from.c_str(), to.c_str()) == 0 ? std::error_code() : LastError();
}

std::error_code RemoveFile(const std::filesystem::path& path) {
  BeforeFileOperation();
  return ::unlink(path.c_str()) == 0 ? std::error_code() : LastError();
}

std::error_code ExchangeFiles(const std::filesystem::path& a, const std::filesystem::path& b) {
  BeforeFileOperation();
#ifdef RENAME_EXCHANGE
  if (::renameat2(AT_FDCWD, a.c_str(), AT_FDCWD, b.c_str(), RENAME_EXCHANGE) == 0) {
    return {};
  }
  if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP) {
    return LastError();
  }
#else
  (void)a;
  (void)b;
#endif
  return std::make_error_code(std::errc::function_not_supported);
}

std::error_code LinkFile(const std::filesystem::path& existing, const std::filesystem::path& link) {
  BeforeFileOperation();
  return ::link(existing.c_str(), link.c_str()) == 0 ? std::error_code() : LastError();
}

std::error_code CreateFolder(const std::filesystem::path& path, bool private_one) {
  BeforeFileOperation();
  return ::mkdir(path.c_str(), private_one ? 0700 : 0777) == 0 ? std::error_code() : LastError();
}

std::error_code RemoveEmptyFolder(const std::filesystem::path& path) {
  BeforeFileOperation();
  return ::rmdir(path.c_str()) == 0 ? std::error_code() : LastError();
}

FileKind FileKindOf(const std::filesystem::path& path) {
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0) {
    return errno == ENOENT ? FileKind::kMissing : FileKind::kOther;
  }
  const bool own = st.st_uid == ::geteuid();
  if (S_ISREG(st.st_mode)) {
    return own ? FileKind::kOwnFile : FileKind::kOtherFile;
  }
  if (S_ISDIR(st.st_mode)) {
    return own && (st.st_mode & (S_IWGRP | S_IWOTH)) == 0 ? FileKind::kOwnFolder
                                                          : FileKind::kOtherFolder;
  }
  return FileKind::kOther;
}

std::error_code CheckOwnFile(const std::filesystem::path& path) {
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0) {
    return LastError();
  }
  return OwnFileReason(st);
}

bool SameFile(const std::filesystem::path& a, const std::filesystem::path& b) {
  struct stat sa {};
  struct stat sb {};
  return ::lstat(a.c_str(), &sa) == 0 && ::lstat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev &&
         sa.st_ino == sb.st_ino;
}

bool IsOwnName(const std::filesystem::path& path) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode) && st.st_uid == ::geteuid();
}

bool IsOwnFolderOfAnyMode(const std::filesystem::path& path) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::geteuid();
}

std::error_code TakePermissionsOf(const std::filesystem::path& from,
                                  const std::filesystem::path& to) {
  struct stat original {};
  if (::lstat(from.c_str(), &original) != 0) {
    return LastError();
  }
  if (!S_ISREG(original.st_mode)) {
    return MakeErrorCode(FileError::kNotRegularFile);
  }
  struct stat now {};
  if (::lstat(to.c_str(), &now) != 0) {
    return LastError();
  }
  // The permissions only: never a set-user or set-group bit on a file this run wrote.
  mode_t mode = original.st_mode & 0777;
  if (now.st_gid != original.st_gid &&
      ::lchown(to.c_str(), static_cast<uid_t>(-1), original.st_gid) != 0) {
    mode &= ~static_cast<mode_t>(S_IRWXG);
  }
  if ((now.st_mode & 07777) != mode && ::chmod(to.c_str(), mode) != 0) {
    return LastError();
  }
  return {};
}

bool IsLive(const std::filesystem::path& path) {
  // Opened for writing, so that the lock works on network file systems too; never a pipe's or a
  // link's target.
  const int fd = ::open(path.c_str(), O_RDWR | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) {
    return errno != ENOENT;
  }
  struct stat st {};
  const bool live = ::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || !MarkLive(fd);
  ::close(fd);
  return live;
}

std::size_t NameLimit(const std::filesystem::path& folder) {
  std::filesystem::path existing = folder.empty() ? std::filesystem::path(".") : folder;
  for (;;) {
    errno = 0;
    const long limit = ::pathconf(existing.c_str(), _PC_NAME_MAX);
    if (limit > 0) {
      return static_cast<std::size_t>(limit);
    }
    if (errno != ENOENT || existing == existing.parent_path() || !existing.has_parent_path()) {
      return 255;
    }
    existing = existing.parent_path();
  }
}

void DiscardTemporaries(std::vector<OsFile> files,
                        const std::vector<std::filesystem::path>& names) {
  for (const std::filesystem::path& name : names) {
    (void)RemoveFile(name);  // an open file loses its name at once
  }
  if (files.empty()) {
    return;
  }
  try {
    std::thread([closing = std::move(files)]() mutable { closing.clear(); }).detach();
  } catch (const std::system_error&) {
    files.clear();  // no thread to spare: closed here
  }
}

std::error_code FolderLock::Acquire(const std::filesystem::path& folder,
                                    const LockWaitReporter& report, const StopRequest* stop) {
  // A lock file that the holder removes before it lets go: whoever waited on the removed file
  // finds, once it has the lock, that the name now means another file (or none), and tries again.
  path_ = (folder.empty() ? std::filesystem::path(".") : folder) / kLockName;
  const auto start = std::chrono::steady_clock::now();
  const auto patience = LockPatience();
  bool told = false;
  for (;;) {
    // Never a link's target, and never a wait for a pipe's other end.
    constexpr int kFlags = O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC;
    int fd = ::open(path_.c_str(), O_RDWR | O_CREAT | kFlags, 0666);
    if (fd < 0) {
      const std::error_code refused = OpenError();
      // Left by another user's run that was killed: flock() works on a file open for reading too.
      fd = refused == std::errc::permission_denied ? ::open(path_.c_str(), O_RDONLY | kFlags) : -1;
      if (fd < 0) {
        return refused;
      }
    }
    struct stat held {};
    if (::fstat(fd, &held) != 0 || !S_ISREG(held.st_mode)) {
      ::close(fd);
      return MakeErrorCode(FileError::kNotRegularFile);
    }
    if (held.st_uid == ::geteuid() && (held.st_mode & 0444) != 0444) {
      // Whatever the umask: every other user's run must be able to open it to take its turn.
      (void)::fchmod(fd, (held.st_mode & 07777) | 0444);
    }
    int locked = 0;
    for (int pause_ms = 1;; pause_ms = std::min(pause_ms * 2, 50)) {
      while ((locked = ::flock(fd, LOCK_EX | LOCK_NB)) != 0 && errno == EINTR) {
      }
      if (locked == 0 || errno != EWOULDBLOCK) {
        break;
      }
      const auto waited = std::chrono::steady_clock::now() - start;
      if (waited >= patience) {
        ::close(fd);
        return MakeErrorCode(FileError::kLockTimeout);
      }
      if (!told && waited >= kLockWaitNotice) {
        told = true;
        ReportLockWait(report, path_);
      }
      if (stop != nullptr && stop->requested()) {
        ::close(fd);
        return std::make_error_code(std::errc::operation_canceled);
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(pause_ms));
    }
    if (locked != 0) {
      // A file system without locks: runs into this folder cannot take turns, but each still
      // commits whole or not at all.
      fd_ = fd;
      return {};
    }
    struct stat named {};
    if (::lstat(path_.c_str(), &named) == 0 && held.st_dev == named.st_dev &&
        held.st_ino == named.st_ino) {
      fd_ = fd;
      return {};
    }
    ::close(fd);
  }
}

void FolderLock::Release() {
  if (fd_ >= 0) {
    ::unlink(path_.c_str());
    ::close(fd_);
    fd_ = -1;
  }
}

}  // namespace velbrix
