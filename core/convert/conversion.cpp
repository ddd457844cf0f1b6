// The conversion run: read blocks of records, format and write each channel's lines on two
// threads sharing the channels, and commit the outputs when the whole recording is converted.
#include "core/convert/conversion.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <exception>
#include <memory>
#include <utility>

#include "core/base/channel_table.h"
#include "core/base/run_support.h"
#include "core/convert/record_blocks.h"
#include "core/convert/shared_blocks.h"
#include "core/convert/value_line.h"

namespace velbrix {
namespace {

// The position "1" .. "32" as written by the window: decimal digits, no sign, no spaces, no
// leading zero.
std::optional<int> ParsePosition(std::string_view text) {
  if (text.empty() || text.size() > 2 || text[0] == '0') {
    return std::nullopt;
  }
  int value = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') {
      return std::nullopt;
    }
    value = value * 10 + (c - '0');
  }
  if (value < 1 || value > static_cast<int>(kChannelCount)) {
    return std::nullopt;
  }
  return value;
}

bool IsAllChannelsInRecordOrder(std::span<const int> positions) {
  if (positions.size() != kChannelCount) {
    return false;
  }
  for (std::size_t i = 0; i < positions.size(); ++i) {
    if (positions[i] != static_cast<int>(i) + 1) {
      return false;
    }
  }
  return true;
}

}  // namespace

std::filesystem::path OutputPath(const std::filesystem::path& output_dir,
                                 const std::filesystem::path& file_name, std::string_view name) {
  std::filesystem::path leaf = file_name;
  leaf += "_";
  leaf += std::string(name);
  leaf += ".eeg";
  return output_dir / leaf;
}

Status Converter::RunConversion(const ConversionInputs& inputs, ConversionReport* report,
                                const ProgressCallback& progress, const StopRequest* stop,
                                const LockWaitReporter& lock_wait) {
  if (inputs.AllCh) {
    return ConvertChannels(inputs.FlePath, inputs.AppDir, inputs.FleName, kAllPositions,
                           inputs.decimal_separator, report, progress, stop, lock_wait);
  }
  const std::optional<int> by_name = FindChannelPosition(inputs.ChName);
  if (!by_name) {
    return Status::InvalidArgument("There is no channel named \"" + inputs.ChName + "\"");
  }
  const std::optional<int> position = ParsePosition(inputs.ChPos);
  if (!position) {
    return Status::InvalidArgument("The channel position \"" + inputs.ChPos +
                                   "\" is not a number from 1 to 32");
  }
  if (*position != *by_name) {
    return Status::InvalidArgument("Channel " + inputs.ChName + " is at position " +
                                   std::to_string(*by_name) + ", not " + inputs.ChPos);
  }
  const std::array<int, 1> one = {*position};
  return ConvertChannels(inputs.FlePath, inputs.AppDir, inputs.FleName, one,
                         inputs.decimal_separator, report, progress, stop, lock_wait);
}

Status Converter::ConvertChannels(const std::filesystem::path& recording,
                                  const std::filesystem::path& output_dir,
                                  const std::filesystem::path& file_name,
                                  std::span<const int> positions,
                                  std::string_view decimal_separator, ConversionReport* report,
                                  const ProgressCallback& progress, const StopRequest* stop,
                                  const LockWaitReporter& lock_wait) {
  *report = ConversionReport();
  if (Status s = CheckPositions(positions); !s.ok()) {
    return s;
  }
  if (Status s = ValueLineTable::Check(decimal_separator); !s.ok()) {
    return s;
  }
  if (Status s = CheckRecordingFileName(file_name); !s.ok()) {
    return s;
  }

  files_.DiscardOutputs();  // close all
  files_.set_lock_wait_reporter(lock_wait);
  files_.set_stop_request(stop);
  InFileNo = static_cast<std::uint8_t>(files_.LowestFreeNumber());
  Status status = files_.OpenForBinaryInput(InFileNo, recording);
  std::vector<int> numbers;
  const bool all_channels = IsAllChannelsInRecordOrder(positions);
  for (std::size_t i = 0; status.ok() && i < positions.size(); ++i) {
    const Channel& channel = ChannelAtPosition(positions[i]);
    const int number = all_channels ? kFirstAllChannelFileNumber - 1 + channel.position
                                    : files_.LowestFreeNumber();
    if (!all_channels) {
      OutFileNo = static_cast<std::uint8_t>(number);
    }
    const std::filesystem::path path = OutputPath(output_dir, file_name, channel.name);
    status = files_.OpenForTextOutput(number, path);
    if (status.ok()) {
      numbers.push_back(number);
      report->outputs.push_back(path);
    }
  }
  if (status.ok()) {
    try {
      status = Run(positions, decimal_separator, report, progress, stop, numbers);
    } catch (const std::exception& e) {
      // No memory for the buffers, or no second thread: the run fails like any other.
      status = Status::IoError("Cannot convert", recording, e.what());
    }
  }
  status = files_.EndRun(std::move(status));
  files_.set_lock_wait_reporter({});  // it may hold its caller's state
  files_.set_stop_request(nullptr);
  if (status.stopped()) {
    status = Status::Stopped(recording);  // also where it was a wait for the lock that stopped
  }
  report->left_alone = files_.TakeLeftAloneNotes();
  if (!status.ok()) {
    report->outputs.clear();
  }
  return status;
}

Status Converter::Run(std::span<const int> positions, std::string_view decimal_separator,
                      ConversionReport* report, const ProgressCallback& progress,
                      const StopRequest* stop, std::vector<int> numbers) {
  const auto table = std::make_unique<ValueLineTable>(decimal_separator);
  // Each share formats one output's lines of a block at a time and writes them; the file table's
  // outputs are written by one thread each while this one also reads the input.
  const auto work = [&](std::size_t first, std::size_t end, const std::uint8_t* records,
                        std::size_t count, char* buffer) {
    for (std::size_t k = first; k < end; ++k) {
      const std::uint8_t* in = records + (positions[k] - 1);
      char* out = buffer;
      if (table->short_lines()) {  // every line in 16 bytes: half the bytes copied per sample
        for (std::size_t r = 0; r < count; ++r) {
          out = table->AppendShort(out, in[r * kRecordSize]);
        }
      } else {
        for (std::size_t r = 0; r < count; ++r) {
          out = table->Append(out, in[r * kRecordSize]);
        }
      }
      if (Status s = files_.Write(numbers[k], {buffer, static_cast<std::size_t>(out - buffer)});
          !s.ok()) {
        return s;
      }
    }
    return Status::Ok();
  };
  SharedBlocks shares(positions.size(),
                      kRecordsPerBlock * table->longest_line() + ValueLineTable::kSlotSize, work);
  const auto format = [&](const std::uint8_t* records, std::size_t count) {
    std::memcpy(RecBuf_.data(), records + (count - 1) * kRecordSize, kRecordSize);
    return shares.Run(records, count);
  };
  RecordBlocksRead read;
  const Status status = ReadRecordBlocksInTurns(
      files_, InFileNo, format, [&] { return shares.Drain(); }, progress, &read, stop);
  report->records = read.records;
  report->bytes_left_out = read.bytes_left_out;
  return status;
}

Status RunConversion(const ConversionInputs& inputs, ConversionReport* report,
                     const ProgressCallback& progress, const StopRequest* stop,
                     const LockWaitReporter& lock_wait) {
  Converter converter;
  return converter.RunConversion(inputs, report, progress, stop, lock_wait);
}

}  // namespace velbrix
