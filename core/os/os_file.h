// The narrow seam between the core and the platform's file services: one implementation for POSIX
// systems (os_file_posix.cpp) and one for Windows (os_file_windows.cpp), chosen by the build.
//
// Functions return the system's error on failure and an empty error_code on success, so that the
// caller can name the file the user knows (not a temporary) in its message.
//
// What a run may touch: a run keeps its temporaries in a private staging folder of its own (see
// output_commit.h), and acts on what it finds in a folder only where the checks below prove it the
// user's own (FileKindOf, OpenOwnFileForReading). On Windows the core does not consult the file
// system's owners: there a user's folders are normally the user's alone, and the checks prove only
// the kind of file. Runs writing into one folder take turns through FolderLock.
//
// Every function that creates, renames, links or removes a name first calls the test hook of
// core/os/os_file_hooks.h.
#ifndef VELBRIX_CORE_OS_OS_FILE_H_
#define VELBRIX_CORE_OS_OS_FILE_H_

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <system_error>
#include <vector>

#include "core/base/stop_request.h"

namespace velbrix {

// An open file descriptor, closed when the object is destroyed. Move-only.
class OsFile {
 public:
  OsFile() = default;
  ~OsFile() { (void)Close(); }
  OsFile(OsFile&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
  OsFile& operator=(OsFile&& other) noexcept {
    if (this != &other) {
      (void)Close();
      fd_ = other.fd_;
      other.fd_ = -1;
    }
    return *this;
  }
  OsFile(const OsFile&) = delete;
  OsFile& operator=(const OsFile&) = delete;

  // Opens an existing file for reading in binary mode. Never creates a file.
  static std::error_code OpenForReading(const std::filesystem::path& path, OsFile* file);
  // Creates `path` for writing in binary mode; fails with errc::file_exists if anything of that
  // name exists.
  static std::error_code CreateNew(const std::filesystem::path& path, OsFile* file);
  // Opens the regular file `path` for reading without following a link and without waiting (a
  // pipe's writer, a device). Fails with FileError::kLink for a link, FileError::kNotRegularFile
  // for anything else but a regular file, FileError::kNotOwn for a file that another user owns
  // (POSIX) and FileError::kOtherNames for a file with a second name (a hard link).
  static std::error_code OpenOwnFileForReading(const std::filesystem::path& path, OsFile* file);
  // Opens the regular file `path` for reading, whoever owns it, without following a link and
  // without waiting. Fails with FileError::kLink for a link and FileError::kNotRegularFile for
  // anything else but a regular file.
  static std::error_code OpenRegularFileForReading(const std::filesystem::path& path, OsFile* file);
  // Holds the regular file `path`, without following a link and without opening it for reading or
  // writing (nothing of a device's or a pipe's is set off), so that once its names are removed the
  // system frees its space only when the hold is closed. Fails for anything but a regular file,
  // and where the system has no such holds (Windows).
  static std::error_code Hold(const std::filesystem::path& path, OsFile* file);
  // Creates a temporary for writing, in the folder of `name`. Where the system allows it and
  // `allow_unnamed` is set, the file has no name (it vanishes when closed or when the program
  // ends, however it ends) until Name() gives it one, and `*named` is false. Otherwise it is
  // created as `name`, which must name nothing (else errc::file_exists), and `*named` is true.
  static std::error_code CreateTemporary(const std::filesystem::path& name, bool allow_unnamed,
                                         OsFile* file, bool* named);
  // Creates `path` as a mark that this process is running: a later run sees it live (IsLive) as
  // long as the process holds it open, and, once the process has ended however it ended, not.
  static std::error_code CreateLiveMark(const std::filesystem::path& path, OsFile* file);
  // Gives the open unnamed temporary the name `name`, which must name nothing.
  std::error_code Name(const std::filesystem::path& name);
  // Before anything is written into this new file, the user's own: where `original` (not
  // followed where it is a link) is a regular file that this file is to replace, takes away every
  // permission that `original` does not give, and the group's where the group of `original` cannot
  // be given, so that the file is never readable by more people than the one it replaces, not
  // even before the commit. Does nothing where `original` is missing or not a regular file, and on
  // Windows, where a file's permissions come from its folder.
  std::error_code NarrowPermissionsTo(const std::filesystem::path& original);

  bool is_open() const { return fd_ >= 0; }

  // Reads until `size` bytes are in `buffer` or the end of the file; `*got` tells how many.
  // `*got < size` means the end of the file was reached.
  std::error_code Read(void* buffer, std::size_t size, std::size_t* got);
  // Reads until `size` bytes from `offset` on are in `buffer` or the end of the file; `*got` tells
  // how many. The position at which Read continues stays where it was.
  std::error_code ReadAt(std::uint64_t offset, void* buffer, std::size_t size, std::size_t* got);
  // Writes all `size` bytes.
  std::error_code Write(const void* data, std::size_t size);
  // Writes all `size` bytes at `offset` from the file's start, over what is there; the position at
  // which Write continues stays where it was.
  std::error_code WriteAt(std::uint64_t offset, const void* data, std::size_t size);
  // The file's size in bytes, or 0 where it has none (a pipe).
  std::uint64_t Size() const;
  // Closes the file; a failure to write out pending data is reported here.
  std::error_code Close();

 private:
  explicit OsFile(int fd) : fd_(fd) {}

  int fd_ = -1;
};

// Reasons of the file services' own, beside the system's.
enum class FileError {
  kNotRegularFile = 1,  // a folder, a link, a pipe or a device where a file should be
  kNotOwn,              // a file or folder of another user
  kNotJournal,          // not a journal in the form this version writes
  kLockTimeout,         // another run held a folder's lock for longer than a run waits
  kLink,                // a link (symbolic, or a reparse point), which is not followed
  kOtherNames,          // a file that has a second name (a hard link) somewhere
};
std::error_code MakeErrorCode(FileError error);

// Moves `from` to `to`, replacing a file `to` in one step.
std::error_code RenameFile(const std::filesystem::path& from, const std::filesystem::path& to);
// Removes the file `path` (a link itself, never its target).
std::error_code RemoveFile(const std::filesystem::path& path);
// Exchanges the files named `a` and `b`, both of which must exist, in one step. Fails with
// errc::function_not_supported where the system or the file system cannot.
std::error_code ExchangeFiles(const std::filesystem::path& a, const std::filesystem::path& b);
// Gives the file `existing` the second name `link` (a hard link), which must name nothing. Fails
// where the file system has no such links.
std::error_code LinkFile(const std::filesystem::path& existing, const std::filesystem::path& link);
// Creates the folder `path`, which must name nothing (else errc::file_exists). With `private_one`
// only the user running may enter it (mode 0700 on POSIX).
std::error_code CreateFolder(const std::filesystem::path& path, bool private_one);
// Removes the folder `path` if it is empty.
std::error_code RemoveEmptyFolder(const std::filesystem::path& path);

// What a name is, without following a link; kOwnFile and kOwnFolder only for the user running's
// own, and kOwnFolder only where no one else may write into it (on Windows: every file and folder
// counts as the user's own).
enum class FileKind { kMissing, kOwnFile, kOtherFile, kOwnFolder, kOtherFolder, kOther };
FileKind FileKindOf(const std::filesystem::path& path);
// Checks, without opening it or following a link, that `path` is a regular file of the user
// running with no second name: a file that only this user can have put there. Otherwise the
// reason: FileError::kLink, kNotRegularFile, kNotOwn or kOtherNames, or the system's.
std::error_code CheckOwnFile(const std::filesystem::path& path);
// Whether `a` and `b` name one file, neither followed where it is a link.
bool SameFile(const std::filesystem::path& a, const std::filesystem::path& b);
// Whether `path` names something other than a folder (not followed where it is a link) that
// belongs to the user running (on Windows: anything but a folder).
bool IsOwnName(const std::filesystem::path& path);
// Whether `path` is a folder (not a link to one) of the user running, whatever its permissions
// (on Windows: any folder).
bool IsOwnFolderOfAnyMode(const std::filesystem::path& path);
// Gives the regular file `to`, the user's own, the permissions and the group of `from` (not
// followed where it is a link), so that a file that replaces another is readable by no one who
// could not read the one it replaces. Where the group cannot be given, `to` keeps its group and
// loses the group's permissions. Fails, changing nothing, where `from` is not a regular file.
// Does nothing on Windows, where a file's permissions come from its folder.
std::error_code TakePermissionsOf(const std::filesystem::path& from,
                                  const std::filesystem::path& to);
// Whether the live mark `path` (OsFile::CreateLiveMark) is held by a running process. A name that
// is not a regular file counts as live, so that what cannot be told is left alone.
bool IsLive(const std::filesystem::path& path);
// The longest file name, in the units of path::native(), that the folder `folder` takes; its
// nearest existing parent answers for a folder that is missing.
std::size_t NameLimit(const std::filesystem::path& folder);

// Discards a run's temporaries: closes `files` and removes the files `names`. The names are gone
// when it returns; where the system allows it, the closing (which frees the space, a matter of a
// second for gigabytes of text) goes on on a thread of its own.
void DiscardTemporaries(std::vector<OsFile> files, const std::vector<std::filesystem::path>& names);

// Told once per wait for another run's folder lock, after a second of it, the lock's file; called
// on the thread that waits. A run's caller gives its own, as it gives a progress callback; with
// none, the wait is a line on stderr (ReportLockWait in core/os/os_file_hooks.h).
using LockWaitReporter = std::function<void(const std::filesystem::path& lock)>;

// The lock through which runs writing into one folder take turns. It is released on destruction,
// and by the system when the program ends however it ends; it leaves nothing behind in the folder.
class FolderLock {
 public:
  FolderLock() = default;
  ~FolderLock() { Release(); }
  FolderLock(const FolderLock&) = delete;
  FolderLock& operator=(const FolderLock&) = delete;

  // Waits until no other run holds the lock of `folder` (empty: the current folder), then takes
  // it. Requires that this object holds no lock. After a second of waiting it tells `report`,
  // once; after the patience of core/os/os_file_hooks.h (2 minutes) it gives up with
  // FileError::kLockTimeout. Anything but a regular file at the lock's name fails at once
  // (FileError::kLink, FileError::kNotRegularFile, or the system's reason). A failure concerns
  // path(), except that where the lock's file is missing and cannot be created it concerns the
  // folder (its permission, its file system). A lock file of another user that this one may only
  // read is locked all the same. A wait ends as soon as `stop` (if any) is requested, with
  // errc::operation_canceled.
  std::error_code Acquire(const std::filesystem::path& folder, const LockWaitReporter& report = {},
                          const StopRequest* stop = nullptr);
  void Release();
  // The lock's file in the folder.
  const std::filesystem::path& path() const { return path_; }

 private:
  int fd_ = -1;
  std::filesystem::path path_;  // the lock's file in the folder
};

}  // namespace velbrix

#endif  // VELBRIX_CORE_OS_OS_FILE_H_
