#include "core/formats/lab_table_file.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

#ifndef _WIN32
#include <sys/stat.h>
#endif

#include "core/testing/test_support.h"

namespace velbrix {
namespace {

namespace fs = std::filesystem;
using testing::ReadFile;
using testing::TempDir;
using testing::WriteFile;

constexpr char kOnlyRegular[] = ", and a dataset's table is read only from a regular file";

// Why ReadLabTable refuses `path`: its message after "Cannot read <path>: ".
std::string RefusalOf(const fs::path& path) {
  std::optional<LabTable> table;
  const Status status = ReadLabTable(path, &table);
  EXPECT_FALSE(table);
  const std::string named = "Cannot read " + PathForDisplay(path) + ": ";
  if (status.message().rfind(named, 0) != 0) {
    ADD_FAILURE() << status.message();
    return status.message();
  }
  return status.message().substr(named.size());
}

TEST(LabTableFileTest, AMissingTableIsNothingAndARegularOneIsReadWholeUpToTheLimit) {
  TempDir dir;
  std::optional<LabTable> table;
  ASSERT_TRUE(ReadLabTable(dir / "participants.tsv", &table).ok());
  EXPECT_FALSE(table);
  ASSERT_TRUE(ReadLabTable(dir / "sub-01/sub-01_scans.tsv", &table).ok());
  EXPECT_FALSE(table);
  WriteFile(dir / "participants.tsv", "");
  ASSERT_TRUE(ReadLabTable(dir / "participants.tsv", &table).ok());
  ASSERT_TRUE(table);
  EXPECT_EQ(table->text, "");
  const std::string full = "participant_id\r" + std::string(kLabTableLimit - 15, 'x');
  WriteFile(dir / "participants.tsv", full);
  ASSERT_TRUE(ReadLabTable(dir / "participants.tsv", &table).ok());
  ASSERT_TRUE(table);
  EXPECT_EQ(table->text, full);
}

TEST(LabTableFileTest, ATableOverTheLimitAndAFolderAreRefused) {
  TempDir dir;
  WriteFile(dir / "participants.tsv", "participant_id\n");
  fs::resize_file(dir / "participants.tsv", kLabTableLimit + 1);
  EXPECT_EQ(RefusalOf(dir / "participants.tsv"),
            "it holds more than the 4 MiB that a dataset's table may hold");
  fs::create_directory(dir / "scans.tsv");
  EXPECT_EQ(RefusalOf(dir / "scans.tsv"), std::string("it is a folder") + kOnlyRegular);
}

#ifdef _WIN32
TEST(LabTableFileTest, ADeviceAndALinkAreRefused) {
  EXPECT_EQ(RefusalOf(L"\\\\.\\NUL"), std::string("it is a device") + kOnlyRegular);
  TempDir dir;
  WriteFile(dir / "private.tsv", "participant_id\n");
  std::error_code ec;
  fs::create_symlink(dir / "private.tsv", dir / "participants.tsv", ec);
  if (ec) {
    GTEST_SKIP() << "no symbolic links here: " << ec.message();
  }
  EXPECT_EQ(RefusalOf(dir / "participants.tsv"),
            std::string("it is a link (a reparse point)") + kOnlyRegular);
}
#else
// None of them hangs the reading or fills its memory.
TEST(LabTableFileTest, ALinkAPipeAndADeviceAreRefusedWithoutWaiting) {
  TempDir dir;
  WriteFile(dir / "private.tsv", "participant_id\n");
  fs::create_symlink(dir / "private.tsv", dir / "participants.tsv");
  fs::create_symlink("/dev/zero", dir / "zero.tsv");
  ASSERT_EQ(::mkfifo((dir / "fifo.tsv").c_str(), 0600), 0);
  EXPECT_EQ(RefusalOf(dir / "participants.tsv"),
            std::string("it is a symbolic link") + kOnlyRegular);
  EXPECT_EQ(RefusalOf(dir / "zero.tsv"), std::string("it is a symbolic link") + kOnlyRegular);
  EXPECT_EQ(RefusalOf(dir / "fifo.tsv"), std::string("it is a named pipe (FIFO)") + kOnlyRegular);
  EXPECT_EQ(RefusalOf("/dev/zero"), std::string("it is a device") + kOnlyRegular);
}
#endif

}  // namespace
}  // namespace velbrix
