// Reading a lab table and keeping its mode and group on POSIX systems.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <string>

#include "core/formats/lab_table_file.h"

namespace velbrix {
namespace {

namespace fs = std::filesystem;

// A descriptor closed on destruction.
class Descriptor {
 public:
  explicit Descriptor(int fd) : fd_(fd) {}
  ~Descriptor() {
    if (fd_ >= 0) {
      ::close(fd_);
    }
  }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  int get() const { return fd_; }

 private:
  int fd_;
};

int OpenWithoutFollowingOrWaiting(const fs::path& path) {
  return ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
}

// Why a file of the kind `mode` is not read as a table.
Status NotARegularFile(const fs::path& path, mode_t mode) {
  const char* kind = S_ISLNK(mode)                    ? "a symbolic link"
                     : S_ISFIFO(mode)                 ? "a named pipe (FIFO)"
                     : S_ISCHR(mode) || S_ISBLK(mode) ? "a device"
                     : S_ISDIR(mode)                  ? "a folder"
                     : S_ISSOCK(mode)                 ? "a socket"
                                                      : "not a regular file";
  return LabTableOfWrongKind(path, kind);
}

}  // namespace

Status ReadLabTable(const fs::path& path, std::optional<LabTable>* table) {
  table->reset();
  // The name is looked at first, so that a device is not even opened where no one swaps it.
  struct stat named {};
  if (::lstat(path.c_str(), &named) != 0) {
    return errno == ENOENT ? Status::Ok()
                           : Status::IoError("Cannot read", path, ErrnoReason(errno));
  }
  if (!S_ISREG(named.st_mode)) {
    return NotARegularFile(path, named.st_mode);
  }
  const Descriptor fd(OpenWithoutFollowingOrWaiting(path));
  if (fd.get() < 0) {
    return errno == ENOENT  ? Status::Ok()
           : errno == ELOOP ? NotARegularFile(path, S_IFLNK)
                            : Status::IoError("Cannot read", path, ErrnoReason(errno));
  }
  struct stat st {};
  if (::fstat(fd.get(), &st) != 0) {
    return Status::IoError("Cannot read", path, ErrnoReason(errno));
  }
  if (!S_ISREG(st.st_mode)) {
    return NotARegularFile(path, st.st_mode);
  }
  if (static_cast<std::uint64_t>(st.st_size) > kLabTableLimit) {
    return LabTableTooLarge(path);
  }
  // Up to one byte past the limit, which tells a file that grew past it since.
  std::string text(static_cast<std::size_t>(st.st_size) + 1, '\0');
  std::size_t got = 0;
  for (;;) {
    if (got == text.size()) {
      if (got > kLabTableLimit) {
        return LabTableTooLarge(path);
      }
      text.resize(std::min<std::size_t>(text.size() * 2, kLabTableLimit + 1));
    }
    const ssize_t n = ::read(fd.get(), text.data() + got, text.size() - got);
    if (n < 0 && errno == EINTR) {
      continue;
    }
    if (n < 0) {
      return Status::IoError("Cannot read", path, ErrnoReason(errno));
    }
    if (n == 0) {
      break;
    }
    got += static_cast<std::size_t>(n);
  }
  text.resize(got);
  *table = LabTable{std::move(text)};
  return Status::Ok();
}

}  // namespace velbrix
