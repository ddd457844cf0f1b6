// The reading tools' choices and texts.
#include "window/trace/trace_tools.h"

#include <charconv>
#include <cmath>
#include <cstdio>

#include "window/trace/trace_scales.h"

namespace velbrix::trace {

std::vector<double> OfferedHz(TraceTool tool, double rate) {
  std::vector<double> offered;
  const auto offer = [&](const auto& all) {
    for (const double hz : all) {
      if (FilterWorksAt(hz, rate)) {
        offered.push_back(hz);
      }
    }
  };
  switch (tool) {
    case TraceTool::kHighPass:
      offer(kHighPassHz);
      break;
    case TraceTool::kLowPass:
      offer(kLowPassHz);
      break;
    case TraceTool::kNotch:
      offer(kNotchHz);
      break;
    case TraceTool::kMontage:
      break;
  }
  return offered;
}

bool FilterWorksAt(double hz, double rate) {
  return hz < rate / 2;
}

std::string FilterOffText(TraceTool tool, double hz) {
  const char* name = tool == TraceTool::kHighPass  ? "High-pass"
                     : tool == TraceTool::kLowPass ? "Low-pass"
                                                   : "The notch at";
  return std::string(name) + " " + FilterText(hz) + " is off: it needs a sample rate above " +
         SampleRateText(2 * hz) + " Hz";
}

std::string FilterText(double hz) {
  if (hz == 0) {
    return "Off";
  }
  char text[32];
  std::snprintf(text, sizeof(text), "%g Hz", hz);
  return text;
}

double& ChosenHz(FilterChoice& choice, TraceTool tool) {
  switch (tool) {
    case TraceTool::kHighPass:
      return choice.high_pass;
    case TraceTool::kLowPass:
      return choice.low_pass;
    case TraceTool::kNotch:
    case TraceTool::kMontage:
      break;
  }
  return choice.notch;
}

std::string MicrovoltText(double value) {
  char text[48];
  std::snprintf(text, sizeof(text), "%.2f", std::round(value * 100) / 100 + 0.0);
  std::string result = text;
  if (result.find('.') != std::string::npos) {
    result.erase(result.find_last_not_of('0') + 1);
    if (result.back() == '.') {
      result.pop_back();
    }
  }
  return result == "-0" ? "0" : result;
}

std::string SettlingText(std::uint64_t margin, std::uint64_t read, double rate) {
  // Written with std::to_chars, which ignores the locale a toolkit may have set.
  const auto seconds = [rate](std::uint64_t records) {
    char text[48];
    const auto end = std::to_chars(text, text + sizeof(text), static_cast<double>(records) / rate,
                                   std::chars_format::fixed, 1);
    return std::string(text, end.ptr) + " s";
  };
  return "The filters settle over " + seconds(margin) + ", of which " + seconds(read) +
         " are read on each side of this page: its values near the edges are approximate";
}

std::string ToolsText(const Montage& montage, const FilterChoice& filters) {
  const bool as_recorded = &montage == &BuiltInMontage(MontageKind::kAsRecorded);
  std::string text = as_recorded && filters.any() ? "" : montage.name;
  const auto add = [&](const char* name, double hz) {
    if (hz > 0) {
      text += (text.empty() ? "" : "  \u00B7  ") + std::string(name) + " " + FilterText(hz);
    }
  };
  add("high-pass", filters.high_pass);
  add("low-pass", filters.low_pass);
  add("notch", filters.notch);
  return as_recorded && !filters.any() ? "" : text;
}

}  // namespace velbrix::trace
