// The BIDS export run: the recording's data files, its sidecars and the dataset's shared files
// written in one run of a file table, committed together.
#include "core/bids_export.h"

#include <array>
#include <string_view>
#include <system_error>
#include <utility>

#include "core/bids_sidecars.h"
#include "core/brainvision_export.h"
#include "core/brainvision_header.h"
#include "core/edf_export.h"
#include "core/file_table.h"
#include "core/os_file.h"
#include "core/recording_export.h"

namespace velbrix {
namespace {

namespace fs = std::filesystem;

constexpr std::array<std::string_view, 4> kReadmeNames = {"README", "README.md", "README.rst",
                                                          "README.txt"};

bool Missing(const fs::path& path) {
  std::error_code ec;
  return fs::symlink_status(path, ec).type() == fs::file_type::not_found;
}

// The dataset's folder and its missing parents, created before the run's transaction begins (its
// lock and the run's files live there), and removed again after a failure as far as they are empty.
class CreatedRoot {
 public:
  // Creates `root` and its missing parents.
  Status Create(const fs::path& root) {
    std::vector<fs::path> missing;
    for (fs::path p = root; !p.empty() && Missing(p); p = p.parent_path()) {
      missing.push_back(p);
      if (p == p.parent_path()) {
        break;
      }
    }
    for (auto it = missing.rbegin(); it != missing.rend(); ++it) {
      const std::error_code ec = CreateFolder(*it, false);
      if (ec && ec != std::errc::file_exists) {
        return Status::IoError("Cannot create", *it, ec.message());
      }
      if (!ec) {
        created_.push_back(*it);
      }
    }
    return Status::Ok();
  }
  // Removes the folders created, deepest first, as far as they are empty: another run's lock or
  // files keep them.
  void RemoveEmpty() {
    for (auto it = created_.rbegin(); it != created_.rend(); ++it) {
      (void)RemoveEmptyFolder(*it);
    }
    created_.clear();
  }

 private:
  std::vector<fs::path> created_;  // parents first
};

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

// The data files of the recording, written into `files`; `*samples` per channel.
Status WriteData(FileTable& files, const BidsExportInputs& inputs, const fs::path& folder,
                 const fs::path& stem, BidsExportReport* report, std::uint64_t* samples,
                 const ProgressCallback& progress, const StopRequest* stop) {
  const ExportInputs data{
      inputs.format == BidsDataFormat::kEdf ? ExportFormat::kEdf : ExportFormat::kBrainVision,
      inputs.recording,
      folder,
      stem,
      inputs.positions,
      inputs.sample_rate,
      inputs.edf_layout,
      inputs.start};
  ExportReport written;
  Status status = ExportRecordingInto(files, data, &written, progress, stop);
  report->records = written.records;
  report->bytes_left_out = written.bytes_left_out;
  report->samples_added = written.samples_added;
  report->data = written.data;
  report->outputs = written.outputs;
  *samples = written.samples;
  return status;
}

// Within the commit step: the recording's row in its subject's (and session's) scans.tsv, naming
// the file a reader opens (the EDF file or the BrainVision header) relative to the table's folder,
// in place of a row naming the recording in the other format.
Status WriteScansRow(FileTable& files, const BidsExportInputs& inputs, const fs::path& stem,
                     std::vector<fs::path>* outputs) {
  const fs::path scans = BidsScansPath(inputs.root, inputs.entities);
  const std::string in_folder = std::string(kBidsModality) + "/" + PathForDisplay(stem);
  const std::string edf = in_folder + ".edf";
  const std::string header = in_folder + kBrainVisionHeaderExtension;
  const bool as_edf = inputs.format == BidsDataFormat::kEdf;
  if (Status s = files.EditTextFile(
          scans,
          [&](const std::optional<std::string>& text, std::optional<std::string>* edited) {
            std::string updated;
            if (Status row =
                    UpdateBidsScans(text, as_edf ? edf : header, BidsAcquisitionTime(inputs.start),
                                    {as_edf ? header : edf}, &updated);
                !row.ok()) {
              return Status::IoError("Cannot add " + (as_edf ? edf : header) + " to", scans,
                                     row.message());
            }
            *edited = std::move(updated);
            return Status::Ok();
          });
      !s.ok()) {
    return s;
  }
  outputs->push_back(scans);
  return Status::Ok();
}

// The commit step of the dataset's transaction, under the dataset's lock: the shared files that
// are missing, the subject's row in participants.tsv, and the removal of the recording's files of
// the other format.
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
  const std::string& subject = inputs.entities.subject;
  if (Status s = files.EditTextFile(
          participants,
          [&](const std::optional<std::string>& text, std::optional<std::string>* edited) {
            if (!text || text->empty()) {
              table_made = true;
              *edited = MakeBidsParticipants(subject);
            } else if (Status added = AddBidsParticipant(*text, subject, edited); !added.ok()) {
              return Status::IoError("Cannot add sub-" + subject + " to", participants,
                                     added.message());
            }
            changed = edited->has_value();
            return Status::Ok();
          });
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
  if (inputs.format == BidsDataFormat::kEdf) {
    const BrainVisionFiles other = BrainVisionOutputPaths(folder, stem);
    files.RemoveAtCommit(other.header);
    files.RemoveAtCommit(other.markers);
    files.RemoveAtCommit(other.data);
  } else {
    files.RemoveAtCommit(EdfOutputPath(folder, stem));
  }
  return WriteScansRow(files, inputs, stem, outputs);
}

// Checks, before anything is written, that every file name of the recording fits its folder.
Status CheckNames(const fs::path& folder, const std::string& prefix) {
  for (const char* suffix :
       {"_eeg.vhdr", "_eeg.vmrk", "_eeg.edf", "_eeg.eeg", "_eeg.json", "_channels.tsv"}) {
    if (Status s = CheckOutputName(folder / (prefix + suffix)); !s.ok()) {
      return s;
    }
  }
  return Status::Ok();
}

}  // namespace

Status ExportBids(const BidsExportInputs& inputs, BidsExportReport* report,
                  const ProgressCallback& progress, const StopRequest* stop,
                  const LockWaitReporter& lock_wait) {
  *report = BidsExportReport();
  if (Status s = CheckBidsEntities(inputs.entities); !s.ok()) {
    return s;
  }
  const fs::path folder = BidsRecordingFolder(inputs.root, inputs.entities);
  const std::string prefix = BidsPrefix(inputs.entities);
  const fs::path stem = prefix + "_eeg";

  if (Status s = CheckNames(folder, prefix); !s.ok()) {
    return s;
  }

  CreatedRoot created;
  if (Status s = created.Create(inputs.root); !s.ok()) {
    return s;
  }
  FileTable files(inputs.root);
  files.set_lock_wait_reporter(lock_wait);
  std::uint64_t samples = 0;
  Status status = WriteData(files, inputs, folder, stem, report, &samples, progress, stop);
  if (status.ok()) {
    const BidsRecordingDescription description{inputs.entities.task,
                                               {inputs.positions.begin(), inputs.positions.end()},
                                               inputs.sample_rate,
                                               inputs.line_frequency,
                                               samples,
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
  status = files.EndRun(std::move(status), [&](FileTable& table) {
    return WriteSharedFiles(table, inputs, folder, stem, &report->outputs);
  });
  if (!status.ok()) {
    created.RemoveEmpty();
    report->data.clear();
    report->outputs.clear();
  }
  return status;
}

}  // namespace velbrix
