#include "cli/recording_list.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "core/base/status.h"
#include "core/testing/test_support.h"

namespace velbrix::cli {
namespace {

using testing::TempDir;
using testing::WriteFile;

TEST(RecordingListTest, ARecordingNamedTwiceIsKeptOnceWhereFirstNamed) {
  const TempDir dir;
  std::filesystem::create_directory(dir / "sub");
  WriteFile(dir / "a_eeg", "x");
  std::vector<std::filesystem::path> list = {dir / "a_eeg", dir / "b_eeg", dir / "sub/../a_eeg",
                                             dir / "missing_eeg", dir / "sub/../missing_eeg"};
  EXPECT_TRUE(SameRecording(list[0], list[2]));
  EXPECT_FALSE(SameRecording(list[0], list[1]));
  EXPECT_EQ(CheckRecordingList(&list, true), std::nullopt);
  EXPECT_EQ(list, (std::vector<std::filesystem::path>{dir / "a_eeg", dir / "b_eeg",
                                                      dir / "missing_eeg"}));
}

TEST(RecordingListTest, DifferentRecordingsOfOneOutputNameAreRefusedUnlessTheirNamesAreNot) {
  const TempDir dir;
  std::filesystem::create_directory(dir / "d1");
  std::filesystem::create_directory(dir / "d2");
  WriteFile(dir / "d1/rec_eeg", "1");
  WriteFile(dir / "d2/rec_eeg", "2");
  std::vector<std::filesystem::path> list = {dir / "d1/rec_eeg", dir / "d2/rec_eeg"};
  const std::optional<std::string> error = CheckRecordingList(&list, true);
  ASSERT_TRUE(error);
  EXPECT_TRUE(error->starts_with(PathForDisplay(dir / "d1/rec_eeg") + " and " +
                                 PathForDisplay(dir / "d2/rec_eeg") + " are different"))
      << *error;
  // Into a BIDS dataset each takes its own run; names not ending in "_eeg" write nothing.
  EXPECT_EQ(CheckRecordingList(&list, false), std::nullopt);
  EXPECT_EQ(list.size(), 2u);
  std::vector<std::filesystem::path> refused = {dir / "d1/rec.eeg", dir / "d2/rec.eeg"};
  EXPECT_EQ(CheckRecordingList(&refused, true), std::nullopt);
  // File names that differ only in case name one file on Windows, two elsewhere.
  WriteFile(dir / "d2/REC_eeg", "3");
  std::vector<std::filesystem::path> cased = {dir / "d1/rec_eeg", dir / "d2/REC_eeg"};
#ifdef _WIN32
  EXPECT_TRUE(CheckRecordingList(&cased, true));
#else
  EXPECT_EQ(CheckRecordingList(&cased, true), std::nullopt);
#endif
}

TEST(RecordingListTest, AListFileAddsItsPathsInOrderWithoutBlankLinesOrCarriageReturns) {
  const TempDir dir;
  WriteFile(dir / "list",
            "\xEF\xBB\xBF"
            "a_eeg\r\n\n \t\r\nsub/b_eeg\n\nc d_eeg");
  std::vector<std::filesystem::path> list = {"first_eeg"};
  EXPECT_EQ(ReadRecordingList((dir / "list").string(), &list), std::nullopt);
  EXPECT_EQ(list,
            (std::vector<std::filesystem::path>{"first_eeg", "a_eeg", "sub/b_eeg", "c d_eeg"}));
}

TEST(RecordingListTest, AListFileThatCannotBeReadOrIsNotTextIsRefusedNamingFileAndLine) {
  const TempDir dir;
  std::vector<std::filesystem::path> list;
  const std::optional<std::string> missing = ReadRecordingList((dir / "missing").string(), &list);
  ASSERT_TRUE(missing);
  EXPECT_TRUE(missing->starts_with("Cannot read the list of recordings " +
                                   PathForDisplay(dir / "missing") + ": "))
      << *missing;
  const std::string longest(kMaxListLine, 'x');
  WriteFile(dir / "long", longest + "\r\n" + longest + "y\n");
  const std::optional<std::string> too_long = ReadRecordingList((dir / "long").string(), &list);
  ASSERT_TRUE(too_long);
  EXPECT_TRUE(too_long->starts_with(PathForDisplay(dir / "long") + ", line 2: the line is longer"))
      << *too_long;
  WriteFile(dir / "zero", std::string("a_eeg\n\0\0", 8));
  const std::optional<std::string> binary = ReadRecordingList((dir / "zero").string(), &list);
  ASSERT_TRUE(binary);
  EXPECT_TRUE(binary->starts_with(PathForDisplay(dir / "zero") + ", line 2: a NUL byte"))
      << *binary;
}

TEST(RecordingListTest, TheSharesOfAListTakeEveryRecordingOnce) {
  for (const std::size_t size : {0u, 1u, 5u, 12u}) {
    for (const std::size_t count : {1u, 2u, 3u, 7u, 20u}) {
      std::vector<int> taken(size);
      for (std::size_t index = 1; index <= count; ++index) {
        const std::vector<std::size_t> members = ShardMembers(size, Shard{index, count});
        EXPECT_TRUE(std::is_sorted(members.begin(), members.end()));
        for (const std::size_t member : members) {
          ASSERT_LT(member, size);
          EXPECT_EQ(member % count, index - 1);
          ++taken[member];
        }
      }
      EXPECT_EQ(std::count(taken.begin(), taken.end(), 1), static_cast<std::ptrdiff_t>(size))
          << size << " recordings in " << count << " shares";
    }
  }
}

TEST(RecordingListTest, AShardIsTwoNumbersWithKFromOneToN) {
  Shard shard;
  EXPECT_EQ(ParseShard("3/8", &shard), std::nullopt);
  EXPECT_EQ(shard.index, 3u);
  EXPECT_EQ(shard.count, 8u);
  for (const char* bad : {"0/3", "4/3", "1/0", "0/0", "x/3", "1/", "/3", "3", "1/3x", "-1/3",
                          "+1/3", " 1/3", "1/99999999999999999999999"}) {
    EXPECT_TRUE(ParseShard(bad, &shard)) << bad;
  }
  EXPECT_EQ(shard.index, 3u);
}

}  // namespace
}  // namespace velbrix::cli
