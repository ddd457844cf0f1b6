// Hooks into the file services: how a run's wait for another's folder lock is told and how long
// it lasts, and a call before every operation on a name (for tests that kill a run at each step
// of its commit).
#ifndef VELBRIX_CORE_OS_OS_FILE_HOOKS_H_
#define VELBRIX_CORE_OS_OS_FILE_HOOKS_H_

#include <chrono>
#include <filesystem>
#include <functional>
#include <string>

#include "core/os/os_file.h"

namespace velbrix {

// Tells `reporter` (the run's, core/os/os_file.h) that the run waits for the lock file `lock` that
// another run holds; with no reporter, writes LockWaitMessage(lock) as a line on stderr.
void ReportLockWait(const LockWaitReporter& reporter, const std::filesystem::path& lock);
// "Waiting for another run, which holds <lock> (at most 120 s)": the text of a wait, without a
// line end.
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
