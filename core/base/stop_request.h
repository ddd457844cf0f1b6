// A request, made from any thread, that a run in progress stop as soon as it can.
//
// A run looks at the request between blocks of the recording (a few hundred kilobytes apart), so
// it ends within a fraction of a second of Request(). A stopped run fails with Status::Stopped and,
// like any failed run, leaves no temporary behind and every file of a final name as it was.
#ifndef VELBRIX_CORE_BASE_STOP_REQUEST_H_
#define VELBRIX_CORE_BASE_STOP_REQUEST_H_

#include <atomic>

namespace velbrix {

class StopRequest {
 public:
  StopRequest() = default;
  StopRequest(const StopRequest&) = delete;
  StopRequest& operator=(const StopRequest&) = delete;

  void Request() { requested_.store(true, std::memory_order_relaxed); }
  bool requested() const { return requested_.load(std::memory_order_relaxed); }

 private:
  std::atomic<bool> requested_{false};
};

}  // namespace velbrix

#endif  // VELBRIX_CORE_BASE_STOP_REQUEST_H_
