// Reading a recording's whole records in blocks, as both the text conversion and the EDF export
// do.
#ifndef VELBRIX_CORE_CONVERT_RECORD_BLOCKS_H_
#define VELBRIX_CORE_CONVERT_RECORD_BLOCKS_H_

#include <cstddef>
#include <cstdint>
#include <functional>

#include "core/base/status.h"
#include "core/base/stop_request.h"
#include "core/commit/file_table.h"

namespace velbrix {

// Records per block: 256 KiB of input.
inline constexpr std::size_t kRecordsPerBlock = 8192;

// Called after each block of the recording with the bytes read so far and the recording's size
// (0 when its size is not known). Runs on the caller's thread.
using ProgressCallback = std::function<void(std::uint64_t bytes_read, std::uint64_t bytes_total)>;

// Takes `count` whole records (count * 32 bytes at `records`), valid only during the call. A
// failed Status stops the reading.
using RecordBlockConsumer = std::function<Status(const std::uint8_t* records, std::size_t count)>;

struct RecordBlocksRead {
  std::uint64_t records = 0;         // whole records handed to the consumer
  std::uint64_t bytes_left_out = 0;  // of a trailing partial record (0 .. 31)
};

// Reads input `number` of `files` to its end in blocks of at most kRecordsPerBlock records, hands
// every block's whole records to `consume` and then reports progress. A trailing partial record is
// not handed on; `*read` counts its bytes. Returns the first failure of a read or of `consume`, or
// Status::Stopped once `stop` (if given) is requested; it is looked at before every block.
Status ReadRecordBlocks(FileTable& files, int number, const RecordBlockConsumer& consume,
                        const ProgressCallback& progress, RecordBlocksRead* read,
                        const StopRequest* stop = nullptr);

// As ReadRecordBlocks, for a consumer that goes on with a block on another thread after it
// returns: the blocks are read into two buffers in turn, so a block stays valid until the call
// after next returns. Before it returns, whatever the outcome, `drain` is called; it must wait
// until the consumer is done with every block, and its failure is returned where the reading had
// none.
Status ReadRecordBlocksInTurns(FileTable& files, int number, const RecordBlockConsumer& consume,
                               const std::function<Status()>& drain,
                               const ProgressCallback& progress, RecordBlocksRead* read,
                               const StopRequest* stop = nullptr);

}  // namespace velbrix

#endif  // VELBRIX_CORE_CONVERT_RECORD_BLOCKS_H_
