// The spectrum window's canvas: the power spectral density of a page for one row or all rows
// overlaid, in µV²/Hz on a logarithmic axis from 0 Hz to half the sample rate, with the bands of
// the EEG rhythms shaded and named. Only geometry: the densities come from the controller.
#ifndef VELBRIX_WINDOW_TRACE_SPECTRUM_CANVAS_H_
#define VELBRIX_WINDOW_TRACE_SPECTRUM_CANVAS_H_

#include <string>
#include <vector>

#include "window/trace/trace_picture.h"

namespace velbrix::trace {

// Where frequencies and densities lie on the canvas.
struct SpectrumScale {
  Rect plot;
  double top_hz = 128;  // the right end: half the sample rate
  int low_decade = -2;  // the bottom: 10^low_decade µV²/Hz
  int high_decade = 2;  // the top

  // For a canvas of `width` x `height` showing `densities` (all of them positive or 0) up to
  // `top_hz`: whole decades from the largest density down, at most 8 of them.
  SpectrumScale(int width, int height, double top,
                const std::vector<std::vector<double>>& densities);
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

TracePicture ComposeSpectrum(const SpectrumInput& input);

}  // namespace velbrix::trace

#endif  // VELBRIX_WINDOW_TRACE_SPECTRUM_CANVAS_H_
