// What the events dialogs are given by the trace window.
#include "window/events/trace_events_subject.h"

#include "core/base/channel_table.h"
#include "core/base/hertz.h"
#include "core/base/record.h"

namespace velbrix {

EventsDialogSubject EventsSubjectOf(const TraceController& traces) {
  EventsDialogSubject subject;
  subject.recording = traces.subject().recording;
  subject.records = traces.records();
  if (traces.sample_rate() > 0) {
    subject.rate = Hertz{ShortestDecimal(traces.sample_rate()), traces.sample_rate()};
  }
  subject.decimal_separator = traces.decimal_separator();
  return subject;
}

std::vector<std::string> DetectionChannelNames() {
  std::vector<std::string> names;
  for (int position = 1; position <= static_cast<int>(kChannelCount); ++position) {
    names.emplace_back(ChannelAtPosition(position).name);
  }
  return names;
}

}  // namespace velbrix
