// A one-line progress display on a terminal for a whole call: how many recordings are done, how
// many bytes of all of them, and the speed.
//
// The display appears only once the work has run for about a second, is redrawn at most ten times
// a second, and is erased by Clear() (and on destruction), so that messages and the shell prompt
// start on a clean line. It does not decide whether the stream is a terminal: its owner does, and
// passes `enabled` = false where it is not (then nothing is ever written). It is not safe for
// concurrent use: the owner of a call that runs several jobs serialises the calls.
#ifndef VELBRIX_CLI_PROGRESS_H_
#define VELBRIX_CLI_PROGRESS_H_

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>

namespace velbrix::cli {

class ProgressDisplay {
 public:
  using Clock = std::function<std::chrono::steady_clock::time_point()>;

  // `out` must stay open as long as the display. `clock` is the steady clock unless a test
  // supplies its own.
  ProgressDisplay(std::FILE* out, bool enabled, Clock clock = std::chrono::steady_clock::now);
  ~ProgressDisplay() { Clear(); }
  ProgressDisplay(const ProgressDisplay&) = delete;
  ProgressDisplay& operator=(const ProgressDisplay&) = delete;

  // Starts the call: `count` recordings; `name` (a file name, UTF-8) is the one shown when
  // `count` is 1.
  void Start(const std::string& name, std::size_t count);
  // `bytes_done` of the call's `bytes_total` (0: unknown) are converted, and `recordings_done` of
  // its recordings are finished.
  void Update(std::uint64_t bytes_done, std::uint64_t bytes_total, std::size_t recordings_done);
  // Erases the line if one is shown.
  void Clear();

 private:
  std::string Line(std::uint64_t bytes_done, std::uint64_t bytes_total,
                   std::chrono::steady_clock::time_point now) const;

  std::FILE* out_;
  bool enabled_;
  Clock clock_;
  std::chrono::steady_clock::time_point started_;
  std::chrono::steady_clock::time_point last_drawn_{};
  std::string name_;
  std::size_t count_ = 0;
  std::size_t done_ = 0;
  std::size_t shown_width_ = 0;  // characters of the line on screen; 0: none shown
};

}  // namespace velbrix::cli

#endif  // VELBRIX_CLI_PROGRESS_H_
