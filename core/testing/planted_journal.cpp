// Planting a killed run's journal.
#include "core/testing/planted_journal.h"

#include "core/commit/commit_journal.h"
#include "core/os/os_file.h"

namespace velbrix::testing {

std::error_code WriteJournal(const std::filesystem::path& root, const std::string& run_id,
                             const CommitPlan& plan) {
  const std::string text = JournalText(run_id, plan);
  OsFile file;
  if (const std::error_code ec = OsFile::CreateNew(RunFile(root, run_id, "journal"), &file)) {
    return ec;
  }
  if (const std::error_code ec = file.Write(text.data(), text.size())) {
    return ec;
  }
  return file.Close();
}

}  // namespace velbrix::testing
