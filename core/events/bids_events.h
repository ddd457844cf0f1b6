// The events of a recording in a BIDS dataset: <prefix>_events.tsv beside the data file, and
// <prefix>_events.json describing its columns. UTF-8 with LF line ends.
//
//   onset<TAB>duration<TAB>trial_type<TAB>sample
//   4<TAB>0<TAB>eyes closed<TAB>1024                  seconds at the export's rate; sample 0-based
//   20<TAB>1<TAB>n/a<TAB>5120                         "n/a" for an empty label
#ifndef VELBRIX_CORE_EVENTS_BIDS_EVENTS_H_
#define VELBRIX_CORE_EVENTS_BIDS_EVENTS_H_

#include <string>

#include "core/base/hertz.h"
#include "core/events/event_list.h"

namespace velbrix {

inline constexpr char kBidsEventsHeader[] = "onset\tduration\ttrial_type\tsample";

// The table of `events` at `rate` (from ParseHertz): the header and one row per event, in start
// order. The events' labels hold no tab or line break (CheckEventLabel), so no cell needs quoting.
std::string MakeBidsEvents(const EventList& events, const Hertz& rate);

// The description of that table's columns.
std::string MakeBidsEventsSidecar();

}  // namespace velbrix

#endif  // VELBRIX_CORE_EVENTS_BIDS_EVENTS_H_
