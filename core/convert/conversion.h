// The conversion run: a recording into one decimal text file per converted channel.
//
// Output file names are the output folder, then the recording's file name, "_", the channel's
// name and ".eeg": recording "rec01_eeg" gives "rec01_eeg_FP2.eeg" for channel FP2. Each output
// holds one line (see value_line.h) per whole record of the recording, in record order. A trailing
// partial record (a size that is not a multiple of 32) is not converted; the report says how many
// bytes were left out. An empty recording gives empty outputs.
//
// A run either succeeds with every output complete under its final name, or fails with a Status
// naming the operation, the file and the system's reason, leaving no temporary behind and every
// file of a final name as it was. The recording is never modified, and a missing recording is never
// created. Outputs of channels that a run does not convert are not touched.
#ifndef VELBRIX_CORE_CONVERT_CONVERSION_H_
#define VELBRIX_CORE_CONVERT_CONVERSION_H_

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/base/record.h"
#include "core/base/status.h"
#include "core/base/stop_request.h"
#include "core/commit/file_table.h"
#include "core/convert/record_blocks.h"

namespace velbrix {

// What the window hands to a run: its own state, and the user's decimal separator.
struct ConversionInputs {
  std::filesystem::path FlePath;  // the recording
  std::filesystem::path AppDir;   // the output folder (with or without a trailing separator)
  std::filesystem::path FleName;  // the recording's file name, without its folder
  bool AllCh = false;             // true: all 32 channels; false: ChName / ChPos only
  std::string ChName;             // one-channel run: the channel's exact name
  std::string ChPos;              // one-channel run: its record position, "1" .. "32"
  std::string decimal_separator = ".";
};

struct ConversionReport {
  std::uint64_t records = 0;                   // whole records converted
  std::uint64_t bytes_left_out = 0;            // bytes of a trailing partial record (0 .. 31)
  std::vector<std::filesystem::path> outputs;  // the files written, in the order opened
  std::vector<std::string> left_alone;  // killed runs' files left alone (FileTable::LeftAloneNotes)
};

// The output file of channel `name` for recording `file_name` in folder `output_dir`.
std::filesystem::path OutputPath(const std::filesystem::path& output_dir,
                                 const std::filesystem::path& file_name, std::string_view name);

// Holds the run state that lives as long as its owner (the window): the table of numbered files,
// the input's and the single output's file numbers, and the record last read. One run at a time.
class Converter {
 public:
  Converter() = default;
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;

  // The window's run. With AllCh, all 32 channels on file numbers 100 .. 131 in record order;
  // otherwise the one channel ChName / ChPos, which must name the same row of the channel table
  // (ChPos as "1" .. "32"); this is checked before any file is opened.
  // `progress` and `stop` as for ReadRecordBlocks; a stopped run fails with Status::Stopped.
  // `lock_wait` is told when the run waits for another run's lock on its folder (os_file.h).
  Status RunConversion(const ConversionInputs& inputs, ConversionReport* report,
                       const ProgressCallback& progress = {}, const StopRequest* stop = nullptr,
                       const LockWaitReporter& lock_wait = {});

  // Converts the channels at `positions` (each 1 .. 32, no repeats), in that order, of `recording`
  // into `output_dir`, named after `file_name`. All 32 in record order use file numbers
  // 100 .. 131; any other choice takes the lowest free numbers.
  Status ConvertChannels(const std::filesystem::path& recording,
                         const std::filesystem::path& output_dir,
                         const std::filesystem::path& file_name, std::span<const int> positions,
                         std::string_view decimal_separator, ConversionReport* report,
                         const ProgressCallback& progress = {}, const StopRequest* stop = nullptr,
                         const LockWaitReporter& lock_wait = {});

  // The record last read (all zero before the first run).
  const EegRecord& RecBuf() const { return RecBuf_; }

 private:
  Status Run(std::span<const int> positions, std::string_view decimal_separator,
             ConversionReport* report, const ProgressCallback& progress, const StopRequest* stop,
             std::vector<int> numbers);

  FileTable files_;
  std::uint8_t InFileNo = 0;
  std::uint8_t OutFileNo = 0;
  EegRecord RecBuf_{};
};

// First file number of the outputs of a run over all channels: position p is on 99 + p.
inline constexpr int kFirstAllChannelFileNumber = 100;

// A run with a Converter of its own.
Status RunConversion(const ConversionInputs& inputs, ConversionReport* report,
                     const ProgressCallback& progress = {}, const StopRequest* stop = nullptr,
                     const LockWaitReporter& lock_wait = {});

}  // namespace velbrix

#endif  // VELBRIX_CORE_CONVERT_CONVERSION_H_
