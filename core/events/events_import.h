// Events from a table that a lab or another program wrote: TSV or CSV with a header line naming
// the columns, an event a line. Three forms are read:
//
//   the sidecar's own (events_sidecar.h), told by its header: positions in records;
//   a BIDS events table: "onset" and "duration" in seconds, "trial_type" as the label (the
//     default columns below);
//   a lab's table: the onset, duration and label columns named by the caller, in seconds or in
//     records.
//
// Spaces around a time are ignored. Times in seconds become the nearest record at the given
// rate. An empty or "n/a" duration is 0 (an instant), an "n/a" label is empty. The import is all
// or nothing: a file with a bad line imports no event, and the failure names every bad line (the
// first few) with its number.
#ifndef VELBRIX_CORE_EVENTS_EVENTS_IMPORT_H_
#define VELBRIX_CORE_EVENTS_EVENTS_IMPORT_H_

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "core/base/hertz.h"
#include "core/base/status.h"
#include "core/events/event_list.h"

namespace velbrix {

enum class EventTimeUnit { kSeconds, kRecords };

struct EventImportOptions {
  // Nothing: told by the header line, the first of tab, comma or semicolon that it holds (tab when
  // it holds none).
  std::optional<char> delimiter;
  std::string onset_column = "onset";
  std::string duration_column = "duration";      // empty: none, every event an instant
  std::string label_column = "trial_type";       // empty: none, every label empty
  EventTimeUnit unit = EventTimeUnit::kSeconds;  // of the onset and duration columns
  std::optional<Hertz> rate;                     // required for kSeconds
};

enum class EventTableForm { kSidecar, kColumns };

// Sets `*events` to the events of the table text `text` (from the file `file`, named in
// messages), checked against a recording of `records` records when given, and `*form` (if
// given) to the form that was read. A header equal to the sidecar's is read as a sidecar and the
// options are not used. Fails with kInvalidArgument, leaving `*events` as it was: naming the
// file and line 1 for a header without a named column, or the bad lines (a different number of
// fields than the header, an onset or duration that is not a non-negative number of the unit, a
// bad label, an event outside the recording); without a line for seconds and no rate.
Status ImportEvents(std::string_view text, const std::filesystem::path& file,
                    const EventImportOptions& options, std::optional<std::uint64_t> records,
                    EventList* events, EventTableForm* form = nullptr);

// ReadEventsFile (events_sidecar.h) of `file`, then ImportEvents. A missing file is a failure.
Status ImportEventsFile(const std::filesystem::path& file, const EventImportOptions& options,
                        std::optional<std::uint64_t> records, EventList* events,
                        EventTableForm* form = nullptr);

}  // namespace velbrix

#endif  // VELBRIX_CORE_EVENTS_EVENTS_IMPORT_H_
