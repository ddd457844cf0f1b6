// What a viewer draws of a range of records through a montage and filters: each row's values, the
// filters run forward and backward over the range with enough records on both sides that the
// values equal those of the filters run over the whole recording, and the rows' extremes per pixel
// column.
//
// The filters are Butterworth high-pass filters of order kHighPassOrder, Butterworth low-pass
// filters of order kLowPassOrder and a notch of quality kNotchQuality (see zero_phase_filter.h).
// The records read on each side of a range, its margin, are ZeroPhaseMargin of the filters for
// values within 3 * kLargestMontageValue and a tolerance of kMarginTolerance: every value lies
// within 0.1 µV of the whole recording's filtered value at every record at least a margin away
// from the recording's ends (the rest of the 0.1 µV allows for rounding). Records closer to an
// end are filtered as if the recording went on before its start and after its end with its first
// and last value.
#ifndef VELBRIX_CORE_TRACE_FILTERED_PAGE_H_
#define VELBRIX_CORE_TRACE_FILTERED_PAGE_H_

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

#include "core/base/status.h"
#include "core/signal/montage.h"
#include "core/signal/zero_phase_filter.h"
#include "core/trace/trace_columns.h"
#include "core/trace/trace_recording.h"

namespace velbrix {

inline constexpr int kHighPassOrder = 2;
inline constexpr int kLowPassOrder = 4;
inline constexpr double kNotchQuality = 30;
inline constexpr double kMarginTolerance = 0.05;  // µV

// The filters chosen; 0 is off. Every frequency chosen lies below half the sample rate.
struct FilterChoice {
  double high_pass = 0;  // Hz
  double low_pass = 0;   // Hz
  double notch = 0;      // Hz
  bool any() const { return high_pass > 0 || low_pass > 0 || notch > 0; }
  bool operator==(const FilterChoice&) const = default;
};

// The sections of the filters of `choice` at `rate` Hz: high-pass, low-pass, notch.
std::vector<Biquad> FilterSections(const FilterChoice& choice, double rate);

// The margin of `sections`, in records (0 without filters).
std::uint64_t FilterMargin(const std::vector<Biquad>& sections);

// The most records a viewer reads for a filtered page, the page and its margins together: 1 MiB
// of the recording, which keeps a page turn within a frame of the window at any sample rate. The
// margin grows with the rate (a 0.1 Hz high-pass needs some 34 seconds a side), the bound does not.
inline constexpr std::uint64_t kFilteredSpanRecords = 32768;

// `margin` cut so that `page` records and a margin on each side stay within kFilteredSpanRecords
// (0 for a page of at least as many). Values near the edges of a page read with less than its
// filters' margin are approximate: the filters have not settled there.
std::uint64_t BoundedMargin(std::uint64_t margin, std::uint64_t page);

// Takes `count` frames of values, one per row, of the records from `first` on; valid only during
// the call.
using FrameSink = std::function<void(std::uint64_t first, const double* frames, std::size_t count)>;

// Reads records first .. first + count - 1 of `recording` and `margin` records on either side
// (within the recording), makes the values of `rows` and filters them zero-phase with `sections`,
// and hands the values of records first .. first + count - 1 to `sink`, in blocks whose order is
// not specified. Requires first + count <= recording.records(). Reads at most a block of 8192
// records at a time, and each block at most twice. Returns the first failure of a read.
Status ReadFilteredRecords(TraceRecording& recording, std::uint64_t first, std::uint64_t count,
                           const std::vector<MontageRow>& rows, const std::vector<Biquad>& sections,
                           std::uint64_t margin, const FrameSink& sink);

// Rows' smallest and largest values (µV) per pixel column, or, when the range holds no more
// records than there are columns, the values themselves (one record per column). Columns are
// split as ColumnExtremes's (ColumnBoundary).
struct RowExtremes {
  std::size_t rows = 0;
  std::size_t columns = 0;
  std::size_t ready = 0;              // columns 0 .. ready - 1 are filled in
  std::vector<std::uint64_t> bounds;  // columns + 1 record numbers
  std::vector<double> min;            // [row * columns + column]
  std::vector<double> max;

  double Min(int row, std::size_t column) const { return min[Index(row, column)]; }
  double Max(int row, std::size_t column) const { return max[Index(row, column)]; }
  // The column that holds `record`, or `columns` when none does.
  std::size_t ColumnOf(std::uint64_t record) const;

  // Sizes the extremes for `rows` rows of records first .. first + count - 1 in
  // min(columns, count) columns, none ready.
  void Prepare(std::size_t row_count, std::uint64_t first, std::uint64_t count,
               std::size_t column_count);
  // Adds `count` frames of rows values from record `first` on (within the range).
  void Add(std::uint64_t first, const double* frames, std::size_t count);

 private:
  std::size_t Index(int row, std::size_t column) const {
    return static_cast<std::size_t>(row) * columns + column;
  }
};

// The extremes of `columns` as recorded, in the rows of MontageRows(kAsRecorded).
void RowExtremesAsRecorded(const ColumnExtremes& columns, RowExtremes* out);

}  // namespace velbrix

#endif  // VELBRIX_CORE_TRACE_FILTERED_PAGE_H_
