// The trace window's event list: its reading, editing, saving and the look-ups for drawing.
#include "window/trace/trace_events.h"

#include <algorithm>
#include <set>

#include "core/commit/file_table.h"
#include "core/events/events_sidecar.h"

namespace velbrix {

void TraceEvents::Open(const std::filesystem::path& recording, std::uint64_t records) {
  Close();
  sidecar_ = EventsSidecarPath(recording);
  records_ = records;
  load_status_ = LoadEventsSidecar(recording, records, &list_);
  saved_ = list_;
  Changed();
}

void TraceEvents::Close() {
  sidecar_.clear();
  records_ = 0;
  list_ = EventList();
  saved_ = EventList();
  load_status_ = Status();
  unsaved_ = false;
  given_labels_.clear();
  Changed();
}

void TraceEvents::Changed() {
  ++version_;
  longest_ = 0;
  for (const Event& event : list_.events()) {
    longest_ = std::max(longest_, event.length);
  }
}

Status TraceEvents::Add(Event event, std::size_t* index) {
  const std::string label = event.label;
  Status status = list_.Add(std::move(event), records_, index);
  if (status.ok()) {
    std::erase(given_labels_, label);
    given_labels_.insert(given_labels_.begin(), label);
    unsaved_ = true;
    Changed();
  }
  return status;
}

Status TraceEvents::AddMany(const std::vector<Event>& events, std::size_t* added) {
  Status first_failure;
  *added = 0;
  for (const Event& event : events) {
    const Status status = list_.Add(event, records_);
    if (status.ok()) {
      ++*added;
    } else if (first_failure.ok()) {
      first_failure = status;
    }
  }
  if (*added > 0) {
    unsaved_ = true;
    Changed();
  }
  return first_failure;
}

Status TraceEvents::Rename(std::size_t index, std::string label) {
  const std::string given = label;
  Status status = list_.Rename(index, std::move(label));
  if (status.ok()) {
    std::erase(given_labels_, given);
    given_labels_.insert(given_labels_.begin(), given);
    unsaved_ = true;
    Changed();
  }
  return status;
}

void TraceEvents::Remove(std::size_t index) {
  list_.Remove(index);
  unsaved_ = true;
  Changed();
}

Status TraceEvents::Save(const std::filesystem::path& file) {
  FileTable files;
  int number = 0;
  Status status = files.OpenOutputOnFreeNumber(file, &number);
  if (status.ok()) {
    status = files.Write(number, FormatEventsSidecar(list_));
  }
  status = files.EndRun(status);
  if (status.ok() && file == sidecar_) {
    saved_ = list_;
    unsaved_ = false;
  }
  return status;
}

void TraceEvents::Discard() {
  list_ = saved_;
  unsaved_ = false;
  Changed();
}

std::vector<std::string> TraceEvents::OfferedLabels() const {
  std::vector<std::string> labels = given_labels_;
  std::set<std::string> seen(labels.begin(), labels.end());
  for (const Event& event : list_.events()) {
    if (seen.insert(event.label).second) {
      labels.push_back(event.label);
    }
  }
  return labels;
}

namespace {

bool StartsBefore(const Event& event, std::uint64_t record) {
  return event.start < record;
}

}  // namespace

std::pair<std::size_t, std::size_t> TraceEvents::InPage(std::uint64_t first,
                                                        std::uint64_t page) const {
  const std::vector<Event>& events = list_.events();
  const std::uint64_t from = first > longest_ ? first - longest_ : 0;
  auto begin = std::lower_bound(events.begin(), events.end(), from, StartsBefore);
  const auto end = std::lower_bound(begin, events.end(), first + page, StartsBefore);
  // Those that start before the page and end before it too are skipped: at most the few within
  // the longest event's length.
  while (begin != end && begin->start < first && begin->start + begin->length <= first) {
    ++begin;
  }
  return {static_cast<std::size_t>(begin - events.begin()),
          static_cast<std::size_t>(end - events.begin())};
}

std::optional<std::size_t> TraceEvents::FirstFrom(std::uint64_t record) const {
  const std::vector<Event>& events = list_.events();
  const auto at = std::lower_bound(events.begin(), events.end(), record, StartsBefore);
  if (at == events.end()) {
    return std::nullopt;
  }
  return static_cast<std::size_t>(at - events.begin());
}

std::optional<std::size_t> TraceEvents::LastBefore(std::uint64_t record) const {
  const std::vector<Event>& events = list_.events();
  const auto at = std::lower_bound(events.begin(), events.end(), record, StartsBefore);
  if (at == events.begin()) {
    return std::nullopt;
  }
  return static_cast<std::size_t>(at - events.begin()) - 1;
}

const std::vector<int>& TraceEvents::TickColumns(int width) const {
  if (width == ticks_width_ && version_ == ticks_version_) {
    return ticks_;
  }
  ticks_.clear();
  ticks_width_ = width;
  ticks_version_ = version_;
  if (width <= 0 || records_ == 0) {
    return ticks_;
  }
  for (const Event& event : list_.events()) {
    const auto column = static_cast<int>(
        std::min<std::uint64_t>(static_cast<std::uint64_t>(width) - 1,
                                static_cast<std::uint64_t>(static_cast<double>(event.start) *
                                                           width / static_cast<double>(records_))));
    if (ticks_.empty() || ticks_.back() != column) {
      ticks_.push_back(column);
    }
  }
  return ticks_;
}

}  // namespace velbrix
