// The BIDS export run: the recording's data files, its sidecars and the dataset's shared files
// written in one run of a file table, committed together.
#include "core/formats/bids_export.h"

#include <array>
#include <string_view>
#include <system_error>
#include <utility>

#include "core/commit/file_table.h"
#include "core/events/bids_events.h"
#include "core/formats/bids_sidecars.h"
#include "core/formats/brainvision_export.h"
#include "core/formats/brainvision_header.h"
#include "core/formats/edf_export.h"
#include "core/formats/lab_table_file.h"
#include "core/formats/recording_export.h"
#include "core/os/os_file.h"

namespace velbrix {
namespace {

namespace fs = std::filesystem;

constexpr std::array<std::string_view, 4> kReadmeNames = {"README", "README.md", "README.rst",
                                                          "README.txt"};

bool Missing(const fs::path& path) {
  std::error_code ec;
  return fs::symlink_status(path, ec).type() == fs::file_type::not_found;
}

// Opens `path` as a new output of `files` and writes `text` into it.
Status WriteOutput(FileTable& files, const fs::path& path, std::string_view text,
                   std::vector<fs::path>* outputs) {
  int number = 0;
  if (Status s = files.OpenOutputOnFreeNumber(path, &number); !s.ok()) {
    return s;
  }
  outputs->push_back(path);
  return files.Write(number, text);
}

// The data files of the recording, written into `files`.
Status WriteData(FileTable& files, const BidsExportInputs& inputs, const fs::path& folder,
                 const fs::path& stem, ExportReport* report, const ProgressCallback& progress,
                 const StopRequest* stop) {
  const ExportInputs data{
      inputs.format == ExportFormat::kBidsEdf ? ExportFormat::kEdf : ExportFormat::kBrainVision,
      inputs.recording,
      folder,
      stem,
      inputs.positions,
      inputs.sample_rate,
      inputs.edf_layout,
      inputs.start,
      inputs.events};
  ExportReport written;
  Status status = ExportRecordingInto(files, data, &written, progress, stop);
  report->records = written.records;
  report->bytes_left_out = written.bytes_left_out;
  report->samples_added = written.samples_added;
  report->data = written.data;
  report->outputs = written.outputs;
  return status;
}

// The edit of the subject's (and session's) scans.tsv that gives the recording its row, naming the
// file a reader opens (the EDF file or the BrainVision header) relative to the table's folder, in
// place of a row naming the recording in the other format.
FileTable::TextEdit ScansEdit(const BidsExportInputs& inputs, const fs::path& stem) {
  const std::string in_folder = std::string(kBidsModality) + "/" + PathForDisplay(stem);
  const std::string edf = in_folder + ".edf";
  const std::string header = in_folder + kBrainVisionHeaderExtension;
  const bool as_edf = inputs.format == ExportFormat::kBidsEdf;
  return [scans = BidsScansPath(inputs.root, inputs.entities), ours = as_edf ? edf : header,
          other = as_edf ? header : edf, acq_time = BidsAcquisitionTime(inputs.start)](
             const std::optional<std::string>& text, std::optional<std::string>* edited) {
    std::string updated;
    if (Status row = UpdateBidsScans(text, ours, acq_time, {other}, &updated); !row.ok()) {
      return Status::IoError("Cannot add " + ours + " to", scans, row.message());
    }
    *edited = std::move(updated);
    return Status::Ok();
  };
}

// The edit of participants.tsv that gives the subject a row, in a new table where there is none
// or it is empty: `*table_made` tells whether it made one, `*changed` whether it changed the table.
FileTable::TextEdit ParticipantsEdit(const BidsExportInputs& inputs, bool* table_made,
                                     bool* changed) {
  return [&inputs, table_made, changed](const std::optional<std::string>& text,
                                        std::optional<std::string>* edited) {
    const std::string& subject = inputs.entities.subject;
    *table_made = !text || text->empty();
    if (*table_made) {
      *edited = MakeBidsParticipants(subject);
    } else if (Status added = AddBidsParticipant(*text, subject, edited); !added.ok()) {
      return Status::IoError("Cannot add sub-" + subject + " to", inputs.root / kBidsParticipants,
                             added.message());
    }
    *changed = edited->has_value();
    return Status::Ok();
  };
}

// Checks, before any record is converted, that participants.tsv and the scans table can be read
// and take the recording's rows. (The commit reads them again, under the dataset's lock.)
Status CheckTables(const BidsExportInputs& inputs, const fs::path& stem) {
  bool table_made = false;
  bool changed = false;
  if (Status s = CheckLabTableEdit(inputs.root / kBidsParticipants,
                                   ParticipantsEdit(inputs, &table_made, &changed));
      !s.ok()) {
    return s;
  }
  return CheckLabTableEdit(BidsScansPath(inputs.root, inputs.entities), ScansEdit(inputs, stem));
}

// The commit step of the dataset's transaction, under the dataset's lock: the shared files that
// are missing, the subject's row in participants.tsv, the removal of the recording's files of the
// other format, and the recording's row in its scans table.
Status WriteSharedFiles(FileTable& files, const BidsExportInputs& inputs, const fs::path& folder,
                        const fs::path& stem, std::vector<fs::path>* outputs) {
  const fs::path& root = inputs.root;
  fs::path named = fs::absolute(root).lexically_normal();
  if (!named.has_filename()) {
    named = named.parent_path();
  }
  const std::string name = named.has_filename() ? PathForDisplay(named.filename()) : "EEG";
  const std::string& version = inputs.software_version;
  if (Missing(root / kBidsDatasetDescription)) {
    if (Status s = WriteOutput(files, root / kBidsDatasetDescription,
                               MakeBidsDatasetDescription(name, version, inputs.lab), outputs);
        !s.ok()) {
      return s;
    }
  }
  bool has_readme = false;
  for (const std::string_view readme : kReadmeNames) {
    has_readme = has_readme || !Missing(root / readme);
  }
  if (!has_readme) {
    if (Status s = WriteOutput(files, root / kBidsReadme, MakeBidsReadme(name, version), outputs);
        !s.ok()) {
      return s;
    }
  }
  const fs::path participants = root / kBidsParticipants;
  bool table_made = false;
  bool changed = false;
  if (Status s = EditLabTable(files, participants, ParticipantsEdit(inputs, &table_made, &changed));
      !s.ok()) {
    return s;
  }
  if (changed) {
    outputs->push_back(participants);
  }
  // It describes the columns of a table made here, not those of a table made elsewhere.
  if (table_made && Missing(root / kBidsParticipantsSidecar)) {
    if (Status s = WriteOutput(files, root / kBidsParticipantsSidecar,
                               MakeBidsParticipantsSidecar(), outputs);
        !s.ok()) {
      return s;
    }
  }
  if (inputs.format == ExportFormat::kBidsEdf) {
    const BrainVisionFiles other = BrainVisionOutputPaths(folder, stem);
    files.RemoveAtCommit(other.header);
    files.RemoveAtCommit(other.markers);
    files.RemoveAtCommit(other.data);
  } else {
    files.RemoveAtCommit(EdfOutputPath(folder, stem));
  }
  const fs::path scans = BidsScansPath(root, inputs.entities);
  if (Status s = EditLabTable(files, scans, ScansEdit(inputs, stem)); !s.ok()) {
    return s;
  }
  outputs->push_back(scans);
  return Status::Ok();
}

// Checks, before anything is written, that every file name of the recording fits its folder.
Status CheckNames(const fs::path& folder, const std::string& prefix) {
  for (const char* suffix : {"_eeg.vhdr", "_eeg.vmrk", "_eeg.edf", "_eeg.eeg", "_eeg.json",
                             "_channels.tsv", "_events.tsv", "_events.json"}) {
    if (Status s = CheckOutputName(folder / (prefix + suffix)); !s.ok()) {
      return s;
    }
  }
  return Status::Ok();
}

}  // namespace

Status ExportBids(const BidsExportInputs& inputs, ExportReport* report,
                  const ProgressCallback& progress, const StopRequest* stop,
                  const LockWaitReporter& lock_wait) {
  *report = ExportReport();
  if (Status s = CheckBidsEntities(inputs.entities); !s.ok()) {
    return s;
  }
  const fs::path folder = BidsRecordingFolder(inputs.root, inputs.entities);
  const std::string prefix = BidsPrefix(inputs.entities);
  const fs::path stem = prefix + "_eeg";

  if (Status s = CheckNames(folder, prefix); !s.ok()) {
    return s;
  }
  if (Status s = CheckTables(inputs, stem); !s.ok()) {
    return s;
  }

  // The table creates the dataset's folder as the run's first file goes there, and removes it
  // again, where it is empty, if the run fails.
  FileTable files(inputs.root, FileTable::Temporaries::kUnnamedWherePossible,
                  FileTable::RootFolder::kCreateIfMissing);
  files.set_lock_wait_reporter(lock_wait);
  files.set_stop_request(stop);
  Status status = WriteData(files, inputs, folder, stem, report, progress, stop);
  if (status.ok()) {
    const BidsRecordingDescription description{inputs.entities.task,
                                               {inputs.positions.begin(), inputs.positions.end()},
                                               inputs.sample_rate,
                                               inputs.line_frequency,
                                               report->records,
                                               inputs.lab.reference,
                                               inputs.lab.ground};
    status = WriteOutput(files, folder / (prefix + "_eeg.json"), MakeBidsEegSidecar(description),
                         &report->outputs);
  }
  if (status.ok()) {
    status = WriteOutput(files, folder / (prefix + "_channels.tsv"),
                         MakeBidsChannels({inputs.positions.begin(), inputs.positions.end()}),
                         &report->outputs);
  }
  const fs::path events_table = folder / (prefix + "_events.tsv");
  const fs::path events_sidecar = folder / (prefix + "_events.json");
  if (inputs.events != nullptr && !inputs.events->empty()) {
    if (status.ok()) {
      status = WriteOutput(files, events_table, MakeBidsEvents(*inputs.events, inputs.sample_rate),
                           &report->outputs);
    }
    if (status.ok()) {
      status = WriteOutput(files, events_sidecar, MakeBidsEventsSidecar(), &report->outputs);
    }
  } else {
    files.RemoveAtCommit(events_table);
    files.RemoveAtCommit(events_sidecar);
  }
  if (status.ok() && inputs.commit_turn) {
    status = inputs.commit_turn();
  }
  status = files.EndRun(std::move(status), [&](FileTable& table) {
    return WriteSharedFiles(table, inputs, folder, stem, &report->outputs);
  });
  report->left_alone = files.TakeLeftAloneNotes();
  if (status.stopped()) {
    status = Status::Stopped(inputs.recording);  // also where a wait for the lock stopped
  }
  if (!status.ok()) {
    report->data.clear();
    report->outputs.clear();
  }
  return status;
}

}  // namespace velbrix
