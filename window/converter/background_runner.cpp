// The worker thread's start, stop and join.
#include "window/converter/background_runner.h"

#include <utility>

namespace velbrix {

BackgroundRunner::~BackgroundRunner() {
  Stop();
  Join();
}

void BackgroundRunner::Start(Work work) {
  Join();  // the previous work's thread, which has ended
  stop_ = std::make_unique<StopRequest>();
  worker_ = std::thread([work = std::move(work), &stop = *stop_] { work(stop); });
}

void BackgroundRunner::Join() {
  if (worker_.joinable()) {
    worker_.join();
  }
}

}  // namespace velbrix
