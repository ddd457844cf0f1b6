// The double-buffered writing thread of a conversion run.
#include "core/convert/background_writer.h"

#include <utility>

namespace velbrix {

BackgroundWriter::BackgroundWriter(FileTable& files, std::vector<int> numbers, std::size_t capacity)
    : files_(files),
      numbers_(std::move(numbers)),
      batches_{OutputBatch(numbers_.size(), capacity), OutputBatch(numbers_.size(), capacity)},
      thread_([this] { WriteLoop(); }) {}

BackgroundWriter::~BackgroundWriter() {
  if (thread_.joinable()) {
    (void)Finish();
  }
}

OutputBatch& BackgroundWriter::NextBatch() {
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [this] { return !full_[next_fill_]; });
  return batches_[next_fill_];
}

void BackgroundWriter::Submit() {
  {
    std::lock_guard lock(mutex_);
    full_[next_fill_] = true;
  }
  changed_.notify_all();
  next_fill_ ^= 1;
}

Status BackgroundWriter::failure() {
  std::lock_guard lock(mutex_);
  return failure_;
}

Status BackgroundWriter::Finish() {
  {
    std::lock_guard lock(mutex_);
    finishing_ = true;
  }
  changed_.notify_all();
  thread_.join();
  return failure_;
}

void BackgroundWriter::WriteLoop() {
  std::size_t next_write = 0;
  for (;;) {
    bool failed = false;
    {
      std::unique_lock lock(mutex_);
      changed_.wait(lock, [&] { return full_[next_write] || finishing_; });
      if (!full_[next_write]) {
        return;  // finishing, and every submitted batch is written
      }
      failed = !failure_.ok();
    }
    Status status;
    const OutputBatch& batch = batches_[next_write];
    for (std::size_t i = 0; !failed && i < batch.outputs() && status.ok(); ++i) {
      status = files_.Write(numbers_[i], batch.text(i));
    }
    {
      std::lock_guard lock(mutex_);
      if (!status.ok() && failure_.ok()) {
        failure_ = std::move(status);
      }
      full_[next_write] = false;
    }
    changed_.notify_all();
    next_write ^= 1;
  }
}

}  // namespace velbrix
