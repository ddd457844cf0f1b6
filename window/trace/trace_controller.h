// The controller of the trace window: which recording it shows, and what each of the user's actions
// does to it. It hands the work to its parts: the page and the amplitude (TracePaging), the
// reading and keeping of pages (TracePages), the tool bar and the status line (TraceBar), a
// measuring drag (trace_measure.h) and the spectrum window (SpectrumController); itself it routes
// the view's events and composes the canvas's picture for its view (TraceView), which only carries
// it out.
//
// The reading tools: a montage (montage.h) and filters (filtered_page.h) chosen in the bar apply
// to every page drawn from samples, and the status line gives the montage's filtered values; a
// page drawn from the overview shows the recorded channels' unfiltered extremes and says so. A
// drag across the traces measures, until the button is released, the time between its ends and
// the difference of the values on the row where it began. The choices, the sample rate and the
// spectrum's row stay while the controller lives, whichever recording it shows. Every failure shows
// in the canvas's header with the path and the system's reason, and the window stays usable.
//
// It does not know any toolkit, and every handler returns at once: the longest work on the
// caller's thread is reading one page of at most 4 MiB.
#ifndef VELBRIX_WINDOW_TRACE_TRACE_CONTROLLER_H_
#define VELBRIX_WINDOW_TRACE_TRACE_CONTROLLER_H_

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "core/formats/png_file.h"
#include "core/signal/montage.h"
#include "core/signal/zero_phase_filter.h"
#include "core/trace/filtered_page.h"
#include "window/montage/montage_editor_controller.h"
#include "window/montage/montage_library.h"
#include "window/trace/spectrum_controller.h"
#include "window/trace/spectrum_view.h"
#include "window/trace/trace_bar.h"
#include "window/trace/trace_canvas.h"
#include "window/trace/trace_events.h"
#include "window/trace/trace_measure.h"
#include "window/trace/trace_pages.h"
#include "window/trace/trace_paging.h"
#include "window/trace/trace_picture.h"
#include "window/trace/trace_subject.h"
#include "window/trace/trace_view.h"

namespace velbrix {

inline constexpr char kTraceCaptionPrefix[] = "Velbrix - ";
// The header's line over a page drawn from the overview while a montage or a filter is chosen.
inline constexpr char kOverviewUnfiltered[] =
    "This long page is drawn from the overview: the extremes of the channels as recorded, "
    "unfiltered";

class TraceController {
 public:
  // Pages of more records than this are taken from the overview: 4 MiB of the recording.
  static constexpr std::uint64_t kDirectRecords = TracePages::kDirectRecords;

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
  static constexpr int kWheelNotch = TracePaging::kWheelNotch;
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
  // PNG, with ".png" added to a name without an extension; the status line says where it went,
  // or why it did not.
  void OnPictureRendered(const std::filesystem::path& path, const RgbImage& image);
  // The sample rate field's text, once the user has finished editing it.
  void OnSampleRateEntered(const std::string& text);
  void OnPageChosen(int index);
  void OnAmplitudeChosen(int index);
  void OnTick();

  // Events (trace_events.h); every change is unsaved until "Save Events". Add Event: an instant at
  // the record under the mouse when it is over the traces, otherwise at the page's first record.
  // Add Event for Span: over the last measuring drag's span, or, when there was none since the
  // page last moved, over the page shown. Both ask the view for the label.
  void OnAddEvent();
  void OnAddSpanEvent();
  // The label asked for (AskEventLabel): the event is added or renamed, or the status says why not.
  void OnEventLabelEntered(const std::string& label);
  // Row `index` of the Events list: the page moves to it; it is renamed (the view is asked for the
  // label); it is deleted.
  void OnEventChosen(int index);
  void OnRenameEvent(int index);
  void OnDeleteEvent(int index);
  // The page moves to the next or the previous event: after or before the one last chosen while it
  // is on the page, otherwise from the page's first record.
  void OnNextEvent();
  void OnPreviousEvent();
  // Save Events: into the recording's sidecar; Save Events As: into `path`, which leaves the
  // changes unsaved. The status line says where they went, or the path and the system's reason.
  void OnSaveEvents();
  void OnSaveEventsAs(const std::filesystem::path& path);
  void OnImportEvents() { view_.OpenImportEvents(); }
  // View > Montage Editor...: the editor opens on the montage shown.
  void OnEditMontage() { view_.OpenMontageEditor(); }
  MontageEditorSubject montage_editor_subject() const;
  // The montage drawn: as recorded on a page from the overview.
  const std::shared_ptr<const Montage>& drawn_montage() const;
  // The editor saved the montage `file`: the montages are read again and that one is shown.
  void OnMontageSaved(const std::filesystem::path& file);
  void OnDetectEvents() { view_.OpenDetectEvents(); }
  // Events from elsewhere (an import, a detection): those that fit the recording are added.
  void AddEvents(const std::vector<Event>& events);
  // The window is to close. True when it may; false when there are unsaved events and the view has
  // been asked about them: the answer closes it (CloseWindow) or not.
  bool OnCloseAsked();
  void OnUnsavedEventsAnswered(UnsavedAnswer answer);
  const TraceEvents& events() const { return events_; }
  std::optional<std::size_t> selected_event() const { return selected_; }

  // What is shown.
  const trace::TracePicture& picture() const { return picture_; }
  const TraceSubject& subject() const { return subject_; }
  // The user's decimal separator, which the window's fields take besides the full stop.
  const std::string& decimal_separator() const { return decimal_separator_; }
  double sample_rate() const { return paging_.rate(); }
  std::uint64_t records() const { return pages_.records(); }
  std::uint64_t first_record() const { return paging_.first(); }
  std::uint64_t page_records() const { return paging_.page_records(); }
  double microvolts_per_division() const { return paging_.microvolts(); }
  bool page_from_overview() const { return pages_.from_overview(); }
  // The montage chosen, and those on offer: the built-in ones and the reader's own.
  const Montage& montage() const { return *library_.at(montage_).montage; }
  const MontageLibrary& montages() const { return library_; }
  // Reads the reader's own montages from `folder` (by default DefaultMontageFolder()).
  void SetMontageFolder(const std::filesystem::path& folder);
  const FilterChoice& filters() const { return filters_; }
  // The records read on each side of the page for its filters: their margin, bounded so that the
  // page and its margins stay within kFilteredSpanRecords (BoundedMargin).
  std::uint64_t filter_margin() const { return BoundedMargin(margin_, page_records()); }
  // The page's rows as drawn.
  const RowExtremes& page() const { return pages_.page(); }
  const std::vector<MontageRow>& page_rows() const;
  const trace::TracePicture& spectrum_picture() const { return spectrum_.picture(); }

 private:
  void Load();
  // Reads or takes the page's columns if the page has changed, and shows everything anew.
  void Refresh();
  void UpdateFilters();
  // The row the highlighted channel is drawn in, or -1.
  int HighlightedRow() const;
  std::optional<double> ValueAt(std::uint64_t record, int row);
  void UpdateStatus();
  void UpdateSpectrum(bool page_changed);
  void UpdateSpectrumStatus();
  std::vector<trace::HeaderLine> Header() const;
  trace::CanvasLayout Layout() const;
  void LoadEvents();
  // Reads the montage folder once, or again after a save.
  void LoadMontages();
  void AddMontageProblems(std::vector<trace::HeaderLine>* lines) const;
  void ShowEventRows();
  void AskLabel(const std::string& title, const std::string& label);
  void MoveToEvent(std::size_t index);
  // Whether the event last chosen is on the page shown.
  bool SelectedEventOnPage() const;
  // Saves into the sidecar; false (the status line says why) when it failed.
  bool SaveEvents();

  TraceView& view_;
  TraceSubject subject_;
  std::string decimal_separator_;
  TracePaging paging_;
  TracePages pages_;
  TraceBar bar_{view_};
  SpectrumController spectrum_;
  int width_ = 0;
  int height_ = 0;

  MontageLibrary library_;
  bool library_loaded_ = false;
  std::filesystem::path montage_folder_ = DefaultMontageFolder();
  std::size_t montage_ = 0;     // the entry of library_ chosen
  std::string montage_notice_;  // why the montage last chosen could not be drawn
  FilterChoice filters_;
  std::vector<Biquad> sections_;
  std::uint64_t margin_ = 0;
  std::string filters_off_;  // the filters the last change of rate turned off, and why

  std::optional<trace::Point> mouse_;
  enum class Drag { kNone, kOverview, kMeasure };
  Drag drag_ = Drag::kNone;
  std::optional<TraceMeasure> measure_;
  trace::TracePicture picture_;

  TraceEvents events_;
  std::filesystem::path events_recording_;  // whose events they are
  std::optional<std::size_t> selected_;
  // The span of the last measuring drag, first and last record, until the page moves.
  std::optional<std::pair<std::uint64_t, std::uint64_t>> span_;
  std::uint64_t span_page_ = 0;  // the page's first record when it was measured
  // What the label asked for is for: an event to add, or the one to rename.
  std::optional<Event> adding_;
  std::optional<std::size_t> renaming_;
  // What the unsaved question held back: the window's close, or another recording's showing.
  enum class Held { kNone, kClose, kShow };
  Held held_ = Held::kNone;
  TraceSubject held_subject_;
  bool held_reread_ = false;
};

}  // namespace velbrix

#endif  // VELBRIX_WINDOW_TRACE_TRACE_CONTROLLER_H_
