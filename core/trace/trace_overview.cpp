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
  if (blocks_ == 0) {
    Finish(Status::Ok());
    return;
  }
  try {
    extremes_.reset(new std::uint8_t[Index(blocks_) * 64]);
    envelope_.reset(new std::uint8_t[Index(blocks_) * 2]);
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

void TraceOverview::Work() {
  OsFile file;
  if (const std::error_code ec = OsFile::OpenForReading(path_, &file)) {
    Finish(Status::IoError("Cannot open", path_, ec.message()));
    return;
  }
  // A batch holds whole blocks; both sizes fit a size_t as they are held in memory.
  const auto block_size = static_cast<std::size_t>(block_records_);
  const std::size_t batch = std::max(kBatchRecords, block_size);
  std::vector<std::uint8_t> buffer;
  try {
    buffer.resize(batch * kRecordSize);
  } catch (const std::bad_alloc& e) {
    Finish(Status::IoError("Cannot read", path_, e.what()));
    return;
  }
  std::uint64_t block = 0;
  for (std::uint64_t first = 0; first < records_; first += batch) {
    if (stop_.requested()) {
      Finish(Status::Stopped(path_));
      return;
    }
    const auto count = static_cast<std::size_t>(std::min<std::uint64_t>(batch, records_ - first));
    std::size_t got = 0;
    if (const std::error_code ec = file.Read(buffer.data(), count * kRecordSize, &got)) {
      Finish(Status::IoError("Cannot read", path_, ec.message()));
      return;
    }
    if (got < count * kRecordSize) {
      Finish(Status::IoError("Cannot read", path_, kRecordingShorterReason));
      return;
    }
    for (std::size_t at = 0; at < count; at += block_size, ++block) {
      const std::size_t in_block = std::min(block_size, count - at);
      RecordExtremes extremes;
      extremes.Add(&buffer[at * kRecordSize], in_block);
      std::uint8_t* out = &extremes_[Index(block) * 64];
      std::copy(extremes.min.begin(), extremes.min.end(), out);
      std::copy(extremes.max.begin(), extremes.max.end(), out + 32);
      envelope_[Index(block) * 2] = extremes.Lowest();
      envelope_[Index(block) * 2 + 1] = extremes.Highest();
    }
    blocks_done_.store(block, std::memory_order_release);
  }
  Finish(Status::Ok());
}

}  // namespace velbrix
