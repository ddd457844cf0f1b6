// One export of a recording into the files of a format that analysis tools read: an EDF file (see
// edf_export.h) or BrainVision's three files (see brainvision_export.h), holding the chosen
// channels, beside each other in one folder.
//
// Whole 32-byte records are exported; a trailing partial record is left out and reported, as in
// the text conversion. A recording without one whole record (0 to 31 bytes) has nothing to
// export: the export fails, saying so with the recording's path, and writes nothing.
//
// The export streams: it holds one block of the recording and a bounded amount of data in memory,
// whatever the recording's size. It follows the failure rules of the text conversion: on failure
// the Status names the operation, the file and the system's reason, no temporary is left, and
// files of the outputs' names are as they were. The recording is only read.
#ifndef VELBRIX_CORE_FORMATS_RECORDING_EXPORT_H_
#define VELBRIX_CORE_FORMATS_RECORDING_EXPORT_H_

#include <filesystem>
#include <string>

#include "core/base/status.h"
#include "core/base/stop_request.h"
#include "core/commit/file_table.h"
#include "core/convert/record_blocks.h"
#include "core/formats/export_inputs.h"

namespace velbrix {

// "<recording>: holds no whole record; nothing to export": why a recording of 0 to 31 bytes is
// not exported.
std::string NothingToExportDescription(const std::filesystem::path& recording);

// Writes the files of `inputs`, whose format is kEdf or kBrainVision. `progress` and `stop` work as
// in a text conversion; `lock_wait` is told when the run waits for another run's lock on its folder
// (os_file.h).
Status ExportRecording(const ExportInputs& inputs, ExportReport* report,
                       const ProgressCallback& progress = {}, const StopRequest* stop = nullptr,
                       const LockWaitReporter& lock_wait = {});

// As ExportRecording, but as part of a larger run of `files`: opens the recording and the outputs
// on free numbers of `files` and writes them, without ending the run. The caller ends it
// (FileTable::EndRun), which commits or discards these outputs with its own; a failure here must
// end it with that failure.
Status ExportRecordingInto(FileTable& files, const ExportInputs& inputs, ExportReport* report,
                           const ProgressCallback& progress, const StopRequest* stop);

}  // namespace velbrix

#endif  // VELBRIX_CORE_FORMATS_RECORDING_EXPORT_H_
