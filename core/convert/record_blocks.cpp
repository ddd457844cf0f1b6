// The block-reading loop of a run.
#include "core/convert/record_blocks.h"

#include <memory>

#include "core/base/record.h"

namespace velbrix {

namespace {

constexpr std::size_t kBlockBytes = kRecordsPerBlock * kRecordSize;

// The reading loop over `buffers` blocks of kBlockBytes at `storage`, used in turn.
Status ReadBlocks(FileTable& files, int number, std::uint8_t* storage, std::size_t buffers,
                  const RecordBlockConsumer& consume, const ProgressCallback& progress,
                  RecordBlocksRead* read, const StopRequest* stop) {
  *read = RecordBlocksRead();
  const std::uint64_t total = files.Size(number);
  std::uint64_t bytes_read = 0;
  for (std::size_t turn = 0;; turn = (turn + 1) % buffers) {
    if (stop != nullptr && stop->requested()) {
      return Status::Stopped(files.Path(number));
    }
    std::uint8_t* const block = storage + turn * kBlockBytes;
    std::size_t got = 0;
    if (Status s = files.Read(number, {block, kBlockBytes}, &got); !s.ok()) {
      return s;
    }
    bytes_read += got;
    const std::size_t records = got / kRecordSize;
    if (records > 0) {
      if (Status s = consume(block, records); !s.ok()) {
        return s;
      }
      read->records += records;
    }
    if (progress) {
      progress(bytes_read, total);
    }
    if (got < kBlockBytes) {
      read->bytes_left_out = got % kRecordSize;
      return Status::Ok();
    }
  }
}

}  // namespace

Status ReadRecordBlocks(FileTable& files, int number, const RecordBlockConsumer& consume,
                        const ProgressCallback& progress, RecordBlocksRead* read,
                        const StopRequest* stop) {
  const auto block = std::make_unique<std::uint8_t[]>(kBlockBytes);
  return ReadBlocks(files, number, block.get(), 1, consume, progress, read, stop);
}

Status ReadRecordBlocksInTurns(FileTable& files, int number, const RecordBlockConsumer& consume,
                               const std::function<Status()>& drain,
                               const ProgressCallback& progress, RecordBlocksRead* read,
                               const StopRequest* stop) {
  const auto blocks = std::make_unique<std::uint8_t[]>(2 * kBlockBytes);
  Status status;
  try {
    status = ReadBlocks(files, number, blocks.get(), 2, consume, progress, read, stop);
  } catch (...) {
    (void)drain();  // the consumer lets go of the blocks before they are freed
    throw;
  }
  Status drained = drain();
  return status.ok() ? drained : status;
}

}  // namespace velbrix
