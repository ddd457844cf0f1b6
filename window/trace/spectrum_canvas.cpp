// Composing the spectrum window's canvas.
#include "window/trace/spectrum_canvas.h"

#include <algorithm>
#include <cmath>
#include <string_view>
#include <utility>

#include "core/signal/spectrum.h"
#include "window/trace/trace_scales.h"

namespace velbrix::trace {
namespace {

constexpr int kLeft = 70;
constexpr int kRight = 16;
constexpr int kBottom = 42;
constexpr int kMostDecades = 8;
constexpr int kMinTickSpacing = 60;
constexpr int kTitleLeft = 8;
constexpr int kTitleFirst = 12;    // the first title line's middle
constexpr int kTitleLine = 16;     // between title lines
constexpr int kBandNameLine = 14;  // between rows of band names, the last just above the plot
constexpr int kMinDecadeSpacing = 15;
constexpr char kSeparator[] = "  \u00B7  ";

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

double TextWidth(std::string_view text, TextStyle style) {
  std::size_t characters = 0;
  for (const char c : text) {
    characters += (static_cast<unsigned char>(c) & 0xC0) == 0x80 ? 0 : 1;  // UTF-8 lead bytes
  }
  const double each = style == TextStyle::kSmall ? 6.5 : style == TextStyle::kBold ? 8 : 7.5;
  return static_cast<double>(characters) * each;
}

// `text` in lines at most `width` wide: whole parts between separators where they fit, else
// words; a word wider than a line gets a line of its own.
std::vector<std::string> Wrap(const std::string& text, double width, TextStyle style,
                              const std::string& separator) {
  std::vector<std::string> lines;
  std::string line;
  const auto add = [&](const std::string& part, const std::string& joint) {
    if (line.empty()) {
      line = part;
    } else if (TextWidth(line + joint + part, style) <= width) {
      line += joint + part;
    } else {
      lines.push_back(line);
      line = part;
    }
  };
  for (std::size_t from = 0; from <= text.size();) {
    const std::size_t to = std::min(text.find(separator, from), text.size());
    const std::string part = text.substr(from, to - from);
    if (TextWidth(part, style) <= width || part.find(' ') == std::string::npos) {
      add(part, separator);
    } else {
      bool first = true;
      for (std::size_t start = 0; start <= part.size();) {
        const std::size_t end = std::min(part.find(' ', start), part.size());
        add(part.substr(start, end - start), first ? separator : " ");
        first = false;
        start = end + 1;
      }
    }
    from = to + separator.size();
  }
  if (!line.empty()) {
    lines.push_back(line);
  }
  return lines;
}

std::vector<std::string> TitleLines(const std::string& title, int width) {
  return Wrap(title, width - 2 * kTitleLeft, TextStyle::kNormal, kSeparator);
}

// A band's stretch of the plot, and where its name goes: its left end and its row above the plot,
// counted from the plot up.
struct BandPlace {
  int left = 0;
  int right = 0;
  int name_left = 0;
  int row = 0;
};

// The bands that show on `scale`'s plot, their names each beside the one before it or else on the
// next row up.
std::vector<std::pair<std::size_t, BandPlace>> PlaceBands(const SpectrumScale& scale, int* rows) {
  std::vector<std::pair<std::size_t, BandPlace>> places;
  std::vector<int> row_ends;  // the right end of each row's last name
  const Rect& plot = scale.plot;
  for (std::size_t b = 0; b < kEegBands.size(); ++b) {
    BandPlace place;
    place.left = static_cast<int>(std::lround(scale.X(kEegBands[b].from)));
    place.right = std::min(plot.right, static_cast<int>(std::lround(scale.X(kEegBands[b].to))));
    if (place.left >= plot.right) {
      continue;
    }
    const auto width = static_cast<int>(std::ceil(TextWidth(kEegBands[b].name, TextStyle::kSmall)));
    place.name_left = std::max(
        plot.left + 2, std::min((place.left + place.right - width) / 2, plot.right - 2 - width));
    std::size_t row = 0;
    while (row < row_ends.size() && row_ends[row] + 4 > place.name_left) {
      ++row;
    }
    if (row == row_ends.size()) {
      row_ends.push_back(0);
    }
    row_ends[row] = place.name_left + width;
    place.row = static_cast<int>(row);
    places.emplace_back(b, place);
  }
  *rows = std::max<int>(1, static_cast<int>(row_ends.size()));
  return places;
}

}  // namespace

Rect EstimatedTextBox(const Text& text) {
  const double width = TextWidth(text.text, text.style);
  const double height = text.style == TextStyle::kSmall ? 13 : 16;
  double left = text.anchor.x;
  if (text.align == Align::kCentre) {
    left -= width / 2;
  } else if (text.align == Align::kRight) {
    left -= width;
  }
  return {static_cast<int>(std::floor(left)),
          static_cast<int>(std::floor(text.anchor.y - height / 2)),
          static_cast<int>(std::ceil(left + width)),
          static_cast<int>(std::ceil(text.anchor.y + height / 2))};
}

SpectrumScale::SpectrumScale(int width, int height, double top,
                             const std::vector<std::vector<double>>& densities, int plot_top)
    : plot{kLeft, plot_top, std::max(kLeft + 1, width - kRight),
           std::max(plot_top + 1, height - kBottom)},
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
  const std::vector<std::string> title = TitleLines(in.title, in.width);
  for (std::size_t i = 0; i < title.size(); ++i) {
    add(Text{{kTitleLeft, kTitleFirst + static_cast<int>(i) * kTitleLine},
             title[i],
             TextStyle::kNormal,
             Ink::kText,
             Align::kLeft});
  }
  // Below the title, the rows of the bands' names, the lowest beside the density's unit; then the
  // plot. The names' places do not depend on the plot's top.
  int band_rows = 1;
  const auto bands =
      PlaceBands(SpectrumScale(in.width, in.height, in.rate / 2, in.densities), &band_rows);
  const int plot_top = kSpectrumPlotTop +
                       static_cast<int>(std::max<std::size_t>(1, title.size()) - 1) * kTitleLine +
                       (band_rows - 1) * kBandNameLine;
  const SpectrumScale scale(in.width, in.height, in.rate / 2, in.densities, plot_top);
  const Rect& plot = scale.plot;
  picture.traces = plot;
  if (in.densities.empty() || in.frequencies.empty()) {
    const std::vector<std::string> lines =
        Wrap(in.message, plot.width() - 8, TextStyle::kNormal, kSeparator);
    const int first = (plot.top + plot.bottom) / 2 - static_cast<int>(lines.size() - 1) * 8;
    for (std::size_t i = 0; i < lines.size(); ++i) {
      add(Text{{(plot.left + plot.right) / 2, first + static_cast<int>(i) * kTitleLine},
               lines[i],
               TextStyle::kNormal,
               Ink::kWarning,
               Align::kCentre});
    }
    return picture;
  }
  // The bands of the rhythms, shaded, and named above the plot, clear of the curves.
  for (const auto& [b, place] : bands) {
    add(Fill{{place.left, plot.top, place.right, plot.bottom}, kBandInks[b]});
    add(Text{{place.name_left, plot.top - 9 - place.row * kBandNameLine},
             std::string(kEegBands[b].name),
             TextStyle::kSmall,
             Ink::kFaintText,
             Align::kLeft});
  }
  // Decades across, with their figures on the left, every one of them that has room.
  const int decades = scale.high_decade - scale.low_decade;
  const double spacing = static_cast<double>(plot.height()) / decades;
  const int every = spacing >= kMinDecadeSpacing
                        ? 1
                        : static_cast<int>(std::ceil(kMinDecadeSpacing / std::max(spacing, 1e-3)));
  for (int decade = scale.low_decade; decade <= scale.high_decade; ++decade) {
    const int y = Pixel(scale.Y(std::pow(10.0, decade)));
    add(Line{{plot.left, y}, {plot.right - 1, y}, Ink::kGrid});
    if ((scale.high_decade - decade) % every == 0) {
      add(Text{
          {plot.left - 6, y}, DecadeText(decade), TextStyle::kSmall, Ink::kText, Align::kRight});
    }
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
    // A figure at the right end ends at its tick, within the canvas.
    Text figure{{x, plot.bottom + 14}, HzText(hz), TextStyle::kSmall, Ink::kText, Align::kCentre};
    if (EstimatedTextBox(figure).right > in.width - 2) {
      figure.align = Align::kRight;
    }
    add(std::move(figure));
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
