// The events of an export: from a table or none, with detections added.
#include "core/events/export_events.h"

#include <optional>
#include <string>
#include <system_error>
#include <utility>

#include "core/events/events_import.h"
#include "core/events/events_sidecar.h"
#include "core/trace/trace_recording.h"

namespace velbrix {
namespace {

// The whole records of `recording`, counted once when first asked for.
class RecordCount {
 public:
  explicit RecordCount(const std::filesystem::path& recording) : recording_(recording) {}

  Status Get(std::uint64_t* records) {
    if (!records_) {
      TraceRecording opened;
      if (Status s = opened.Open(recording_); !s.ok()) {
        return s;
      }
      records_ = opened.records();
    }
    *records = *records_;
    return Status::Ok();
  }

 private:
  const std::filesystem::path& recording_;
  std::optional<std::uint64_t> records_;
};

// The events of the table `file` (nothing: none), checked against the recording's records.
Status EventsOfTable(const std::filesystem::path& file, bool sidecar, const Hertz& rate,
                     RecordCount& count, EventList* events) {
  std::optional<std::string> text;
  if (Status s = ReadEventsFile(file, &text); !s.ok()) {
    return s;
  }
  if (!text) {
    if (sidecar) {
      *events = EventList();
      return Status::Ok();
    }
    return Status::IoError("Cannot open", file,
                           std::make_error_code(std::errc::no_such_file_or_directory).message());
  }
  std::uint64_t records = 0;
  if (Status s = count.Get(&records); !s.ok()) {
    return s;
  }
  if (sidecar) {
    return ParseEventsSidecar(*text, file, records, events);
  }
  EventImportOptions options;
  options.rate = rate;
  return ImportEvents(*text, file, options, records, events);
}

}  // namespace

Status EventsForExport(const std::filesystem::path& recording, const Hertz& rate,
                       const ExportEventsChoice& choice, EventList* events,
                       const ProgressCallback& progress, const StopRequest* stop) {
  RecordCount count(recording);
  EventList chosen;
  if (choice.source != ExportEventsSource::kNone) {
    const bool sidecar = choice.source == ExportEventsSource::kSidecar;
    if (Status s = EventsOfTable(sidecar ? EventsSidecarPath(recording) : choice.file, sidecar,
                                 rate, count, &chosen);
        !s.ok()) {
      return s;
    }
  }
  if (choice.detections.empty()) {
    *events = std::move(chosen);
    return Status::Ok();
  }
  std::vector<Event> all = chosen.events();
  for (const DetectionRule& rule : choice.detections) {
    EventList found;
    if (Status s = DetectEvents(recording, rule, &found, progress, stop); !s.ok()) {
      return s;
    }
    all.insert(all.end(), found.events().begin(), found.events().end());
  }
  std::uint64_t records = 0;
  if (Status s = count.Get(&records); !s.ok()) {
    return s;
  }
  if (Status s = EventList::FromEvents(std::move(all), records, events); !s.ok()) {
    return Status::InvalidArgument("Cannot export the events of " + PathForDisplay(recording) +
                                   ": " + s.message());
  }
  return Status::Ok();
}

Status CheckEventsWithin(const EventList& events, std::uint64_t records,
                         const std::filesystem::path& recording) {
  for (const Event& event : events.events()) {
    if (event.start >= records || event.length > records - event.start) {
      return Status::InvalidArgument(
          "Cannot export the events of " + PathForDisplay(recording) + ": the event \"" +
          event.label + "\" at record " + std::to_string(event.start) + " lasting " +
          std::to_string(event.length) + " records ends beyond the recording's " +
          std::to_string(records) + " records");
    }
  }
  return Status::Ok();
}

}  // namespace velbrix
