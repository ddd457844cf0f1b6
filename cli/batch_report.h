// What a batch tells while its recordings are converted side by side: each recording's messages
// on stderr in the order of the recordings, whatever the order in which they finish; one progress
// line for the whole call; and the turns in which recordings commit into a shared dataset.
//
// Safe for concurrent use by the batch's jobs. It does not convert anything, and it does not
// decide which messages are worth telling: the jobs do.
#ifndef VELBRIX_CLI_BATCH_REPORT_H_
#define VELBRIX_CLI_BATCH_REPORT_H_

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "cli/progress.h"
#include "core/base/stop_request.h"

namespace velbrix::cli {

class BatchReport {
 public:
  // For the recordings 0 .. sizes.size() - 1 of a call, of `sizes` bytes each (0: not known
  // before its run tells). `err` and `progress` must outlive the report.
  BatchReport(std::FILE* err, ProgressDisplay& progress, std::vector<std::uint64_t> sizes);
  BatchReport(const BatchReport&) = delete;
  BatchReport& operator=(const BatchReport&) = delete;

  // Says `message` at once, as "velbrix-convert: <message>": what cannot wait for its turn, such
  // as a wait for another run's lock.
  void SayNow(const std::string& message);
  // `bytes_read` of recording `n`'s `bytes_total` (0: not known) are converted.
  void Progress(std::size_t n, std::uint64_t bytes_read, std::uint64_t bytes_total);
  // Recording `n` is finished (converted, failed or never started), with `messages` to tell. They
  // are said once every recording before `n` is finished, after the messages of those. Each
  // recording is finished once.
  void Finish(std::size_t n, std::vector<std::string> messages);
  // Waits until every recording before `n` is finished. Returns false, within a fraction of a
  // second, when `stop` (if given) is requested first. Jobs that take the recordings in order,
  // each waiting only for the ones before its own, never wait for each other in a circle.
  bool WaitForTurn(std::size_t n, const StopRequest* stop);

 private:
  void SayLocked(const std::string& message);  // requires mutex_
  void ShowLocked();                           // requires mutex_

  std::mutex mutex_;
  std::condition_variable finished_changed_;
  std::FILE* err_;
  ProgressDisplay& progress_;
  std::vector<std::uint64_t> read_;                                // by recording
  std::vector<std::uint64_t> total_;                               // by recording
  std::uint64_t bytes_read_ = 0;                                   // the sum of read_
  std::uint64_t bytes_total_ = 0;                                  // the sum of total_
  std::vector<std::optional<std::vector<std::string>>> finished_;  // by recording
  std::size_t finished_count_ = 0;
  std::size_t said_ = 0;  // recordings 0 .. said_ - 1 are finished and their messages said
};

}  // namespace velbrix::cli

#endif  // VELBRIX_CLI_BATCH_REPORT_H_
