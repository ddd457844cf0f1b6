// The layout of the trace window's canvas and the composing of its picture, from the header's
// lines at the top, through the montage's rows stacked in its order and the time axis, to the
// overview strip at the bottom. Only geometry: the data come from the core (RowExtremes and the
// overview's envelope), the choices from the controller.
#ifndef VELBRIX_WINDOW_TRACE_TRACE_CANVAS_H_
#define VELBRIX_WINDOW_TRACE_TRACE_CANVAS_H_

#include <cstdint>
#include <string>
#include <vector>

#include "core/signal/montage.h"
#include "core/trace/filtered_page.h"
#include "window/trace/trace_picture.h"

namespace velbrix::trace {

// The time axis's legend: its figures count from the recording's first record, never the clock.
inline constexpr char kTimeAxisLegend[] = "time from start";

struct CanvasLayout {
  Rect header;    // one line per header text
  Rect traces;    // the rows; its width is the number of columns a page is read into
  Rect axis;      // below the traces: ticks, seconds, record numbers
  Rect overview;  // the overview strip
  int rows = 0;

  // `rows` rows (at least 1) share the traces' height, right of a label column `label_width` wide.
  CanvasLayout(int width, int height, int header_lines, int row_count = 32, int label_width = 92);
  // The band of the row `index` (0 .. rows - 1): its top and its height, in pixels.
  double BandTop(int index) const;
  double BandHeight() const;
  // The row whose band holds `y`, or -1.
  int ChannelAt(int y) const;
};

// Where the records of a page lie across the traces (and, with the whole recording as the page,
// across the overview strip): `page` records from `first` over `area`'s width.
struct PageMapping {
  std::uint64_t first = 0;
  std::uint64_t page = 1;
  Rect area;

  // The x of the point `record` (fractions lie between records).
  double X(double record) const;
  // The record drawn at column x (which may lie beyond the recording's end).
  std::uint64_t RecordAt(int x) const;
};

// The width of the label column for `rows` on a canvas `width` wide: room for the longest label
// as drawn (RowLabelText), at least that of the built-in montages' and at most a third of the
// canvas.
int LabelColumnWidth(const std::vector<MontageRow>& rows, int width);

struct HeaderLine {
  std::string text;
  Ink ink = Ink::kText;
};

struct CanvasInput {
  int width = 0;
  int height = 0;
  std::vector<HeaderLine> header;
  double rate = 256;          // Hz
  std::uint64_t records = 0;  // in the recording
  std::uint64_t first = 0;    // the page's first record
  std::uint64_t page = 1;     // records in the page (at least 1)
  double microvolts_per_division = 100;
  // The rows drawn, from the top (never null), and the highlighted one, or -1.
  const std::vector<MontageRow>* rows = nullptr;
  int highlighted_row = -1;
  const RowExtremes* traces = nullptr;  // the page's rows, or none
  // The ends of a measuring drag, as x on the canvas, or -1.
  int measure_from = -1;
  int measure_to = -1;
  // The overview's envelope (see OverviewEnvelope), or none: one entry per ready column.
  const std::vector<std::uint64_t>* envelope_bounds = nullptr;
  const std::vector<std::uint8_t>* envelope_min = nullptr;
  const std::vector<std::uint8_t>* envelope_max = nullptr;
};

TracePicture ComposeCanvas(const CanvasInput& input);

}  // namespace velbrix::trace

#endif  // VELBRIX_WINDOW_TRACE_TRACE_CANVAS_H_
