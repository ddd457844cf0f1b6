// Measuring in the trace window: a drag across the traces, from the record where it began on one
// row to the record under the mouse, and what the status line says of it while the button is held.
#ifndef VELBRIX_WINDOW_TRACE_TRACE_MEASURE_H_
#define VELBRIX_WINDOW_TRACE_TRACE_MEASURE_H_

#include <cstdint>
#include <optional>
#include <string>

namespace velbrix {

struct TraceMeasure {
  int row = 0;                                 // of the page's rows, where the drag began
  std::uint64_t from = 0, to = 0;              // records
  int from_x = 0, to_x = 0;                    // on the canvas
  std::optional<double> from_value, to_value;  // µV; nothing where the value could not be read
};

// "Records 11 to 267  ·  1.000 s, 256 records  ·  Fz  ·  3.75 to -1.25 µV, a difference of -5 µV"
// for `measure` on the row labelled `label` at `rate` Hz; the values are left out when either is
// missing.
std::string MeasureText(const TraceMeasure& measure, double rate, const std::string& label);

}  // namespace velbrix

#endif  // VELBRIX_WINDOW_TRACE_TRACE_MEASURE_H_
