// A trace window's view that shows nothing, for the benchmarks that drive the trace controller
// outside a window; it keeps whether the controller asks for ticks.
#ifndef VELBRIX_BENCH_NULL_TRACE_VIEW_H_
#define VELBRIX_BENCH_NULL_TRACE_VIEW_H_

#include <string>
#include <vector>

#include "window/trace/trace_view.h"

namespace velbrix::bench {

class NullTraceView final : public TraceView {
 public:
  bool ticking = false;
  void SetCaption(const std::string&) override {}
  void SetSampleRateText(const std::string&) override {}
  void SetPageChoices(const std::vector<std::string>&, int) override {}
  void SetAmplitudeChoices(const std::vector<std::string>&, int) override {}
  void SetScrollBar(int, int, int) override {}
  void ShowPicture(const trace::TracePicture&) override {}
  void SetStatusText(const std::string&) override {}
  void SetTicking(bool on) override { ticking = on; }
};

}  // namespace velbrix::bench

#endif  // VELBRIX_BENCH_NULL_TRACE_VIEW_H_
