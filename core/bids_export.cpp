// The BIDS export run: the recording's data files, its sidecars and the dataset's shared files
// written in one run of a file table, committed together.
#include "core/bids_export.h"

#include <array>
#include <string_view>
#include <system_error>
#include <utility>

#include "core/bids_sidecars.h"
#include "core/brainvision_export.h"
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

// The folders a run creates, so that a failed run can remove them again.
class CreatedFolders {
 public:
  // Creates `folder` and its missing parents.
  Status Create(const fs::path& folder) {
    std::vector<fs::path> missing;
    for (fs::path p = folder; !p.empty() && Missing(p); p = p.parent_path()) {
      missing.push_back(p);
      if (p == p.parent_path()) {
        break;
      }
    }
    for (auto it = missing.rbegin(); it != missing.rend(); ++it) {
      std::error_code ec;
      if (!fs::create_directory(*it, ec) && ec) {
        return Status::IoError("Cannot create", *it, ec.message());
      }
      created_.push_back(*it);
    }
    return Status::Ok();
  }
  // Removes the folders created, deepest first, as far as they are empty.
  void RemoveEmpty() {
    for (auto it = created_.rbegin(); it != created_.rend(); ++it) {
      std::error_code ec;
      fs::remove(*it, ec);
    }
    created_.clear();
  }

 private:
  std::vector<fs::path> created_;  // parents first
};

Status ReadText(const fs::path& path, std::string* text) {
  FileTable files;
  constexpr int kNumber = 1;
  if (Status s = files.OpenForBinaryInput(kNumber, path); !s.ok()) {
    return s;
  }
  text->clear();
  std::uint8_t buffer[64 * 1024];
  for (;;) {
    std::size_t got = 0;
    if (Status s = files.Read(kNumber, buffer, &got); !s.ok()) {
      return s;
    }
    text->append(reinterpret_cast<const char*>(buffer), got);
    if (got < sizeof buffer) {
      return Status::Ok();
    }
  }
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

// The dataset's shared files that are missing, and participants.tsv when it lacks the subject.
Status WriteSharedFiles(FileTable& files, const BidsExportInputs& inputs,
                        std::vector<fs::path>* outputs) {
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
  std::optional<std::string> updated = MakeBidsParticipants(inputs.entities.subject);
  std::string existing;
  if (!Missing(participants)) {
    if (Status s = ReadText(participants, &existing); !s.ok()) {
      return s;
    }
  }
  if (!existing.empty()) {
    if (Status s = AddBidsParticipant(existing, inputs.entities.subject, &updated); !s.ok()) {
      return Status::IoError("Cannot add sub-" + inputs.entities.subject + " to", participants,
                             s.message());
    }
  } else if (Missing(root / kBidsParticipantsSidecar)) {
    // It describes the columns of a table made here, not those of a table made elsewhere.
    if (Status s = WriteOutput(files, root / kBidsParticipantsSidecar,
                               MakeBidsParticipantsSidecar(), outputs);
        !s.ok()) {
      return s;
    }
  }
  return updated ? WriteOutput(files, participants, *updated, outputs) : Status::Ok();
}

// After a commit: the data files of the other format under the same name, left from an earlier
// export of the recording.
Status RemoveOtherFormat(const BidsExportInputs& inputs, const fs::path& folder,
                         const fs::path& stem) {
  std::vector<fs::path> stale;
  if (inputs.format == BidsDataFormat::kEdf) {
    const BrainVisionFiles other = BrainVisionOutputPaths(folder, stem);
    stale = {other.header, other.markers, other.data};
  } else {
    stale = {EdfOutputPath(folder, stem)};
  }
  for (const fs::path& path : stale) {
    if (Missing(path)) {
      continue;
    }
    if (const std::error_code ec = RemoveFile(path)) {
      return Status::IoError("Cannot remove", path, ec.message());
    }
  }
  return Status::Ok();
}

}  // namespace

Status ExportBids(const BidsExportInputs& inputs, BidsExportReport* report,
                  const ProgressCallback& progress, const StopRequest* stop) {
  *report = BidsExportReport();
  if (Status s = CheckBidsEntities(inputs.entities); !s.ok()) {
    return s;
  }
  const fs::path folder = BidsRecordingFolder(inputs.root, inputs.entities);
  const std::string prefix = BidsPrefix(inputs.entities);
  const fs::path stem = prefix + "_eeg";

  CreatedFolders created;
  FileTable files;
  std::uint64_t samples = 0;
  Status status = created.Create(folder);
  if (status.ok()) {
    status = WriteData(files, inputs, folder, stem, report, &samples, progress, stop);
  }
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
  if (status.ok()) {
    status = WriteSharedFiles(files, inputs, &report->outputs);
  }
  status = files.EndRun(std::move(status));
  if (!status.ok()) {
    created.RemoveEmpty();
    report->data.clear();
    report->outputs.clear();
    return status;
  }
  return RemoveOtherFormat(inputs, folder, stem);
}

}  // namespace velbrix
