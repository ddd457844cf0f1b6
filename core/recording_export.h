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
#ifndef VELBRIX_CORE_RECORDING_EXPORT_H_
#define VELBRIX_CORE_RECORDING_EXPORT_H_

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "core/edf_header.h"
#include "core/file_table.h"
#include "core/hertz.h"
#include "core/record_blocks.h"
#include "core/status.h"
#include "core/stop_request.h"

namespace velbrix {

enum class ExportFormat { kEdf, kBrainVision };

struct ExportInputs {
  ExportFormat format = ExportFormat::kEdf;
  std::filesystem::path recording;
  std::filesystem::path output_dir;  // empty: the current folder
  std::filesystem::path file_name;   // the outputs' base name, without a folder
  std::span<const int> positions;    // channels 1 .. 32, no repeats, in the files' order
  Hertz sample_rate;                 // from ParseHertz
  EdfRecordLayout edf_layout;        // EDF: from ChooseEdfRecordLayout for the rate and positions
  std::optional<EdfStart> start;     // nothing: unknown
};

struct ExportReport {
  std::uint64_t records = 0;         // whole 32-byte records converted
  std::uint64_t bytes_left_out = 0;  // bytes of a trailing partial record (0 .. 31)
  std::uint64_t samples = 0;         // per channel in the data file, added ones included
  std::uint64_t data_records = 0;    // EDF: data records written
  std::uint64_t samples_added = 0;   // EDF: 0 uV samples per channel completing the last record
  std::filesystem::path data;        // the file a reader opens: the EDF file or the .vhdr
  std::vector<std::filesystem::path> outputs;  // every file written, `data` first
};

// "<recording>: holds no whole record; nothing to export": why a recording of 0 to 31 bytes is
// not exported.
std::string NothingToExportDescription(const std::filesystem::path& recording);

// Writes the files of `inputs`. `progress` and `stop` work as in a text conversion.
// `lock_wait` is told when the run waits for another run's lock on its folder (os_file.h).
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

#endif  // VELBRIX_CORE_RECORDING_EXPORT_H_
