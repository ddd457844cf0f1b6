// The EDF export: a recording into one EDF file holding the chosen channels.
//
// The file is OUTDIR/<recording's file name>.edf with the header of edf_header.h and one data
// record after another, each holding, signal after signal, `samples_per_record` samples of its
// channel as 16-bit little-endian integers (byte - 127). Whole 32-byte records of the recording
// are converted; a trailing partial record is left out and reported, as in the text conversion.
// A last data record that the samples do not fill is completed with digital 0 (0 uV), and the
// report says how many samples per channel were added.
//
// The export streams: it holds one block of the recording and a bounded number of data records
// in memory, whatever the recording's size. It follows the failure rules of the text conversion:
// on failure the Status names the operation, the file and the system's reason, no temporary is
// left, and a file of the output's name is as it was. The recording is only read.
#ifndef VELBRIX_CORE_EDF_EXPORT_H_
#define VELBRIX_CORE_EDF_EXPORT_H_

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>

#include "core/conversion.h"
#include "core/edf_header.h"
#include "core/file_table.h"
#include "core/status.h"

namespace velbrix {

struct EdfExportInputs {
  std::filesystem::path recording;
  std::filesystem::path output_dir;  // empty: the current folder
  std::filesystem::path file_name;   // the recording's file name, without its folder
  std::span<const int> positions;    // channels 1 .. 32, no repeats, in the file's order
  EdfRecordLayout layout;            // from ChooseEdfRecordLayout for positions.size() signals
  std::optional<EdfStart> start;     // nothing: unknown
};

struct EdfExportReport {
  std::uint64_t records = 0;         // whole 32-byte records converted
  std::uint64_t bytes_left_out = 0;  // bytes of a trailing partial record (0 .. 31)
  std::uint64_t data_records = 0;    // data records written
  std::uint64_t samples_added = 0;   // 0 uV samples per channel completing the last one
  std::filesystem::path output;      // the file written
};

// "the last data record of <output> was completed with 3 samples of 0 uV per channel": what an
// export that added samples tells the user.
std::string PaddingDescription(const std::filesystem::path& output, std::uint64_t samples);

// OUTDIR/<file_name>.edf.
std::filesystem::path EdfOutputPath(const std::filesystem::path& output_dir,
                                    const std::filesystem::path& file_name);

// Writes the EDF file of `inputs`. `progress` and `stop` work as in a text conversion.
Status ExportEdf(const EdfExportInputs& inputs, EdfExportReport* report,
                 const ProgressCallback& progress = {}, const StopRequest* stop = nullptr);

// As ExportEdf, but as part of a larger run of `files`: opens the recording and the output on free
// numbers of `files` and writes the file, without ending the run. The caller ends it
// (FileTable::EndRun), which commits or discards this output with its own.
Status ExportEdfInto(FileTable& files, const EdfExportInputs& inputs, EdfExportReport* report,
                     const ProgressCallback& progress, const StopRequest* stop);

}  // namespace velbrix

#endif  // VELBRIX_CORE_EDF_EXPORT_H_
