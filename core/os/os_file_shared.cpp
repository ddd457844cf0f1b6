// What the file services of both platforms share: their own reasons for a failure, and the
// hooks.
#include "core/os/os_file_hooks.h"

#include <cstdio>
#include <mutex>
#include <string>
#include <utility>

#include "core/base/status.h"
#include "core/os/os_file.h"

namespace velbrix {
namespace {

struct Hooks {
  std::mutex mutex;
  std::chrono::milliseconds patience = kLockPatience;
  std::function<void()> before_operation;
};

Hooks& TheHooks() {
  static Hooks hooks;
  return hooks;
}

class FileErrorCategory : public std::error_category {
 public:
  const char* name() const noexcept override { return "velbrix-file"; }
  std::string message(int value) const override {
    switch (static_cast<FileError>(value)) {
      case FileError::kNotRegularFile:
        return "Not a regular file";
      case FileError::kNotOwn:
        return "Owned by another user";
      case FileError::kNotJournal:
        return "Not a journal of this version";
      case FileError::kLockTimeout:
        return "Gave up waiting for the other run that holds it";
      case FileError::kLink:
        return "A link, which is not followed";
      case FileError::kOtherNames:
        return "A file with other names (hard links)";
    }
    return "Unknown error";
  }
};

}  // namespace

std::error_code MakeErrorCode(FileError error) {
  static const FileErrorCategory category;
  return std::error_code(static_cast<int>(error), category);
}

std::string LockWaitMessage(const std::filesystem::path& lock) {
  return "Waiting for another run, which holds " + PathForDisplay(lock) + " (at most " +
         std::to_string(std::chrono::duration_cast<std::chrono::seconds>(LockPatience()).count()) +
         " s)";
}

void ReportLockWait(const LockWaitReporter& reporter, const std::filesystem::path& lock) {
  if (reporter) {
    reporter(lock);
  } else {
    std::fprintf(stderr, "%s\n", LockWaitMessage(lock).c_str());
  }
}

void SetLockPatienceForTests(std::chrono::milliseconds patience) {
  const std::lock_guard<std::mutex> guard(TheHooks().mutex);
  TheHooks().patience = patience.count() > 0 ? patience : kLockPatience;
}

std::chrono::milliseconds LockPatience() {
  const std::lock_guard<std::mutex> guard(TheHooks().mutex);
  return TheHooks().patience;
}

void SetFileOperationHook(std::function<void()> hook) {
  TheHooks().before_operation = std::move(hook);
}

void BeforeFileOperation() {
  if (TheHooks().before_operation) {
    TheHooks().before_operation();
  }
}

}  // namespace velbrix
