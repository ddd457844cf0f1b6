// The events sidecar: a recording's events in a tab-separated text file beside it, which a person
// can read and a table program can load.
//
//   rec01_eeg  ->  rec01_events.tsv      (a name without "_eeg": rec01.dat -> rec01.dat_events.tsv)
//
//   start_record<TAB>length_records<TAB>label<LF>     the header line, always
//   1024<TAB>0<TAB>eyes closed<LF>                     one event a line, in start order
//   5120<TAB>256<TAB>photic 10 Hz<LF>
//
// Positions are in records (0: the first), as decimal digits. UTF-8 throughout, LF line ends.
// A sidecar that a person edited is read as well: CR LF line ends, a byte order mark, empty lines
// and events in any order (they are sorted). The longest sidecar of kMostEvents events is below
// kMostEventsSidecarBytes, the most that is read.
#ifndef VELBRIX_CORE_EVENTS_EVENTS_SIDECAR_H_
#define VELBRIX_CORE_EVENTS_EVENTS_SIDECAR_H_

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "core/base/status.h"
#include "core/events/event_list.h"

namespace velbrix {

inline constexpr char kEventsSidecarEnd[] = "_events.tsv";
inline constexpr char kEventsSidecarHeader[] = "start_record\tlength_records\tlabel";
inline constexpr std::uint64_t kMostEventsSidecarBytes = 32 << 20;
// Two counts of 20 digits, a label and three separators a line, and the header.
static_assert(kMostEvents * (20 + 20 + kMostEventLabelBytes + 3) + sizeof kEventsSidecarHeader <
              kMostEventsSidecarBytes);

// The sidecar of the recording `recording`: in its folder, its name with "_eeg" at the end
// replaced by "_events.tsv", or "_events.tsv" appended where it does not end in "_eeg".
std::filesystem::path EventsSidecarPath(const std::filesystem::path& recording);

// The sidecar's text for `events`: the header line and one line per event.
std::string FormatEventsSidecar(const EventList& events);

// Sets `*events` to the events of the sidecar text `text`, checked against a recording of
// `records` records when given. Fails with kInvalidArgument naming `file` and the bad lines (a
// header that is not the sidecar's, a line without three tab-separated fields, a position that
// is not a count, a bad label, an event outside the recording), with their numbers; `*events` is
// then left as it was.
Status ParseEventsSidecar(std::string_view text, const std::filesystem::path& file,
                          std::optional<std::uint64_t> records, EventList* events);

// Reads the file `file` whole, without following a link and without waiting on a pipe or a
// device, into `*text`; nothing when no file of that name exists (its folder may be missing too).
// Another user's file is read as well: sidecars and tables live in folders a lab shares. Fails
// naming the file and the system's reason (a folder or link of that name, a file larger than
// kMostEventsSidecarBytes).
Status ReadEventsFile(const std::filesystem::path& file, std::optional<std::string>* text);

// The events of the recording `recording` from its sidecar (ReadEventsFile, then
// ParseEventsSidecar): an empty list when it has none. On failure `*events` is left as it was;
// the recording itself can still be opened.
Status LoadEventsSidecar(const std::filesystem::path& recording,
                         std::optional<std::uint64_t> records, EventList* events);

}  // namespace velbrix

#endif  // VELBRIX_CORE_EVENTS_EVENTS_SIDECAR_H_
