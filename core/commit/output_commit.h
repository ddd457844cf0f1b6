// A run's outputs moved to their final names as one transaction, whole or not at all, and the
// recovery of what a run that was killed left behind.
//
// A transaction has a root folder; its outputs are files anywhere below it. The run names
// everything of its own in the root `.velbrix-<run id>.<what>`, the run id being 16 hexadecimal
// digits: a live mark that the run holds (`live`, created under the root's FolderLock), the
// temporaries (`t0`, `t1`, ... by the outputs' order; on Linux they have no name until the
// commit, where the file system allows it), and, during the commit, the files that the outputs
// replace or remove (`k0`, `k1`, ...) and the journal (`journal`, `undo` while the commit is
// undone). These names are short whatever the final names: a final name that its folder takes is
// never refused for its temporary. (A private folder per run would hold them as well, but creating
// and removing a folder costs milliseconds on ext4, several per cent of a short run.)
//
// A commit (under the root's lock) writes the journal, which lists the folders it creates and, for
// each output, its action (create, replace or remove) and its final name relative to the root;
// keeps every file that it replaces or removes under its `k` name (a hard link where the file
// system has them, so that a replaced name never goes missing); creates the folders; moves each
// temporary to its final name (exchanging the two files where the system can); and then removes
// the kept files, the journal and the live mark. A failure on the way undoes all of it, removing
// the folders that the commit created. That is the one decision of a transaction.
//
// What a run acts on. Every run, under the root's lock, recovers the root: the files of each run
// whose live mark is no longer held (a dead run) are set right as a whole and removed, where they
// are provably the same user's. Provably: the journal is a regular file with one name, opened
// without following a link or waiting, owned by the user running, in the form this version
// writes, naming the run's own id, and every final name in it is made of plain names (no "..", no
// NUL); every folder on a final name's way is a real folder, not a link; a final name is replaced
// only where it is a file or a link (never a folder); a temporary is moved only where it is the
// user's own regular file with one name (anything else at its name is not the run's: the run's
// own was moved); a file is removed only where it is the user's own regular file and either one of
// the dead run's own names or an output of its journal that the undo takes back; a kept file is
// removed by its name, never opened; a folder is removed only where the journal lists it among
// those the commit creates, it is the user's and it is empty. Anything else (other users' files,
// live runs' files, files of any other name, those that earlier versions left included) is left
// alone, and so is every file of a run whose journal is in another form (another version's) or not
// the user's own regular file. A journal that a kill cut short while it was written never decided
// anything: the run's files are removed without touching any final name. What a recovery leaves
// alone of a dead run's it tells (LeftAlone).
//
// A file that replaces another takes its permissions and group (TakePermissionsOf), so that a run
// never makes a file readable by more people than before.
//
// On Windows the core does not read the file system's owners: a run's files and its journal are
// taken for the user's own by their kind and form, since a user's folders are the user's alone
// there; the live mark is a file held open without sharing writes or its deletion.
//
// Everything here except the use of a Staging and RemoveStaging requires the root's FolderLock.
#ifndef VELBRIX_CORE_COMMIT_OUTPUT_COMMIT_H_
#define VELBRIX_CORE_COMMIT_OUTPUT_COMMIT_H_

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "core/os/os_file.h"

namespace velbrix {

// One file of a commit.
struct CommitEntry {
  enum class Action { kCreate, kReplace, kRemove };
  // The final name relative to the transaction's root: plain names joined by separators.
  std::filesystem::path name;
  Action action = Action::kCreate;
};

// What a commit does: its entries, whose temporaries (for kCreate and kReplace) are the run's
// t<i> for entry i, and the folders it creates, relative to the root, parents first.
struct CommitPlan {
  std::vector<CommitEntry> entries;
  std::vector<std::filesystem::path> new_folders;
};

// A live run's files in a transaction's root, marked by its live mark. Move-only; the files stay
// until RemoveStaging.
class Staging {
 public:
  Staging() = default;
  Staging(Staging&&) = default;
  Staging& operator=(Staging&&) = default;

  bool exists() const { return !run_id_.empty(); }
  const std::filesystem::path& root() const { return root_; }
  const std::string& run_id() const { return run_id_; }
  // The name of the temporary of output `index`.
  std::filesystem::path Temporary(std::size_t index) const;

 private:
  friend std::error_code CreateStaging(const std::filesystem::path& root, Staging* staging);
  friend void RemoveStaging(Staging* staging);

  std::filesystem::path root_;
  std::string run_id_;
  OsFile live_;
};

// Takes a new run id in `root`, creating its live mark. Requires root's lock.
std::error_code CreateStaging(const std::filesystem::path& root, Staging* staging);
// Removes the run's files, whatever it left; no final name is touched.
void RemoveStaging(Staging* staging);

// Commits `plan`, whose temporaries are complete and closed in `staging`. On failure every final
// name is as it was, the folders the commit created (and only those) are gone whatever their
// permissions, and `*failed` is the index of the entry that failed; the run's files stay for
// RemoveStaging.
std::error_code Commit(const Staging& staging, const CommitPlan& plan, std::size_t* failed);

// A dead run's file that a recovery left alone, and why.
struct LeftAlone {
  std::filesystem::path path;
  std::string reason;
};

// Completes or undoes, as a whole, each commit that a dead run of the same user left in `root`,
// and removes those runs' files; everything else is left alone (see above), and the dead runs'
// files among it are returned.
std::vector<LeftAlone> RecoverFolder(const std::filesystem::path& root);

// The name of the file `what` ("live", "journal", "t0", ...) of run `run_id` in `root`.
std::filesystem::path RunFile(const std::filesystem::path& root, const std::string& run_id,
                              std::string_view what);

}  // namespace velbrix

#endif  // VELBRIX_CORE_COMMIT_OUTPUT_COMMIT_H_
