// The EDF export: a recording into one EDF file holding the chosen channels, as one format of
// recording_export.h.
//
// The file is OUTDIR/<file name>.edf with the header of edf_header.h and one data record after
// another, each holding, signal after signal, `samples_per_record` samples of its channel as
// 16-bit little-endian integers (byte - 127). A last data record that the samples do not fill is
// completed with digital 0 (0 uV), and the report says how many samples per channel were added.
// The export holds one block of the recording and a bounded number of data records in memory.
//
// With events the file is EDF+C: the annotation signal of core/events/edf_annotations.h follows
// the channels' signals in every data record, each record's TAL list beginning with the record's
// own time. The events must lie within the recording's whole records when the export starts, and
// the recording must keep its length while it is read (else the export fails, naming it).
#ifndef VELBRIX_CORE_FORMATS_EDF_EXPORT_H_
#define VELBRIX_CORE_FORMATS_EDF_EXPORT_H_

#include <cstdint>
#include <filesystem>
#include <string>

#include "core/base/status.h"
#include "core/base/stop_request.h"
#include "core/commit/file_table.h"
#include "core/convert/record_blocks.h"
#include "core/formats/export_inputs.h"

namespace velbrix {

// "the last data record of <output> was completed with 3 samples of 0 uV per channel": what an
// export that added samples tells the user.
std::string PaddingDescription(const std::filesystem::path& output, std::uint64_t samples);

// OUTDIR/<file_name>.edf.
std::filesystem::path EdfOutputPath(const std::filesystem::path& output_dir,
                                    const std::filesystem::path& file_name);

// ExportRecordingInto for an EDF file: writes it into the run of `files` and fills the report's
// counts of records, data records and added samples, `data` and `outputs`.
Status ExportEdfInto(FileTable& files, const ExportInputs& inputs, ExportReport* report,
                     const ProgressCallback& progress, const StopRequest* stop);

}  // namespace velbrix

#endif  // VELBRIX_CORE_FORMATS_EDF_EXPORT_H_
