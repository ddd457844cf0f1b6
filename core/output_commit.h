// A run's outputs moved to their final names as one transaction, whole or not at all, and the
// recovery of what a run that was killed left behind.
//
// A transaction has a root folder; its outputs are files anywhere below it. The run keeps
// everything of its own in a staging folder in the root, `.velbrix-run-<16 hex digits>`, which it
// creates under the root's FolderLock with only its user allowed in (mode 0700). The folder holds
// a live mark (`live`) that the run keeps open, the temporaries (`t0`, `t1`, ... by the outputs'
// order), and, during the commit, the files that the outputs replace or remove (`k0`, `k1`, ...)
// and the journal (`journal`, `undo` while the commit is undone). Names in the output folders
// therefore never grow: a final name that its folder takes is never refused for its temporary.
//
// A commit (under the root's lock) writes the journal, which lists the folders it creates and, for
// each output, its action (create, replace or remove) and its final name relative to the root;
// keeps every file that it replaces or removes under its `k` name (a hard link where the file
// system has them, so that a replaced name never goes missing); creates the folders; moves each
// temporary to its final name (exchanging the two files where the system can); and then removes
// the kept files, the journal and the staging folder. A failure on the way undoes all of it,
// removing the folders that the commit created. That is the one decision of a transaction.
//
// What a run acts on. Every run, under the root's lock, recovers the root: each staging folder
// there that is provably a dead run's of the same user is completed or undone as a whole and
// removed. Provably: the folder is a real folder (not a link) owned by the user running that no one
// else may write into; its live mark is not held; its journal is a regular file opened without
// following a link or waiting, owned by the user running, in the form this version writes, naming
// the folder's own run id, and every final name in it is made of plain names (no "..", no
// separators); every folder on a final name's way is a real folder; a final name is replaced only
// where it is a file or a link (never a folder), and a file is removed only where the journal's
// own `k` or `t` names it, or it is the user's own output of that commit. Anything else (other
// users' folders, runs still alive, unreadable journals, files of any other name, those that
// earlier versions left included) is left alone. A journal that a kill cut short while it was
// written never decided anything: its staging folder is removed without touching any final name.
//
// On Windows the core does not read the file system's owners: a staging folder and a journal are
// taken for the user's own by their kind and form, since a user's folders are the user's alone
// there; the live mark is a file held open without sharing its deletion.
//
// Everything here except CreateStaging's result and RemoveStaging requires the root's FolderLock.
#ifndef VELBRIX_CORE_OUTPUT_COMMIT_H_
#define VELBRIX_CORE_OUTPUT_COMMIT_H_

#include <cstddef>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "core/os_file.h"

namespace velbrix {

// One file of a commit.
struct CommitEntry {
  enum class Action { kCreate, kReplace, kRemove };
  // The final name relative to the transaction's root: plain names joined by separators.
  std::filesystem::path name;
  Action action = Action::kCreate;
};

// What a commit does: its entries, whose temporaries (for kCreate and kReplace) are the staging
// folder's t<i> for entry i, and the folders it creates, relative to the root, parents first.
struct CommitPlan {
  std::vector<CommitEntry> entries;
  std::vector<std::filesystem::path> new_folders;
};

// A run's staging folder in a transaction's root. Move-only; the folder stays until
// RemoveStaging.
class Staging {
 public:
  Staging() = default;
  Staging(Staging&&) = default;
  Staging& operator=(Staging&&) = default;

  bool exists() const { return !folder_.empty(); }
  const std::filesystem::path& root() const { return root_; }
  const std::filesystem::path& folder() const { return folder_; }
  std::filesystem::path Temporary(std::size_t index) const;
  std::filesystem::path Kept(std::size_t index) const;

 private:
  friend std::error_code CreateStaging(const std::filesystem::path& root, Staging* staging);
  friend void RemoveStaging(Staging* staging);

  std::filesystem::path root_;
  std::filesystem::path folder_;
  OsFile live_;
};

// The folder `folder` (empty: the current folder) as one path however it was written, so that a run
// tells its folders apart by what they are.
std::filesystem::path CanonicalFolder(const std::filesystem::path& folder);

// Creates a new staging folder with its live mark in `root`. Requires root's lock.
std::error_code CreateStaging(const std::filesystem::path& root, Staging* staging);
// Removes the staging folder with whatever its run left in it; no final name is touched.
void RemoveStaging(Staging* staging);

// Commits `plan`, whose temporaries are complete and closed in `staging`. On failure every final
// name is as it was, the folders the commit created are gone, and `*failed` is the index of the
// entry that failed. The staging folder stays, emptied of the commit's files.
std::error_code Commit(const Staging& staging, const CommitPlan& plan, std::size_t* failed);

// Completes or undoes, as a whole, each commit that a dead run of the same user left in `root`,
// and removes those runs' staging folders; everything else is left alone (see above).
void RecoverFolder(const std::filesystem::path& root);

// The staging folder of run `run_id` in `root`, and its journal as a killed commit leaves it. For
// tests that set up what a killed run leaves.
std::filesystem::path StagingFolder(const std::filesystem::path& root, const std::string& run_id);
std::error_code WriteJournal(const std::filesystem::path& staging_folder, const CommitPlan& plan);

}  // namespace velbrix

#endif  // VELBRIX_CORE_OUTPUT_COMMIT_H_
