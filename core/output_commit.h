// Moving a run's finished temporaries to their final names in one folder, whole or not at all, and
// setting right what a run that was killed left behind.
//
// A commit first writes a journal into the folder that lists its outputs, keeps every file that an
// output replaces under a second name (a hard link where the file system has them, so that the
// final name never goes missing), moves each temporary to its final name (exchanging the two files
// where the system can), and then removes the kept files and the journal. A failure on the way
// renames the kept files back and removes the temporaries. A commit that a kill interrupted is
// completed by the next run into the folder (RecoverFolder), or undone where it cannot be
// completed. Every file of a final name is therefore, at any moment, either the one that was there
// before or the run's own complete output, and once the next run has recovered the folder the
// outputs are all of one or all of the other.
//
// Everything here requires the FolderLock (os_file.h) of every folder involved to be held.
#ifndef VELBRIX_CORE_OUTPUT_COMMIT_H_
#define VELBRIX_CORE_OUTPUT_COMMIT_H_

#include <cstddef>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

namespace velbrix {

// One output of a commit. Its names are all in the same folder.
struct CommitEntry {
  std::filesystem::path temp;        // the complete temporary, closed
  std::filesystem::path final_path;  // where it goes
  std::filesystem::path kept;        // where the file it replaces waits until the commit is done
  bool replaces = false;             // whether a file of the final name existed
};

// The folder `folder` (empty: the current folder) as one path however it was written, so that a run
// tells its folders apart by what they are.
std::filesystem::path CanonicalFolder(const std::filesystem::path& folder);

// A name for this run's files that no other run uses: 16 hexadecimal digits.
std::string NewRunId();
// The names of a run's temporary for `final_path`, and of the file that it replaces while the
// commit is in progress.
std::filesystem::path TemporaryName(const std::filesystem::path& final_path,
                                    const std::string& run_id);
std::filesystem::path KeptName(const std::filesystem::path& final_path, const std::string& run_id);

// Commits `entries`, with a journal in each of their folders (empty: the current folder). On
// failure every final name is as it was, the temporaries are removed, and `*failed` is the index
// of the entry that failed. A commit cut short by a kill is set right folder by folder, by the
// next run into each.
std::error_code CommitEntries(const std::vector<CommitEntry>& entries, std::size_t* failed);

// Completes or undoes a commit that a run left half-done in `folder`, and removes the temporaries
// and kept files of runs that ended without removing them; live runs' temporaries stay.
void RecoverFolder(const std::filesystem::path& folder);

// The journal of a commit in progress, as a killed run leaves it. For tests.
std::filesystem::path JournalPath(const std::filesystem::path& folder);
std::error_code WriteJournal(const std::filesystem::path& folder,
                             const std::vector<CommitEntry>& entries);

}  // namespace velbrix

#endif  // VELBRIX_CORE_OUTPUT_COMMIT_H_
