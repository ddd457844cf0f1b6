// The narrow seam between the core and the platform's file services: one implementation for POSIX
// systems (os_file_posix.cpp) and one for Windows (os_file_windows.cpp), chosen by the build.
//
// Functions return the system's error on failure and an empty error_code on success, so that the
// caller can name the file the user knows (not a temporary) in its message.
#ifndef VELBRIX_CORE_OS_FILE_H_
#define VELBRIX_CORE_OS_FILE_H_

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <system_error>

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

// Moves `from` to `to`, replacing a file `to` in one step.
std::error_code RenameFile(const std::filesystem::path& from, const std::filesystem::path& to);
// Removes the file `path`.
std::error_code RemoveFile(const std::filesystem::path& path);

}  // namespace velbrix

#endif  // VELBRIX_CORE_OS_FILE_H_
