// The trace window's scales and figures. Numbers are written with std::to_chars, which ignores the
// locale (a window toolkit may have set one whose decimal separator is a comma).
#include "window/trace/trace_scales.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <system_error>

namespace velbrix::trace {
namespace {

std::string Fixed(double value, int decimals) {
  char text[64];
  const auto result =
      std::to_chars(text, text + sizeof(text), value, std::chars_format::fixed, decimals);
  return std::string(text, result.ptr);
}

std::string Shortest(double value) {
  char text[64];
  const auto result = std::to_chars(text, text + sizeof(text), value);
  return std::string(text, result.ptr);
}

// Decimals that tell apart steps of `step`: 0 for whole steps, 1 for tenths and so on.
int DecimalsFor(double step) {
  int decimals = 0;
  while (decimals < 6 && std::abs(step - std::round(step)) > 1e-9 * std::max(1.0, step)) {
    step *= 10;
    ++decimals;
  }
  return decimals;
}

}  // namespace

std::string PageLengthText(double seconds) {
  if (seconds >= 3600) {
    return Shortest(seconds / 3600) + " h";
  }
  if (seconds >= 60) {
    return Shortest(seconds / 60) + " min";
  }
  return Shortest(seconds) + " s";
}

std::string AmplitudeText(double microvolts_per_division) {
  return Shortest(microvolts_per_division) + " \u00B5V/div";
}

std::string ScaleText(double microvolts_per_division) {
  return Shortest(microvolts_per_division) + " \u00B5V";
}

std::string RowLabelText(const MontageRow& row) {
  return row.factor == 1 ? row.label : row.label + " \u00D7" + Shortest(row.factor);
}

std::string TimeText(double seconds, double rate) {
  const int decimals = std::clamp(static_cast<int>(std::ceil(std::log10(rate))), 0, 6);
  return Fixed(seconds, decimals) + " s";
}

double TickSeconds(double seconds_per_pixel, int min_pixels) {
  const double least = seconds_per_pixel * min_pixels;
  if (least >= 60) {
    for (double step :
         {60.0, 120.0, 300.0, 600.0, 900.0, 1800.0, 3600.0, 7200.0, 10800.0, 21600.0, 43200.0}) {
      if (step >= least) {
        return step;
      }
    }
    return std::ceil(least / 86400) * 86400;
  }
  double power = std::pow(10.0, std::floor(std::log10(least)));
  for (;;) {
    for (double factor : {1.0, 2.0, 5.0}) {
      if (factor * power >= least * (1 - 1e-12)) {
        return factor * power;
      }
    }
    power *= 10;
  }
}

std::string AxisTimeText(double seconds, double step, bool clock) {
  const int decimals = DecimalsFor(step);
  if (!clock) {
    return Fixed(seconds, decimals) + " s";
  }
  const double rounded = std::round(seconds * std::pow(10.0, decimals)) / std::pow(10.0, decimals);
  const auto whole = static_cast<long long>(std::floor(rounded));
  const long long hours = whole / 3600;
  const long long minutes = whole / 60 % 60;
  std::string text =
      std::to_string(hours) + ":" + (minutes < 10 ? "0" : "") + std::to_string(minutes) + ":";
  const std::string second = Fixed(rounded - static_cast<double>(whole - whole % 60), decimals);
  if (second.size() < 2 || second[1] == '.') {
    text += "0";
  }
  return text + second;
}

std::string SampleRateText(double rate) {
  char text[64];
  const auto result = std::to_chars(text, text + sizeof(text), rate, std::chars_format::fixed);
  return std::string(text, result.ptr);
}

}  // namespace velbrix::trace
