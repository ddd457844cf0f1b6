// The controller of the trace window: which recording it shows, the sample rate, the page and the
// amplitude, and what the status line says. It reads through the core only what it draws, and
// composes the canvas's picture for its view (TraceView), which only carries it out.
//
// The page starts at the recording's first record with a length of 10 s (or the whole recording,
// if that is shorter). Forward and back go by a step (a tenth of a page) or by a page; Home and
// End go to the first and the last page. The page's length runs from a few records to the whole
// recording, and the amplitude through fixed steps of microvolts per division; "Fit page" picks
// the smallest step at which the median channel's swing over the page fits in one division. The
// first page of a recording is fitted so until the user chooses an amplitude. The sample rate
// stays while the controller lives, whichever recording it shows.
//
// The reading tools: a montage (montage.h) and filters (filtered_page.h) chosen in the bar apply
// to every page drawn from samples, and the status line gives the montage's filtered values; a
// page drawn from the overview shows the recorded channels' unfiltered extremes and says so. A
// drag across the traces measures, until the button is released, the time between its ends and
// the difference of the values on the row where it began. The spectrum window, while open, shows
// the power spectral density of the page (Welch's method, spectrum.h) for one row or all rows,
// following the page. The choices stay while the controller lives.
//
// Pages of up to kDirectRecords records are read from the recording; longer ones are taken from
// the overview (TraceOverview), which a worker computes while the window shows what is ready.
// Every failure shows in the canvas's header with the path and the system's reason, and the
// window stays usable.
//
// It does not know any toolkit, and every handler returns at once: the longest work on the
// caller's thread is reading one page of at most 4 MiB.
#ifndef VELBRIX_WINDOW_TRACE_CONTROLLER_H_
#define VELBRIX_WINDOW_TRACE_CONTROLLER_H_

#include <array>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/filtered_page.h"
#include "core/montage.h"
#include "core/png_file.h"
#include "core/status.h"
#include "core/trace_columns.h"
#include "core/trace_overview.h"
#include "core/trace_recording.h"
#include "window/spectrum_view.h"
#include "window/trace_canvas.h"
#include "window/trace_picture.h"
#include "window/trace_scales.h"
#include "window/trace_subject.h"
#include "window/trace_view.h"

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

inline constexpr char kTraceCaptionPrefix[] = "Velbrix - ";
// The status line while the mouse points at no sample.
inline constexpr char kTraceKeysHint[] =
    "Left/Right: step  \u00B7  Page Up/Down: page  \u00B7  Home/End  \u00B7  +/-: page length  "
    "\u00B7  Up/Down: amplitude  \u00B7  Ctrl+wheel: zoom  \u00B7  a click on the overview: go "
    "there  \u00B7  a drag across the traces: measure";
// The header's line over a page drawn from the overview while a montage or a filter is chosen.
inline constexpr char kOverviewUnfiltered[] =
    "This long page is drawn from the overview: the extremes of the channels as recorded, "
    "unfiltered";
// The spectrum window's caption, after kTraceCaptionPrefix and the recording's name.
inline constexpr char kSpectrumCaptionSuffix[] = " - Spectrum";
inline constexpr char kAllChannelsText[] = "All channels";

class TraceController {
 public:
  // Pages of more records than this are taken from the overview: 4 MiB of the recording.
  static constexpr std::uint64_t kDirectRecords = 131072;

  // `view` must outlive the controller. The "Sample rate" field takes `decimal_separator` (the
  // user's own, from the regional settings) as well as the full stop.
  explicit TraceController(TraceView& view, std::string decimal_separator = ".");
  TraceController(const TraceController&) = delete;
  TraceController& operator=(const TraceController&) = delete;

  // Shows `subject`. The recording is read afresh when `reread` is set or it is not the one shown;
  // otherwise only the caption and the highlighted channel change.
  void Show(const TraceSubject& subject, bool reread);
  // The window was closed: lets go of the recording and its overview.
  void Close();

  // The user's actions.
  void OnCanvasResized(int width, int height);
  void OnKey(TraceKey key);
  // The mouse wheel turned by `delta` in the toolkits' unit, 120 to a notch (kWheelNotch), positive
  // away from the user: a notch away goes a step back in the recording or, with `zoom`, to a
  // shorter page. Parts of a notch add up until they make one.
  static constexpr int kWheelNotch = 120;
  void OnWheel(int delta, bool zoom);
  void OnScrollTo(int position);
  // The mouse at x, y; `dragging` while the left button is held, when the page follows it along the
  // overview strip as it follows a press there.
  void OnMouseMove(int x, int y, bool dragging);
  void OnMouseLeave();
  // A press of the left button: on the overview strip, the page moves there; on the traces, a
  // measuring drag begins.
  void OnMouseDown(int x, int y);
  // The release of the left button: a measuring drag ends. A move without the button ends it too.
  void OnMouseUp(int x, int y);
  // Entry `index` of a reading tool's choice, as the view was given them (SetToolChoices).
  void OnToolChosen(TraceTool tool, int index);
  // The spectrum window opened with `view`, which stays valid until OnSpectrumClosed.
  void OnSpectrumOpened(SpectrumView& view);
  void OnSpectrumClosed();
  void OnSpectrumResized(int width, int height);
  void OnSpectrumMouseMove(int x, int y);
  void OnSpectrumMouseLeave();
  // Entry `index` of the spectrum's channel choice: all channels, then each row.
  void OnSpectrumChannelChosen(int index);
  // File > Save Picture...: `image` is the canvas as the view shows it, to be written to `path` as
  // PNG; the status line says where it went, or why it did not.
  void OnPictureRendered(const std::filesystem::path& path, const RgbImage& image);
  // The sample rate field's text, once the user has finished editing it.
  void OnSampleRateEntered(const std::string& text);
  void OnPageChosen(int index);
  void OnAmplitudeChosen(int index);
  void OnTick();

  // What is shown.
  const trace::TracePicture& picture() const { return picture_; }
  double sample_rate() const { return rate_; }
  std::uint64_t records() const { return recording_.is_open() ? recording_.records() : 0; }
  std::uint64_t first_record() const { return first_; }
  std::uint64_t page_records() const;
  double microvolts_per_division() const { return microvolts_; }
  bool page_from_overview() const { return page_from_overview_; }
  MontageKind montage() const { return montage_; }
  const FilterChoice& filters() const { return filters_; }
  // The records read on each side of a page for its filters.
  std::uint64_t filter_margin() const { return margin_; }
  // The page's rows as drawn.
  const RowExtremes& page() const { return page_; }
  const std::vector<MontageRow>& page_rows() const;
  const trace::TracePicture& spectrum_picture() const { return spectrum_picture_; }

 private:
  void Load();
  // The page's first record within the recording, and the page shown anew.
  void MoveTo(std::int64_t first);
  void MoveBy(std::int64_t records);
  void Zoom(int steps);
  void ChangeAmplitude(int steps);
  void SetPageSeconds(double seconds);  // 0: the whole recording
  void NormalizePage();
  std::vector<double> PageChoices() const;
  std::uint64_t StepRecords() const;
  std::uint64_t ScrollUnit() const;
  std::uint64_t LastFirst() const;

  // Reads or takes the page's columns if the page has changed, and shows everything anew.
  void Refresh();
  void LoadPage();
  void FitAmplitude();
  void UpdateFilters();
  // The row the highlighted channel is drawn in, or -1.
  int HighlightedRow() const;
  // The exact value of row `row` at `record` as drawn, or nothing when it cannot be read.
  std::optional<double> ValueAt(std::uint64_t record, int row);
  std::string MeasureText();
  // The rows the spectrum shows (empty while it is closed).
  std::vector<int> SpectrumRows() const;
  void UpdateSpectrum(bool page_changed);
  void UpdateSpectrumStatus();
  void UpdateEnvelope();
  void UpdateChoices();
  void UpdateScrollBar();
  void UpdateStatus();
  std::vector<trace::HeaderLine> Header() const;
  trace::CanvasLayout Layout() const;

  TraceView& view_;
  TraceSubject subject_;
  bool loaded_ = false;  // subject_.recording was opened, successfully or not
  TraceRecording recording_;
  Status open_status_;
  std::unique_ptr<TraceOverview> overview_;

  double rate_ = trace::kDefaultSampleRate;
  std::string decimal_separator_;
  double page_seconds_ = trace::kStartPageSeconds;  // 0: the whole recording
  std::uint64_t first_ = 0;
  double microvolts_ = 0;  // 0: fit the next page
  bool amplitude_chosen_ = false;
  int width_ = 0;
  int height_ = 0;

  MontageKind montage_ = MontageKind::kAsRecorded;
  FilterChoice filters_;
  std::vector<Biquad> sections_;
  std::uint64_t margin_ = 0;

  // The page's columns (from the overview, as recorded), its rows as drawn and what they were made
  // for.
  ColumnExtremes columns_;
  RowExtremes page_;
  struct PageKey {
    std::uint64_t first = 0, page = 0;
    std::size_t columns = 0;
    MontageKind montage = MontageKind::kAsRecorded;
    FilterChoice filters;
    std::vector<int> spectrum_rows;
    bool operator==(const PageKey&) const = default;
  };
  std::optional<PageKey> page_key_;
  bool page_from_overview_ = false;
  Status page_status_;

  std::vector<std::uint64_t> envelope_bounds_;
  std::vector<std::uint8_t> envelope_min_;
  std::vector<std::uint8_t> envelope_max_;
  std::uint64_t envelope_done_ = 0;
  std::size_t envelope_columns_ = 0;

  std::optional<trace::Point> mouse_;
  enum class Drag { kNone, kOverview, kMeasure };
  Drag drag_ = Drag::kNone;
  struct Measure {
    int row = 0;
    std::uint64_t from = 0, to = 0;  // records
    int from_x = 0, to_x = 0;
    std::optional<double> from_value, to_value;
  };
  std::optional<Measure> measure_;
  int wheel_rest_ = 0;  // a part of a notch, not yet turned into one
  std::vector<std::string> page_entries_;
  int page_selected_ = -1;
  std::vector<std::string> amplitude_entries_;
  int amplitude_selected_ = -1;
  std::array<std::vector<std::string>, 4> tool_entries_;
  std::array<int, 4> tool_selected_ = {-2, -2, -2, -2};
  trace::TracePicture picture_;

  SpectrumView* spectrum_view_ = nullptr;
  int spectrum_width_ = 0;
  int spectrum_height_ = 0;
  std::optional<trace::Point> spectrum_mouse_;
  std::optional<std::string> spectrum_choice_;  // a row's label or kAllChannelsText; none: follow
  std::vector<double> spectrum_values_;  // the page's values of SpectrumRows(), frame by frame
  std::vector<double> frequencies_;
  std::vector<std::vector<double>> densities_;
  trace::TracePicture spectrum_picture_;
};

}  // namespace velbrix

#endif  // VELBRIX_WINDOW_TRACE_CONTROLLER_H_
