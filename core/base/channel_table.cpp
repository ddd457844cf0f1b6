// Look-ups in the channel table.
#include "core/base/channel_table.h"

#include <cassert>

namespace velbrix {

std::optional<int> FindChannelPosition(std::string_view name) {
  for (const Channel& c : ChTable) {
    if (c.name == name) {
      return c.position;
    }
  }
  return std::nullopt;
}

const Channel& ChannelAtPosition(int position) {
  assert(position >= 1 && position <= static_cast<int>(kChannelCount));
  return ChTable[static_cast<std::size_t>(position - 1)];
}

const Channel& ChannelAtListIndex(int list_index) {
  assert(list_index >= 0 && list_index < static_cast<int>(kChannelCount));
  for (const Channel& c : ChTable) {
    if (c.list_index == list_index) {
      return c;
    }
  }
  assert(false && "list indexes are a permutation");
  return ChTable[0];
}

}  // namespace velbrix
