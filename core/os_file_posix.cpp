// POSIX file services for the core.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "core/os_file.h"

namespace velbrix {
namespace {

std::error_code LastError() {
  return std::error_code(errno, std::generic_category());
}

}  // namespace

std::error_code OsFile::OpenForReading(const std::filesystem::path& path, OsFile* file) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    return LastError();
  }
  *file = OsFile(fd);
  return {};
}

std::error_code OsFile::CreateNew(const std::filesystem::path& path, OsFile* file) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fd < 0) {
    return LastError();
  }
  *file = OsFile(fd);
  return {};
}

std::error_code OsFile::Read(void* buffer, std::size_t size, std::size_t* got) {
  auto* out = static_cast<char*>(buffer);
  std::size_t total = 0;
  while (total < size) {
    const ssize_t n = ::read(fd_, out + total, size - total);
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

std::error_code OsFile::ReadAt(std::uint64_t offset, void* buffer, std::size_t size,
                               std::size_t* got) {
  auto* out = static_cast<char*>(buffer);
  std::size_t total = 0;
  while (total < size) {
    const ssize_t n = ::pread(fd_, out + total, size - total, static_cast<off_t>(offset + total));
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

std::error_code OsFile::Write(const void* data, std::size_t size) {
  const auto* in = static_cast<const char*>(data);
  while (size > 0) {
    const ssize_t n = ::write(fd_, in, size);
    if (n < 0) {
      if (errno == EINTR) {
        continue;
      }
      return LastError();
    }
    in += n;
    size -= static_cast<std::size_t>(n);
  }
  return {};
}

std::error_code OsFile::WriteAt(std::uint64_t offset, const void* data, std::size_t size) {
  const auto* in = static_cast<const char*>(data);
  while (size > 0) {
    const ssize_t n = ::pwrite(fd_, in, size, static_cast<off_t>(offset));
    if (n < 0) {
      if (errno == EINTR) {
        continue;
      }
      return LastError();
    }
    in += n;
    size -= static_cast<std::size_t>(n);
    offset += static_cast<std::uint64_t>(n);
  }
  return {};
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
  return std::rename(from.c_str(), to.c_str()) == 0 ? std::error_code() : LastError();
}

std::error_code RemoveFile(const std::filesystem::path& path) {
  return ::unlink(path.c_str()) == 0 ? std::error_code() : LastError();
}

}  // namespace velbrix
