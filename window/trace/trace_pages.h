// The pages of the trace window: the recording shown, the overview that a worker computes of it,
// and the page's rows as drawn, kept until the page or what it is drawn with changes.
//
// Pages of up to DirectRecords(filters) records are read from the recording through the montage
// and the filters (filtered_page.h), gathering on the way the values of the rows the spectrum
// shows; longer ones are taken from the overview (TraceOverview) as the recorded channels'
// unfiltered extremes, as far as the worker has come. A failure is kept, with the path and the
// system's reason, for the canvas's header to show.
//
// It shows nothing and knows no view: the controller asks it for a page and draws what it holds.
#ifndef VELBRIX_WINDOW_TRACE_TRACE_PAGES_H_
#define VELBRIX_WINDOW_TRACE_TRACE_PAGES_H_

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <vector>

#include "core/base/status.h"
#include "core/signal/montage.h"
#include "core/signal/zero_phase_filter.h"
#include "core/trace/filtered_page.h"
#include "core/trace/trace_columns.h"
#include "core/trace/trace_overview.h"
#include "core/trace/trace_recording.h"

namespace velbrix {

// What a page is drawn for: when any of it changes, the page is read anew.
struct TracePageKey {
  std::uint64_t first = 0, page = 0;
  std::size_t columns = 0;
  std::shared_ptr<const Montage> montage;  // never null; its rows are never empty
  FilterChoice filters;
  std::vector<int> spectrum_rows;  // the rows whose values the spectrum needs
  bool operator==(const TracePageKey&) const = default;
};

class TracePages {
 public:
  // Pages of more records than this are taken from the overview: 4 MiB of the recording.
  static constexpr std::uint64_t kDirectRecords = 131072;
  // The longest page read from the recording with `filters`: kDirectRecords, or with a filter
  // kFilteredSpanRecords, whose filtering takes a few milliseconds at most.
  static std::uint64_t DirectRecords(const FilterChoice& filters) {
    return filters.any() ? kFilteredSpanRecords : kDirectRecords;
  }

  // Opens `recording` afresh, forgetting the page, and starts its overview when it holds records.
  // A failure to open is kept in open_status().
  void Open(const std::filesystem::path& recording);
  // Lets go of the recording and its overview.
  void Close();

  // Whether a recording was opened, successfully or not.
  bool loaded() const { return loaded_; }
  const Status& open_status() const { return open_status_; }
  TraceRecording& recording() { return recording_; }
  const TraceRecording& recording() const { return recording_; }
  // The records of the open recording; 0 when none is open.
  std::uint64_t records() const { return recording_.is_open() ? recording_.records() : 0; }
  // The overview, or null when the recording holds no records or none is open.
  const TraceOverview* overview() const { return overview_.get(); }

  // Makes the page that of `key` (which requires key.columns > 0 and an open recording of
  // records), read with `sections` and `margin` (FilterSections and FilterMargin of key.filters),
  // unless it already is and waits for nothing from the overview.
  void Load(const TracePageKey& key, const std::vector<Biquad>& sections, std::uint64_t margin);
  // The page is read anew at the next Load.
  void Forget() { key_.reset(); }
  void ForgetSpectrumValues() { spectrum_values_.clear(); }

  const std::optional<TracePageKey>& key() const { return key_; }
  // The page's rows as drawn, and whether they came from the overview.
  const RowExtremes& page() const { return page_; }
  bool from_overview() const { return from_overview_; }
  // Why the page could not be read, or Ok.
  const Status& page_status() const { return page_status_; }
  // The values of the key's spectrum rows, frame by frame, for a page read from the recording.
  const std::vector<double>& spectrum_values() const { return spectrum_values_; }

  // The exact value of `row` of `rows` at `record` as drawn with `sections` and `margin` (no
  // filters for a page from the overview), or nothing when it cannot be read.
  std::optional<double> ValueAt(std::uint64_t record, int row, const std::vector<MontageRow>& rows,
                                const std::vector<Biquad>& sections, std::uint64_t margin);

  // The envelope of the whole recording in `columns` columns, brought up to the overview's
  // progress.
  void UpdateEnvelope(std::size_t columns);
  const std::vector<std::uint64_t>& envelope_bounds() const { return envelope_bounds_; }
  const std::vector<std::uint8_t>& envelope_min() const { return envelope_min_; }
  const std::vector<std::uint8_t>& envelope_max() const { return envelope_max_; }

 private:
  bool loaded_ = false;
  TraceRecording recording_;
  Status open_status_;
  std::unique_ptr<TraceOverview> overview_;

  // The page's columns (from the overview, as recorded), its rows as drawn and what they were made
  // for.
  ColumnExtremes columns_;
  RowExtremes page_;
  std::optional<TracePageKey> key_;
  bool from_overview_ = false;
  Status page_status_;
  std::vector<double> spectrum_values_;

  std::vector<std::uint64_t> envelope_bounds_;
  std::vector<std::uint8_t> envelope_min_;
  std::vector<std::uint8_t> envelope_max_;
  std::uint64_t envelope_done_ = 0;
  std::size_t envelope_columns_ = 0;
};

}  // namespace velbrix

#endif  // VELBRIX_WINDOW_TRACE_TRACE_PAGES_H_
