// Checking events and keeping them in start order.
#include "core/events/event_list.h"

#include <algorithm>
#include <cassert>
#include <limits>

namespace velbrix {

Status CheckEventLabel(std::string_view label) {
  if (label.size() > kMostEventLabelBytes) {
    return Status::InvalidArgument(
        "The label is " + std::to_string(label.size()) + " bytes long, more than the " +
        std::to_string(kMostEventLabelBytes) + " an event's label holds");
  }
  if (!IsValidUtf8(label)) {
    return Status::InvalidArgument("The label is not valid UTF-8 text");
  }
  for (const char c : label) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7F) {
      const char* what = c == '\t' ? "a tab" : c == '\n' || c == '\r' ? "a line break" : nullptr;
      return Status::InvalidArgument(
          "The label \"" + std::string(label) + "\" holds " +
          (what != nullptr ? std::string(what) : "the control character " + std::to_string(byte)) +
          "; an event's label is one line of text");
    }
  }
  return Status::Ok();
}

Status CheckEvent(const Event& event, std::optional<std::uint64_t> records) {
  if (Status s = CheckEventLabel(event.label); !s.ok()) {
    return s;
  }
  if (event.length > std::numeric_limits<std::uint64_t>::max() - event.start) {
    return Status::InvalidArgument("The event at record " + std::to_string(event.start) +
                                   " is too long: " + std::to_string(event.length) + " records");
  }
  if (records && (event.start >= *records || event.start + event.length > *records)) {
    return Status::InvalidArgument("The event at record " + std::to_string(event.start) +
                                   " lasting " + std::to_string(event.length) +
                                   " records does not lie within the recording's " +
                                   std::to_string(*records) + " records");
  }
  return Status::Ok();
}

namespace {

bool StartsBefore(const Event& a, const Event& b) {
  return a.start < b.start;
}

}  // namespace

Status EventList::FromEvents(std::vector<Event> events, std::optional<std::uint64_t> records,
                             EventList* list) {
  if (events.size() > kMostEvents) {
    return Status::InvalidArgument(std::to_string(events.size()) + " events are more than the " +
                                   std::to_string(kMostEvents) + " a recording may have");
  }
  for (std::size_t i = 0; i < events.size(); ++i) {
    if (Status s = CheckEvent(events[i], records); !s.ok()) {
      return Status::InvalidArgument("Event " + std::to_string(i + 1) + ": " + s.message());
    }
  }
  std::stable_sort(events.begin(), events.end(), StartsBefore);
  list->events_ = std::move(events);
  return Status::Ok();
}

Status EventList::Add(Event event, std::optional<std::uint64_t> records, std::size_t* index) {
  if (events_.size() >= kMostEvents) {
    return Status::InvalidArgument("The recording has " + std::to_string(kMostEvents) +
                                   " events already, the most it may have");
  }
  if (Status s = CheckEvent(event, records); !s.ok()) {
    return s;
  }
  const auto place = std::upper_bound(events_.begin(), events_.end(), event, StartsBefore);
  const auto inserted = events_.insert(place, std::move(event));
  if (index != nullptr) {
    *index = static_cast<std::size_t>(inserted - events_.begin());
  }
  return Status::Ok();
}

Status EventList::Rename(std::size_t index, std::string label) {
  assert(index < events_.size());
  if (Status s = CheckEventLabel(label); !s.ok()) {
    return s;
  }
  events_[index].label = std::move(label);
  return Status::Ok();
}

void EventList::Remove(std::size_t index) {
  assert(index < events_.size());
  events_.erase(events_.begin() + static_cast<std::ptrdiff_t>(index));
}

}  // namespace velbrix
