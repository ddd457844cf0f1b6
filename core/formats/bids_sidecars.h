// The text of a BIDS dataset's small files: a recording's sidecar and channel list, and the
// dataset's shared files (see bids_layout.h). JSON and TSV in UTF-8 with LF line ends.
#ifndef VELBRIX_CORE_FORMATS_BIDS_SIDECARS_H_
#define VELBRIX_CORE_FORMATS_BIDS_SIDECARS_H_

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/base/hertz.h"
#include "core/base/status.h"
#include "core/formats/edf_header.h"

namespace velbrix {

// What only the lab knows about its recordings and its dataset, as given: empty where not given.
struct BidsLabFacts {
  std::string reference;             // the EEG reference ("Cz", "linked mastoids")
  std::string ground;                // the ground electrode's place
  std::vector<std::string> authors;  // the dataset's authors, in order
  std::string license;               // the dataset's licence, an identifier such as "CC0"
};

struct BidsRecordingDescription {
  std::string task;                     // the task label
  std::vector<int> positions;           // the channels (1 .. 32) in the data file's order
  Hertz sample_rate;                    //
  std::optional<Hertz> line_frequency;  // nothing: not known, written as "n/a"
  std::uint64_t records = 0;            // the recording's whole records (EDF padding left out)
  std::string reference;                // empty: not known, written as "n/a"
  std::string ground;                   // empty: not known, left out
};

// <prefix>_eeg.json: TaskName, SamplingFrequency, EEGReference, EEGGround (when known),
// PowerLineFrequency, SoftwareFilters, HardwareFilters, Manufacturer ("n/a": the recording
// equipment is not known here), EEGPlacementScheme, the EEG, ECG, EOG, EMG, MISC and trigger
// channel counts, RecordingDuration (records / rate: the time recorded) and RecordingType. Every
// key is a BIDS EEG field.
std::string MakeBidsEegSidecar(const BidsRecordingDescription& recording);
// <prefix>_channels.tsv: name, type, units and status of each channel, in the data file's order.
std::string MakeBidsChannels(const std::vector<int>& positions);

// dataset_description.json of a new dataset called `name` (UTF-8), with the lab's authors and
// licence where given.
std::string MakeBidsDatasetDescription(std::string_view name, std::string_view software_version,
                                       const BidsLabFacts& lab);
// The authors of `text`, separated by semicolons ("A. Smith; B. Jones"), each without the spaces
// around it; empty ones are dropped.
std::vector<std::string> SplitBidsAuthors(std::string_view text);
// README of a new dataset: what it holds, and what its owner should complete.
std::string MakeBidsReadme(std::string_view name, std::string_view software_version);
// participants.json, describing the columns of a participants.tsv made by this program.
std::string MakeBidsParticipantsSidecar();
// A new participants.tsv holding the row of `subject` (the label, without "sub-").
std::string MakeBidsParticipants(std::string_view subject);
// Sets `*updated` to `existing` (a participants.tsv's text) with a row for `subject` added, "n/a"
// in its other columns, or to nothing when the subject has a row already. The table's bytes stay
// as they were, blank lines and line ends included; the row ends as the first line does (a line
// feed, a carriage return and line feed, or a carriage return alone) and follows a line end added
// where the last line had none. Fails with kInvalidArgument when the first line has no
// participant_id column.
Status AddBidsParticipant(std::string_view existing, std::string_view subject,
                          std::optional<std::string>* updated);

// A start as acq_time: "2024-05-17T09:30:00", or "n/a" when it is not known.
std::string BidsAcquisitionTime(const std::optional<EdfStart>& start);

// The scans table of a subject (and session), *_scans.tsv, given its text `existing` (nothing or
// empty for a new table), with the row of the recording file `filename` (relative to the table's
// folder: "eeg/sub-01_task-rest_eeg.edf") acquired at `acq_time` ("2024-05-17T09:30:00", or "n/a").
// The first row naming `filename` or one of `replaced` (the recording's file in the other format)
// gives its place to the recording's row, keeping its line end, and the other rows naming them go;
// "n/a" fills the row's other columns. Every other byte stays as it was, blank lines and line ends
// included; a new row ends as the first line does and is added at the end. A new table has the
// columns filename and acq_time. Fails with kInvalidArgument when the first line has no filename
// column.
Status UpdateBidsScans(const std::optional<std::string>& existing, std::string_view filename,
                       std::string_view acq_time, const std::vector<std::string>& replaced,
                       std::string* updated);

// `text` as a JSON string, quotes included.
std::string JsonString(std::string_view text);

}  // namespace velbrix

#endif  // VELBRIX_CORE_FORMATS_BIDS_SIDECARS_H_
