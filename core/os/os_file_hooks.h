// Process-wide hooks into the file services: who is told that a run waits for another's folder
// lock, how long it waits, and a call before every operation on a name (for tests that kill a run
// at each step of its commit).
#ifndef VELBRIX_CORE_OS_OS_FILE_HOOKS_H_
#define VELBRIX_CORE_OS_OS_FILE_HOOKS_H_

#include <chrono>
#include <filesystem>
#include <functional>
#include <string>

namespace velbrix {

// Told once per wait, after a second, the lock file that another run holds. The default writes
// "Waiting for another run, which holds <lock> (at most 2 minutes)" as a line on stderr. The
// command line and the window set their own (a line on stderr, the window's status). The reporter
// may be called on any thread that converts; it must be set before runs start.
using LockWaitReporter = std::function<void(const std::filesystem::path& lock)>;
void SetLockWaitReporter(LockWaitReporter reporter);
void ReportLockWait(const std::filesystem::path& lock);
// The text that the default reporter writes, without a line end.
std::string LockWaitMessage(const std::filesystem::path& lock);

// How long a run waits for another run's lock before it gives up: 2 minutes on every system.
inline constexpr std::chrono::seconds kLockPatience{120};
// How long before the wait is reported.
inline constexpr std::chrono::seconds kLockWaitNotice{1};
// For tests: another patience (nothing: kLockPatience again).
void SetLockPatienceForTests(std::chrono::milliseconds patience);
std::chrono::milliseconds LockPatience();

// For tests: `hook` is called before every operation that creates, renames, links or removes a
// name. Nothing: no hook.
void SetFileOperationHook(std::function<void()> hook);
void BeforeFileOperation();

}  // namespace velbrix

#endif  // VELBRIX_CORE_OS_OS_FILE_HOOKS_H_
