// Naming, writing and reading the events sidecar.
#include "core/events/events_sidecar.h"

#include <system_error>
#include <utility>
#include <vector>

#include "core/events/event_text.h"
#include "core/os/os_file.h"

namespace velbrix {
namespace {

constexpr std::string_view kRecordingEnd = "_eeg";
constexpr char kCannotRead[] = "Cannot read events from";

}  // namespace

std::filesystem::path EventsSidecarPath(const std::filesystem::path& recording) {
  const std::u8string name = recording.filename().u8string();
  std::string text(name.begin(), name.end());
  if (text.ends_with(kRecordingEnd)) {
    text.resize(text.size() - kRecordingEnd.size());
  }
  text += kEventsSidecarEnd;
  return recording.parent_path() / std::filesystem::path(std::u8string(text.begin(), text.end()));
}

std::string FormatEventsSidecar(const EventList& events) {
  std::string text = kEventsSidecarHeader;
  text += '\n';
  for (const Event& event : events.events()) {
    text += std::to_string(event.start);
    text += '\t';
    text += std::to_string(event.length);
    text += '\t';
    text += event.label;
    text += '\n';
  }
  return text;
}

Status ParseEventsSidecar(std::string_view text, const std::filesystem::path& file,
                          std::optional<std::uint64_t> records, EventList* events) {
  const std::vector<TextLine> lines = SplitTextLines(text);
  BadLines bad;
  if (lines.empty() || lines.front().text != kEventsSidecarHeader) {
    bad.Add(lines.empty() ? 1 : lines.front().number,
            "the header is not \"start_record<TAB>length_records<TAB>label\"");
    return bad.ToStatus(kCannotRead, file);
  }
  std::vector<Event> parsed;
  for (std::size_t i = 1; i < lines.size(); ++i) {
    const TextLine& line = lines[i];
    const std::string_view content = line.text;
    const std::size_t first_tab = content.find('\t');
    const std::size_t second_tab =
        first_tab == std::string_view::npos ? first_tab : content.find('\t', first_tab + 1);
    if (second_tab == std::string_view::npos) {
      bad.Add(line.number, "not three fields separated by tabs");
      continue;
    }
    Event event;
    const std::optional<std::uint64_t> start = ParseCount(content.substr(0, first_tab));
    const std::optional<std::uint64_t> length =
        ParseCount(content.substr(first_tab + 1, second_tab - first_tab - 1));
    if (!start || !length) {
      bad.Add(line.number, std::string(!start ? "the start" : "the length") +
                               " is not a whole number of records");
      continue;
    }
    event.start = *start;
    event.length = *length;
    event.label = std::string(content.substr(second_tab + 1));
    if (Status s = CheckEvent(event, records); !s.ok()) {
      bad.Add(line.number, s.message());
      continue;
    }
    parsed.push_back(std::move(event));
  }
  if (!bad.empty()) {
    return bad.ToStatus(kCannotRead, file);
  }
  if (Status s = EventList::FromEvents(std::move(parsed), records, events); !s.ok()) {
    return Status::InvalidArgument(std::string(kCannotRead) + " " + PathForDisplay(file) + ": " +
                                   s.message());
  }
  return Status::Ok();
}

Status ReadEventsFile(const std::filesystem::path& file, std::optional<std::string>* text) {
  OsFile opened;
  if (const std::error_code ec = OsFile::OpenRegularFileForReading(file, &opened)) {
    if (ec == std::errc::no_such_file_or_directory) {
      text->reset();
      return Status::Ok();
    }
    return Status::IoError("Cannot open", file, ec.message());
  }
  constexpr std::size_t kChunk = 64 << 10;
  std::string bytes;
  for (;;) {
    const std::size_t before = bytes.size();
    bytes.resize(before + kChunk);
    std::size_t got = 0;
    if (const std::error_code ec = opened.Read(bytes.data() + before, kChunk, &got)) {
      return Status::IoError("Cannot read", file, ec.message());
    }
    bytes.resize(before + got);
    if (bytes.size() > kMostEventsSidecarBytes) {
      return Status::IoError("Cannot read", file,
                             "larger than the " + std::to_string(kMostEventsSidecarBytes >> 20) +
                                 " MiB an events file may hold");
    }
    if (got < kChunk) {
      break;
    }
  }
  *text = std::move(bytes);
  return Status::Ok();
}

Status LoadEventsSidecar(const std::filesystem::path& recording,
                         std::optional<std::uint64_t> records, EventList* events) {
  const std::filesystem::path sidecar = EventsSidecarPath(recording);
  std::optional<std::string> text;
  if (Status s = ReadEventsFile(sidecar, &text); !s.ok()) {
    return s;
  }
  if (!text) {
    *events = EventList();
    return Status::Ok();
  }
  return ParseEventsSidecar(*text, sidecar, records, events);
}

}  // namespace velbrix
