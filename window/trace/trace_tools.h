// The trace window's reading tools on offer: the filters' frequencies and the montages, the texts
// of their choices, and how a value in microvolts is written.
#ifndef VELBRIX_WINDOW_TRACE_TRACE_TOOLS_H_
#define VELBRIX_WINDOW_TRACE_TRACE_TOOLS_H_

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "core/signal/montage.h"
#include "core/trace/filtered_page.h"
#include "window/trace/trace_view.h"

namespace velbrix::trace {

// Frequencies in Hz, 0 for off; only those below half the sample rate are offered.
inline constexpr std::array<double, 6> kHighPassHz = {0, 0.1, 0.3, 0.5, 1, 5};
inline constexpr std::array<double, 6> kLowPassHz = {0, 15, 30, 35, 40, 70};
inline constexpr std::array<double, 3> kNotchHz = {0, 50, 60};

// The frequencies of a filter offered at `rate`, in the order of the choice: those below half the
// rate (FilterWorksAt).
std::vector<double> OfferedHz(TraceTool tool, double rate);
// Whether a filter at `hz` works at `rate`: only below half the rate.
bool FilterWorksAt(double hz, double rate);
// Why a filter went off when the rate changed: "Low-pass 70 Hz is off: it needs a sample rate
// above 140 Hz" (not for kMontage).
std::string FilterOffText(TraceTool tool, double hz);
// "Off", "0.1 Hz", "50 Hz".
std::string FilterText(double hz);
// The frequency of `tool` in `choice` (not for kMontage).
double& ChosenHz(FilterChoice& choice, TraceTool tool);
// A value in µV with at most two decimals and no trailing zeros: "401.25", "-3.5", "0".
std::string MicrovoltText(double value);
// Why a page's values near its edges are approximate, its filters' margin being cut to `read` of
// `margin` records at `rate`: "The filters settle over 34.2 s, of which 19.6 s are read on each
// side of this page: its values near the edges are approximate".
std::string SettlingText(std::uint64_t margin, std::uint64_t read, double rate);
// What the filters and the montage do, for the header: "Bipolar longitudinal  ·  high-pass
// 0.5 Hz  ·  notch 50 Hz"; empty when the page is drawn as recorded.
std::string ToolsText(const Montage& montage, const FilterChoice& filters);

}  // namespace velbrix::trace

#endif  // VELBRIX_WINDOW_TRACE_TRACE_TOOLS_H_
