// Writing the JSON and TSV files of a BIDS dataset, and adding a participant.
#include "core/formats/bids_sidecars.h"

#include <algorithm>
#include <cstdio>
#include <utility>

#include "core/base/channel_table.h"
#include "core/formats/bids_layout.h"
#include "core/formats/brainvision_header.h"

namespace velbrix {
namespace {

constexpr char kNotAvailable[] = "n/a";
constexpr char kUtf8Bom[] = "\xEF\xBB\xBF";
// Columns of a participants.tsv made here, after participant_id, for the owner to fill in.
constexpr std::string_view kParticipantColumns[] = {"age", "sex", "handedness"};

// The members of a JSON object, one a line, in the order added.
class JsonObject {
 public:
  JsonObject& Add(std::string_view key, std::string_view json_value) {
    text_ += text_.empty() ? "{\n" : ",\n";
    text_ += "  " + JsonString(key) + ": " + std::string(json_value);
    return *this;
  }
  std::string Close() const { return text_ + "\n}\n"; }

 private:
  std::string text_;
};

std::vector<std::string_view> Split(std::string_view line, char separator) {
  std::vector<std::string_view> parts;
  for (std::size_t start = 0;;) {
    const std::size_t end = line.find(separator, start);
    parts.push_back(line.substr(start, end - start));
    if (end == std::string_view::npos) {
      return parts;
    }
    start = end + 1;
  }
}

// A line of a table: its content and the line end that follows it ("\n", "\r\n", "\r", or
// nothing at the end of the text). The two together are the line's bytes as they were.
struct TextLine {
  std::string_view content;
  std::string_view end;
};

// The lines of `text`. Its first line end tells how its lines end: a carriage return alone (as
// old Mac editors wrote), or a line feed, with or without a carriage return before it.
std::vector<TextLine> Lines(std::string_view text) {
  const std::size_t first = text.find_first_of("\r\n");
  const bool cr_only = first != std::string_view::npos && text[first] == '\r' &&
                       (first + 1 == text.size() || text[first + 1] != '\n');
  const char separator = cr_only ? '\r' : '\n';
  std::vector<TextLine> lines;
  for (std::size_t start = 0; start < text.size();) {
    const std::size_t end = text.find(separator, start);
    if (end == std::string_view::npos) {
      lines.push_back({text.substr(start), {}});
      break;
    }
    const bool crlf = !cr_only && end > start && text[end - 1] == '\r';
    const std::size_t content_end = crlf ? end - 1 : end;
    lines.push_back(
        {text.substr(start, content_end - start), text.substr(content_end, end + 1 - content_end)});
    start = end + 1;
  }
  return lines;
}

// `text` without its UTF-8 byte order mark, if it has one.
std::string_view WithoutBom(std::string_view text) {
  return text.starts_with(kUtf8Bom) ? text.substr(std::string_view(kUtf8Bom).size()) : text;
}

}  // namespace

std::string BidsAcquisitionTime(const std::optional<EdfStart>& start) {
  if (!start) {
    return kNotAvailable;
  }
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d", start->year, start->month,
                start->day, start->hour, start->minute, start->second);
  return text;
}

Status UpdateBidsScans(const std::optional<std::string>& existing, std::string_view filename,
                       std::string_view acq_time, const std::vector<std::string>& replaced,
                       std::string* updated) {
  const std::string_view text =
      existing && !existing->empty() ? std::string_view(*existing) : "filename\tacq_time\n";
  const std::string_view body = WithoutBom(text);
  const std::vector<TextLine> lines = Lines(body);
  const std::vector<std::string_view> columns =
      Split(lines.empty() ? std::string_view() : lines[0].content, '\t');
  const auto column = std::find(columns.begin(), columns.end(), kBidsScansFileColumn);
  if (column == columns.end()) {
    return Status::InvalidArgument("its first line has no filename column");
  }
  const auto file_column = static_cast<std::size_t>(column - columns.begin());
  std::string row;
  for (std::size_t i = 0; i < columns.size(); ++i) {
    row += i == 0 ? "" : "\t";
    row += i == file_column           ? filename
           : columns[i] == "acq_time" ? acq_time
                                      : std::string_view(kNotAvailable);
  }
  // The lab's lines stay as they were, byte for byte; the recording's row takes the place of the
  // first row naming it (or its file of the other format), and other such rows go.
  *updated = std::string(text.substr(0, text.size() - body.size()));
  std::string_view last_end;
  bool placed = false;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const std::vector<std::string_view> cells = Split(lines[i].content, '\t');
    const std::string_view named = file_column < cells.size() ? cells[file_column] : "";
    const bool ours = i > 0 && (named == filename || std::find(replaced.begin(), replaced.end(),
                                                               named) != replaced.end());
    if (ours && placed) {
      continue;
    }
    *updated += ours ? std::string_view(row) : lines[i].content;
    *updated += lines[i].end;
    last_end = lines[i].end;
    placed = placed || ours;
  }
  if (!placed) {
    const std::string_view line_end = lines[0].end.empty() ? "\n" : lines[0].end;
    *updated += std::string(last_end.empty() ? line_end : "") + row + std::string(line_end);
  }
  return Status::Ok();
}

std::string JsonString(std::string_view text) {
  std::string json = "\"";
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      json += '\\';
      json += c;
    } else if (byte < 0x20) {
      constexpr char kHex[] = "0123456789abcdef";
      json += "\\u00";
      json += kHex[byte >> 4];
      json += kHex[byte & 0xF];
    } else {
      json += c;
    }
  }
  return json + "\"";
}

std::string MakeBidsEegSidecar(const BidsRecordingDescription& recording) {
  int counts[3] = {0, 0, 0};
  for (const int position : recording.positions) {
    ++counts[static_cast<int>(ChannelAtPosition(position).kind)];
  }
  const auto count = [&](ChannelKind kind) {
    return std::to_string(counts[static_cast<int>(kind)]);
  };
  const double duration = static_cast<double>(recording.records) / recording.sample_rate.value;
  JsonObject json;
  json.Add("TaskName", JsonString(recording.task))
      .Add("SamplingFrequency", recording.sample_rate.text)
      .Add("EEGReference",
           JsonString(recording.reference.empty() ? kNotAvailable : recording.reference));
  if (!recording.ground.empty()) {
    json.Add("EEGGround", JsonString(recording.ground));
  }
  // No channel is typed EOG, EMG or TRIG here: their counts are 0 until the lab retypes one.
  return json
      .Add("PowerLineFrequency",
           recording.line_frequency ? recording.line_frequency->text : JsonString(kNotAvailable))
      .Add("SoftwareFilters", JsonString(kNotAvailable))
      .Add("HardwareFilters", JsonString(kNotAvailable))
      .Add("Manufacturer", JsonString(kNotAvailable))
      .Add("EEGPlacementScheme", JsonString("10-20"))
      .Add("EEGChannelCount", count(ChannelKind::kEeg))
      .Add("ECGChannelCount", count(ChannelKind::kEcg))
      .Add("EOGChannelCount", "0")
      .Add("EMGChannelCount", "0")
      .Add("MISCChannelCount", count(ChannelKind::kMisc))
      .Add("TriggerChannelCount", "0")
      .Add("RecordingDuration", ShortestDecimal(duration))
      .Add("RecordingType", JsonString("continuous"))
      .Close();
}

std::string MakeBidsChannels(const std::vector<int>& positions) {
  std::string tsv = "name\ttype\tunits\tstatus\n";
  for (const int position : positions) {
    tsv += std::string(ChannelAtPosition(position).name) + "\t" +
           std::string(BidsTypeName(ChannelAtPosition(position).kind)) + "\t" + kBrainVisionUnit +
           "\tgood\n";
  }
  return tsv;
}

std::string MakeBidsDatasetDescription(std::string_view name, std::string_view software_version,
                                       const BidsLabFacts& lab) {
  const std::string generated_by =
      "[\n    {\n      \"Name\": \"Velbrix\",\n      \"Version\": " + JsonString(software_version) +
      ",\n      \"Description\": \"velbrix-convert --bids: recordings of 32-byte records "
      "converted into this dataset\"\n    }\n  ]";
  JsonObject json;
  json.Add("Name", JsonString(name))
      .Add("BIDSVersion", JsonString(kBidsVersion))
      .Add("DatasetType", JsonString("raw"));
  if (!lab.license.empty()) {
    json.Add("License", JsonString(lab.license));
  }
  if (!lab.authors.empty()) {
    std::string authors;
    for (const std::string& author : lab.authors) {
      authors += (authors.empty() ? "[" : ", ") + JsonString(author);
    }
    json.Add("Authors", authors + "]");
  }
  return json.Add("GeneratedBy", generated_by).Close();
}

std::vector<std::string> SplitBidsAuthors(std::string_view text) {
  std::vector<std::string> authors;
  for (std::string_view author : Split(text, ';')) {
    while (!author.empty() && (author.front() == ' ' || author.front() == '\t')) {
      author.remove_prefix(1);
    }
    while (!author.empty() && (author.back() == ' ' || author.back() == '\t')) {
      author.remove_suffix(1);
    }
    if (!author.empty()) {
      authors.emplace_back(author);
    }
  }
  return authors;
}

std::string MakeBidsReadme(std::string_view name, std::string_view software_version) {
  return std::string(name) + "\n" + std::string(name.size(), '=') +
         "\n\n"
         "EEG recordings converted into BIDS by velbrix-convert (Velbrix " +
         std::string(software_version) +
         ").\n\n"
         "Each recording holds up to 32 channels of the 10-20 system, one value per sample in "
         "microvolts: (byte - 127) * 3.75, exactly.\n"
         "- Channel types in *_channels.tsv: EEG for the 10-20 electrodes (A1, A2 and Oz "
         "included), ECG for EKG, MISC for BP1 to BP4, DC1 to DC3, PG1 and PG2. Where a MISC input "
         "carried a known signal, set its type (EOG, EMG, RESP, ...) and change the channel "
         "counts in the matching *_eeg.json.\n"
         "- In each *_eeg.json, EEGReference and PowerLineFrequency are \"n/a\" unless they "
         "were given, and so are Manufacturer and HardwareFilters: write in what the recordings "
         "used (and EEGGround, where it was not given).\n"
         "- participants.tsv has age, sex and handedness columns set to \"n/a\": fill them in.\n"
         "- dataset_description.json names Authors and a License only where they were given: "
         "add them.\n"
         "\n"
         "Describe the study here: who recorded what, when and how, and under which license the "
         "data may be shared.\n";
}

std::string MakeBidsParticipantsSidecar() {
  return JsonObject()
      .Add("participant_id", "{\"Description\": \"Unique participant label\"}")
      .Add("age", "{\"Description\": \"Age of the participant\", \"Units\": \"year\"}")
      .Add("sex",
           "{\"Description\": \"Sex of the participant\", "
           "\"Levels\": {\"M\": \"male\", \"F\": \"female\", \"O\": \"other\"}}")
      .Add("handedness",
           "{\"Description\": \"Handedness of the participant\", "
           "\"Levels\": {\"R\": \"right\", \"L\": \"left\", \"A\": \"ambidextrous\"}}")
      .Close();
}

std::string MakeBidsParticipants(std::string_view subject) {
  std::string header(kBidsParticipantColumn);
  std::string row = "sub-" + std::string(subject);
  for (const std::string_view column : kParticipantColumns) {
    header += "\t" + std::string(column);
    row += std::string("\t") + kNotAvailable;
  }
  return header + "\n" + row + "\n";
}

Status AddBidsParticipant(std::string_view existing, std::string_view subject,
                          std::optional<std::string>* updated) {
  const std::string participant = "sub-" + std::string(subject);
  const std::vector<TextLine> lines = Lines(WithoutBom(existing));
  const std::vector<std::string_view> columns =
      Split(lines.empty() ? std::string_view() : lines[0].content, '\t');
  std::size_t id_column = 0;
  while (id_column < columns.size() && columns[id_column] != kBidsParticipantColumn) {
    ++id_column;
  }
  if (id_column == columns.size()) {
    return Status::InvalidArgument("its first line has no participant_id column");
  }
  for (std::size_t i = 1; i < lines.size(); ++i) {
    const std::vector<std::string_view> cells = Split(lines[i].content, '\t');
    if (id_column < cells.size() && cells[id_column] == participant) {
      updated->reset();
      return Status::Ok();
    }
  }
  // The lab's bytes as they were, then the row, ended as the first line is.
  const std::string_view line_end = lines[0].end.empty() ? "\n" : lines[0].end;
  std::string added(existing);
  if (lines.back().end.empty()) {
    added += line_end;
  }
  for (std::size_t i = 0; i < columns.size(); ++i) {
    added += i == 0 ? "" : "\t";
    added += i == id_column ? participant : kNotAvailable;
  }
  *updated = added + std::string(line_end);
  return Status::Ok();
}

}  // namespace velbrix
