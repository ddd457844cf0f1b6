// Helpers for tests that work on real files: a temporary folder, and reading and writing files.
#ifndef VELBRIX_CORE_TESTING_TEST_SUPPORT_H_
#define VELBRIX_CORE_TESTING_TEST_SUPPORT_H_

#include <cstdint>
#include <filesystem>
#include <functional>
#include <set>
#include <string>
#include <string_view>

namespace velbrix::testing {

// A new empty folder under the system's temporary folder, removed with all it holds on
// destruction.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& path() const { return path_; }
  std::filesystem::path operator/(std::string_view name) const;

 private:
  std::filesystem::path path_;
};

// The path of `utf8` (a name or a path written in UTF-8), on every platform.
std::filesystem::path Utf8Path(std::string_view utf8);

void WriteFile(const std::filesystem::path& path, std::string_view bytes);
std::string ReadFile(const std::filesystem::path& path);
// The names (UTF-8) of everything in `folder`.
std::set<std::string> ListFolder(const std::filesystem::path& folder);

// A recording of `size` bytes whose byte at offset i is (i * 7 + i / 32) mod 256: every channel
// sees many values and no two neighbouring records are alike.
std::string MakeRecording(std::size_t size);

#ifndef _WIN32
// The user id and group id of `nobody`, whom tests play another user of a shared folder as.
inline constexpr unsigned kNobody = 65534;
// Makes `folder` one that every user may write into, sticky as /tmp is: a user may remove or rename
// only their own files there.
void MakeSharedFolder(const std::filesystem::path& folder);
// Runs `body` in a child process as `nobody` and tells whether it returned true. Requires root.
bool RunAsNobody(const std::function<bool()>& body);
#endif

}  // namespace velbrix::testing

#endif  // VELBRIX_CORE_TESTING_TEST_SUPPORT_H_
