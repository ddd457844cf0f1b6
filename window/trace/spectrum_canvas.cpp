// Composing the spectrum window's canvas.
#include "window/trace/spectrum_canvas.h"

#include <algorithm>
#include <cmath>

#include "core/signal/spectrum.h"
#include "window/trace/trace_scales.h"

namespace velbrix::trace {
namespace {

constexpr int kLeft = 70;
constexpr int kRight = 16;
constexpr int kTop = 28;
constexpr int kBottom = 42;
constexpr int kMostDecades = 8;
constexpr int kMinTickSpacing = 60;

int Pixel(double value) {
  return static_cast<int>(std::lround(std::clamp(value, -1e6, 1e6)));
}

// The shortest of 1, 2, 5 times a power of ten that is at least `least`.
double NiceStep(double least) {
  const double power = std::pow(10.0, std::floor(std::log10(std::max(least, 1e-12))));
  for (const double factor : {1.0, 2.0, 5.0, 10.0}) {
    if (factor * power >= least) {
      return factor * power;
    }
  }
  return 10 * power;
}

// "1000", "1", "0.01", "1e-05"-free: decades as figures, far ones with an exponent.
std::string DecadeText(int decade) {
  if (decade >= 0 && decade <= 4) {
    return std::string("1") + std::string(static_cast<std::size_t>(decade), '0');
  }
  if (decade < 0 && decade >= -3) {
    return "0." + std::string(static_cast<std::size_t>(-decade - 1), '0') + "1";
  }
  return "1e" + std::to_string(decade);
}

std::string HzText(double hz) {
  std::string text = std::to_string(hz);
  text.erase(text.find_last_not_of('0') + 1);
  if (text.back() == '.') {
    text.pop_back();
  }
  return text;
}

constexpr Ink kBandInks[] = {Ink::kDeltaBand, Ink::kThetaBand, Ink::kAlphaBand, Ink::kBetaBand};

}  // namespace

SpectrumScale::SpectrumScale(int width, int height, double top,
                             const std::vector<std::vector<double>>& densities)
    : plot{kLeft, kTop, std::max(kLeft + 1, width - kRight), std::max(kTop + 1, height - kBottom)},
      top_hz(top > 0 ? top : 1) {
  double largest = 0;
  double smallest = 0;
  for (const std::vector<double>& density : densities) {
    for (std::size_t k = 1; k < density.size(); ++k) {  // 0 Hz is all but gone with the mean
      largest = std::max(largest, density[k]);
      if (density[k] > 0) {
        smallest = smallest == 0 ? density[k] : std::min(smallest, density[k]);
      }
    }
  }
  if (largest > 0) {
    high_decade = static_cast<int>(std::ceil(std::log10(largest)));
    low_decade =
        std::max(high_decade - kMostDecades, static_cast<int>(std::floor(std::log10(smallest))));
    low_decade = std::min(low_decade, high_decade - 1);
  }
}

double SpectrumScale::X(double hz) const {
  return plot.left + hz / top_hz * plot.width();
}

double SpectrumScale::Y(double density) const {
  const double decade = density > 0 ? std::log10(density) : low_decade;
  const double span = high_decade - low_decade;
  return plot.bottom - (std::clamp(decade, double(low_decade), double(high_decade)) - low_decade) /
                           span * plot.height();
}

double SpectrumScale::HzAt(int x) const {
  return std::clamp(static_cast<double>(x - plot.left) / plot.width(), 0.0, 1.0) * top_hz;
}

double SpectrumScale::DensityAt(int y) const {
  const double share = static_cast<double>(plot.bottom - y) / plot.height();
  return std::pow(10.0, low_decade + share * (high_decade - low_decade));
}

TracePicture ComposeSpectrum(const SpectrumInput& in) {
  TracePicture picture;
  picture.width = in.width;
  picture.height = in.height;
  const auto add = [&](Step step) { picture.steps.push_back(std::move(step)); };
  add(Fill{{0, 0, in.width, in.height}, Ink::kBackground});
  add(Text{{8, 12}, in.title, TextStyle::kNormal, Ink::kText, Align::kLeft});
  const SpectrumScale scale(in.width, in.height, in.rate / 2, in.densities);
  const Rect& plot = scale.plot;
  picture.traces = plot;
  if (in.densities.empty() || in.frequencies.empty()) {
    add(Text{{(plot.left + plot.right) / 2, (plot.top + plot.bottom) / 2},
             in.message,
             TextStyle::kNormal,
             Ink::kWarning,
             Align::kCentre});
    return picture;
  }
  // The bands of the rhythms, named at the top.
  for (std::size_t b = 0; b < kEegBands.size(); ++b) {
    const int left = Pixel(scale.X(kEegBands[b].from));
    const int right = std::min(plot.right, Pixel(scale.X(kEegBands[b].to)));
    if (left >= plot.right) {
      continue;
    }
    add(Fill{{left, plot.top, right, plot.bottom}, kBandInks[b]});
    add(Text{{(left + right) / 2, plot.top + 9},
             std::string(kEegBands[b].name),
             TextStyle::kSmall,
             Ink::kFaintText,
             Align::kCentre});
  }
  // Decades across, with their figures on the left.
  for (int decade = scale.low_decade; decade <= scale.high_decade; ++decade) {
    const int y = Pixel(scale.Y(std::pow(10.0, decade)));
    add(Line{{plot.left, y}, {plot.right - 1, y}, Ink::kGrid});
    add(Text{{plot.left - 6, y}, DecadeText(decade), TextStyle::kSmall, Ink::kText, Align::kRight});
  }
  add(Text{{plot.left - 6, plot.top - 14},
           "\u00B5V\u00B2/Hz",
           TextStyle::kSmall,
           Ink::kFaintText,
           Align::kRight});
  // Frequencies along the bottom.
  const double step = NiceStep(scale.top_hz / std::max(1, plot.width()) * kMinTickSpacing);
  for (double hz = 0; hz <= scale.top_hz + 1e-9; hz += step) {
    const int x = Pixel(scale.X(hz));
    add(Line{{x, plot.bottom}, {x, plot.bottom + 5}, Ink::kAxis});
    add(Text{{x, plot.bottom + 14}, HzText(hz), TextStyle::kSmall, Ink::kText, Align::kCentre});
  }
  add(Text{
      {plot.right, plot.bottom + 30}, "Hz", TextStyle::kSmall, Ink::kFaintText, Align::kRight});
  add(Line{{plot.left, plot.bottom}, {plot.right - 1, plot.bottom}, Ink::kAxis});
  add(Line{{plot.left, plot.top}, {plot.left, plot.bottom}, Ink::kAxis});
  // The curves, the highlighted one last.
  const auto curve = [&](std::size_t i, Ink ink) {
    Polyline line{{}, ink, plot};
    for (std::size_t k = 0; k < in.frequencies.size(); ++k) {
      line.points.push_back(
          {Pixel(scale.X(in.frequencies[k])), Pixel(scale.Y(in.densities[i][k]))});
    }
    add(std::move(line));
  };
  for (std::size_t i = 0; i < in.densities.size(); ++i) {
    if (static_cast<int>(i) != in.highlighted) {
      curve(i, Ink::kTrace);
    }
  }
  if (in.highlighted >= 0 && static_cast<std::size_t>(in.highlighted) < in.densities.size()) {
    curve(static_cast<std::size_t>(in.highlighted), Ink::kHighlightTrace);
  }
  return picture;
}

}  // namespace velbrix::trace
