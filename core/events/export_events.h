// Which events an export carries, decided in one place for the command line and the window: the
// recording's sidecar (the default), another table, or none, with the events found by detections
// added.
#ifndef VELBRIX_CORE_EVENTS_EXPORT_EVENTS_H_
#define VELBRIX_CORE_EVENTS_EXPORT_EVENTS_H_

#include <cstdint>
#include <filesystem>
#include <vector>

#include "core/base/hertz.h"
#include "core/base/status.h"
#include "core/base/stop_request.h"
#include "core/convert/record_blocks.h"
#include "core/events/event_detection.h"
#include "core/events/event_list.h"

namespace velbrix {

enum class ExportEventsSource {
  kSidecar,  // the recording's sidecar (events_sidecar.h); none where it has none
  kFile,     // another table: a sidecar, or a BIDS-style table in seconds (events_import.h)
  kNone,     // none
};

struct ExportEventsChoice {
  ExportEventsSource source = ExportEventsSource::kSidecar;
  std::filesystem::path file;             // kFile: the table
  std::vector<DetectionRule> detections;  // each rule's events are added to the source's
};

// Sets `*events` to the events that an export at `rate` (from ParseHertz) of the recording
// `recording` carries, as `choice` says: the source's events, then those of each detection, in
// start order. Every event is checked against the recording's whole records; the recording is
// opened only where there is a table to check or a detection to run (no sidecar and no detection:
// no event, and the recording is not touched). Fails, leaving `*events` as it was: naming the
// table and its bad lines (an event outside the recording among them) or the system's reason
// when it cannot be read, a missing --events table included; naming the recording when it cannot
// be read; when there would be more than kMostEvents; with Status::Stopped when `stop` is
// requested during a detection. `progress` is told of each detection's reading.
Status EventsForExport(const std::filesystem::path& recording, const Hertz& rate,
                       const ExportEventsChoice& choice, EventList* events,
                       const ProgressCallback& progress = {}, const StopRequest* stop = nullptr);

// Ok when every event of `events` lies within `records` whole records (CheckEvent); otherwise
// kInvalidArgument naming `recording`, the first event outside and its label. The exports check
// the events they are given against the records they read.
Status CheckEventsWithin(const EventList& events, std::uint64_t records,
                         const std::filesystem::path& recording);

}  // namespace velbrix

#endif  // VELBRIX_CORE_EVENTS_EXPORT_EVENTS_H_
