// The controller of the spectrum window: while it is open, the power spectral density (Welch's
// method, spectrum.h) of the trace window's page for one row or all rows, following the page, and
// what its status line says of the point under the mouse. The row chosen stays while the
// controller lives; until one is chosen, the row of the trace window's highlighted channel is
// shown.
//
// The trace window's controller owns it and gives it each page (SpectrumPage); it reads nothing
// itself.
#ifndef VELBRIX_WINDOW_TRACE_SPECTRUM_CONTROLLER_H_
#define VELBRIX_WINDOW_TRACE_SPECTRUM_CONTROLLER_H_

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/signal/montage.h"
#include "core/trace/filtered_page.h"
#include "window/trace/spectrum_view.h"
#include "window/trace/trace_picture.h"

namespace velbrix {

// The spectrum window's caption, after the trace window's caption prefix and the recording's name.
inline constexpr char kSpectrumCaptionSuffix[] = " - Spectrum";
inline constexpr char kAllChannelsText[] = "All channels";

// The trace window's page as the spectrum needs it.
struct SpectrumPage {
  std::string caption;                                                 // the spectrum window's
  const Montage* montage = &BuiltInMontage(MontageKind::kAsRecorded);  // with rows
  FilterChoice filters;
  double rate = 256;
  std::string channel;       // the trace window's highlighted channel
  int highlighted_row = -1;  // its row in the page, or -1
  std::uint64_t records = 0;
  std::uint64_t first = 0;
  std::uint64_t page = 0;            // records
  std::uint64_t direct_records = 0;  // the longest page read from the recording
  bool from_overview = false;
  bool drawn = false;  // some of the page is drawn
  // The values of Rows() frame by frame, when the page was read from the recording.
  const std::vector<double>* values = nullptr;
};

class SpectrumController {
 public:
  // The spectrum window opened with `view`, which stays valid until Close.
  void Open(SpectrumView& view);
  void Close();
  bool is_open() const { return view_ != nullptr; }

  // The rows of `montage` shown (empty while the window is closed), the row of `channel` until the
  // user chooses.
  std::vector<int> Rows(const Montage& montage, const std::string& channel) const;

  // Shows `page` anew; its densities are computed again when `page_changed`.
  void Update(const SpectrumPage& page, bool page_changed);
  // The status line for the point under the mouse, on the rows of `montage` shown at `rate` Hz.
  void UpdateStatus(const Montage& montage, double rate, const std::string& channel);

  // The user's actions; the caller then shows the page (Update) or the status line anew.
  void Resize(int width, int height);
  // The mouse at `point`, or nothing when it has left.
  void PointAt(std::optional<trace::Point> point) { mouse_ = point; }
  // Entry `index` of the channel choice: all channels, then each row of `montage`. False when there
  // is no such entry.
  bool Choose(int index, const Montage& montage);

  const trace::TracePicture& picture() const { return picture_; }

 private:
  SpectrumView* view_ = nullptr;
  int width_ = 0;
  int height_ = 0;
  std::optional<trace::Point> mouse_;
  std::optional<std::string> choice_;  // a row's label or kAllChannelsText; none: follow
  std::vector<double> frequencies_;
  std::vector<std::vector<double>> densities_;
  trace::TracePicture picture_;
};

}  // namespace velbrix

#endif  // VELBRIX_WINDOW_TRACE_SPECTRUM_CONTROLLER_H_
