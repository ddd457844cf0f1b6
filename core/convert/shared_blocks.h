// The work on each block of a run's records shared between the calling thread and a second one:
// the outputs are cut in two shares, each kept by one thread for the whole run, so that two cores
// format and write at once and each output's writes stay in order. Each share formats an output's
// lines into a buffer of its own, small enough to stay in its core's cache, and writes them at
// once. The second thread may still work on a block while the caller reads the next one
// (ReadRecordBlocksInTurns), which also keeps a run over one output on two cores.
//
// Where there is one core, the calling thread does all the work and no second thread is started.
#ifndef VELBRIX_CORE_CONVERT_SHARED_BLOCKS_H_
#define VELBRIX_CORE_CONVERT_SHARED_BLOCKS_H_

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include "core/base/status.h"

namespace velbrix {

class SharedBlocks {
 public:
  // Does the work of outputs [first, end) on `count` records at `records`, with `buffer` (of the
  // size given to the constructor) for its own use.
  using ShareWork =
      std::function<Status(std::size_t first, std::size_t end, const std::uint8_t* records,
                           std::size_t count, char* buffer)>;

  // Throws std::bad_alloc without memory for the buffers and std::system_error without a thread.
  SharedBlocks(std::size_t outputs, std::size_t buffer_size, ShareWork work);
  // Lets the second thread finish the block it has, then stops it.
  ~SharedBlocks();
  SharedBlocks(const SharedBlocks&) = delete;
  SharedBlocks& operator=(const SharedBlocks&) = delete;

  // Waits until the second thread is done with its earlier block, hands it this block's second
  // share and does the first share here. The block must stay valid until the next Run or Drain
  // returns. Returns the first failure known: of the earlier blocks' second shares, or of this
  // block's first share; after a failure no share is worked on any more.
  Status Run(const std::uint8_t* records, std::size_t count);
  // Waits until the second thread is done with its block; returns the first failure of its
  // shares, or Ok. An exception thrown by its work is thrown here, once.
  Status Drain();

 private:
  void SecondLoop();

  const std::size_t outputs_;
  const std::size_t first_share_end_;  // outputs [0, first_share_end_) are the caller's
  const ShareWork work_;
  std::unique_ptr<char[]> buffers_;  // the caller's, then the second thread's
  const std::size_t buffer_size_;
  Status first_status_;  // the first share's, used by the caller's thread only

  std::mutex mutex_;
  std::condition_variable changed_;
  const std::uint8_t* records_ = nullptr;  // guarded by mutex_: the block to work on
  std::size_t count_ = 0;                  // guarded by mutex_
  bool block_waiting_ = false;             // guarded by mutex_
  bool quitting_ = false;                  // guarded by mutex_
  Status second_status_;                   // guarded by mutex_
  std::exception_ptr second_exception_;    // guarded by mutex_
  std::thread second_;
};

}  // namespace velbrix

#endif  // VELBRIX_CORE_CONVERT_SHARED_BLOCKS_H_
