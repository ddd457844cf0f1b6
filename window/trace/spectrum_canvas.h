// The spectrum window's canvas: the power spectral density of a page for one row or all rows
// overlaid, in µV²/Hz on a logarithmic axis from 0 Hz to half the sample rate, with the bands of
// the EEG rhythms shaded and named. Only geometry: the densities come from the controller.
//
// Its texts never overlap at any size: the title takes as many lines as it needs to show whole,
// the density's unit and the bands' names have rows of their own above the plot (a name that
// does not fit beside the one before it goes a row up), and figures too close together are
// thinned. Their extents are estimated from the
// characters (EstimatedTextBox), so the layout is the same in both windows and testable without
// a toolkit.
#ifndef VELBRIX_WINDOW_TRACE_SPECTRUM_CANVAS_H_
#define VELBRIX_WINDOW_TRACE_SPECTRUM_CANVAS_H_

#include <string>
#include <vector>

#include "window/trace/trace_picture.h"

namespace velbrix::trace {

// The plot's top below a title of one line and one row of the bands' names; a longer title or
// more rows of names push it down.
inline constexpr int kSpectrumPlotTop = 42;

// Where frequencies and densities lie on the canvas.
struct SpectrumScale {
  Rect plot;
  double top_hz = 128;  // the right end: half the sample rate
  int low_decade = -2;  // the bottom: 10^low_decade µV²/Hz
  int high_decade = 2;  // the top

  // For a canvas of `width` x `height` showing `densities` (all of them positive or 0) up to
  // `top_hz`: whole decades from the largest density down, at most 8 of them. The plot begins at
  // `plot_top`: the top of the picture's `traces` that ComposeSpectrum made.
  SpectrumScale(int width, int height, double top,
                const std::vector<std::vector<double>>& densities, int plot_top = kSpectrumPlotTop);
  double X(double hz) const;
  double Y(double density) const;
  double HzAt(int x) const;
  double DensityAt(int y) const;
};

struct SpectrumInput {
  int width = 0;
  int height = 0;
  std::string title;    // above the plot
  std::string message;  // instead of the plot when there are no densities
  double rate = 256;
  std::vector<double> frequencies;
  std::vector<std::vector<double>> densities;  // one per curve, each frequencies.size() long
  int highlighted = -1;                        // the curve drawn over the others, or -1
};

// The picture's `traces` is the plot.
TracePicture ComposeSpectrum(const SpectrumInput& input);

// The box `text` takes on a canvas, estimated from its characters generously enough for both
// windows' fonts at 96 dpi.
Rect EstimatedTextBox(const Text& text);

}  // namespace velbrix::trace

#endif  // VELBRIX_WINDOW_TRACE_SPECTRUM_CANVAS_H_
