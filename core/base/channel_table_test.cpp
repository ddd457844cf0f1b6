#include "core/base/channel_table.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

namespace velbrix {
namespace {

TEST(ChannelTableTest, FindsNamesExactlyAndCaseSensitively) {
  EXPECT_EQ(FindChannelPosition("Fz"), 10);
  EXPECT_EQ(FindChannelPosition("Oz"), 28);
  EXPECT_EQ(FindChannelPosition("BP1"), 32);
  EXPECT_EQ(FindChannelPosition("FP2"), 1);
  EXPECT_EQ(FindChannelPosition("EKG"), 23);
  for (const char* miss : {"FZ", "fz", "fp2", "FP2 ", " Fz", "", "ECG", "FP"}) {
    EXPECT_FALSE(FindChannelPosition(miss)) << '"' << miss << '"';
  }
}

TEST(ChannelTableTest, ListOrderDiffersFromRecordOrder) {
  std::vector<std::string> list;
  for (int i = 0; i < 32; ++i) {
    list.emplace_back(ChannelAtListIndex(i).name);
  }
  const std::vector<std::string> expected = {
      "FP2", "F8",  "T4",  "T6",  "F4",  "C4",  "P4",  "O2",  "A2",  "Fz", "Cz",
      "Pz",  "Oz",  "FP1", "F7",  "T3",  "T5",  "F3",  "C3",  "P3",  "O1", "A1",
      "EKG", "BP1", "BP2", "BP3", "BP4", "DC1", "DC2", "DC3", "PG1", "PG2"};
  EXPECT_EQ(list, expected);
  EXPECT_EQ(ChannelAtListIndex(12).position, 28);
  EXPECT_EQ(ChannelAtListIndex(31).position, 31);
}

TEST(ChannelTableTest, RowsByPositionCarryNameAndSuffix) {
  EXPECT_EQ(ChannelAtPosition(1).name, "FP2");
  EXPECT_EQ(ChannelAtPosition(1).suffix, "FP2.eeg");
  EXPECT_EQ(ChannelAtPosition(22).name, "BP3");
  EXPECT_EQ(ChannelAtPosition(32).suffix, "BP1.eeg");
  std::set<std::string> suffixes;
  for (int p = 1; p <= 32; ++p) {
    EXPECT_EQ(ChannelAtPosition(p).position, p);
    EXPECT_EQ(FindChannelPosition(ChannelAtPosition(p).name), p);
    suffixes.emplace(ChannelAtPosition(p).suffix);
  }
  EXPECT_EQ(suffixes.size(), 32u);
}

}  // namespace
}  // namespace velbrix
