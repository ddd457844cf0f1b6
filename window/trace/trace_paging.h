// Paging and zoom in the trace window: the sample rate, the records the page shows and the
// amplitude in microvolts per division, and how the keys, the wheel and the scroll bar change them.
//
// The page starts at the recording's first record with a length of 10 s (or the whole recording,
// if that is shorter). Forward and back go by a step (a tenth of a page) or by a page; Home and
// End go to the first and the last page. The page's length runs from a few records to the whole
// recording, and the amplitude through fixed steps of microvolts per division; "Fit page" picks
// the smallest step at which the median channel's swing over the page fits in one division. The
// first page of a recording is fitted so until the user chooses an amplitude. The sample rate
// stays whichever recording is shown.
//
// It only keeps these numbers: it neither reads the recording nor shows anything.
#ifndef VELBRIX_WINDOW_TRACE_TRACE_PAGING_H_
#define VELBRIX_WINDOW_TRACE_TRACE_PAGING_H_

#include <cstdint>
#include <vector>

#include "core/trace/filtered_page.h"
#include "window/trace/trace_scales.h"

namespace velbrix {

// The keys the trace window understands.
enum class TraceKey {
  kStepBack,       // Left
  kStepForward,    // Right
  kPageBack,       // Page Up
  kPageForward,    // Page Down
  kStart,          // Home
  kEnd,            // End
  kZoomIn,         // + : a shorter page
  kZoomOut,        // - : a longer page
  kAmplitudeUp,    // Up: larger traces (fewer microvolts per division)
  kAmplitudeDown,  // Down: smaller traces
};

class TracePaging {
 public:
  // The toolkits' unit of the mouse wheel: 120 to a notch.
  static constexpr int kWheelNotch = 120;

  // A recording of `records` records is shown: its first page, of the starting length, with the
  // amplitude to be fitted unless the user has chosen one.
  void Open(std::uint64_t records);
  // No recording is shown any more; the page and the amplitude stay.
  void Close() { records_ = 0; }
  // A new sample rate (above 0): the page keeps its first record as far as it can.
  void SetRate(double rate);

  double rate() const { return rate_; }
  std::uint64_t records() const { return records_; }
  std::uint64_t first() const { return first_; }
  // The page's length in seconds; 0: the whole recording.
  double page_seconds() const { return page_seconds_; }
  std::uint64_t page_records() const;
  // 0 until the amplitude is fitted.
  double microvolts() const { return microvolts_; }
  // The page lengths offered at this rate for this recording, in seconds; 0: the whole recording.
  std::vector<double> PageChoices() const;
  // The scroll bar: positions 0 .. maximum, `page` of them to a page, and where the page is.
  struct ScrollBar {
    int maximum = 0;
    int page = 1;
    int position = 0;
  };
  ScrollBar scroll_bar() const;

  // Each of these moves or resizes the page, or changes the amplitude; the caller shows the page
  // anew. Those that return false changed nothing.
  bool OnKey(TraceKey key);
  // `delta` in kWheelNotch units, positive away from the user: a notch away goes a step back or,
  // with `zoom`, to a shorter page. Parts of a notch add up until they make one.
  bool OnWheel(int delta, bool zoom);
  void ScrollTo(int position);
  // The page centred on `record`, as far as the recording allows.
  void CentreOn(std::uint64_t record);
  void MoveTo(std::int64_t first);
  void SetPageSeconds(double seconds);
  // The user's amplitude, in microvolts per division.
  void ChooseAmplitude(double microvolts);
  // The amplitude at which `page` fits (see above); `chosen`: as if the user had chosen it.
  void FitAmplitude(const RowExtremes& page, bool chosen);

 private:
  void NormalizePage();
  std::uint64_t StepRecords() const;
  std::uint64_t ScrollUnit() const;
  std::uint64_t LastFirst() const;
  void MoveBy(std::int64_t records);
  bool Zoom(int steps);
  void ChangeAmplitude(int steps);

  std::uint64_t records_ = 0;
  double rate_ = trace::kDefaultSampleRate;
  double page_seconds_ = trace::kStartPageSeconds;  // 0: the whole recording
  std::uint64_t first_ = 0;
  double microvolts_ = 0;  // 0: fit the next page
  bool amplitude_chosen_ = false;
  int wheel_rest_ = 0;  // a part of a notch, not yet turned into one
};

}  // namespace velbrix

#endif  // VELBRIX_WINDOW_TRACE_TRACE_PAGING_H_
