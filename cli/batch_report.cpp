// The messages, progress and commit turns of a batch's jobs, under one lock.
#include "cli/batch_report.h"

#include <chrono>
#include <numeric>
#include <utility>

#include "cli/options.h"

namespace velbrix::cli {
namespace {

// How often a wait for a turn looks at the stop request, which a signal handler sets without
// waking anyone.
constexpr auto kStopPoll = std::chrono::milliseconds(50);

}  // namespace

BatchReport::BatchReport(std::FILE* err, ProgressDisplay& progress,
                         std::vector<std::uint64_t> sizes)
    : err_(err),
      progress_(progress),
      read_(sizes.size(), 0),
      total_(std::move(sizes)),
      bytes_total_(std::accumulate(total_.begin(), total_.end(), std::uint64_t{0})),
      finished_(total_.size()) {}

void BatchReport::SayNow(const std::string& message) {
  const std::lock_guard<std::mutex> guard(mutex_);
  SayLocked(message);
}

void BatchReport::Progress(std::size_t n, std::uint64_t bytes_read, std::uint64_t bytes_total) {
  const std::lock_guard<std::mutex> guard(mutex_);
  if (bytes_total > 0 && bytes_total != total_[n]) {
    bytes_total_ = bytes_total_ - total_[n] + bytes_total;
    total_[n] = bytes_total;
  }
  bytes_read_ = bytes_read_ - read_[n] + bytes_read;
  read_[n] = bytes_read;
  ShowLocked();
}

void BatchReport::Finish(std::size_t n, std::vector<std::string> messages) {
  {
    const std::lock_guard<std::mutex> guard(mutex_);
    // A recording that ends early counts as done: its bytes no longer wait.
    bytes_read_ = bytes_read_ - read_[n] + total_[n];
    read_[n] = total_[n];
    finished_[n] = std::move(messages);
    ++finished_count_;
    for (; said_ < finished_.size() && finished_[said_]; ++said_) {
      for (const std::string& message : *finished_[said_]) {
        SayLocked(message);
      }
      finished_[said_]->clear();
    }
    ShowLocked();
  }
  finished_changed_.notify_all();
}

bool BatchReport::WaitForTurn(std::size_t n, const StopRequest* stop) {
  std::unique_lock<std::mutex> lock(mutex_);
  while (said_ < n) {
    if (stop != nullptr && stop->requested()) {
      return false;
    }
    finished_changed_.wait_for(lock, kStopPoll);
  }
  return true;
}

void BatchReport::SayLocked(const std::string& message) {
  progress_.Clear();
  std::fprintf(err_, "%s: %s\n", kProgramName, message.c_str());
}

void BatchReport::ShowLocked() {
  progress_.Update(bytes_read_, bytes_total_, finished_count_);
}

}  // namespace velbrix::cli
