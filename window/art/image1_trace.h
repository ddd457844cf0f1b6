// The drawing that the window's picture Image1 shows: three short EEG traces, one above the
// other, on a transparent ground. Toolkit-free data for every window to draw with its own painter.
//
// Coordinates are twips in the drawing's own frame of 600 x 707 twips, x to the right and y
// downwards from its top-left corner. A window draws the drawing at that natural size from the
// control's top-left corner (15 twips to a pixel at 96 dpi), never stretched, without a border.
#ifndef VELBRIX_WINDOW_ART_IMAGE1_TRACE_H_
#define VELBRIX_WINDOW_ART_IMAGE1_TRACE_H_

#include <array>

namespace velbrix::art {

inline constexpr int kImage1Width = 600;   // twips
inline constexpr int kImage1Height = 707;  // twips
inline constexpr int kTracePenWidth = 22;  // twips

struct Colour {
  unsigned char red, green, blue;
};

// One trace: its colour, and its points from left to right, the i-th at x = kTraceLeft + i *
// kTraceStep and y = y[i].
struct Trace {
  Colour colour;
  std::array<int, 19> y;
};
inline constexpr int kTraceLeft = 30;  // twips
inline constexpr int kTraceStep = 30;  // twips

// A rhythm on top, a spike in the middle, a slow wave below.
inline constexpr std::array<Trace, 3> kImage1Traces = {{
    {{0, 0, 192},
     {130, 80, 150, 190, 120, 70, 130, 185, 140, 75, 110, 180, 160, 90, 100, 170, 170, 100, 130}},
    {{128, 0, 0},
     {353, 340, 365, 350, 345, 360, 250, 470, 330, 355, 345, 360, 350, 340, 365, 350, 345, 360,
      353}},
    {{0, 128, 0},
     {570, 540, 515, 505, 515, 545, 580, 615, 640, 650, 640, 610, 575, 540, 515, 505, 520, 550,
      575}},
}};

static_assert(kTraceLeft + 18 * kTraceStep < kImage1Width);

}  // namespace velbrix::art

#endif  // VELBRIX_WINDOW_ART_IMAGE1_TRACE_H_
