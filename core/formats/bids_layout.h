// Where a recording goes in a BIDS dataset (Brain Imaging Data Structure), what its files are
// called, and the type BIDS gives each channel.
//
//   ROOT/
//     dataset_description.json  README  participants.tsv  participants.json   shared, made once
//     sub-<S>/[ses-<X>/]sub-<S>[_ses-<X>]_scans.tsv   one row per data file: filename, acq_time
//     sub-<S>/[ses-<X>/]eeg/
//       <prefix>_eeg.edf                     the data: an EDF file, or BrainVision's three files
//       <prefix>_eeg.vhdr .vmrk .eeg
//       <prefix>_eeg.json                    the recording's sidecar
//       <prefix>_channels.tsv                one row per channel: name, type, units, status
//
//   <prefix> = sub-<S>[_ses-<X>]_task-<T>[_run-<N>]
//
// Labels (S, X, T) are letters and digits only; a run index (N) is digits only.
#ifndef VELBRIX_CORE_FORMATS_BIDS_LAYOUT_H_
#define VELBRIX_CORE_FORMATS_BIDS_LAYOUT_H_

#include <filesystem>
#include <string>
#include <string_view>

#include "core/base/channel_table.h"
#include "core/base/hertz.h"
#include "core/base/status.h"

namespace velbrix {

inline constexpr char kBidsVersion[] = "1.9.0";
inline constexpr char kBidsDatasetDescription[] = "dataset_description.json";
inline constexpr char kBidsReadme[] = "README";
inline constexpr char kBidsParticipants[] = "participants.tsv";
inline constexpr char kBidsParticipantsSidecar[] = "participants.json";
inline constexpr char kBidsParticipantColumn[] = "participant_id";
inline constexpr char kBidsScansFileColumn[] = "filename";
inline constexpr char kBidsModality[] = "eeg";

// The entities that name a recording: subject and task always, session and run when not empty.
struct BidsEntities {
  std::string subject;
  std::string session;
  std::string task;
  std::string run;
};

// Fails with kInvalidArgument, saying why, unless `label` is one or more letters A-Z, a-z and
// digits 0-9. `what` names the label in the message ("subject").
Status CheckBidsLabel(std::string_view what, std::string_view label);
// Fails with kInvalidArgument, saying why, unless `index` is one or more digits 0-9.
Status CheckBidsIndex(std::string_view what, std::string_view index);
// Checks every entity of `entities` that is given: the subject's and the task's labels always, the
// session's label and the run's index when not empty. The first failure names the entity.
Status CheckBidsEntities(const BidsEntities& entities);
// Parses the power line frequency with ParseHertz (`user_separator` as there) and fails with
// kInvalidArgument unless it is 50 or 60 Hz; the message quotes `text`.
Status ParseBidsLineFrequency(std::string_view text, Hertz* hertz,
                              std::string_view user_separator = ".");
// Checks the dataset's folder before an export: a missing folder is fine (the export creates it),
// but what exists must be a folder. Fails with kInvalidArgument naming the folder and the system's
// reason.
Status CheckBidsRoot(const std::filesystem::path& root);

// "sub-<S>[_ses-<X>]_task-<T>[_run-<N>]".
std::string BidsPrefix(const BidsEntities& entities);
// ROOT/sub-<S>[/ses-<X>]/eeg.
std::filesystem::path BidsRecordingFolder(const std::filesystem::path& root,
                                          const BidsEntities& entities);
// ROOT/sub-<S>[/ses-<X>]/sub-<S>[_ses-<X>]_scans.tsv: the table of the recordings of the subject
// (in the session), one row per data file.
std::filesystem::path BidsScansPath(const std::filesystem::path& root,
                                    const BidsEntities& entities);

// A channel's kind (channel_table.h) as BIDS types it: "EEG", "ECG", "MISC".
std::string_view BidsTypeName(ChannelKind kind);

}  // namespace velbrix

#endif  // VELBRIX_CORE_FORMATS_BIDS_LAYOUT_H_
