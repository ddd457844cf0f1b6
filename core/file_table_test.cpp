#include "core/file_table.h"

#include <gtest/gtest.h>

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
  ASSERT_TRUE(files.OpenForBinaryInput(2, dir / "in").ok());
  EXPECT_EQ(files.LowestFreeNumber(), 4);
  ASSERT_TRUE(files.CloseAll().ok());
  EXPECT_EQ(files.LowestFreeNumber(), 1);
}

TEST(FileTableTest, WriteAtReplacesEarlierBytesAndWritingGoesOnAtTheEnd) {
  TempDir dir;
  FileTable files;
  ASSERT_TRUE(files.OpenForTextOutput(1, dir / "out.edf").ok());
  ASSERT_TRUE(files.Write(1, "count=?? data").ok());
  ASSERT_TRUE(files.WriteAt(1, 6, "42").ok());
  ASSERT_TRUE(files.Write(1, " more").ok());
  ASSERT_TRUE(files.CloseAll().ok());
  ASSERT_TRUE(files.CommitOutputs().ok());
  EXPECT_EQ(ReadFile(dir / "out.edf"), "count=42 data more");
}

TEST(FileTableTest, OutputsAppearOnlyWhenCommitted) {
  TempDir dir;
  WriteFile(dir / "b.eeg", "old b");
  FileTable files;
  ASSERT_TRUE(files.OpenForTextOutput(100, dir / "a.eeg").ok());
  ASSERT_TRUE(files.OpenForTextOutput(101, dir / "b.eeg").ok());
  ASSERT_TRUE(files.Write(100, "new a").ok());
  ASSERT_TRUE(files.Write(101, "new b").ok());
  ASSERT_TRUE(files.CloseAll().ok());
  EXPECT_FALSE(std::filesystem::exists(dir / "a.eeg"));
  EXPECT_EQ(ReadFile(dir / "b.eeg"), "old b");
  ASSERT_TRUE(files.CommitOutputs().ok());
  EXPECT_EQ(ListFolder(dir.path()), (std::set<std::string>{"a.eeg", "b.eeg"}));
  EXPECT_EQ(ReadFile(dir / "a.eeg"), "new a");
  EXPECT_EQ(ReadFile(dir / "b.eeg"), "new b");
}

TEST(FileTableTest, DiscardLeavesExistingFilesAndNoTemporaries) {
  TempDir dir;
  WriteFile(dir / "b.eeg", "old b");
  {
    FileTable files;
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
  ASSERT_TRUE(files.CloseAll().ok());
  const Status s = files.CommitOutputs();
  ASSERT_FALSE(s.ok());
  EXPECT_NE(s.message().find("c.eeg"), std::string::npos) << s.message();
  EXPECT_EQ(ListFolder(dir.path()), (std::set<std::string>{"a.eeg", "c.eeg"}));
  EXPECT_EQ(ReadFile(dir / "a.eeg"), "old a");
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

}  // namespace
}  // namespace velbrix
