// A recording's events: what happened and when, in records, kept in start order.
//
// An event starts at a record index (0 is the recording's first record) and lasts `length`
// records (0: an instant). Positions are in records, not seconds, because a recording does not
// hold its sample rate. A label is one line of UTF-8 text: no control characters (tab, CR, LF and
// the rest of U+0000 .. U+001F, U+007F), at most kMostEventLabelBytes bytes. The list does not know
// its recording; a caller that knows the record count passes it to have positions checked.
#ifndef VELBRIX_CORE_EVENTS_EVENT_LIST_H_
#define VELBRIX_CORE_EVENTS_EVENT_LIST_H_

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/base/status.h"
#include "core/base/utf8.h"

namespace velbrix {

inline constexpr std::size_t kMostEventLabelBytes = 255;
// The most events a list holds: the bound that keeps every sidecar, every EDF annotation signal
// and every detection's result small (see events_sidecar.h).
inline constexpr std::size_t kMostEvents = 100'000;

struct Event {
  std::uint64_t start = 0;   // record index
  std::uint64_t length = 0;  // in records; 0 for an instant
  std::string label;         // UTF-8, one line

  friend bool operator==(const Event&, const Event&) = default;
};

// Ok for a label as described above; otherwise kInvalidArgument saying what is wrong with it.
Status CheckEventLabel(std::string_view label);

// Ok for an event with a valid label that lies within a recording of `records` records (when
// given): start < records and start + length <= records. Otherwise kInvalidArgument saying why.
Status CheckEvent(const Event& event, std::optional<std::uint64_t> records);

// Events sorted by start; events of one start keep the order in which they came. Holds only
// events that passed CheckEvent, at most kMostEvents of them.
class EventList {
 public:
  EventList() = default;

  // Sets `*list` to `events` sorted by start (stably). Fails with the first event's failure of
  // CheckEvent, naming its place in `events` (1-based), or when there are more than kMostEvents;
  // `*list` is then left as it was.
  static Status FromEvents(std::vector<Event> events, std::optional<std::uint64_t> records,
                           EventList* list);

  const std::vector<Event>& events() const { return events_; }
  std::size_t size() const { return events_.size(); }
  bool empty() const { return events_.empty(); }
  const Event& operator[](std::size_t index) const { return events_[index]; }

  // Adds `event` after every event of its start or earlier; `*index` (if given) gets its place.
  // Fails, leaving the list as it was, when CheckEvent fails or the list is full.
  Status Add(Event event, std::optional<std::uint64_t> records, std::size_t* index = nullptr);
  // Gives the event at `index` the label `label`. Requires index < size(). Fails, leaving the
  // event as it was, when CheckEventLabel fails.
  Status Rename(std::size_t index, std::string label);
  // Removes the event at `index`. Requires index < size().
  void Remove(std::size_t index);

  friend bool operator==(const EventList&, const EventList&) = default;

 private:
  std::vector<Event> events_;
};

}  // namespace velbrix

#endif  // VELBRIX_CORE_EVENTS_EVENT_LIST_H_
