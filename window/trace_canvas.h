// The layout of the trace window's canvas and the composing of its picture, from the header's
// lines at the top, through the 32 channels stacked in the order of the channel list and the time
// axis, to the overview strip at the bottom. Only geometry: the data come from the core
// (ColumnExtremes and the overview's envelope), the choices from the controller.
#ifndef VELBRIX_WINDOW_TRACE_CANVAS_H_
#define VELBRIX_WINDOW_TRACE_CANVAS_H_

#include <cstdint>
#include <string>
#include <vector>

#include "core/trace_columns.h"
#include "window/trace_picture.h"

namespace velbrix::trace {

struct CanvasLayout {
  Rect header;    // one line per header text
  Rect traces;    // the channels; its width is the number of columns a page is read into
  Rect axis;      // below the traces: ticks, seconds, record numbers
  Rect overview;  // the overview strip

  CanvasLayout(int width, int height, int header_lines);
  // The band of the channel at list index `index` (0 .. 31): its top and its height, in pixels.
  double BandTop(int index) const;
  double BandHeight() const;
  // The list index of the channel whose band holds `y`, or -1.
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
  int highlighted_position = 0;  // record position of the highlighted channel, 0 for none
  const ColumnExtremes* columns = nullptr;  // the page's records, or none
  // The overview's envelope (see OverviewEnvelope), or none: one entry per ready column.
  const std::vector<std::uint64_t>* envelope_bounds = nullptr;
  const std::vector<std::uint8_t>* envelope_min = nullptr;
  const std::vector<std::uint8_t>* envelope_max = nullptr;
};

TracePicture ComposeCanvas(const CanvasInput& input);

}  // namespace velbrix::trace

#endif  // VELBRIX_WINDOW_TRACE_CANVAS_H_
