#include "core/commit/file_table.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/wait.h>
#include <unistd.h>

#include <sys/stat.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <fstream>
#endif

#include "core/commit/output_commit.h"
#include "core/os/os_file_hooks.h"
#include "core/testing/planted_journal.h"
#include "core/testing/test_support.h"

#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#endif

namespace velbrix {
namespace {

using testing::ListFolder;
using testing::ReadFile;
using testing::TempDir;
using testing::WriteFile;

TEST(FileTableTest, LowestFreeNumberFillsGaps) {
  TempDir dir;
  WriteFile(dir / "in", "abc");
  FileTable files;
  EXPECT_EQ(files.LowestFreeNumber(), 1);
  ASSERT_TRUE(files.OpenForBinaryInput(1, dir / "in").ok());
  ASSERT_TRUE(files.OpenForBinaryInput(3, dir / "in").ok());
  EXPECT_EQ(files.LowestFreeNumber(), 2);
  int number = 0;
  ASSERT_TRUE(files.OpenOutputOnFreeNumber(dir / "out", &number).ok());
  EXPECT_EQ(number, 2);
  EXPECT_EQ(files.LowestFreeNumber(), 4);
  while (files.LowestFreeNumber() != 0) {
    ASSERT_TRUE(files.OpenInputOnFreeNumber(dir / "in", &number).ok());
  }
  EXPECT_EQ(files.OpenInputOnFreeNumber(dir / "in", &number).message(),
            "Cannot open " + PathForDisplay(dir / "in") + ": too many files are open");
  files.DiscardOutputs();
  EXPECT_EQ(files.LowestFreeNumber(), 1);
  EXPECT_EQ(ListFolder(dir.path()), std::set<std::string>{"in"});
}

TEST(FileTableTest, WriteAtReplacesEarlierBytesAndWritingGoesOnAtTheEnd) {
  TempDir dir;
  FileTable files;
  ASSERT_TRUE(files.OpenForTextOutput(1, dir / "out.edf").ok());
  ASSERT_TRUE(files.Write(1, "count=?? data").ok());
  ASSERT_TRUE(files.WriteAt(1, 6, "42").ok());
  ASSERT_TRUE(files.Write(1, " more").ok());
  ASSERT_TRUE(files.EndRun(Status::Ok()).ok());
  EXPECT_EQ(ReadFile(dir / "out.edf"), "count=42 data more");
}

// Both kinds of temporaries: without a name where the system allows it, and named.
class FileTableTemporariesTest : public ::testing::TestWithParam<FileTable::Temporaries> {};
INSTANTIATE_TEST_SUITE_P(Both, FileTableTemporariesTest,
                         ::testing::Values(FileTable::Temporaries::kUnnamedWherePossible,
                                           FileTable::Temporaries::kNamed));

TEST_P(FileTableTemporariesTest, OutputsAppearOnlyWhenCommitted) {
  TempDir dir;
  WriteFile(dir / "b.eeg", "old b");
  FileTable files(GetParam());
  ASSERT_TRUE(files.OpenForTextOutput(100, dir / "a.eeg").ok());
  ASSERT_TRUE(files.OpenForTextOutput(101, dir / "b.eeg").ok());
  ASSERT_TRUE(files.Write(100, "new a").ok());
  ASSERT_TRUE(files.Write(101, "new b").ok());
  EXPECT_FALSE(std::filesystem::exists(dir / "a.eeg"));
  EXPECT_EQ(ReadFile(dir / "b.eeg"), "old b");
  ASSERT_TRUE(files.EndRun(Status::Ok()).ok());
  EXPECT_EQ(ListFolder(dir.path()), (std::set<std::string>{"a.eeg", "b.eeg"}));
  EXPECT_EQ(ReadFile(dir / "a.eeg"), "new a");
  EXPECT_EQ(ReadFile(dir / "b.eeg"), "new b");
}

TEST_P(FileTableTemporariesTest, DiscardLeavesExistingFilesAndNoTemporaries) {
  TempDir dir;
  WriteFile(dir / "b.eeg", "old b");
  {
    FileTable files(GetParam());
    ASSERT_TRUE(files.OpenForTextOutput(1, dir / "b.eeg").ok());
    ASSERT_TRUE(files.Write(1, "half").ok());
    files.DiscardOutputs();
    ASSERT_TRUE(files.OpenForTextOutput(1, dir / "c.eeg").ok());
    // Destroyed while still open: the same as a discard.
  }
  EXPECT_EQ(ListFolder(dir.path()), (std::set<std::string>{"b.eeg"}));
  EXPECT_EQ(ReadFile(dir / "b.eeg"), "old b");
}

TEST(FileTableTest, FailedCommitRestoresEveryReplacedFile) {
  TempDir dir;
  WriteFile(dir / "a.eeg", "old a");
  std::filesystem::create_directory(dir / "c.eeg");  // a folder where an output must go
  FileTable files;
  ASSERT_TRUE(files.OpenForTextOutput(1, dir / "a.eeg").ok());
  ASSERT_TRUE(files.OpenForTextOutput(2, dir / "b.eeg").ok());
  ASSERT_TRUE(files.OpenForTextOutput(3, dir / "c.eeg").ok());
  const Status s = files.EndRun(Status::Ok());
  ASSERT_FALSE(s.ok());
  EXPECT_NE(s.message().find("c.eeg"), std::string::npos) << s.message();
  EXPECT_EQ(ListFolder(dir.path()), (std::set<std::string>{"a.eeg", "c.eeg"}));
  EXPECT_EQ(ReadFile(dir / "a.eeg"), "old a");
}

TEST(FileTableTest, OutputsInTwoFoldersCommitTogether) {
  TempDir dir;
  std::filesystem::create_directories(dir / "a");
  std::filesystem::create_directories(dir / "b" / "y.eeg");  // a folder where an output must go
  WriteFile(dir / "a" / "x.eeg", "old x");
  const auto run = [&] {
    FileTable files(dir.path());
    EXPECT_TRUE(files.OpenForTextOutput(1, dir / "a" / "x.eeg").ok());
    EXPECT_TRUE(files.OpenForTextOutput(2, dir / "b" / "y.eeg").ok());
    EXPECT_TRUE(files.Write(1, "new x").ok() && files.Write(2, "new y").ok());
    return files.EndRun(Status::Ok());
  };
  EXPECT_FALSE(run().ok());
  EXPECT_EQ(ReadFile(dir / "a" / "x.eeg"), "old x");
  EXPECT_EQ(ListFolder(dir / "a"), std::set<std::string>{"x.eeg"});
  std::filesystem::remove(dir / "b" / "y.eeg");
  EXPECT_TRUE(run().ok());
  EXPECT_EQ(ReadFile(dir / "a" / "x.eeg") + ReadFile(dir / "b" / "y.eeg"), "new xnew y");
  EXPECT_EQ(ListFolder(dir / "b"), std::set<std::string>{"y.eeg"});
}

TEST(FileTableTest, ErrorsNameTheFileAndTheReason) {
  TempDir dir;
  FileTable files;
  const Status in = files.OpenForBinaryInput(1, dir / "missing_eeg");
  EXPECT_EQ(in.code(), Status::Code::kIoError);
  EXPECT_EQ(in.message(),
            "Cannot open " + PathForDisplay(dir / "missing_eeg") + ": No such file or directory");
  const Status out = files.OpenForTextOutput(2, dir / "no-folder" / "x.eeg");
  EXPECT_EQ(out.message(), "Cannot create " + PathForDisplay(dir / "no-folder" / "x.eeg") +
                               ": No such file or directory");
  EXPECT_TRUE(ListFolder(dir.path()).empty());
}

#ifndef _WIN32
// A run killed while it writes, in a child process, leaves at most named temporaries, and the next
// run into the folder removes them.
TEST_P(FileTableTemporariesTest, AKilledRunsTemporariesGoWithTheNextRun) {
  TempDir dir;
  WriteFile(dir / "a.eeg", "old a");
  const pid_t child = ::fork();
  if (child == 0) {
    FileTable files(GetParam());
    if (files.OpenForTextOutput(1, dir / "a.eeg").ok() &&
        files.OpenForTextOutput(2, dir / "b.eeg").ok() && files.Write(1, "half").ok()) {
      std::raise(SIGKILL);
    }
    std::_Exit(1);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFSIGNALED(status));
  EXPECT_EQ(ReadFile(dir / "a.eeg"), "old a");
  // a.eeg, the run's live mark and, where they have names, its temporaries.
  EXPECT_EQ(ListFolder(dir.path()).size(), GetParam() == FileTable::Temporaries::kNamed ? 4u : 2u);
  FileTable next;
  ASSERT_TRUE(next.OpenForTextOutput(1, dir / "c.eeg").ok());
  ASSERT_TRUE(next.EndRun(Status::Ok()).ok());
  EXPECT_EQ(ListFolder(dir.path()), (std::set<std::string>{"a.eeg", "c.eeg"}));
  EXPECT_EQ(ReadFile(dir / "a.eeg"), "old a");
}
#endif

TEST(FileTableTest, ARunLeavesAnotherLiveRunsTemporaries) {
  TempDir dir;
  FileTable first(FileTable::Temporaries::kNamed);
  ASSERT_TRUE(first.OpenForTextOutput(1, dir / "a.eeg").ok());
  ASSERT_TRUE(first.Write(1, "first").ok());
  FileTable second(FileTable::Temporaries::kNamed);
  ASSERT_TRUE(second.OpenForTextOutput(1, dir / "b.eeg").ok());
  ASSERT_TRUE(second.EndRun(Status::Ok()).ok());
  ASSERT_TRUE(first.EndRun(Status::Ok()).ok());
  EXPECT_EQ(ListFolder(dir.path()), (std::set<std::string>{"a.eeg", "b.eeg"}));
  EXPECT_EQ(ReadFile(dir / "a.eeg"), "first");
}

// What a run killed in its commit leaves: its live mark, its journal, its temporaries and kept
// files.
class KilledCommit {
 public:
  explicit KilledCommit(const std::filesystem::path& root, std::string id = "0123456789abcdef")
      : root_(root), id_(std::move(id)) {
    WriteFile(RunFile(root_, id_, "live"), "");
  }
  std::filesystem::path t(int i) const { return RunFile(root_, id_, "t" + std::to_string(i)); }
  std::filesystem::path k(int i) const { return RunFile(root_, id_, "k" + std::to_string(i)); }
  std::filesystem::path journal() const { return RunFile(root_, id_, "journal"); }
  std::error_code WriteJournal(const CommitPlan& plan) const {
    return testing::WriteJournal(root_, id_, plan);
  }

 private:
  std::filesystem::path root_;
  std::string id_;
};

Status RunInto(const std::filesystem::path& dir) {
  FileTable next;
  if (Status s = next.OpenForTextOutput(1, dir / "e.eeg"); !s.ok()) {
    return s;
  }
  return next.EndRun(Status::Ok());
}

using Action = CommitEntry::Action;

// A commit killed after it had moved a.eeg into place (renamed over it), b.eeg (exchanged with
// it) and removed f.eeg, before c.eeg and d.eeg: the next run completes it.
TEST(FileTableTest, ACommitCutShortIsCompletedByTheNextRun) {
  TempDir dir;
  const KilledCommit killed(dir.path());
  ASSERT_FALSE(killed.WriteJournal({{{"a.eeg", Action::kReplace},
                                     {"b.eeg", Action::kReplace},
                                     {"c.eeg", Action::kReplace},
                                     {"d.eeg", Action::kCreate},
                                     {"f.eeg", Action::kRemove}},
                                    {}}));
  WriteFile(dir / "a.eeg", "new a");
  WriteFile(killed.k(0), "old a");
  WriteFile(dir / "b.eeg", "new b");
  WriteFile(killed.k(1), "old b");
  std::filesystem::create_hard_link(killed.k(1), killed.t(1));
  WriteFile(dir / "c.eeg", "old c");
  std::filesystem::create_hard_link(dir / "c.eeg", killed.k(2));
  WriteFile(killed.t(2), "new c");
  WriteFile(killed.t(3), "new d");
  WriteFile(dir / "f.eeg", "old f");

  ASSERT_TRUE(RunInto(dir.path()).ok());
  EXPECT_EQ(ListFolder(dir.path()),
            (std::set<std::string>{"a.eeg", "b.eeg", "c.eeg", "d.eeg", "e.eeg"}));
  EXPECT_EQ(ReadFile(dir / "a.eeg") + ReadFile(dir / "b.eeg") + ReadFile(dir / "c.eeg") +
                ReadFile(dir / "d.eeg"),
            "new anew bnew cnew d");
}

// The same, but c.eeg's final name has become a folder meanwhile: the commit is undone instead,
// the folder it created included.
TEST(FileTableTest, ACommitCutShortThatCannotBeCompletedIsUndone) {
  TempDir dir;
  const KilledCommit killed(dir.path());
  ASSERT_FALSE(killed.WriteJournal(
      {{{"a.eeg", Action::kReplace}, {"n/b.eeg", Action::kCreate}, {"c.eeg", Action::kCreate}},
       {"n"}}));
  WriteFile(dir / "a.eeg", "new a");  // exchanged
  WriteFile(killed.k(0), "old a");
  std::filesystem::create_hard_link(killed.k(0), killed.t(0));
  std::filesystem::create_directory(dir / "n");
  // Group-writable, as the commit creates it under the umask 002 that many systems give users.
  std::filesystem::permissions(dir / "n", std::filesystem::perms::group_write,
                               std::filesystem::perm_options::add);
  WriteFile(dir / "n/b.eeg", "new b");  // renamed
  std::filesystem::create_directory(dir / "c.eeg");
  WriteFile(killed.t(2), "new c");

  ASSERT_TRUE(RunInto(dir.path()).ok());
  EXPECT_EQ(ListFolder(dir.path()), (std::set<std::string>{"a.eeg", "c.eeg", "e.eeg"}));
  EXPECT_EQ(ReadFile(dir / "a.eeg"), "old a");
}

// A run acts only on dead runs' own files: journals of earlier versions, files named as earlier
// versions named their temporaries and kept files, and journals that do not hold what this
// version writes change no file. A dead run's journal that a kill cut short while it was written
// decided nothing: the run's files go, and no other file with them. One of another form (here
// naming a file outside the root) leaves its run's files alone.
TEST(FileTableTest, PlantedJournalsAndFilesOfOtherNamesAreLeftAlone) {
  TempDir dir;
  WriteFile(dir / "rec_eeg", "recording");
  WriteFile(dir / "thesis.txt", "keep");
  WriteFile(dir / ".velbrix-journal",
            "velbrix-journal 1 1\nE11:x1:y10:thesis.txtE11:z1:w7:rec_eegend\n");
  WriteFile(dir / "a.eeg.velbrix-tmp-0123456789abcdef", "someone's");
  WriteFile(dir / "x.velbrix-old", "the user's own");
  std::filesystem::create_directory(dir / "album.velbrix-old");
  const KilledCommit cut_short(dir.path());
  WriteFile(cut_short.journal(), "velbrix-journal 2 " +
                                     std::to_string(sizeof(std::filesystem::path::value_type)) +
                                     " 0123456789abcdef\nC7");
  WriteFile(cut_short.t(0), "new");
  const KilledCommit escaping(dir.path(), "fedcba9876543210");
  ASSERT_FALSE(escaping.WriteJournal({{{"../thesis.txt", Action::kRemove}}, {}}));

  ASSERT_TRUE(RunInto(dir.path()).ok());
  EXPECT_EQ(ListFolder(dir.path()),
            (std::set<std::string>{".velbrix-fedcba9876543210.journal",
                                   ".velbrix-fedcba9876543210.live", ".velbrix-journal",
                                   "a.eeg.velbrix-tmp-0123456789abcdef", "album.velbrix-old",
                                   "e.eeg", "rec_eeg", "thesis.txt", "x.velbrix-old"}));
  EXPECT_EQ(ReadFile(dir / "rec_eeg") + ReadFile(dir / "thesis.txt"), "recordingkeep");
}

// A name that its folder takes is never refused for its temporary's sake; one that it does not
// take is refused before anything is written.
TEST(FileTableTest, NamesAreCheckedAgainstTheFolderAndTemporariesAddNothing) {
  TempDir dir;
  const std::size_t limit = NameLimit(dir.path());
  FileTable files;
  ASSERT_TRUE(files.OpenForTextOutput(1, dir / std::string(limit, 'a')).ok());
  const Status too_long = files.OpenForTextOutput(2, dir / std::string(limit + 1, 'b'));
  EXPECT_NE(too_long.message().find("is too long"), std::string::npos) << too_long.message();
  ASSERT_TRUE(files.EndRun(Status::Ok()).ok());
  EXPECT_EQ(ListFolder(dir.path()), std::set<std::string>{std::string(limit, 'a')});
}

// What stands where the lock's file belongs is named with the reason, at once.
TEST(FileTableTest, ALockThatCannotBeUsedIsNamedWithItsReason) {
  TempDir dir;
  std::filesystem::create_directory(dir / ".velbrix-lock");
  FileTable files;
  const Status s = files.OpenForTextOutput(1, dir / "a.eeg");
  EXPECT_EQ(s.message().rfind("Cannot use " + PathForDisplay(dir / ".velbrix-lock") + ": ", 0), 0u)
      << s.message();
  EXPECT_EQ(ListFolder(dir.path()), std::set<std::string>{".velbrix-lock"});
}

#ifdef _WIN32
// A link at the lock's name is named, never opened: the lock's file is deleted when it is closed,
// which would take the link's target with it.
TEST(FileTableTest, ALinkAtTheLockIsNamedAndItsTargetStays) {
  TempDir dir;
  WriteFile(dir / "thesis.txt", "keep");
  // The standard library of MinGW makes no links: the system's call does.
  if (!::CreateSymbolicLinkW((dir / ".velbrix-lock").c_str(), (dir / "thesis.txt").c_str(),
                             SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE)) {
    GTEST_SKIP() << "no symbolic links here: error " << ::GetLastError();
  }
  const DWORD attributes = ::GetFileAttributesW((dir / ".velbrix-lock").c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) {
    std::filesystem::remove(dir / ".velbrix-lock");
    GTEST_SKIP() << "the system does not show the link as a link (Wine)";
  }
  FileTable files;
  EXPECT_EQ(
      files.OpenForTextOutput(1, dir / "a.eeg").message(),
      "Cannot use " + PathForDisplay(dir / ".velbrix-lock") + ": A link, which is not followed");
  EXPECT_EQ(ReadFile(dir / "thesis.txt"), "keep");
}
#endif

#ifndef _WIN32
TEST(FileTableTest, APipeOrALinkAtTheLockIsAnErrorNotAWait) {
  for (const bool pipe : {true, false}) {
    TempDir dir;
    if (pipe) {
      ASSERT_EQ(::mkfifo((dir / ".velbrix-lock").c_str(), 0666), 0);
      ASSERT_EQ(::mkfifo((dir / ".velbrix-run-0123456789abcdef").c_str(), 0666), 0);
    } else {
      std::filesystem::create_symlink(dir / "elsewhere", dir / ".velbrix-lock");
    }
    FileTable files;
    EXPECT_EQ(files.OpenForTextOutput(1, dir / "a.eeg").message(),
              "Cannot use " + PathForDisplay(dir / ".velbrix-lock") + ": " +
                  (pipe ? "Not a regular file" : "A link, which is not followed"));
  }
}

// A pipe where a dead run's journal is, or a journal that is a link, is left alone, and so are
// that run's files; so are pipes of the names that earlier versions gave their journals. Nothing
// waits for a pipe.
TEST(FileTableTest, AJournalThatIsAPipeOrALinkIsLeftAlone) {
  TempDir dir;
  WriteFile(dir / "a.eeg", "old a");
  const KilledCommit fifo(dir.path());
  ASSERT_EQ(::mkfifo(fifo.journal().c_str(), 0600), 0);
  const KilledCommit linked(dir.path(), "00000000000000aa");
  WriteFile(dir / "j", "velbrix-journal 2 1 00000000000000aa\nD5:a.eeg\nend\n");
  std::filesystem::create_symlink(dir / "j", linked.journal());
  ASSERT_EQ(::mkfifo((dir / ".velbrix-journal").c_str(), 0600), 0);  // as earlier versions named
  ASSERT_EQ(::mkfifo((dir / ".velbrix-undo").c_str(), 0600), 0);     // their journals
  ASSERT_TRUE(RunInto(dir.path()).ok());
  // a.eeg, e.eeg, j, both runs' live marks and journals, the pipes.
  EXPECT_EQ(ListFolder(dir.path()).size(), 9u);
  EXPECT_EQ(ReadFile(dir / "a.eeg"), "old a");
}

// Another run holds the folder's lock: after a second the wait is told once, naming the lock's
// file, and after the patience the run gives up with a clear reason.
TEST(FileTableTest, AWaitForAnotherRunsLockIsToldAndEnds) {
  TempDir dir;
  FolderLock held;
  ASSERT_FALSE(held.Acquire(dir.path()));
  std::vector<std::filesystem::path> told;
  SetLockPatienceForTests(std::chrono::milliseconds(1300));
  FileTable files;
  files.set_lock_wait_reporter([&](const std::filesystem::path& lock) { told.push_back(lock); });
  const Status s = files.OpenForTextOutput(1, dir / "a.eeg");
  SetLockPatienceForTests(std::chrono::milliseconds(0));
  EXPECT_EQ(told, std::vector<std::filesystem::path>{dir / ".velbrix-lock"});
  EXPECT_EQ(s.message(), "Cannot use " + PathForDisplay(dir / ".velbrix-lock") +
                             ": Gave up waiting for the other run that holds it");
}

// A stop asked for while the run waits for another run's lock ends the wait at once: the run
// stops as a run stops, with nothing of it left.
TEST(FileTableTest, AStopEndsAWaitForAnotherRunsLock) {
  TempDir dir;
  FolderLock held;
  ASSERT_FALSE(held.Acquire(dir.path()));
  StopRequest stop;
  FileTable files;
  files.set_stop_request(&stop);
  files.set_lock_wait_reporter([&](const std::filesystem::path&) { stop.Request(); });
  const Status s = files.OpenForTextOutput(1, dir / "a.eeg");
  EXPECT_TRUE(s.stopped()) << s.message();
  held.Release();
  EXPECT_TRUE(files.EndRun(s).stopped());
  EXPECT_TRUE(ListFolder(dir.path()).empty());
}

// Planted by another user in a folder that both may write to (/tmp): a dead run's files with a
// journal that would replace the running user's file, and files of the names that earlier
// versions gave their temporaries. A run of the running user leaves them all alone.
TEST(FileTableTest, AnotherUsersRunFilesAndFilesAreLeftAlone) {
  if (::geteuid() != 0) {
    GTEST_SKIP() << "needs root, to plant files as nobody";
  }
  TempDir dir;
  std::filesystem::permissions(dir.path(),
                               std::filesystem::perms::all | std::filesystem::perms::sticky_bit);
  WriteFile(dir / "config.txt", "root's");
  const std::string id = "0123456789abcdef";
  const pid_t child = ::fork();
  if (child == 0) {
    if (::setgid(65534) != 0 || ::setuid(65534) != 0) {
      std::_Exit(2);
    }
    const KilledCommit planted(dir.path(), id);
    WriteFile(planted.t(0), "nobody's");
    EXPECT_FALSE(planted.WriteJournal({{{"config.txt", Action::kReplace}}, {}}));
    WriteFile(dir / "b.eeg.velbrix-tmp-0123456789abcdef", "nobody's");
    std::filesystem::create_directory(dir / "album.velbrix-old");
    std::_Exit(0);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  ASSERT_TRUE(RunInto(dir.path()).ok());
  EXPECT_EQ(ReadFile(dir / "config.txt"), "root's");
  EXPECT_EQ(ListFolder(dir.path()).size(), 7u);
  EXPECT_EQ(ReadFile(RunFile(dir.path(), id, "t0")), "nobody's");
}

// Skips a test that plays another user unless it runs as root, who alone can become `nobody`.
#define SKIP_UNLESS_ROOT()                                        \
  if (::geteuid() != 0) {                                         \
    GTEST_SKIP() << "needs root, to play another user as nobody"; \
  }

bool Plant(const std::filesystem::path& path, std::string_view bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return out.good();
}

struct stat StatOf(const std::filesystem::path& path) {
  struct stat st {};
  EXPECT_EQ(::lstat(path.c_str(), &st), 0) << path;
  return st;
}

// A file that a commit step edits (a dataset's table) is read only where it is a regular file: a
// link or a pipe there is named, and nothing waits for the pipe.
TEST(FileTableTest, AnEditedFileThatIsALinkOrAPipeIsAnErrorNotAWait) {
  for (const bool pipe : {true, false}) {
    TempDir dir;
    ASSERT_EQ(::mkfifo((dir / "pipe").c_str(), 0666), 0);
    if (pipe) {
      ASSERT_EQ(::mkfifo((dir / "table.tsv").c_str(), 0666), 0);
    } else {
      std::filesystem::create_symlink(dir / "pipe", dir / "table.tsv");
    }
    FileTable files(dir.path());
    ASSERT_TRUE(files.OpenForTextOutput(1, dir / "a.eeg").ok());
    const Status s = files.EndRun(Status::Ok(), [&](FileTable& table) {
      return table.EditTextFile(dir / "table.tsv", [](const std::optional<std::string>&,
                                                      std::optional<std::string>* edited) {
        *edited = "row\n";
        return Status::Ok();
      });
    });
    EXPECT_EQ(s.message(), "Cannot open " + PathForDisplay(dir / "table.tsv") + ": " +
                               (pipe ? "Not a regular file" : "A link, which is not followed"));
    EXPECT_EQ(ListFolder(dir.path()), (std::set<std::string>{"pipe", "table.tsv"}));
  }
}

// Another user links an output's name to a pipe in a shared folder: the runs that replace it never
// open what the link leads to, nor wait for the pipe, and the name ends as the user's own file.
TEST(FileTableTest, ALinkToAPipeAtAnOutputNameIsReplacedWithoutOpeningIt) {
  SKIP_UNLESS_ROOT();
  TempDir dir;
  testing::MakeSharedFolder(dir.path());
  ASSERT_TRUE(testing::RunAsNobody([&] {
    return ::mkfifo((dir / "pipe").c_str(), 0666) == 0 &&
           ::symlink((dir / "pipe").c_str(), (dir / "a.eeg").c_str()) == 0;
  }));
  for (const char* text : {"first", "second"}) {
    FileTable files;
    ASSERT_TRUE(files.OpenForTextOutput(1, dir / "a.eeg").ok());
    ASSERT_TRUE(files.Write(1, text).ok());
    ASSERT_TRUE(files.EndRun(Status::Ok()).ok());
    EXPECT_EQ(ReadFile(dir / "a.eeg"), text);
  }
  const struct stat st = StatOf(dir / "a.eeg");
  EXPECT_TRUE(S_ISREG(st.st_mode) && st.st_uid == 0);
  EXPECT_EQ(ListFolder(dir.path()), (std::set<std::string>{"a.eeg", "pipe"}));
}

// A dead run of the user had moved its temporary onto config.txt when it was killed; another user
// then put a file at the temporary's name. The recovery completes the commit without moving that
// file, leaves it alone and says so.
TEST(FileTableTest, AnotherUsersFileAtADeadRunsTemporaryNameIsNotMoved) {
  SKIP_UNLESS_ROOT();
  TempDir dir;
  testing::MakeSharedFolder(dir.path());
  const KilledCommit killed(dir.path());
  ASSERT_FALSE(killed.WriteJournal({{{"config.txt", Action::kReplace}}, {}}));
  WriteFile(dir / "config.txt", "root's new");
  WriteFile(killed.k(0), "root's old");
  ASSERT_TRUE(testing::RunAsNobody([&] { return Plant(killed.t(0), "nobody's"); }));
  FileTable next;
  ASSERT_TRUE(next.OpenForTextOutput(1, dir / "e.eeg").ok());
  ASSERT_TRUE(next.EndRun(Status::Ok()).ok());
  EXPECT_EQ(ReadFile(dir / "config.txt"), "root's new");
  EXPECT_EQ(StatOf(dir / "config.txt").st_uid, 0u);
  EXPECT_EQ(ReadFile(killed.t(0)), "nobody's");
  EXPECT_EQ(ListFolder(dir.path()),
            (std::set<std::string>{"config.txt", "e.eeg", killed.t(0).filename().string()}));
  EXPECT_EQ(next.LeftAloneNotes(),
            std::vector<std::string>{"left alone " + PathForDisplay(killed.t(0)) +
                                     ": Owned by another user"});
}

// A journal of a later version, and one whose name holds a NUL (which would end the name early,
// at "a"), are not in this version's form: every file of their runs stays, the kept originals
// included, no final name changes, and the run says what it left alone.
TEST(FileTableTest, AJournalOfAnotherFormLeavesEveryFileOfItsRunAlone) {
  TempDir dir;
  WriteFile(dir / "a", "keep");
  WriteFile(dir / "a.eeg", "new a");
  const KilledCommit later(dir.path(), "00000000000000aa");
  WriteFile(later.journal(), "velbrix-journal 3 1 00000000000000aa\nR5:a.eeg\nend\n");
  WriteFile(later.k(0), "old a");
  WriteFile(later.t(0), "newer a");
  const KilledCommit nul(dir.path(), "00000000000000bb");
  WriteFile(nul.journal(),
            std::string("velbrix-journal 2 1 00000000000000bb\nD3:a\0b", 42) + "end\n");
  const std::set<std::string> before = ListFolder(dir.path());
  FileTable next;
  ASSERT_TRUE(next.OpenForTextOutput(1, dir / "e.eeg").ok());
  ASSERT_TRUE(next.EndRun(Status::Ok()).ok());
  std::set<std::string> after = ListFolder(dir.path());
  after.erase("e.eeg");
  EXPECT_EQ(after, before);
  EXPECT_EQ(ReadFile(dir / "a") + ReadFile(dir / "a.eeg") + ReadFile(later.k(0)), "keepnew aold a");
  const std::string reason = ": Not a journal of this version: the run's files are left alone";
  const std::vector<std::string> notes = next.LeftAloneNotes();
  EXPECT_EQ(std::set<std::string>(notes.begin(), notes.end()),
            (std::set<std::string>{"left alone " + PathForDisplay(later.journal()) + reason,
                                   "left alone " + PathForDisplay(nul.journal()) + reason}));
}

// Under the umask 002 of many systems the folders a commit creates are group-writable: a failed
// commit removes them all the same, and leaves a group-writable folder that was there before.
TEST(FileTableTest, AFailedCommitRemovesTheFoldersItCreatedWhateverTheUmask) {
  TempDir dir;
  std::filesystem::create_directory(dir / "c.eeg");  // a folder where an output must go
  const ::mode_t umask = ::umask(002);
  std::filesystem::create_directory(dir / "shared");
  FileTable files(dir.path());
  ASSERT_TRUE(files.OpenForTextOutput(1, dir / "n/m/x.eeg").ok());
  ASSERT_TRUE(files.OpenForTextOutput(2, dir / "shared/o/y.eeg").ok());
  ASSERT_TRUE(files.OpenForTextOutput(3, dir / "c.eeg").ok());
  const Status s = files.EndRun(Status::Ok());
  ::umask(umask);
  EXPECT_FALSE(s.ok());
  EXPECT_EQ(ListFolder(dir.path()), (std::set<std::string>{"c.eeg", "shared"}));
  EXPECT_TRUE(ListFolder(dir / "shared").empty());
}

// A file that a run replaces passes its permissions and its group on: the new file is readable by
// no one who could not read the old one.
TEST(FileTableTest, AReplacedFileKeepsItsPermissionsAndGroup) {
  SKIP_UNLESS_ROOT();
  TempDir dir;
  WriteFile(dir / "a.eeg", "old a");
  WriteFile(dir / "b.eeg", "old b");
  ASSERT_EQ(::chmod((dir / "a.eeg").c_str(), 0640), 0);
  ASSERT_EQ(::chown((dir / "a.eeg").c_str(), static_cast<uid_t>(-1), testing::kNobody), 0);
  ASSERT_EQ(::chmod((dir / "b.eeg").c_str(), 0600), 0);
  FileTable files;
  ASSERT_TRUE(files.OpenForTextOutput(1, dir / "a.eeg").ok());
  ASSERT_TRUE(files.OpenForTextOutput(2, dir / "b.eeg").ok());
  ASSERT_TRUE(files.EndRun(Status::Ok()).ok());
  const struct stat a = StatOf(dir / "a.eeg");
  EXPECT_EQ(a.st_mode & 07777, 0640u);
  EXPECT_EQ(a.st_gid, testing::kNobody);
  EXPECT_EQ(a.st_uid, 0u);
  EXPECT_EQ(StatOf(dir / "b.eeg").st_mode & 07777, 0600u);
}

// The new file is no more readable than the one it replaces from its first byte on, not only from
// the commit: a named temporary that replaces a private file is private while it is written.
TEST(FileTableTest, ATemporaryThatReplacesAPrivateFileIsPrivateWhileWritten) {
  TempDir dir;
  WriteFile(dir / "a.eeg", "old a");
  ASSERT_EQ(::chmod((dir / "a.eeg").c_str(), 0600), 0);
  FileTable files(FileTable::Temporaries::kNamed);
  ASSERT_TRUE(files.OpenForTextOutput(1, dir / "a.eeg").ok());
  ASSERT_TRUE(files.Write(1, "secret").ok());
  int temporaries = 0;
  for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
    if (entry.path().extension() == ".t0") {
      ++temporaries;
      EXPECT_EQ(StatOf(entry.path()).st_mode & 077, 0u) << entry.path();
    }
  }
  EXPECT_EQ(temporaries, 1);
  ASSERT_TRUE(files.EndRun(Status::Ok()).ok());
  EXPECT_EQ(StatOf(dir / "a.eeg").st_mode & 07777, 0600u);
}

// A folder that the user may not write into is named as the folder, not as the lock's file.
TEST(FileTableTest, AFolderThatCannotBeWrittenIntoIsNamed) {
  SKIP_UNLESS_ROOT();
  TempDir dir;  // root's, which nobody may not write into
  EXPECT_TRUE(testing::RunAsNobody([&] {
    FileTable files;
    const Status s = files.OpenForTextOutput(1, dir / "a.eeg");
    const std::string expected =
        "Cannot write into " + PathForDisplay(dir.path()) + ": Permission denied";
    if (s.message() != expected) {
      std::fprintf(stderr, "%s\n", s.message().c_str());
    }
    return s.message() == expected;
  }));
}

// A run of the user killed under the umask 077 leaves the lock's file behind; another user's run in
// the shared folder can still open it and take its turn.
TEST(FileTableTest, ALockFileLeftByAnotherUsersKilledRunIsTakenInTurn) {
  SKIP_UNLESS_ROOT();
  TempDir dir;
  testing::MakeSharedFolder(dir.path());
  const pid_t child = ::fork();
  if (child == 0) {
    ::umask(077);
    FolderLock lock;
    std::_Exit(lock.Acquire(dir.path()) ? 1 : 0);  // ends holding it, as a killed run
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  ASSERT_TRUE(std::filesystem::exists(dir / ".velbrix-lock"));
  EXPECT_TRUE(testing::RunAsNobody([&] {
    const Status s = RunInto(dir.path());
    if (!s.ok()) {
      std::fprintf(stderr, "%s\n", s.message().c_str());
    }
    return s.ok();
  }));
  EXPECT_EQ(ReadFile(dir / "e.eeg"), "");
}

// Runs into a new folder that a table creates: one that fails removes the folders it created only
// where they are empty, and one that finds them gone before its own files are there creates them
// again. The good run never fails for the failed one.
TEST(FileTableTest, AFailedRunIntoANewFolderNeverFailsAGoodOne) {
  TempDir dir;
  for (int round = 0; round < 150; ++round) {
    const std::filesystem::path root = dir / ("round" + std::to_string(round)) / "study";
    std::vector<pid_t> children;
    for (const bool good : {false, true}) {
      const pid_t child = ::fork();
      if (child == 0) {
        FileTable files(root, FileTable::Temporaries::kUnnamedWherePossible,
                        FileTable::RootFolder::kCreateIfMissing);
        Status s = files.OpenForTextOutput(1, root / (good ? "good/x.eeg" : "failed/x.eeg"));
        if (s.ok()) {
          s = files.EndRun(good ? Status::Ok() : Status::IoError("Cannot read", "in", "gone"));
        }
        if (good && !s.ok()) {
          std::fprintf(stderr, "%s\n", s.message().c_str());
        }
        std::_Exit(s.ok() == good ? 0 : 1);
      }
      children.push_back(child);
    }
    for (const pid_t child : children) {
      int status = 0;
      ASSERT_EQ(::waitpid(child, &status, 0), child);
      EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "round " << round;
    }
    EXPECT_EQ(ListFolder(root), std::set<std::string>{"good"}) << "round " << round;
  }
}
#endif

}  // namespace
}  // namespace velbrix
