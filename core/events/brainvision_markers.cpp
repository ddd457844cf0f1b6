// Writing events as BrainVision markers.
#include "core/events/brainvision_markers.h"

#include <algorithm>
#include <cassert>

namespace velbrix {

std::string BrainVisionDescription(std::string_view label) {
  std::string description;
  for (const char c : label) {
    if (c == ',') {
      description += "\\1";
    } else {
      description += c;
    }
  }
  return description;
}

std::string MakeBrainVisionEventMarkers(const EventList& events, int first_number) {
  assert(first_number >= 1);
  std::string text;
  auto number = static_cast<std::uint64_t>(first_number);
  text.reserve(events.size() * 48);
  for (const Event& event : events.events()) {
    // Appended piece by piece: an export of 100,000 events makes no temporaries.
    text += "Mk";
    text += std::to_string(number++);
    text += '=';
    text += kBrainVisionEventMarkerType;
    text += ',';
    text += BrainVisionDescription(event.label);
    text += ',';
    text += std::to_string(event.start + 1);
    text += ',';
    text += std::to_string(std::max<std::uint64_t>(event.length, 1));
    text += ",0\r\n";
  }
  return text;
}

}  // namespace velbrix
