// The table of the 32 channels: record position, name, output file suffix, list index and kind.
//
// The table is fixed when the program is built. Names are compared exactly (case-sensitive, no
// trimming). The window's channel list shows the names in list-index order, which differs from the
// record order.
#ifndef VELBRIX_CORE_BASE_CHANNEL_TABLE_H_
#define VELBRIX_CORE_BASE_CHANNEL_TABLE_H_

#include <array>
#include <optional>
#include <string_view>

#include "core/base/record.h"

namespace velbrix {

// What a channel records: an electrode of the 10-20 system (A1, A2 and Oz included), the ECG (EKG),
// or another input (BP1 .. BP4, DC1 .. DC3, PG1, PG2).
enum class ChannelKind { kEeg, kEcg, kMisc };

struct Channel {
  int position;             // 1 .. 32: the channel's sample is byte position - 1 of a record
  std::string_view name;    // exact, case-sensitive ("Fz", "FP2", "EKG")
  std::string_view suffix;  // output file suffix: the name followed by ".eeg"
  int list_index;           // 0 .. 31: place of the name in the window's channel list
  ChannelKind kind;
};

// Rows in record order: ChTable[p - 1] is the channel at position p.
inline constexpr std::array<Channel, kChannelCount> ChTable = {{
    {1, "FP2", "FP2.eeg", 0, ChannelKind::kEeg},    {2, "F8", "F8.eeg", 1, ChannelKind::kEeg},
    {3, "T4", "T4.eeg", 2, ChannelKind::kEeg},      {4, "T6", "T6.eeg", 3, ChannelKind::kEeg},
    {5, "F4", "F4.eeg", 4, ChannelKind::kEeg},      {6, "C4", "C4.eeg", 5, ChannelKind::kEeg},
    {7, "P4", "P4.eeg", 6, ChannelKind::kEeg},      {8, "O2", "O2.eeg", 7, ChannelKind::kEeg},
    {9, "A2", "A2.eeg", 8, ChannelKind::kEeg},      {10, "Fz", "Fz.eeg", 9, ChannelKind::kEeg},
    {11, "Cz", "Cz.eeg", 10, ChannelKind::kEeg},    {12, "Pz", "Pz.eeg", 11, ChannelKind::kEeg},
    {13, "FP1", "FP1.eeg", 13, ChannelKind::kEeg},  {14, "F7", "F7.eeg", 14, ChannelKind::kEeg},
    {15, "T3", "T3.eeg", 15, ChannelKind::kEeg},    {16, "T5", "T5.eeg", 16, ChannelKind::kEeg},
    {17, "F3", "F3.eeg", 17, ChannelKind::kEeg},    {18, "C3", "C3.eeg", 18, ChannelKind::kEeg},
    {19, "P3", "P3.eeg", 19, ChannelKind::kEeg},    {20, "O1", "O1.eeg", 20, ChannelKind::kEeg},
    {21, "A1", "A1.eeg", 21, ChannelKind::kEeg},    {22, "BP3", "BP3.eeg", 25, ChannelKind::kMisc},
    {23, "EKG", "EKG.eeg", 22, ChannelKind::kEcg},  {24, "DC1", "DC1.eeg", 27, ChannelKind::kMisc},
    {25, "DC2", "DC2.eeg", 28, ChannelKind::kMisc}, {26, "DC3", "DC3.eeg", 29, ChannelKind::kMisc},
    {27, "BP4", "BP4.eeg", 26, ChannelKind::kMisc}, {28, "Oz", "Oz.eeg", 12, ChannelKind::kEeg},
    {29, "BP2", "BP2.eeg", 24, ChannelKind::kMisc}, {30, "PG1", "PG1.eeg", 30, ChannelKind::kMisc},
    {31, "PG2", "PG2.eeg", 31, ChannelKind::kMisc}, {32, "BP1", "BP1.eeg", 23, ChannelKind::kMisc},
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

constexpr std::size_t CountOfKind(ChannelKind kind) {
  std::size_t count = 0;
  for (const Channel& c : ChTable) {
    count += c.kind == kind ? 1 : 0;
  }
  return count;
}

}  // namespace channel_table_detail

// Positions run 1 .. 32 in order, list indexes are a permutation of 0 .. 31, names are distinct
// and every suffix is its name followed by ".eeg".
static_assert(channel_table_detail::TableIsConsistent());
// The 22 electrodes of the 10-20 system: FP1/2, F3/4, F7/8, Fz, C3/4, Cz, T3..T6, P3/4, Pz, O1/2,
// Oz, A1/2; one ECG (EKG) and nine other inputs.
static_assert(channel_table_detail::CountOfKind(ChannelKind::kEeg) == 22 &&
              channel_table_detail::CountOfKind(ChannelKind::kEcg) == 1 &&
              channel_table_detail::CountOfKind(ChannelKind::kMisc) == 9);

}  // namespace velbrix

#endif  // VELBRIX_CORE_BASE_CHANNEL_TABLE_H_
