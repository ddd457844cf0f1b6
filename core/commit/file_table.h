// The program's table of open files, addressed by numbers 1 .. 255.
//
// A number names at most one open file. Inputs are opened for reading and never changed. Outputs
// appear whole or not at all: an output is written to a temporary of the run in the run's root
// (on Linux one without a name, where the file system allows it) and only EndRun
// moves it to its final name, replacing a file of that name, as one transaction with every other
// output and removal of the run (see output_commit.h); DiscardOutputs (or the table's destruction)
// removes the run's files and leaves existing files as they were. The root is the folder of the
// first output unless the table is given one; every output lies below it. A run that is killed
// leaves at most its own files there, which the next run into the same root sets right as it opens
// its first output there; runs into one root at the same time commit one after the other.
//
// Every failure names the file the caller asked for (the final name of an output, never its
// temporary) and the system's reason. The table is not safe for concurrent use, with one
// exception: while a run is under way, Read and Write of different files may be called from
// different threads at once (a run's threads each keep their own outputs).
#ifndef VELBRIX_CORE_COMMIT_FILE_TABLE_H_
#define VELBRIX_CORE_COMMIT_FILE_TABLE_H_

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/base/status.h"
#include "core/commit/output_commit.h"
#include "core/os/os_file.h"

namespace velbrix {

// Fails with kInvalidArgument, naming `path` and the limit, when its file name is longer than its
// folder takes (its nearest existing parent answers for a missing folder).
Status CheckOutputName(const std::filesystem::path& path);

class FileTable {
 public:
  static constexpr int kLowestNumber = 1;
  static constexpr int kHighestNumber = 255;

  // kNamed: every temporary has a name, also where the system could do without (for tests).
  enum class Temporaries { kUnnamedWherePossible, kNamed };
  // kCreateIfMissing: the table creates the root and its missing parents as the first output is
  // opened, again should another run remove them before this run's files are there, and removes
  // those it created, where they are empty, when the run is discarded.
  enum class RootFolder { kMustExist, kCreateIfMissing };

  explicit FileTable(Temporaries temporaries = Temporaries::kUnnamedWherePossible)
      : temporaries_(temporaries) {}
  // A table whose outputs are all below `root`, which must exist when the first is opened: one
  // transaction for all of them, under root's lock alone.
  explicit FileTable(const std::filesystem::path& root,
                     Temporaries temporaries = Temporaries::kUnnamedWherePossible,
                     RootFolder root_folder = RootFolder::kMustExist)
      : temporaries_(temporaries),
        root_(root),
        root_given_(true),
        create_root_(root_folder == RootFolder::kCreateIfMissing) {}
  ~FileTable() { DiscardOutputs(); }
  FileTable(const FileTable&) = delete;
  FileTable& operator=(const FileTable&) = delete;

  // Who is told when the run waits for another run's lock on its root (os_file.h); nothing: a
  // line on stderr. It is called on the thread that uses the table.
  void set_lock_wait_reporter(LockWaitReporter reporter) { lock_wait_ = std::move(reporter); }
  // A request that ends a wait for another run's lock: the output being opened then fails with
  // Status::Stopped. Nothing: the wait goes on until the lock is free or the patience ends. The
  // request must outlive the run.
  void set_stop_request(const StopRequest* stop) { stop_ = stop; }

  // The smallest number 1 .. 255 that names no open file, or 0 when every number is in use.
  int LowestFreeNumber() const;

  // Opens the existing file `path` for reading as `number`. A missing file is an error; nothing is
  // created. Requires `number` to be free.
  Status OpenForBinaryInput(int number, const std::filesystem::path& path);
  // Opens an output as `number` that will become `path` when committed; until then `path` is not
  // touched, and its folder need not exist below the root (the commit creates it). Requires
  // `number` to be free. The run's first output first takes the root's lock and sets the root
  // right after runs that were killed there (output_commit.h: RecoverFolder). Fails before
  // anything is written for a name that its folder does not take (CheckOutputName), for a path
  // outside the root, naming the root where it cannot be written into, and naming the lock's file
  // when the root's lock cannot be used.
  Status OpenForTextOutput(int number, const std::filesystem::path& path);
  // As OpenForBinaryInput and OpenForTextOutput, on the lowest free number, which `*number` gets.
  // Fail, naming `path`, when every number is in use.
  Status OpenInputOnFreeNumber(const std::filesystem::path& path, int* number);
  Status OpenOutputOnFreeNumber(const std::filesystem::path& path, int* number);

  // Reads up to buffer.size() bytes from input `number`; fewer only at the end of the file.
  Status Read(int number, std::span<std::uint8_t> buffer, std::size_t* got);
  // Writes all of `data` to output `number`.
  Status Write(int number, std::string_view data);
  // Writes `data` over the bytes at `offset` of output `number`, as when a header is completed
  // after the data that follows it; later writes continue where they would have.
  Status WriteAt(int number, std::uint64_t offset, std::string_view data);
  // The size in bytes of the file open as `number` (0 if it has none).
  std::uint64_t Size(int number) const;
  // The name under which the file open as `number` was asked for (an output's final name).
  const std::filesystem::path& Path(int number) const { return At(number).path; }

  // Has the commit remove the file `path` below the root, if there is one then, with the outputs:
  // one more member of the transaction. A folder there makes the commit fail.
  void RemoveAtCommit(const std::filesystem::path& path);

  // Closes every open file and removes every output's temporary; no final name is touched.
  void DiscardOutputs();
  // A step of the commit that runs under the root's lock, after the recovery of killed runs and
  // before the outputs are moved: it may read files below the root and open more outputs
  // (EditTextFile) and removals, which join the transaction. A failure discards the run.
  using CommitStep = std::function<Status(FileTable& files)>;
  // Ends a run whose work came to `outcome`: if it is ok, closes every file, runs `step` (if any)
  // and moves every output to its final name; if it is not, or closing or moving fails, discards
  // them. Returns the first failure, or Ok when every output is in place. Either every output is
  // in place and every removal done, or none is.
  Status EndRun(Status outcome, const CommitStep& step = {});

  // Within a CommitStep: reads the text file `path` (nothing if it is missing), has `edit` make its
  // new text from it, and writes that as an output of the run, or leaves the file as it is when
  // `edit` gives nothing. A file that cannot be read, and anything but a regular file (a link, a
  // pipe: never followed, never waited for), is a failure naming it.
  using TextEdit = std::function<Status(const std::optional<std::string>& text,
                                        std::optional<std::string>* edited)>;
  Status EditTextFile(const std::filesystem::path& path, const TextEdit& edit);

  // What the recoveries of this table's runs left alone of killed runs' files in the root (another
  // user's files, journals of another version's form), each once, as clauses such as "left alone
  // <file>: Owned by another user". A run that leaves a file alone still ends as it would.
  std::vector<std::string> LeftAloneNotes() const;
  // LeftAloneNotes, which are then forgotten: what a run reports once it has ended, so that the
  // next run of the same table tells only of its own.
  std::vector<std::string> TakeLeftAloneNotes();

 private:
  struct Slot {
    OsFile file;
    bool is_output = false;
    std::filesystem::path path;  // the name the caller gave
  };
  struct Output {
    int number = 0;  // its slot
    std::filesystem::path final_path;
    std::filesystem::path name;  // relative to the root
    std::filesystem::path temp_path;
    bool named = false;  // whether the temporary has temp_path as its name yet
  };

  Slot& At(int number);
  const Slot& At(int number) const;
  void CloseInputs();
  Status Lock(FolderLock* lock, const std::filesystem::path& output);
  std::error_code CreateRoot(std::filesystem::path* failed);
  void Recover();
  void RemoveCreatedRoot();
  Status CommitOutputs(const CommitStep& step);
  Status Plan(CommitPlan* plan, std::vector<std::filesystem::path>* finals);

  Temporaries temporaries_;
  std::filesystem::path root_;  // of the transaction
  bool root_given_ = false;
  bool create_root_ = false;
  std::vector<std::filesystem::path> created_root_;  // made for the root, parents first
  std::vector<LeftAlone> left_alone_;
  LockWaitReporter lock_wait_;
  const StopRequest* stop_ = nullptr;
  bool locked_ = false;                           // whether the commit holds the root's lock
  std::array<Slot, kHighestNumber + 1> slots_{};  // slot 0 unused
  std::vector<Output> outputs_;                   // opened since the run began
  std::vector<std::filesystem::path> removals_;   // final paths
  Staging staging_;
};

}  // namespace velbrix

#endif  // VELBRIX_CORE_COMMIT_FILE_TABLE_H_
