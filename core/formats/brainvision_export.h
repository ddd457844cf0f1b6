// The BrainVision export: a recording into the three files of brainvision_header.h, holding the
// chosen channels, as one format of recording_export.h.
//
// The files are OUTDIR/<file name>.vhdr, .vmrk and .eeg; the data file holds one value per chosen
// channel for every whole 32-byte record of the recording, and nothing is added. The three files
// are one output: they appear together or not at all. The export holds one block of the recording
// and two blocks of data in memory. Events become markers after the "New Segment" in the .vmrk
// (core/events/brainvision_markers.h); an event beyond the whole records read fails the export.
#ifndef VELBRIX_CORE_FORMATS_BRAINVISION_EXPORT_H_
#define VELBRIX_CORE_FORMATS_BRAINVISION_EXPORT_H_

#include <filesystem>

#include "core/base/status.h"
#include "core/base/stop_request.h"
#include "core/commit/file_table.h"
#include "core/convert/record_blocks.h"
#include "core/formats/export_inputs.h"

namespace velbrix {

struct BrainVisionFiles {
  std::filesystem::path header;   // <file_name>.vhdr
  std::filesystem::path markers;  // <file_name>.vmrk
  std::filesystem::path data;     // <file_name>.eeg
};

BrainVisionFiles BrainVisionOutputPaths(const std::filesystem::path& output_dir,
                                        const std::filesystem::path& file_name);

// ExportRecordingInto for BrainVision's files: writes them into the run of `files` and fills the
// report's count of records, `data` (the header) and `outputs` (header, markers, data).
Status ExportBrainVisionInto(FileTable& files, const ExportInputs& inputs, ExportReport* report,
                             const ProgressCallback& progress, const StopRequest* stop);

}  // namespace velbrix

#endif  // VELBRIX_CORE_FORMATS_BRAINVISION_EXPORT_H_
