// The BrainVision export: a recording into the three files of brainvision_header.h, holding the
// chosen channels.
//
// The files are OUTDIR/<file_name>.vhdr, .vmrk and .eeg; the data file holds one value per chosen
// channel for every whole 32-byte record of the recording. A trailing partial record is left out
// and reported, as in the text conversion; nothing is added.
//
// The export streams: it holds one block of the recording and two blocks of data in memory,
// whatever the recording's size. The three files are one output: they appear together or not at
// all. On failure the Status names the operation, the file and the system's reason, no temporary
// is left, and files of the outputs' names are as they were. The recording is only read.
#ifndef VELBRIX_CORE_BRAINVISION_EXPORT_H_
#define VELBRIX_CORE_BRAINVISION_EXPORT_H_

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>

#include "core/brainvision_header.h"
#include "core/file_table.h"
#include "core/hertz.h"
#include "core/record_blocks.h"
#include "core/status.h"
#include "core/stop_request.h"

namespace velbrix {

struct BrainVisionExportInputs {
  std::filesystem::path recording;
  std::filesystem::path output_dir;  // empty: the current folder
  std::filesystem::path file_name;   // the base name of the three files, without a folder
  std::span<const int> positions;    // channels 1 .. 32, no repeats, in the file's order
  Hertz sample_rate;                 // from ParseHertz
  std::optional<EdfStart> start;     // nothing: unknown
};

struct BrainVisionFiles {
  std::filesystem::path header;   // <file_name>.vhdr
  std::filesystem::path markers;  // <file_name>.vmrk
  std::filesystem::path data;     // <file_name>.eeg
};

struct BrainVisionExportReport {
  std::uint64_t records = 0;         // whole 32-byte records converted: the samples per channel
  std::uint64_t bytes_left_out = 0;  // bytes of a trailing partial record (0 .. 31)
  BrainVisionFiles files;            // the files written
};

BrainVisionFiles BrainVisionOutputPaths(const std::filesystem::path& output_dir,
                                        const std::filesystem::path& file_name);

// Writes the BrainVision files of `inputs`. `progress` and `stop` work as in a text conversion.
Status ExportBrainVision(const BrainVisionExportInputs& inputs, BrainVisionExportReport* report,
                         const ProgressCallback& progress = {}, const StopRequest* stop = nullptr);

// As ExportBrainVision, but as part of a larger run of `files`: opens the recording and the three
// outputs on free numbers of `files` and writes them, without ending the run. The caller ends it
// (FileTable::EndRun), which commits or discards these outputs with its own.
Status ExportBrainVisionInto(FileTable& files, const BrainVisionExportInputs& inputs,
                             BrainVisionExportReport* report, const ProgressCallback& progress,
                             const StopRequest* stop);

}  // namespace velbrix

#endif  // VELBRIX_CORE_BRAINVISION_EXPORT_H_
