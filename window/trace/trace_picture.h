// The trace window's canvas as a list of drawing steps in pixels, which the controller composes
// and each toolkit's view carries out in order: fill a rectangle, draw a line or a polyline, write
// a text. Colours are named by their role (Ink) and given once, for both windows, by InkColour.
//
// Lines and polylines are one pixel wide, without anti-aliasing. A text's anchor is the middle of
// its left end, centre or right end (Align) at its vertical centre. A polyline is drawn only
// within its clip rectangle.
#ifndef VELBRIX_WINDOW_TRACE_TRACE_PICTURE_H_
#define VELBRIX_WINDOW_TRACE_TRACE_PICTURE_H_

#include <string>
#include <variant>
#include <vector>

namespace velbrix::trace {

struct Point {
  int x = 0;
  int y = 0;
  bool operator==(const Point&) const = default;
};

// Left and top inside, right and bottom just outside.
struct Rect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
  int width() const { return right - left; }
  int height() const { return bottom - top; }
  bool Contains(int x, int y) const { return x >= left && x < right && y >= top && y < bottom; }
  bool operator==(const Rect&) const = default;
};

enum class Ink {
  kBackground,       // the canvas
  kBand,             // every other channel's band, faintly
  kHighlightBand,    // the band of the highlighted channel
  kGrid,             // the seconds, across the traces
  kAxis,             // the axis line and its ticks
  kTrace,            // a channel's samples
  kHighlightTrace,   // the highlighted channel's samples
  kLabel,            // channel names
  kHighlightLabel,   // the highlighted channel's name
  kText,             // the header and the axis figures
  kFaintText,        // record numbers and the axis legends
  kWarning,          // bytes left out
  kError,            // a recording that cannot be read
  kOverviewBack,     // the overview strip
  kOverviewPending,  // the part of the strip not yet computed
  kOverviewPage,     // the page shown, on the strip
  kEnvelope,         // the envelope of all channels
  kMeasure,          // the ends of a measuring drag
  kDeltaBand,        // the spectrum's bands of EEG rhythms
  kThetaBand,
  kAlphaBand,
  kBetaBand,
  kScale,          // the calibration bar: one division's height, and its µV
  kEvent,          // an event's line, label and tick on the strip
  kSelectedEvent,  // the event chosen in the Events list or walked to
  kEventSpan,      // the band under an event that lasts
  kPageFrame,      // the outline of the page shown, on the strip; the last ink, which counts them
};

struct Rgb {
  int red;
  int green;
  int blue;
};

Rgb InkColour(Ink ink);

enum class TextStyle {
  kNormal,  // channel labels and the header
  kBold,    // the highlighted channel's label
  kSmall,   // the axis figures
};

enum class Align { kLeft, kCentre, kRight };

struct Fill {
  Rect rect;
  Ink ink;
};

struct Line {
  Point from;
  Point to;  // drawn too
  Ink ink;
};

struct Polyline {
  std::vector<Point> points;
  Ink ink;
  Rect clip;
};

struct Text {
  Point anchor;
  std::string text;  // UTF-8
  TextStyle style;
  Ink ink;
  Align align;
};

using Step = std::variant<Fill, Line, Polyline, Text>;

struct TracePicture {
  int width = 0;
  int height = 0;
  std::vector<Step> steps;  // in drawing order, beginning with a Fill of the whole canvas
  Rect traces;              // where the channels are drawn
  Rect overview;            // the overview strip
};

}  // namespace velbrix::trace

#endif  // VELBRIX_WINDOW_TRACE_TRACE_PICTURE_H_
