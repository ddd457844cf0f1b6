#include "core/file_table.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/wait.h>
#include <unistd.h>

#include <sys/stat.h>

#include <chrono>
#include <csignal>
#endif

#include "core/os_file_hooks.h"
#include "core/output_commit.h"
#include "core/test_support.h"

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
    return velbrix::WriteJournal(root_, id_, plan);
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
  WriteFile(dir / "n/b.eeg", "new b");  // renamed
  std::filesystem::create_directory(dir / "c.eeg");
  WriteFile(killed.t(2), "new c");

  ASSERT_TRUE(RunInto(dir.path()).ok());
  EXPECT_EQ(ListFolder(dir.path()), (std::set<std::string>{"a.eeg", "c.eeg", "e.eeg"}));
  EXPECT_EQ(ReadFile(dir / "a.eeg"), "old a");
}

// A run acts only on dead runs' own files: journals of earlier versions, files named as earlier
// versions named their temporaries and kept files, and journals that do not hold what this
// version writes change no file. A dead run's own journal of that kind (as one cut short while it
// was written) decided nothing: the run's files go, and no other file with them.
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
  WriteFile(cut_short.journal(), "velbrix-journal 2 1 0123456789abcdef\nC7:rec_eeg");
  WriteFile(cut_short.t(0), "new");
  const KilledCommit escaping(dir.path(), "fedcba9876543210");
  ASSERT_FALSE(escaping.WriteJournal({{{"../thesis.txt", Action::kRemove}}, {}}));

  ASSERT_TRUE(RunInto(dir.path()).ok());
  EXPECT_EQ(ListFolder(dir.path()),
            (std::set<std::string>{".velbrix-journal", "a.eeg.velbrix-tmp-0123456789abcdef",
                                   "album.velbrix-old", "e.eeg", "rec_eeg", "thesis.txt",
                                   "x.velbrix-old"}));
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
              "Cannot use " + PathForDisplay(dir / ".velbrix-lock") + ": Not a regular file");
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
#endif

}  // namespace
}  // namespace velbrix
