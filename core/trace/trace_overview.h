// The overview of a whole recording for a viewer: each channel's smallest and largest sample per
// block of records, computed on a worker thread while the viewer already shows what it can.
//
// Blocks hold block_records() records each (a power of two; the last block may hold fewer), as
// few as the memory budget allows, so that a recording of any size takes at most about `budget`
// bytes. The worker reads the recording once from its start and makes blocks ready in order: block
// i is ready once i < blocks_done(). A ready block never changes, so any thread may read it while
// the worker goes on. Blocks are made ready in batches of a few hundred kilobytes of the
// recording. Where the machine has two cores or more, a second thread takes every other batch as
// the worker does, each through its own handle of the file: reading from the page cache and
// scanning each take about as long, and two threads do the whole in less than one read by one.
#ifndef VELBRIX_CORE_TRACE_TRACE_OVERVIEW_H_
#define VELBRIX_CORE_TRACE_TRACE_OVERVIEW_H_

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <mutex>
#include <thread>
#include <vector>

#include "core/base/record.h"
#include "core/base/status.h"
#include "core/base/stop_request.h"
#include "core/os/large_buffer.h"

namespace velbrix {

class TraceOverview {
 public:
  static constexpr std::size_t kDefaultBudget = std::size_t{16} << 20;

  // Starts computing the overview of the first `records` records of `path`. A recording without
  // records is finished at once. Failures (the file cannot be read, no memory or no thread for the
  // work) end the work early and are told by status().
  TraceOverview(const std::filesystem::path& path, std::uint64_t records,
                std::size_t budget = kDefaultBudget);
  // Asks the worker to stop and waits for it (at most one batch).
  ~TraceOverview();
  TraceOverview(const TraceOverview&) = delete;
  TraceOverview& operator=(const TraceOverview&) = delete;

  std::uint64_t records() const { return records_; }
  std::uint64_t block_records() const { return block_records_; }
  std::uint64_t blocks() const { return blocks_; }
  // The first record of block `block` (records() for block == blocks()).
  std::uint64_t BlockStart(std::uint64_t block) const;
  // How many blocks from the start are ready.
  std::uint64_t blocks_done() const { return blocks_done_.load(std::memory_order_acquire); }
  // Whether the worker has ended, with every block ready or after a failure.
  bool finished() const { return finished_.load(std::memory_order_acquire); }
  // Ok while working and once every block is ready; otherwise why the work ended early.
  Status status() const;
  // Waits until the worker has ended.
  void Wait();

  // Block `block`'s smallest and largest samples, 32 bytes each in record order. Requires
  // block < blocks_done().
  const std::uint8_t* BlockMin(std::uint64_t block) const {
    return extremes_.data() + Index(block) * 64;
  }
  const std::uint8_t* BlockMax(std::uint64_t block) const {
    return extremes_.data() + Index(block) * 64 + 32;
  }
  // The envelope of all channels over block `block`. Requires block < blocks_done().
  std::uint8_t EnvelopeMin(std::uint64_t block) const { return Envelope()[Index(block) * 2]; }
  std::uint8_t EnvelopeMax(std::uint64_t block) const { return Envelope()[Index(block) * 2 + 1]; }

 private:
  // Blocks are counted in memory, so their number fits a size_t (the budget sees to that).
  static std::size_t Index(std::uint64_t block) { return static_cast<std::size_t>(block); }
  std::uint8_t* Envelope() const { return extremes_.data() + Index(blocks_) * 64; }
  void Work();
  // Takes the next batch not yet taken, reads and scans it, until none is left or the work ends.
  void ScanBatches();
  void BatchDone(std::uint64_t batch);
  // Keeps the first failure and asks every thread to stop.
  void Fail(Status status);
  void Finish(Status status);

  std::filesystem::path path_;
  std::uint64_t records_ = 0;
  std::uint64_t block_records_ = 1;
  std::uint64_t blocks_ = 0;
  // 64 bytes per block (32 minima, 32 maxima), then the envelope's 2 bytes per block (minimum,
  // maximum).
  LargeBuffer extremes_;
  std::uint64_t batch_records_ = 0;  // a multiple of block_records_
  std::uint64_t batches_ = 0;
  std::atomic<std::uint64_t> next_batch_{0};
  std::mutex done_mutex_;
  std::vector<bool> batch_done_;     // guarded by done_mutex_
  std::uint64_t batches_ready_ = 0;  // guarded by done_mutex_: batches done from the start
  Status failure_;                   // guarded by status_mutex_
  std::atomic<std::uint64_t> blocks_done_{0};
  std::atomic<bool> finished_{false};
  mutable std::mutex status_mutex_;
  Status status_;
  StopRequest stop_;
  std::thread worker_;
};

}  // namespace velbrix

#endif  // VELBRIX_CORE_TRACE_TRACE_OVERVIEW_H_
