// The dispatch of an export to its format's writer, and its notes.
#include "core/formats/export_run.h"

#include "core/base/recording_name.h"
#include "core/formats/bids_export.h"
#include "core/formats/edf_export.h"
#include "core/formats/recording_export.h"
#include "velbrix_version.h"

namespace velbrix {

Status RunExport(const ExportRequest& request, ExportReport* report,
                 const ProgressCallback& progress, const StopRequest* stop,
                 const LockWaitReporter& lock_wait) {
  if (IsBids(request.format)) {
    const BidsExportInputs inputs{request.recording,  request.root,      request.entities,
                                  request.format,     request.positions, request.sample_rate,
                                  request.edf_layout, request.start,     request.line_frequency,
                                  VELBRIX_VERSION,    request.lab,       request.commit_turn,
                                  &request.events};
    return ExportBids(inputs, report, progress, stop, lock_wait);
  }
  const ExportInputs inputs{request.format,     request.recording, request.output_dir,
                            request.file_name,  request.positions, request.sample_rate,
                            request.edf_layout, request.start,     &request.events};
  return ExportRecording(inputs, report, progress, stop, lock_wait);
}

std::vector<std::string> ExportNotes(const std::filesystem::path& recording,
                                     const ExportReport& report) {
  std::vector<std::string> notes;
  if (report.bytes_left_out > 0) {
    notes.push_back(LeftOutDescription(recording, report.bytes_left_out));
  }
  if (report.samples_added > 0) {
    notes.push_back(PaddingDescription(report.data, report.samples_added));
  }
  notes.insert(notes.end(), report.left_alone.begin(), report.left_alone.end());
  return notes;
}

}  // namespace velbrix
