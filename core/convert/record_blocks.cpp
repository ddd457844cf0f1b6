// The block-reading loop of a run.
#include "core/convert/record_blocks.h"

#include <memory>

#include "core/base/record.h"

namespace velbrix {

Status ReadRecordBlocks(FileTable& files, int number, const RecordBlockConsumer& consume,
                        const ProgressCallback& progress, RecordBlocksRead* read,
                        const StopRequest* stop) {
  *read = RecordBlocksRead();
  const std::uint64_t total = files.Size(number);
  const std::size_t block_bytes = kRecordsPerBlock * kRecordSize;
  const auto block = std::make_unique<std::uint8_t[]>(block_bytes);
  std::uint64_t bytes_read = 0;
  for (;;) {
    if (stop != nullptr && stop->requested()) {
      return Status::Stopped(files.Path(number));
    }
    std::size_t got = 0;
    if (Status s = files.Read(number, {block.get(), block_bytes}, &got); !s.ok()) {
      return s;
    }
    bytes_read += got;
    const std::size_t records = got / kRecordSize;
    if (records > 0) {
      if (Status s = consume(block.get(), records); !s.ok()) {
        return s;
      }
      read->records += records;
    }
    if (progress) {
      progress(bytes_read, total);
    }
    if (got < block_bytes) {
      read->bytes_left_out = got % kRecordSize;
      return Status::Ok();
    }
  }
}

}  // namespace velbrix
