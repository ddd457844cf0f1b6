// Reading events from TSV and CSV tables.
#include "core/events/events_import.h"

#include <algorithm>
#include <system_error>
#include <utility>
#include <vector>

#include "core/events/event_text.h"
#include "core/events/event_time.h"
#include "core/events/events_sidecar.h"

namespace velbrix {
namespace {

constexpr char kCannotImport[] = "Cannot import events from";
constexpr std::string_view kNotAvailable = "n/a";

char DelimiterOf(std::string_view header) {
  for (const char c : {'\t', ',', ';'}) {
    if (header.find(c) != std::string_view::npos) {
      return c;
    }
  }
  return '\t';
}

// The place of the column `name` among `header`'s, or nothing.
std::optional<std::size_t> ColumnOf(const std::vector<std::string>& header, std::string_view name) {
  const auto found = std::find(header.begin(), header.end(), name);
  if (found == header.end()) {
    return std::nullopt;
  }
  return static_cast<std::size_t>(found - header.begin());
}

std::string JoinColumns(const std::vector<std::string>& header) {
  std::string joined;
  for (const std::string& column : header) {
    joined += (joined.empty() ? "\"" : ", \"") + column + "\"";
  }
  return joined;
}

// `text` without the spaces around it, as a table program may write numbers ("1, 0.5").
std::string_view WithoutSpaces(std::string_view text) {
  while (!text.empty() && text.front() == ' ') {
    text.remove_prefix(1);
  }
  while (!text.empty() && text.back() == ' ') {
    text.remove_suffix(1);
  }
  return text;
}

std::optional<std::uint64_t> TimeAsRecords(std::string_view text,
                                           const EventImportOptions& options) {
  return options.unit == EventTimeUnit::kRecords ? ParseCount(text)
                                                 : SecondsAsRecords(text, *options.rate);
}

}  // namespace

Status ImportEvents(std::string_view text, const std::filesystem::path& file,
                    const EventImportOptions& options, std::optional<std::uint64_t> records,
                    EventList* events, EventTableForm* form) {
  const std::vector<TextLine> lines = SplitTextLines(text);
  BadLines bad;
  if (lines.empty()) {
    bad.Add(1, "no header line naming the columns");
    return bad.ToStatus(kCannotImport, file);
  }
  const char delimiter = options.delimiter.value_or(DelimiterOf(lines.front().text));
  const std::optional<std::vector<std::string>> header = SplitFields(lines.front().text, delimiter);
  if (lines.front().text == kEventsSidecarHeader) {
    Status s = ParseEventsSidecar(text, file, records, events);
    if (s.ok() && form != nullptr) {
      *form = EventTableForm::kSidecar;
    }
    return s;
  }
  if (options.unit == EventTimeUnit::kSeconds && !options.rate) {
    return Status::InvalidArgument(std::string(kCannotImport) + " " + PathForDisplay(file) +
                                   ": times in seconds need the sample rate");
  }
  if (!header) {
    bad.Add(lines.front().number, "a quote is not closed");
    return bad.ToStatus(kCannotImport, file);
  }
  std::optional<std::size_t> columns[3];
  const std::string* names[3] = {&options.onset_column, &options.duration_column,
                                 &options.label_column};
  for (std::size_t i = 0; i < 3; ++i) {
    if (!names[i]->empty() && !(columns[i] = ColumnOf(*header, *names[i]))) {
      bad.Add(lines.front().number,
              "no column \"" + *names[i] + "\" among " + JoinColumns(*header));
    }
  }
  if (!bad.empty()) {
    return bad.ToStatus(kCannotImport, file);
  }
  if (!columns[0]) {
    return Status::InvalidArgument(std::string(kCannotImport) + " " + PathForDisplay(file) +
                                   ": no onset column was named");
  }
  const char* unit = options.unit == EventTimeUnit::kSeconds ? "seconds" : "records";
  std::vector<Event> parsed;
  for (std::size_t i = 1; i < lines.size(); ++i) {
    const std::optional<std::vector<std::string>> fields = SplitFields(lines[i].text, delimiter);
    if (!fields) {
      bad.Add(lines[i].number, "a quote is not closed");
      continue;
    }
    if (fields->size() != header->size()) {
      bad.Add(lines[i].number, std::to_string(fields->size()) + " fields where the header has " +
                                   std::to_string(header->size()));
      continue;
    }
    Event event;
    const std::string_view onset = WithoutSpaces((*fields)[*columns[0]]);
    const std::optional<std::uint64_t> start = TimeAsRecords(onset, options);
    if (!start) {
      bad.Add(lines[i].number,
              "the onset \"" + std::string(onset) + "\" is not a non-negative number of " + unit);
      continue;
    }
    event.start = *start;
    if (columns[1]) {
      const std::string_view duration = WithoutSpaces((*fields)[*columns[1]]);
      const std::optional<std::uint64_t> length =
          duration.empty() || duration == kNotAvailable ? 0 : TimeAsRecords(duration, options);
      if (!length) {
        bad.Add(lines[i].number, "the duration \"" + std::string(duration) +
                                     "\" is not a non-negative number of " + unit);
        continue;
      }
      event.length = *length;
    }
    if (columns[2] && (*fields)[*columns[2]] != kNotAvailable) {
      event.label = (*fields)[*columns[2]];
    }
    if (Status s = CheckEvent(event, records); !s.ok()) {
      bad.Add(lines[i].number, s.message());
      continue;
    }
    parsed.push_back(std::move(event));
  }
  if (!bad.empty()) {
    return bad.ToStatus(kCannotImport, file);
  }
  if (Status s = EventList::FromEvents(std::move(parsed), records, events); !s.ok()) {
    return Status::InvalidArgument(std::string(kCannotImport) + " " + PathForDisplay(file) + ": " +
                                   s.message());
  }
  if (form != nullptr) {
    *form = EventTableForm::kColumns;
  }
  return Status::Ok();
}

Status ImportEventsFile(const std::filesystem::path& file, const EventImportOptions& options,
                        std::optional<std::uint64_t> records, EventList* events,
                        EventTableForm* form) {
  std::optional<std::string> text;
  if (Status s = ReadEventsFile(file, &text); !s.ok()) {
    return s;
  }
  if (!text) {
    return Status::IoError("Cannot open", file,
                           std::make_error_code(std::errc::no_such_file_or_directory).message());
  }
  return ImportEvents(*text, file, options, records, events, form);
}

}  // namespace velbrix
