#include "core/file_table.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#endif

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
    FileTable files;
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
  if (GetParam() == FileTable::Temporaries::kNamed) {
    EXPECT_EQ(ListFolder(dir.path()).size(), 3u);
  }
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

// A commit killed after it had moved a.eeg into place (renamed over it) and b.eeg (exchanged with
// it), and before c.eeg and d.eeg: the next run completes it.
TEST(FileTableTest, ACommitCutShortIsCompletedByTheNextRun) {
  TempDir dir;
  const std::string id = "0123456789abcdef";
  const auto entry = [&](const char* name, bool replaces) {
    return CommitEntry{TemporaryName(dir / name, id), dir / name, KeptName(dir / name, id),
                       replaces};
  };
  const std::vector<CommitEntry> entries = {entry("a.eeg", true), entry("b.eeg", true),
                                            entry("c.eeg", true), entry("d.eeg", false)};
  ASSERT_FALSE(WriteJournal(dir.path(), entries));
  WriteFile(dir / "a.eeg", "new a");
  WriteFile(entries[0].kept, "old a");
  WriteFile(dir / "b.eeg", "new b");
  WriteFile(entries[1].kept, "old b");
  std::filesystem::create_hard_link(entries[1].kept, entries[1].temp);
  WriteFile(dir / "c.eeg", "old c");
  std::filesystem::create_hard_link(dir / "c.eeg", entries[2].kept);
  WriteFile(entries[2].temp, "new c");
  WriteFile(entries[3].temp, "new d");

  FileTable next;
  ASSERT_TRUE(next.OpenForTextOutput(1, dir / "e.eeg").ok());
  ASSERT_TRUE(next.EndRun(Status::Ok()).ok());
  EXPECT_EQ(ListFolder(dir.path()),
            (std::set<std::string>{"a.eeg", "b.eeg", "c.eeg", "d.eeg", "e.eeg"}));
  EXPECT_EQ(ReadFile(dir / "a.eeg") + ReadFile(dir / "b.eeg") + ReadFile(dir / "c.eeg") +
                ReadFile(dir / "d.eeg"),
            "new anew bnew cnew d");
}

// The same, but c.eeg's final name has become a folder meanwhile: the commit is undone instead.
TEST(FileTableTest, ACommitCutShortThatCannotBeCompletedIsUndone) {
  TempDir dir;
  const std::string id = "0123456789abcdef";
  const CommitEntry a{TemporaryName(dir / "a.eeg", id), dir / "a.eeg", KeptName(dir / "a.eeg", id),
                      true};
  const CommitEntry b{TemporaryName(dir / "b.eeg", id), dir / "b.eeg", KeptName(dir / "b.eeg", id),
                      false};
  const CommitEntry c{TemporaryName(dir / "c.eeg", id), dir / "c.eeg", KeptName(dir / "c.eeg", id),
                      false};
  ASSERT_FALSE(WriteJournal(dir.path(), {a, b, c}));
  WriteFile(dir / "a.eeg", "new a");  // exchanged
  WriteFile(a.kept, "old a");
  std::filesystem::create_hard_link(a.kept, a.temp);
  WriteFile(dir / "b.eeg", "new b");  // renamed
  std::filesystem::create_directory(dir / "c.eeg");
  WriteFile(c.temp, "new c");

  FileTable next;
  ASSERT_TRUE(next.OpenForTextOutput(1, dir / "e.eeg").ok());
  ASSERT_TRUE(next.EndRun(Status::Ok()).ok());
  EXPECT_EQ(ListFolder(dir.path()), (std::set<std::string>{"a.eeg", "c.eeg", "e.eeg"}));
  EXPECT_EQ(ReadFile(dir / "a.eeg"), "old a");
}

// Left by killed runs: a journal that was cut short while it was written (no rename had begun),
// the temporaries of this version and of earlier ones, and files that earlier versions moved
// aside for the time of their commit.
TEST(FileTableTest, TheNextRunClearsWhatKilledRunsLeft) {
  TempDir dir;
  WriteFile(dir / "a.eeg", "old a");
  WriteFile(dir / "a.eeg.velbrix-tmp-0123456789abcdef", "new a");
  WriteFile(JournalPath(dir.path()), "velbrix-journal 1 1\nE1");
  WriteFile(dir / "b.eeg.velbrix-tmp", "b");
  WriteFile(dir / "b.eeg.velbrix-tmp12", "b");
  WriteFile(dir / "c.eeg.velbrix-old", "old c");  // c.eeg was moved aside and not put back
  WriteFile(dir / "d.eeg", "new d");
  WriteFile(dir / "d.eeg.velbrix-old3", "old d");
  WriteFile(dir / "notes.velbrix-tmp.txt", "the user's own");

  FileTable next;
  ASSERT_TRUE(next.OpenForTextOutput(1, dir / "e.eeg").ok());
  ASSERT_TRUE(next.EndRun(Status::Ok()).ok());
  EXPECT_EQ(ListFolder(dir.path()),
            (std::set<std::string>{"a.eeg", "c.eeg", "d.eeg", "e.eeg", "notes.velbrix-tmp.txt"}));
  EXPECT_EQ(ReadFile(dir / "a.eeg") + ReadFile(dir / "c.eeg") + ReadFile(dir / "d.eeg"),
            "old aold cnew d");
}

}  // namespace
}  // namespace velbrix
