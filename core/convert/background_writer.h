// Writes batches of text to numbered output files on a second thread, so that the caller can
// prepare the next batch meanwhile.
//
// A batch holds one buffer for each output. The caller takes a free batch with NextBatch(), fills
// it, and hands it over with Submit(); at most two batches exist, so memory stays constant. After
// the first write failure nothing more is written, and the failure is returned by failure() and
// Finish(). This class does not open, close or commit files: its owner does, before and after.
#ifndef VELBRIX_CORE_CONVERT_BACKGROUND_WRITER_H_
#define VELBRIX_CORE_CONVERT_BACKGROUND_WRITER_H_

#include <array>
#include <condition_variable>
#include <cstddef>
#include <memory>
#include <mutex>
#include <string_view>
#include <thread>
#include <vector>

#include "core/base/status.h"
#include "core/commit/file_table.h"

namespace velbrix {

// One buffer of `capacity` bytes for each of a fixed number of outputs.
class OutputBatch {
 public:
  OutputBatch(std::size_t outputs, std::size_t capacity)
      : stride_(capacity), storage_(new char[outputs * capacity]), lengths_(outputs, 0) {}

  char* buffer(std::size_t output) { return storage_.get() + output * stride_; }
  void set_length(std::size_t output, std::size_t length) { lengths_[output] = length; }
  std::string_view text(std::size_t output) const {
    return {storage_.get() + output * stride_, lengths_[output]};
  }
  std::size_t outputs() const { return lengths_.size(); }

 private:
  std::size_t stride_;
  std::unique_ptr<char[]> storage_;  // not value-initialised: every byte is written before use
  std::vector<std::size_t> lengths_;
};

class BackgroundWriter {
 public:
  // Writes output i of each batch to file `numbers[i]` of `files`, which must stay open until
  // Finish() returns. `files` must not be used by the caller until then.
  BackgroundWriter(FileTable& files, std::vector<int> numbers, std::size_t capacity);
  ~BackgroundWriter();
  BackgroundWriter(const BackgroundWriter&) = delete;
  BackgroundWriter& operator=(const BackgroundWriter&) = delete;

  // A batch to fill; waits while both are still being written.
  OutputBatch& NextBatch();
  // Hands the batch returned by the last NextBatch() to the writing thread.
  void Submit();
  // The first write failure so far, or Ok.
  Status failure();
  // Waits until every submitted batch is written and stops the thread. Returns the first failure.
  Status Finish();

 private:
  void WriteLoop();

  FileTable& files_;
  const std::vector<int> numbers_;
  std::array<OutputBatch, 2> batches_;

  std::mutex mutex_;
  std::condition_variable changed_;
  std::array<bool, 2> full_{};  // guarded by mutex_
  bool finishing_ = false;      // guarded by mutex_
  Status failure_;              // guarded by mutex_
  std::size_t next_fill_ = 0;   // used by the caller's thread only
  std::thread thread_;
};

}  // namespace velbrix

#endif  // VELBRIX_CORE_CONVERT_BACKGROUND_WRITER_H_
