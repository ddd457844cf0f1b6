// The BIDS export: a recording into a BIDS dataset (see bids_layout.h), as an EDF file or as
// BrainVision's three files, with its sidecar and channel list.
//
// The dataset's folder and the recording's folders are created when missing, and so are the
// shared files dataset_description.json and README; participants.tsv is created (with its
// participants.json) or gains the subject's row when it has none, and the subject's (and
// session's) scans.tsv is created or gains the recording's row, in place of the row of an earlier
// export of the same BIDS name in either format. Each recording (its events files included) is one
// transaction of the dataset (output_commit.h), rooted at the dataset's folder and under its lock
// alone: the recording's files, its sidecars, the shared files it changes, the removal of a data
// file of the other format under the same BIDS name and the folders it creates are committed with
// one decision, and participants.tsv and scans.tsv are read under the same lock, just before the
// commit, through EditLabTable (lab_table_file.h: only regular files, never through a link, up to
// kLabTableLimit bytes), and once before any record is converted, so that a table that cannot be
// read or take its row fails the run before its work. A table replaced keeps the lab's bytes as
// they were, and, once committed, its mode and group; a failure to keep them is reported after the
// commit, with the run's files in place. After any other failure no temporary is left, every
// file is as it was (participants.tsv included), no folder was created below the dataset's folder,
// and that folder itself, if the export made it, is removed again while empty. Names are checked
// against their folders before anything is written. Failures name the operation, the file and the
// system's reason. The recording is only read, and streamed as by the EDF and BrainVision exports.
#ifndef VELBRIX_CORE_FORMATS_BIDS_EXPORT_H_
#define VELBRIX_CORE_FORMATS_BIDS_EXPORT_H_

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "core/base/hertz.h"
#include "core/base/status.h"
#include "core/base/stop_request.h"
#include "core/convert/record_blocks.h"
#include "core/formats/bids_layout.h"
#include "core/formats/bids_sidecars.h"
#include "core/formats/edf_header.h"
#include "core/formats/export_inputs.h"

namespace velbrix {

struct BidsExportInputs {
  std::filesystem::path recording;
  std::filesystem::path root;                    // the dataset's folder
  BidsEntities entities;                         // checked by CheckBidsEntities
  ExportFormat format = ExportFormat::kBidsEdf;  // kBidsEdf or kBidsBrainVision
  std::span<const int> positions;  // channels 1 .. 32, no repeats, in the files' order
  Hertz sample_rate;               // from ParseHertz
  EdfRecordLayout edf_layout;      // EDF: from ChooseEdfRecordLayout for the same rate
  std::optional<EdfStart> start;   // nothing: unknown
  std::optional<Hertz> line_frequency;
  std::string software_version;  // Velbrix's version, for the dataset description
  BidsLabFacts lab;              // the reference and ground; authors and licence of a new dataset
  // Called once the recording's files are written, before the commit takes the dataset's lock;
  // the run commits when it returns Ok and fails with what it returns otherwise. Runs of one
  // program into one dataset use it to commit in a fixed order, which fixes the order of the rows
  // of participants.tsv and scans.tsv. Nothing: the run commits at once.
  std::function<Status()> commit_turn;
  // The events (within the recording's whole records); null or empty: none. Not owned.
  const EventList* events = nullptr;
};

// Writes the recording of `inputs` into its dataset. With events, <prefix>_events.tsv and
// <prefix>_events.json (core/events/bids_events.h) join the recording's files, and its data file
// carries them too (EDF+C, BrainVision markers); without, the commit removes those two files of
// an earlier export under the same BIDS name, so that the dataset never pairs a recording with
// another export's events. `progress`, `stop` and `lock_wait` work as in
// a text conversion.
Status ExportBids(const BidsExportInputs& inputs, ExportReport* report,
                  const ProgressCallback& progress = {}, const StopRequest* stop = nullptr,
                  const LockWaitReporter& lock_wait = {});

}  // namespace velbrix

#endif  // VELBRIX_CORE_FORMATS_BIDS_EXPORT_H_
