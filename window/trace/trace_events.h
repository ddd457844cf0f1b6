// The trace window's events: the recording's event list as the window edits it, read from its
// sidecar when the recording opens and written back whole on "Save Events", with what the window
// needs to draw and walk it quickly (the events of a page by binary search, the overview's ticks
// computed once per change).
//
// It does not know any toolkit or view; the trace controller routes the user's actions to it.
#ifndef VELBRIX_WINDOW_TRACE_TRACE_EVENTS_H_
#define VELBRIX_WINDOW_TRACE_TRACE_EVENTS_H_

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "core/base/status.h"
#include "core/events/event_list.h"

namespace velbrix {

class TraceEvents {
 public:
  // The recording `recording` of `records` records is shown: its sidecar's events, or none when
  // it has none or it cannot be read (load_status() then says why, with the sidecar's path).
  void Open(const std::filesystem::path& recording, std::uint64_t records);
  // No recording is shown: no events, nothing unsaved.
  void Close();

  const EventList& list() const { return list_; }
  const Status& load_status() const { return load_status_; }
  bool unsaved() const { return unsaved_; }
  const std::filesystem::path& sidecar() const { return sidecar_; }
  // Counts every change, so that what is derived from the list can tell it is out of date.
  std::uint64_t version() const { return version_; }

  // Adds `event`; `*index` gets its place. Fails, changing nothing, as EventList::Add does.
  Status Add(Event event, std::size_t* index);
  // Adds each of `events` that fits the recording; `*added` gets how many. The first refusal's
  // reason is returned (the rest are still added where they fit).
  Status AddMany(const std::vector<Event>& events, std::size_t* added);
  // Require index < list().size().
  Status Rename(std::size_t index, std::string label);
  void Remove(std::size_t index);

  // Writes the list to `file` as a sidecar, whole or not at all, under its folder's lock. On
  // success the list is saved when `file` is the recording's sidecar; on failure it stays unsaved
  // and the status names `file` and the system's reason.
  Status Save(const std::filesystem::path& file);
  // The changes are let go of: the list is as it was last read or saved.
  void Discard();

  // The labels to offer for a new event: those given in this window, the latest first, then the
  // rest of the list's, each once.
  std::vector<std::string> OfferedLabels() const;

  // The events [first, second) that may show on a page of `page` records from `first`, found by
  // binary search on their starts within the longest event's length: every event that shows is
  // among them, but those that start before the page may end before it too.
  std::pair<std::size_t, std::size_t> InPage(std::uint64_t first, std::uint64_t page) const;
  // The first event starting at or after `record`, or the last starting before it.
  std::optional<std::size_t> FirstFrom(std::uint64_t record) const;
  std::optional<std::size_t> LastBefore(std::uint64_t record) const;

  // The columns 0 .. width - 1 of an overview strip `width` pixels wide over the whole recording
  // that hold an event's start, each once, in order; kept until the list or the width changes.
  const std::vector<int>& TickColumns(int width) const;

 private:
  void Changed();

  std::filesystem::path sidecar_;
  std::uint64_t records_ = 0;
  EventList list_;
  EventList saved_;
  Status load_status_;
  bool unsaved_ = false;
  std::uint64_t version_ = 0;
  std::uint64_t longest_ = 0;
  std::vector<std::string> given_labels_;  // the latest first
  mutable std::vector<int> ticks_;
  mutable int ticks_width_ = -1;
  mutable std::uint64_t ticks_version_ = ~std::uint64_t{0};
};

}  // namespace velbrix

#endif  // VELBRIX_WINDOW_TRACE_TRACE_EVENTS_H_
