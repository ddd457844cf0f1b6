// What a viewer draws of a range of records: each channel's smallest and largest sample per pixel
// column, or, when the range holds fewer records than there are columns, the samples themselves
// (one record per column, its minimum equal to its maximum).
//
// The records are split into columns by one rule, ColumnBoundary: with `units` units of records
// spread over `columns` columns, column c holds units c * units / columns up to, not including,
// (c + 1) * units / columns (integer division), so that every column holds at least one unit and
// neighbouring columns differ by at most one. A unit is one record when the records are read, and
// one overview block (TraceOverview) when the columns are taken from the overview: a range far
// wider than the window is then drawn without reading it. Either way the extremes are exactly
// those of the records each column holds; samples are bytes, scaled only where they are shown.
#ifndef VELBRIX_CORE_TRACE_TRACE_COLUMNS_H_
#define VELBRIX_CORE_TRACE_TRACE_COLUMNS_H_

#include <cstddef>
#include <cstdint>
#include <vector>

#include "core/base/record.h"
#include "core/base/status.h"
#include "core/trace/trace_overview.h"
#include "core/trace/trace_recording.h"

namespace velbrix {

// The first unit of column `column` (column == columns: the end; 0 when there are no columns).
// Requires units < 2^47.
constexpr std::uint64_t ColumnBoundary(std::uint64_t units, std::size_t columns,
                                       std::size_t column) {
  return columns == 0 ? 0 : static_cast<std::uint64_t>(column) * units / columns;
}

struct ColumnExtremes {
  std::size_t columns = 0;
  // Columns 0 .. ready - 1 are filled in; the rest wait for the overview to reach them.
  std::size_t ready = 0;
  // columns + 1 record numbers: column c holds records bounds[c] .. bounds[c + 1] - 1.
  std::vector<std::uint64_t> bounds;
  // The sample bytes of the channel at record position p (1 .. 32) in column c are
  // min[(p - 1) * columns + c] and max[(p - 1) * columns + c].
  std::vector<std::uint8_t> min;
  std::vector<std::uint8_t> max;

  std::uint8_t Min(int position, std::size_t column) const { return min[Index(position, column)]; }
  std::uint8_t Max(int position, std::size_t column) const { return max[Index(position, column)]; }
  // The column that holds `record`, or `columns` when none does.
  std::size_t ColumnOf(std::uint64_t record) const;

 private:
  std::size_t Index(int position, std::size_t column) const {
    return static_cast<std::size_t>(position - 1) * columns + column;
  }
};

// Reads records first .. first + count - 1 of `recording` into min(columns, count) columns,
// every one ready. Requires columns > 0 and first + count <= recording.records(). A failed read
// leaves `out` with no columns and returns the failure.
Status ReadColumnExtremes(TraceRecording& recording, std::uint64_t first, std::uint64_t count,
                          std::size_t columns, ColumnExtremes* out);

// The columns of the overview's whole blocks that cover records first .. first + count - 1 (the
// range is widened to block edges), at most `columns` of them; those whose blocks are not yet
// ready are left out of `ready`. Requires columns > 0 and first + count <= overview.records().
void OverviewColumnExtremes(const TraceOverview& overview, std::uint64_t first, std::uint64_t count,
                            std::size_t columns, ColumnExtremes* out);

// The envelope of all channels over the whole recording in at most `columns` columns of whole
// blocks: the smallest and largest sample of any channel, per column. `*min` and `*max` get one
// entry per ready column; `*bounds` the columns + 1 record numbers where the columns start.
void OverviewEnvelope(const TraceOverview& overview, std::size_t columns,
                      std::vector<std::uint64_t>* bounds, std::vector<std::uint8_t>* min,
                      std::vector<std::uint8_t>* max);

}  // namespace velbrix

#endif  // VELBRIX_CORE_TRACE_TRACE_COLUMNS_H_
