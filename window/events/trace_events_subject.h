// What the Import Events and Detect Events dialogs are given by the trace window that opens them.
#ifndef VELBRIX_WINDOW_EVENTS_TRACE_EVENTS_SUBJECT_H_
#define VELBRIX_WINDOW_EVENTS_TRACE_EVENTS_SUBJECT_H_

#include <string>
#include <vector>

#include "window/events/import_events_controller.h"
#include "window/trace/trace_controller.h"

namespace velbrix {

// The recording that `traces` shows, its records, its "Sample rate" (when the field holds one)
// and the user's decimal separator.
EventsDialogSubject EventsSubjectOf(const TraceController& traces);

// The channels to detect on, in record order (1 .. 32), by their names.
std::vector<std::string> DetectionChannelNames();

}  // namespace velbrix

#endif  // VELBRIX_WINDOW_EVENTS_TRACE_EVENTS_SUBJECT_H_
