// Composing the trace window's canvas.
#include "window/trace/trace_canvas.h"

#include <algorithm>
#include <cmath>

#include "core/base/channel_table.h"
#include "core/base/record.h"
#include "window/trace/trace_scales.h"

namespace velbrix::trace {
namespace {

constexpr int kHeaderLineHeight = 18;
// The rows' names ("FP2-A1A2"), right-aligned before the traces, and the axis's legends.
constexpr int kLabelWidth = 92;           // the narrowest label column: "FP2-A1A2"
constexpr int kLabelCharacterWidth = 10;  // a wide character of the labels' bold face, 144 dpi
constexpr int kLabelPadding = 12;
constexpr int kRightMargin = 60;  // holds the calibration bar beside the last row
constexpr int kScaleGap = 12;     // between the traces and the calibration bar
constexpr int kAxisHeight = 36;
constexpr int kOverviewGap = 8;
constexpr int kOverviewHeight = 40;
constexpr int kBottomMargin = 6;
constexpr int kTickLength = 5;
constexpr int kMinTickSpacing = 90;  // pixels between the axis's figures
constexpr int kEdgeFigure = 30;      // figures this close to an end of the axis align with it

int Pixel(double value) {
  return static_cast<int>(std::lround(std::clamp(value, -1e6, 1e6)));
}

class Composer {
 public:
  explicit Composer(const CanvasInput& input)
      : in_(input),
        layout_(input.width, input.height, static_cast<int>(input.header.size()),
                static_cast<int>(input.rows->size()), LabelColumnWidth(*input.rows, input.width)),
        page_{input.first, std::max<std::uint64_t>(1, input.page), layout_.traces} {}

  TracePicture Compose() {
    picture_.width = in_.width;
    picture_.height = in_.height;
    picture_.traces = layout_.traces;
    picture_.overview = layout_.overview;
    Add(Fill{{0, 0, in_.width, in_.height}, Ink::kBackground});
    AddBands();
    AddAxis();
    AddTraces();
    AddLabels();
    AddScale();
    AddMeasure();
    AddOverview();
    AddHeader();
    return std::move(picture_);
  }

 private:
  void Add(Step step) { picture_.steps.push_back(std::move(step)); }

  int HighlightedIndex() const { return in_.highlighted_row; }
  int Rows() const { return layout_.rows; }

  Rect Band(int index) const {
    return {0, Pixel(layout_.BandTop(index)), layout_.traces.right,
            Pixel(layout_.BandTop(index + 1))};
  }

  void AddBands() {
    for (int i = 1; i < Rows(); i += 2) {
      Add(Fill{Band(i), Ink::kBand});
    }
    if (HighlightedIndex() >= 0) {
      Add(Fill{Band(HighlightedIndex()), Ink::kHighlightBand});
    }
  }

  void AddAxis() {
    const Rect& traces = layout_.traces;
    const int bottom = traces.bottom;
    Add(Line{{traces.left, bottom}, {traces.right - 1, bottom}, Ink::kAxis});
    const int seconds_row = bottom + kTickLength + 8;
    const int records_row = seconds_row + 13;
    Add(Text{{layout_.traces.left - 8, seconds_row},
             kTimeAxisLegend,
             TextStyle::kSmall,
             Ink::kFaintText,
             Align::kRight});
    Add(Text{{layout_.traces.left - 8, records_row},
             "record",
             TextStyle::kSmall,
             Ink::kFaintText,
             Align::kRight});
    if (traces.width() <= 0) {
      return;
    }
    const double rate = in_.rate;
    const double seconds_per_pixel = static_cast<double>(page_.page) / rate / traces.width();
    const double step = TickSeconds(seconds_per_pixel, kMinTickSpacing);
    const double start = static_cast<double>(page_.first) / rate;
    const double end = static_cast<double>(page_.first + page_.page) / rate;
    const bool clock = end >= 60;
    for (double k = std::ceil(start / step - 1e-9); k * step <= end + 1e-9; ++k) {
      const double seconds = k * step + 0.0;  // never -0
      const int x = Pixel(page_.X(seconds * rate));
      if (x < traces.left || x >= traces.right) {
        continue;
      }
      Add(Line{{x, traces.top}, {x, bottom - 1}, Ink::kGrid});
      Add(Line{{x, bottom}, {x, bottom + kTickLength}, Ink::kAxis});
      // Figures at the ends of the axis begin or end at their tick, clear of the legends.
      Align align = Align::kCentre;
      if (x - traces.left < kEdgeFigure) {
        align = Align::kLeft;
      } else if (traces.right - x < kEdgeFigure) {
        align = Align::kRight;
      }
      Add(Text{{x, seconds_row},
               AxisTimeText(seconds, step, clock),
               TextStyle::kSmall,
               Ink::kText,
               align});
      // The record that holds the tick's time, numbered from 1 as the lines of the text files.
      const auto record = static_cast<std::uint64_t>(std::floor(seconds * rate + 1e-9)) + 1;
      Add(Text{
          {x, records_row}, std::to_string(record), TextStyle::kSmall, Ink::kFaintText, align});
    }
  }

  void AddTraces() {
    if (in_.traces == nullptr || in_.traces->ready == 0 || in_.traces->rows != in_.rows->size()) {
      return;
    }
    const RowExtremes& columns = *in_.traces;
    const bool samples = columns.bounds.back() - columns.bounds.front() == columns.columns;
    const double band = layout_.BandHeight();
    const double pixels_per_microvolt = band / in_.microvolts_per_division;
    for (int i = 0; i < Rows(); ++i) {
      const int row = i;
      const double zero = layout_.BandTop(i) + band / 2;
      // A row of a montage's own is drawn at its factor times the window's amplitude.
      const double scale = pixels_per_microvolt * (*in_.rows)[static_cast<std::size_t>(i)].factor;
      const auto y = [&](double value) { return Pixel(zero - value * scale); };
      // A large swing is cut at the header, whose lines stay readable, and at the axis.
      const Rect clip{layout_.traces.left, layout_.header.bottom, layout_.traces.right,
                      layout_.traces.bottom};
      Polyline line{{}, i == HighlightedIndex() ? Ink::kHighlightTrace : Ink::kTrace, clip};
      line.points.reserve(columns.ready * (samples ? 1 : 2));
      for (std::size_t c = 0; c < columns.ready; ++c) {
        if (samples) {
          line.points.push_back({Pixel(page_.X(static_cast<double>(columns.bounds[c]) + 0.5)),
                                 y(columns.Min(row, c))});
          continue;
        }
        const int x = Pixel(page_.X(
            (static_cast<double>(columns.bounds[c]) + static_cast<double>(columns.bounds[c + 1])) /
            2));
        const int low = y(columns.Min(row, c));
        const int high = y(columns.Max(row, c));
        // Alternately upwards and downwards, so that neighbouring columns join at their ends.
        line.points.push_back({x, c % 2 == 0 ? low : high});
        line.points.push_back({x, c % 2 == 0 ? high : low});
      }
      Add(std::move(line));
    }
  }

  void AddLabels() {
    for (int i = 0; i < Rows(); ++i) {
      const bool highlighted = i == HighlightedIndex();
      const int middle = Pixel(layout_.BandTop(i) + layout_.BandHeight() / 2);
      Add(Text{{layout_.traces.left - 8, middle},
               RowLabelText((*in_.rows)[static_cast<std::size_t>(i)]),
               highlighted ? TextStyle::kBold : TextStyle::kNormal,
               highlighted ? Ink::kHighlightLabel : Ink::kLabel,
               Align::kRight});
    }
  }

  // The calibration bar, right of the last row's band and as tall as a division, with its µV
  // written over it: what the traces' heights mean, on the screen and in a saved picture.
  void AddScale() {
    const Rect& traces = layout_.traces;
    const int top = Pixel(layout_.BandTop(Rows() - 1));
    const int bottom = Pixel(layout_.BandTop(Rows()));
    if (bottom - top < 2 || in_.width - traces.right < kRightMargin) {
      return;
    }
    const int x = traces.right + kScaleGap;
    Add(Line{{x, top}, {x, bottom}, Ink::kScale});
    Add(Line{{x - 3, top}, {x + 3, top}, Ink::kScale});
    Add(Line{{x - 3, bottom}, {x + 3, bottom}, Ink::kScale});
    Add(Text{{in_.width - 4, top - 8},
             ScaleText(in_.microvolts_per_division),
             TextStyle::kSmall,
             Ink::kScale,
             Align::kRight});
  }

  // The ends of a measuring drag: a line across the traces at each.
  void AddMeasure() {
    const Rect& traces = layout_.traces;
    for (const int x : {in_.measure_from, in_.measure_to}) {
      if (x >= traces.left && x < traces.right) {
        Add(Line{{x, traces.top}, {x, traces.bottom - 1}, Ink::kMeasure});
      }
    }
  }

  void AddOverview() {
    const Rect& strip = layout_.overview;
    Add(Fill{strip, Ink::kOverviewBack});
    Add(Text{{layout_.traces.left - 8, (strip.top + strip.bottom) / 2},
             "overview",
             TextStyle::kSmall,
             Ink::kFaintText,
             Align::kRight});
    if (in_.records == 0 || strip.width() <= 0 || strip.height() <= 4) {
      return;
    }
    const PageMapping whole{0, in_.records, strip};
    const std::size_t ready = in_.envelope_min != nullptr ? in_.envelope_min->size() : 0;
    const double ready_end = ready > 0 ? static_cast<double>((*in_.envelope_bounds)[ready]) : 0.0;
    if (ready_end < static_cast<double>(in_.records)) {
      Add(Fill{{Pixel(whole.X(ready_end)), strip.top, strip.right, strip.bottom},
               Ink::kOverviewPending});
    }
    const int page_left = Pixel(whole.X(static_cast<double>(in_.first)));
    const int page_right =
        std::max(page_left + 2, Pixel(whole.X(static_cast<double>(in_.first + page_.page))));
    const Rect page{page_left, strip.top, page_right, strip.bottom};
    Add(Fill{page, Ink::kOverviewPage});
    const auto y = [&](std::uint8_t sample) {
      return Pixel(strip.bottom - 3 - (strip.height() - 5) * (sample / 255.0));
    };
    Add(Line{{strip.left, y(kZeroSample)}, {strip.right - 1, y(kZeroSample)}, Ink::kGrid});
    // One bar per column, from the smallest to the largest sample of any channel.
    const std::vector<std::uint64_t>& bounds = *in_.envelope_bounds;
    for (std::size_t c = 0; c < ready; ++c) {
      const int left = Pixel(whole.X(static_cast<double>(bounds[c])));
      const int right = std::max(left + 1, Pixel(whole.X(static_cast<double>(bounds[c + 1]))));
      Add(Fill{{left, y((*in_.envelope_max)[c]), right, y((*in_.envelope_min)[c]) + 1},
               Ink::kEnvelope});
    }
    const int right = page.right - 1;
    const int bottom = page.bottom - 1;
    Add(Line{{page.left, page.top}, {right, page.top}, Ink::kPageFrame});
    Add(Line{{right, page.top}, {right, bottom}, Ink::kPageFrame});
    Add(Line{{right, bottom}, {page.left, bottom}, Ink::kPageFrame});
    Add(Line{{page.left, bottom}, {page.left, page.top}, Ink::kPageFrame});
  }

  void AddHeader() {
    for (std::size_t i = 0; i < in_.header.size(); ++i) {
      Add(Text{{8, static_cast<int>(i) * kHeaderLineHeight + kHeaderLineHeight / 2 + 2},
               in_.header[i].text,
               TextStyle::kNormal,
               in_.header[i].ink,
               Align::kLeft});
    }
  }

  const CanvasInput& in_;
  CanvasLayout layout_;
  PageMapping page_;
  TracePicture picture_;
};

}  // namespace

int LabelColumnWidth(const std::vector<MontageRow>& rows, int width) {
  std::size_t longest = 0;
  for (const MontageRow& row : rows) {
    const std::string label = RowLabelText(row);
    // Characters, not bytes: UTF-8 continuation bytes are not counted.
    const auto characters =
        static_cast<std::size_t>(std::count_if(label.begin(), label.end(), [](char c) {
          return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
        }));
    longest = std::max(longest, characters);
  }
  const int wanted = kLabelPadding + kLabelCharacterWidth * static_cast<int>(longest);
  return std::clamp(wanted, kLabelWidth, std::max(kLabelWidth, width / 3));
}

CanvasLayout::CanvasLayout(int width, int height, int header_lines, int row_count, int label_width)
    : rows(std::max(1, row_count)) {
  header = {0, 0, width, header_lines * kHeaderLineHeight + 4};
  const int right = std::max(label_width, width - kRightMargin);
  const int below = kAxisHeight + kOverviewGap + kOverviewHeight + kBottomMargin;
  traces = {label_width, header.bottom, right, std::max(header.bottom, height - below)};
  axis = {label_width, traces.bottom, right, traces.bottom + kAxisHeight};
  overview = {label_width, axis.bottom + kOverviewGap, right,
              axis.bottom + kOverviewGap + kOverviewHeight};
}

double CanvasLayout::BandHeight() const {
  return traces.height() / static_cast<double>(rows);
}

double CanvasLayout::BandTop(int index) const {
  return traces.top + index * BandHeight();
}

int CanvasLayout::ChannelAt(int y) const {
  if (y < traces.top || y >= traces.bottom || BandHeight() <= 0) {
    return -1;
  }
  return std::min(static_cast<int>((y - traces.top) / BandHeight()), rows - 1);
}

double PageMapping::X(double record) const {
  return area.left +
         (record - static_cast<double>(first)) * area.width() / static_cast<double>(page);
}

std::uint64_t PageMapping::RecordAt(int x) const {
  const int offset = std::clamp(x - area.left, 0, std::max(0, area.width() - 1));
  return first + static_cast<std::uint64_t>(offset) * page /
                     static_cast<std::uint64_t>(std::max(1, area.width()));
}

TracePicture ComposeCanvas(const CanvasInput& input) {
  return Composer(input).Compose();
}

}  // namespace velbrix::trace
