// The trace window's tool bar and status line: the entries of its choices (page length,
// amplitude, filters, montage) and its scroll bar, given to the view only when they change, and
// the status line's text for the point under the mouse or for a measuring drag.
//
// It keeps no state of the window's own: the controller gives it the page and the choices.
#ifndef VELBRIX_WINDOW_TRACE_TRACE_BAR_H_
#define VELBRIX_WINDOW_TRACE_TRACE_BAR_H_

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "core/signal/montage.h"
#include "core/trace/filtered_page.h"
#include "core/trace/trace_recording.h"
#include "window/trace/trace_canvas.h"
#include "window/trace/trace_paging.h"
#include "window/trace/trace_picture.h"
#include "window/trace/trace_view.h"

namespace velbrix {

// The status line while the mouse points at no sample.
inline constexpr char kTraceKeysHint[] =
    "Left/Right: step  \u00B7  Page Up/Down: page  \u00B7  Home/End  \u00B7  +/-: page length  "
    "\u00B7  Up/Down: amplitude  \u00B7  Ctrl+wheel: zoom  \u00B7  a click on the overview: go "
    "there  \u00B7  a drag across the traces: measure";

// What the status line speaks of.
struct TraceStatusInput {
  bool loaded = false;                  // a recording was opened, successfully or not
  TraceRecording* recording = nullptr;  // read for one record's value when the page lacks it
  std::uint64_t records = 0;            // of the open recording; 0: none open
  const TracePaging* paging = nullptr;
  trace::CanvasLayout layout{0, 0, 0};
  const std::vector<MontageRow>* rows = nullptr;  // the page's rows as drawn
  const RowExtremes* page = nullptr;
  std::optional<trace::Point> mouse;
  std::optional<std::string> measure;  // MeasureText of a measuring drag
  std::string notice;                  // shown instead of the keys' hint, unless empty
};

class TraceBar {
 public:
  // `view` must outlive the bar.
  explicit TraceBar(TraceView& view) : view_(view) {}
  TraceBar(const TraceBar&) = delete;
  TraceBar& operator=(const TraceBar&) = delete;

  // The page lengths and amplitudes of `paging`, and the filters offered at its rate and the
  // montages named `montages`, with entry `montage` and `filters` chosen.
  void ShowChoices(const TracePaging& paging, const std::vector<std::string>& montages, int montage,
                   const FilterChoice& filters);
  // Gives the view every choice anew at the next ShowChoices, as after it showed a choice that was
  // refused.
  void ForgetChoices();
  void ShowScrollBar(const TracePaging& paging);
  // The status line: the measure, or the sample, column or overview point under the mouse, or the
  // notice, or the keys' hint. A record that cannot be read shows the failure, with the path and
  // the reason.
  void ShowStatus(const TraceStatusInput& input);

 private:
  TraceView& view_;
  std::vector<std::string> page_entries_;
  int page_selected_ = -1;
  std::vector<std::string> amplitude_entries_;
  int amplitude_selected_ = -1;
  std::array<std::vector<std::string>, 4> tool_entries_;
  std::array<int, 4> tool_selected_ = {-2, -2, -2, -2};
};

}  // namespace velbrix

#endif  // VELBRIX_WINDOW_TRACE_TRACE_BAR_H_
