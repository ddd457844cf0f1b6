// The worker thread of a window: one piece of work at a time off the window's thread, a request
// that it stop, and the way back to the window's thread.
//
// The runner is toolkit-free; each toolkit supplies only the primitive that queues a task on its
// window's thread (a queued call in Qt, a posted message in Win32). It does not decide what a run
// does nor what the window shows of it: that is the controller's (FrmFle).
#ifndef VELBRIX_WINDOW_CONVERTER_BACKGROUND_RUNNER_H_
#define VELBRIX_WINDOW_CONVERTER_BACKGROUND_RUNNER_H_

#include <functional>
#include <memory>
#include <thread>

#include "core/base/stop_request.h"

namespace velbrix {

class BackgroundRunner {
 public:
  using Task = std::function<void()>;
  // Queues `task` to run on the window's thread, in the order posted, once that thread handles
  // events again (also inside a modal dialog); safe from any thread. Tasks still queued when the
  // window is destroyed do not run.
  using PostToWindow = std::function<void(Task task)>;
  using Work = std::function<void(const StopRequest& stop)>;

  explicit BackgroundRunner(PostToWindow post) : post_(std::move(post)) {}
  // Asks the work still running to stop and waits for it to end.
  ~BackgroundRunner();
  BackgroundRunner(const BackgroundRunner&) = delete;
  BackgroundRunner& operator=(const BackgroundRunner&) = delete;

  // Runs `work` on the worker thread with a stop request of its own and returns at once. Called on
  // the window's thread once the previous work has ended (it has posted its end), whose thread it
  // joins first.
  void Start(Work work);
  // Asks the work running to stop; its stop request stays set until the next Start.
  void Stop() { stop_->Request(); }
  bool stop_requested() const { return stop_->requested(); }
  // Waits until the work started last has ended; at once when none was started.
  void Join();
  // Queues `task` on the window's thread (PostToWindow); safe from any thread.
  void Post(Task task) const { post_(std::move(task)); }

 private:
  PostToWindow post_;
  std::unique_ptr<StopRequest> stop_ = std::make_unique<StopRequest>();
  std::thread worker_;
};

}  // namespace velbrix

#endif  // VELBRIX_WINDOW_CONVERTER_BACKGROUND_RUNNER_H_
