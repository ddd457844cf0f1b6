// The window's thread for tests of a BackgroundRunner and its users: posted tasks wait until the
// test delivers them, and while the thread is held, a post from the worker waits too, so that a
// test can order the work's progress against the user's actions.
#ifndef VELBRIX_WINDOW_TESTING_FAKE_WINDOW_THREAD_H_
#define VELBRIX_WINDOW_TESTING_FAKE_WINDOW_THREAD_H_

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <utility>

#include "window/converter/background_runner.h"

namespace velbrix::testing {

class FakeWindowThread {
 public:
  // The primitive to give the runner. The FakeWindowThread must outlive it.
  BackgroundRunner::PostToWindow Poster() {
    return [this](BackgroundRunner::Task task) { Post(std::move(task)); };
  }

  // While held, a post waits until Release.
  void Hold() {
    const std::lock_guard<std::mutex> lock(mutex_);
    held_ = true;
  }
  void Release() {
    {
      const std::lock_guard<std::mutex> lock(mutex_);
      held_ = false;
    }
    released_.notify_all();
  }

  // Runs the posted tasks, also those that they post, on the calling thread. Returns how many ran.
  int Deliver() {
    int ran = 0;
    for (;;) {
      std::function<void()> task;
      {
        const std::lock_guard<std::mutex> lock(mutex_);
        if (posted_.empty()) {
          return ran;
        }
        task = std::move(posted_.front());
        posted_.pop_front();
      }
      task();
      ++ran;
    }
  }

 private:
  void Post(BackgroundRunner::Task task) {
    std::unique_lock<std::mutex> lock(mutex_);
    released_.wait(lock, [this] { return !held_; });
    posted_.push_back(std::move(task));
  }

  std::mutex mutex_;
  std::condition_variable released_;
  bool held_ = false;
  std::deque<BackgroundRunner::Task> posted_;
};

}  // namespace velbrix::testing

#endif  // VELBRIX_WINDOW_TESTING_FAKE_WINDOW_THREAD_H_
