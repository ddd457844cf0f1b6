// An export run: the format's own writer, the check that there was something to export, and the
// run's end when the export is a run of its own.
#include "core/formats/recording_export.h"

#include <utility>

#include "core/formats/brainvision_export.h"
#include "core/formats/edf_export.h"

namespace velbrix {

std::string NothingToExportDescription(const std::filesystem::path& recording) {
  return PathForDisplay(recording) + ": holds no whole record; nothing to export";
}

Status ExportRecordingInto(FileTable& files, const ExportInputs& inputs, ExportReport* report,
                           const ProgressCallback& progress, const StopRequest* stop) {
  *report = ExportReport();
  const Status status = WritesEdf(inputs.format)
                            ? ExportEdfInto(files, inputs, report, progress, stop)
                            : ExportBrainVisionInto(files, inputs, report, progress, stop);
  if (status.ok() && report->records == 0) {
    // No reader opens an EDF file without data records or an empty BrainVision data file.
    return Status::InvalidArgument(NothingToExportDescription(inputs.recording));
  }
  return status;
}

Status ExportRecording(const ExportInputs& inputs, ExportReport* report,
                       const ProgressCallback& progress, const StopRequest* stop,
                       const LockWaitReporter& lock_wait) {
  FileTable files;
  files.set_lock_wait_reporter(lock_wait);
  files.set_stop_request(stop);
  Status status = ExportRecordingInto(files, inputs, report, progress, stop);
  status = files.EndRun(std::move(status));
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
