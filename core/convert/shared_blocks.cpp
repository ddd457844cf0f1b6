// Two threads sharing a run's outputs, block after block.
#include "core/convert/shared_blocks.h"

#include <utility>

namespace velbrix {
namespace {

bool TwoThreadsHelp() {
  return std::thread::hardware_concurrency() > 1;
}

}  // namespace

SharedBlocks::SharedBlocks(std::size_t outputs, std::size_t buffer_size, ShareWork work)
    : outputs_(outputs),
      first_share_end_(TwoThreadsHelp() ? outputs / 2 : outputs),
      work_(std::move(work)),
      buffers_(new char[2 * buffer_size]),
      buffer_size_(buffer_size) {
  if (first_share_end_ < outputs_) {
    second_ = std::thread([this] { SecondLoop(); });
  }
}

SharedBlocks::~SharedBlocks() {
  if (second_.joinable()) {
    {
      const std::lock_guard<std::mutex> lock(mutex_);
      quitting_ = true;
    }
    changed_.notify_all();
    second_.join();
  }
}

Status SharedBlocks::Run(const std::uint8_t* records, std::size_t count) {
  if (!first_status_.ok()) {
    return first_status_;
  }
  if (Status earlier = Drain(); !earlier.ok()) {
    return earlier;
  }
  if (second_.joinable()) {
    {
      const std::lock_guard<std::mutex> lock(mutex_);
      records_ = records;
      count_ = count;
      block_waiting_ = true;
    }
    changed_.notify_all();
  }
  first_status_ = work_(0, first_share_end_, records, count, buffers_.get());
  return first_status_;
}

Status SharedBlocks::Drain() {
  if (!second_.joinable()) {
    return Status::Ok();
  }
  std::unique_lock<std::mutex> lock(mutex_);
  changed_.wait(lock, [this] { return !block_waiting_; });
  if (second_exception_ != nullptr) {
    std::rethrow_exception(std::exchange(second_exception_, nullptr));
  }
  return second_status_;
}

void SharedBlocks::SecondLoop() {
  char* const buffer = buffers_.get() + buffer_size_;
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    changed_.wait(lock, [this] { return block_waiting_ || quitting_; });
    if (!block_waiting_) {
      return;
    }
    if (second_status_.ok()) {
      const std::uint8_t* const records = records_;
      const std::size_t count = count_;
      lock.unlock();
      Status status;
      std::exception_ptr exception;
      try {
        status = work_(first_share_end_, outputs_, records, count, buffer);
      } catch (...) {  // told on the caller's thread, as its own would be
        exception = std::current_exception();
        status = Status::Internal({}, "the second thread's work ended in an exception");
      }
      lock.lock();
      second_status_ = std::move(status);
      second_exception_ = std::move(exception);
    }
    block_waiting_ = false;
    changed_.notify_all();
  }
}

}  // namespace velbrix
