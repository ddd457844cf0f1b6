// The text of a measuring drag.
#include "window/trace/trace_measure.h"

#include <algorithm>

#include "window/trace/trace_scales.h"
#include "window/trace/trace_tools.h"

namespace velbrix {

std::string MeasureText(const TraceMeasure& m, double rate, const std::string& label) {
  const std::uint64_t low = std::min(m.from, m.to);
  const std::uint64_t high = std::max(m.from, m.to);
  std::string text = "Records " + std::to_string(m.from + 1) + " to " + std::to_string(m.to + 1) +
                     "  \u00B7  " + trace::TimeText(static_cast<double>(high - low) / rate, rate) +
                     ", " + std::to_string(high - low) +
                     (high - low == 1 ? " record" : " records") + "  \u00B7  " + label;
  if (m.from_value && m.to_value) {
    text += "  \u00B7  " + trace::MicrovoltText(*m.from_value) + " to " +
            trace::MicrovoltText(*m.to_value) + " \u00B5V, a difference of " +
            trace::MicrovoltText(*m.to_value - *m.from_value) + " \u00B5V";
  }
  return text;
}

}  // namespace velbrix
