#include "cli/recording_list.h"

#include <gtest/gtest.h>

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

}  // namespace
}  // namespace velbrix::cli
