// The table of the 32 channels: record position, name, output file suffix and list index.
//
// The table is fixed when the program is built. Names are compared exactly (case-sensitive, no
// trimming). The window's channel list shows the names in list-index order, which differs from the
// record order.
#ifndef VELBRIX_CORE_CHANNEL_TABLE_H_
#define VELBRIX_CORE_CHANNEL_TABLE_H_

#include <array>
#include <optional>
#include <string_view>

#include "core/record.h"

namespace velbrix {

struct Channel {
  int position;             // 1 .. 32: the channel's sample is byte position - 1 of a record
  std::string_view name;    // exact, case-sensitive ("Fz", "FP2", "EKG")
  std::string_view suffix;  // output file suffix: the name followed by ".eeg"
  int list_index;           // 0 .. 31: place of the name in the window's channel list
};

// Rows in record order: ChTable[p - 1] is the channel at position p.
inline constexpr std::array<Channel, kChannelCount> ChTable = {{
    {1, "FP2", "FP2.eeg", 0},   {2, "F8", "F8.eeg", 1},     {3, "T4", "T4.eeg", 2},
    {4, "T6", "T6.eeg", 3},     {5, "F4", "F4.eeg", 4},     {6, "C4", "C4.eeg", 5},
    {7, "P4", "P4.eeg", 6},     {8, "O2", "O2.eeg", 7},     {9, "A2", "A2.eeg", 8},
    {10, "Fz", "Fz.eeg", 9},    {11, "Cz", "Cz.eeg", 10},   {12, "Pz", "Pz.eeg", 11},
    {13, "FP1", "FP1.eeg", 13}, {14, "F7", "F7.eeg", 14},   {15, "T3", "T3.eeg", 15},
    {16, "T5", "T5.eeg", 16},   {17, "F3", "F3.eeg", 17},   {18, "C3", "C3.eeg", 18},
    {19, "P3", "P3.eeg", 19},   {20, "O1", "O1.eeg", 20},   {21, "A1", "A1.eeg", 21},
    {22, "BP3", "BP3.eeg", 25}, {23, "EKG", "EKG.eeg", 22}, {24, "DC1", "DC1.eeg", 27},
    {25, "DC2", "DC2.eeg", 28}, {26, "DC3", "DC3.eeg", 29}, {27, "BP4", "BP4.eeg", 26},
    {28, "Oz", "Oz.eeg", 12},   {29, "BP2", "BP2.eeg", 24}, {30, "PG1", "PG1.eeg", 30},
    {31, "PG2", "PG2.eeg", 31}, {32, "BP1", "BP1.eeg", 23},
}};

// Every position in record order, 1 .. 32: the channels of a run over all of them.
inline constexpr std::array<int, kChannelCount> kAllPositions = [] {
  std::array<int, kChannelCount> all{};
  for (std::size_t i = 0; i < all.size(); ++i) {
    all[i] = static_cast<int>(i) + 1;
  }
  return all;
}();

// The position (1 .. 32) of the channel whose name equals `name` exactly, or nothing.
std::optional<int> FindChannelPosition(std::string_view name);

// The row of the channel at `position`. Requires 1 <= position <= 32.
const Channel& ChannelAtPosition(int position);

// The row of the channel at `list_index` of the window's list. Requires 0 <= list_index <= 31.
const Channel& ChannelAtListIndex(int list_index);

namespace channel_table_detail {

constexpr bool SuffixIsNamePlusEeg(const Channel& c) {
  return c.suffix.size() == c.name.size() + 4 && c.suffix.substr(0, c.name.size()) == c.name &&
         c.suffix.substr(c.name.size()) == ".eeg";
}

constexpr bool TableIsConsistent() {
  std::array<bool, kChannelCount> list_index_seen{};
  for (std::size_t i = 0; i < ChTable.size(); ++i) {
    const Channel& c = ChTable[i];
    if (c.position != static_cast<int>(i) + 1 || !SuffixIsNamePlusEeg(c) || c.name.empty()) {
      return false;
    }
    if (c.list_index < 0 || c.list_index >= static_cast<int>(kChannelCount) ||
        list_index_seen[static_cast<std::size_t>(c.list_index)]) {
      return false;
    }
    list_index_seen[static_cast<std::size_t>(c.list_index)] = true;
    for (std::size_t j = 0; j < i; ++j) {
      if (ChTable[j].name == c.name) {
        return false;
      }
    }
  }
  return true;
}

}  // namespace channel_table_detail

// Positions run 1 .. 32 in order, list indexes are a permutation of 0 .. 31, names are distinct
// and every suffix is its name followed by ".eeg".
static_assert(channel_table_detail::TableIsConsistent());

}  // namespace velbrix

#endif  // VELBRIX_CORE_CHANNEL_TABLE_H_
