// The overview's worker.
#include "core/trace/trace_overview.h"

#include <algorithm>
#include <exception>
#include <new>
#include <system_error>
#include <vector>

#include "core/os/os_file.h"
#include "core/trace/record_extremes.h"
#include "core/trace/trace_recording.h"

namespace velbrix {
namespace {

constexpr std::uint64_t kBytesPerBlock = 66;  // 32 minima, 32 maxima, the envelope's two
constexpr std::size_t kBatchRecords = 8192;   // 256 KiB of the recording per read

}  // namespace

TraceOverview::TraceOverview(const std::filesystem::path& path, std::uint64_t records,
                             std::size_t budget)
    : path_(path), records_(records) {
  while ((records_ + block_records_ - 1) / block_records_ * kBytesPerBlock > budget &&
         block_records_ < records_) {
    block_records_ *= 2;
  }
  blocks_ = (records_ + block_records_ - 1) / block_records_;
  batch_records_ = std::max<std::uint64_t>(kBatchRecords, block_records_);
  batches_ = (records_ + batch_records_ - 1) / batch_records_;
  if (blocks_ == 0) {
    Finish(Status::Ok());
    return;
  }
  try {
    extremes_ = LargeBuffer(Index(blocks_) * kBytesPerBlock);
    batch_done_.resize(static_cast<std::size_t>(batches_));
    worker_ = std::thread([this] { Work(); });
  } catch (const std::exception& e) {  // no memory or no thread
    Finish(Status::IoError("Cannot read", path_, e.what()));
  }
}

TraceOverview::~TraceOverview() {
  stop_.Request();
  Wait();
}

std::uint64_t TraceOverview::BlockStart(std::uint64_t block) const {
  return std::min(records_, block * block_records_);
}

Status TraceOverview::status() const {
  const std::lock_guard<std::mutex> lock(status_mutex_);
  return status_;
}

void TraceOverview::Wait() {
  if (worker_.joinable()) {
    worker_.join();
  }
}

void TraceOverview::Finish(Status status) {
  {
    const std::lock_guard<std::mutex> lock(status_mutex_);
    status_ = std::move(status);
  }
  finished_.store(true, std::memory_order_release);
}

void TraceOverview::Fail(Status status) {
  {
    const std::lock_guard<std::mutex> lock(status_mutex_);
    if (failure_.ok()) {
      failure_ = std::move(status);
    }
  }
  stop_.Request();
}

void TraceOverview::Work() {
  std::thread second;
  if (batches_ > 1 && std::thread::hardware_concurrency() > 1) {
    try {
      second = std::thread([this] { ScanBatches(); });
    } catch (const std::system_error&) {  // no second thread: this one does all batches
    }
  }
  ScanBatches();
  if (second.joinable()) {
    second.join();
  }
  Status failure;
  {
    const std::lock_guard<std::mutex> lock(status_mutex_);
    failure = failure_;
  }
  if (!failure.ok()) {
    Finish(std::move(failure));
  } else if (blocks_done() < blocks_) {
    Finish(Status::Stopped(path_));
  } else {
    Finish(Status::Ok());
  }
}

void TraceOverview::ScanBatches() {
  OsFile file;
  if (const std::error_code ec = OsFile::OpenForReading(path_, &file)) {
    Fail(Status::IoError("Cannot open", path_, ec.message()));
    return;
  }
  // Both sizes fit a size_t as they are held in memory.
  const auto block_size = static_cast<std::size_t>(block_records_);
  const auto batch = static_cast<std::size_t>(batch_records_);
  std::vector<std::uint8_t> buffer;
  try {
    buffer.resize(batch * kRecordSize);
  } catch (const std::bad_alloc& e) {
    Fail(Status::IoError("Cannot read", path_, e.what()));
    return;
  }
  for (;;) {
    if (stop_.requested()) {
      return;
    }
    const std::uint64_t taken = next_batch_.fetch_add(1, std::memory_order_relaxed);
    if (taken >= batches_) {
      return;
    }
    const std::uint64_t first = taken * batch_records_;
    const auto count = static_cast<std::size_t>(std::min<std::uint64_t>(batch, records_ - first));
    std::size_t got = 0;
    if (const std::error_code ec =
            file.ReadAt(first * kRecordSize, buffer.data(), count * kRecordSize, &got)) {
      Fail(Status::IoError("Cannot read", path_, ec.message()));
      return;
    }
    if (got < count * kRecordSize) {
      Fail(Status::IoError("Cannot read", path_, kRecordingShorterReason));
      return;
    }
    std::uint64_t block = first / block_records_;
    for (std::size_t at = 0; at < count; at += block_size, ++block) {
      const std::size_t in_block = std::min(block_size, count - at);
      RecordExtremes extremes;
      extremes.Add(&buffer[at * kRecordSize], in_block);
      std::uint8_t* out = extremes_.data() + Index(block) * 64;
      std::copy(extremes.min.begin(), extremes.min.end(), out);
      std::copy(extremes.max.begin(), extremes.max.end(), out + 32);
      Envelope()[Index(block) * 2] = extremes.Lowest();
      Envelope()[Index(block) * 2 + 1] = extremes.Highest();
    }
    BatchDone(taken);
  }
}

void TraceOverview::BatchDone(std::uint64_t batch) {
  const std::lock_guard<std::mutex> lock(done_mutex_);
  batch_done_[static_cast<std::size_t>(batch)] = true;
  const std::uint64_t before = batches_ready_;
  while (batches_ready_ < batches_ && batch_done_[static_cast<std::size_t>(batches_ready_)]) {
    ++batches_ready_;
  }
  if (batches_ready_ > before) {
    const std::uint64_t blocks_per_batch = batch_records_ / block_records_;
    blocks_done_.store(std::min(blocks_, batches_ready_ * blocks_per_batch),
                       std::memory_order_release);
  }
}

}  // namespace velbrix
