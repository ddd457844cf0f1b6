#include "core/lab_table_file.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

#ifndef _WIN32
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <vector>
#endif

#include "core/test_support.h"

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

std::vector<gid_t> GroupsOfTheUser() {
  std::vector<gid_t> groups(static_cast<std::size_t>(std::max(::getgroups(0, nullptr), 0)));
  groups.resize(static_cast<std::size_t>(
      std::max(::getgroups(static_cast<int>(groups.size()), groups.data()), 0)));
  groups.push_back(::getegid());
  return groups;
}

// A group of the user's other than its new files', or nothing.
std::optional<gid_t> AnotherGroupOfTheUser() {
  if (::geteuid() == 0) {
    return 65534;
  }
  for (const gid_t group : GroupsOfTheUser()) {
    if (group != ::getegid()) {
      return group;
    }
  }
  return std::nullopt;
}

struct stat StatOf(const fs::path& path) {
  struct stat st {};
  EXPECT_EQ(::lstat(path.c_str(), &st), 0) << path;
  return st;
}

TEST(LabTableFileTest, TheNewTableGetsTheModeAndGroupOfTheOneItReplaced) {
  TempDir dir;
  const fs::path table_path = dir / "participants.tsv";
  WriteFile(table_path, "participant_id\n");
  const std::optional<gid_t> group = AnotherGroupOfTheUser();
  ASSERT_EQ(::chmod(table_path.c_str(), 0640), 0);
  if (group) {
    ASSERT_EQ(::chown(table_path.c_str(), static_cast<uid_t>(-1), *group), 0);
  }
  std::optional<LabTable> table;
  ASSERT_TRUE(ReadLabTable(table_path, &table).ok());
  ASSERT_TRUE(table);
  // The run's new file, as the commit leaves it: the user's default mode and group.
  WriteFile(dir / "new", table->text + "sub-01\n");
  ASSERT_EQ(::chmod((dir / "new").c_str(), 0644), 0);
  fs::rename(dir / "new", table_path);

  ASSERT_TRUE(KeepLabTableAttributes({{table_path, table->attributes}}).ok());
  const struct stat kept = StatOf(table_path);
  EXPECT_EQ(kept.st_mode & 07777, 0640u);
  if (group) {
    EXPECT_EQ(kept.st_gid, *group);
  }
  EXPECT_EQ(ReadFile(table_path), "participant_id\nsub-01\n");
}

// The table's group (root's) is not the user's to give, so the new file's group may do what
// others may. Where the user is root, `nobody` plays the user.
TEST(LabTableFileTest, WhereTheGroupCannotBeGivenTheGroupGetsWhatOthersGet) {
  TempDir dir;
  fs::permissions(dir.path(), fs::perms::all | fs::perms::sticky_bit);
  const fs::path table_path = dir / "participants.tsv";
  const auto keep = [&] {
    WriteFile(table_path, "participant_id\n");
    struct stat st {};
    return KeepLabTableAttributes({{table_path, {0640, 0}}}).ok() &&
           ::lstat(table_path.c_str(), &st) == 0 && (st.st_mode & 07777) == 0600;
  };
  if (::geteuid() != 0) {
    const std::vector<gid_t> groups = GroupsOfTheUser();
    if (std::find(groups.begin(), groups.end(), gid_t{0}) != groups.end()) {
      GTEST_SKIP() << "the user is of root's group";
    }
    EXPECT_TRUE(keep());
    return;
  }
  const pid_t child = ::fork();
  if (child == 0) {
    if (::setgid(65534) != 0 || ::setuid(65534) != 0) {
      std::_Exit(2);
    }
    std::_Exit(keep() ? 0 : 3);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
}

TEST(LabTableFileTest, AFileThatTookTheNewTablesPlaceIsLeftAlone) {
  TempDir dir;
  WriteFile(dir / "private.tsv", "x");
  ASSERT_EQ(::chmod((dir / "private.tsv").c_str(), 0600), 0);
  fs::create_symlink(dir / "private.tsv", dir / "participants.tsv");
  const Status status = KeepLabTableAttributes({{dir / "participants.tsv", {0644, ::getegid()}}});
  EXPECT_EQ(status.message(), "Cannot keep the mode and group of " +
                                  PathForDisplay(dir / "participants.tsv") +
                                  ": another file has taken the place of the table that the run "
                                  "wrote");
  EXPECT_EQ(StatOf(dir / "private.tsv").st_mode & 07777, 0600u);
}
#endif

}  // namespace
}  // namespace velbrix
