// The events drawn on the trace window's picture: on the traces a line at an instant, a shaded
// band over a span, each with its label at the top; on the overview strip a tick per column that
// holds an event's start.
#ifndef VELBRIX_WINDOW_TRACE_TRACE_EVENT_MARKS_H_
#define VELBRIX_WINDOW_TRACE_TRACE_EVENT_MARKS_H_

#include <cstddef>
#include <cstdint>
#include <vector>

#include "core/events/event_list.h"
#include "window/trace/trace_picture.h"

namespace velbrix::trace {

struct EventMarksInput {
  std::uint64_t first = 0;  // the page's first record
  std::uint64_t page = 1;   // records in the page (at least 1)
  // The page's events: events[begin, end) (see TraceEvents::InPage; those
  // that end before the page are skipped), and the one selected, if any.
  const std::vector<Event>* events = nullptr;
  std::size_t begin = 0;
  std::size_t end = 0;
  std::size_t selected = static_cast<std::size_t>(-1);
  // The overview's ticks: columns of the strip (see TraceEvents::TickColumns).
  const std::vector<int>* ticks = nullptr;
};

// Adds the marks to `picture` (composed by ComposeCanvas): spans' bands go just before the first
// trace, so that the traces stay on top; lines, labels and ticks go last.
void AddEventMarks(const EventMarksInput& input, TracePicture* picture);

}  // namespace velbrix::trace

#endif  // VELBRIX_WINDOW_TRACE_TRACE_EVENT_MARKS_H_
