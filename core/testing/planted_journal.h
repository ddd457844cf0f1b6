// The journal of a run as a commit that was killed leaves it, for the tests that plant one.
#ifndef VELBRIX_CORE_TESTING_PLANTED_JOURNAL_H_
#define VELBRIX_CORE_TESTING_PLANTED_JOURNAL_H_

#include <filesystem>
#include <string>
#include <system_error>

#include "core/commit/output_commit.h"

namespace velbrix::testing {

// Writes the journal of `plan` for run `run_id` into `root` as a new file (RunFile's "journal");
// fails, with the system's reason, where a file of that name exists.
std::error_code WriteJournal(const std::filesystem::path& root, const std::string& run_id,
                             const CommitPlan& plan);

}  // namespace velbrix::testing

#endif  // VELBRIX_CORE_TESTING_PLANTED_JOURNAL_H_
