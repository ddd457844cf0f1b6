// The power spectral density of a signal by Welch's method, and the discrete Fourier transform it
// rests on, for signals of any length.
//
// WelchDensity(x, rate, segment) gives what scipy.signal.welch(x, rate, window="hann",
// nperseg=segment, noverlap=segment // 2) gives with its other defaults: periodic Hann windows,
// each segment's mean removed, a one-sided density in units squared per hertz, the mean over the
// segments.
#ifndef VELBRIX_CORE_SIGNAL_SPECTRUM_H_
#define VELBRIX_CORE_SIGNAL_SPECTRUM_H_

#include <array>
#include <complex>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace velbrix {

// The discrete Fourier transform of one length, planned once: X[k] = sum of x[n] e^(-2 pi i k n /
// size). Powers of two by radix 2, other lengths through a chirp (Bluestein) of a power of two.
class Fft {
 public:
  // Requires size >= 1.
  explicit Fft(std::size_t size);
  std::size_t size() const { return size_; }
  // Transforms `data` (size() values) in place.
  void Transform(std::vector<std::complex<double>>& data) const;

 private:
  void PowerOfTwo(std::vector<std::complex<double>>& data) const;

  std::size_t size_;
  std::size_t padded_;                          // the power of two transformed
  std::vector<std::complex<double>> twiddles_;  // e^(-2 pi i k / padded), k < padded / 2
  std::vector<std::complex<double>> chirp_;     // e^(-pi i n^2 / size), n < size (Bluestein)
  std::vector<std::complex<double>> kernel_;    // the transform of the conjugate chirp
  mutable std::vector<std::complex<double>> work_;
};

// Welch's density of a signal, and the frequencies it is given at.
class Welch {
 public:
  // Segments of `segment` samples (at least 1) at `rate` Hz.
  Welch(std::size_t segment, double rate);
  std::size_t segment() const { return segment_; }
  // segment / 2 + 1 frequencies, k * rate / segment.
  std::vector<double> Frequencies() const;
  // The density of `count` samples at `values`, `stride` apart (count >= segment), into
  // segment / 2 + 1 values.
  void Density(const double* values, std::size_t count, std::size_t stride,
               std::vector<double>* density) const;

 private:
  std::size_t segment_;
  double rate_;
  Fft fft_;
  std::vector<double> window_;
  double scale_ = 0;  // 1 / (rate * sum of the window's squares)
  mutable std::vector<std::complex<double>> buffer_;
};

// Samples per segment for a page of `count` samples at `rate` Hz: 2 s (rounded to a whole sample)
// or the page, if shorter. Requires count >= 1.
std::size_t SpectrumSegment(double rate, std::uint64_t count);

struct FrequencyBand {
  std::string_view name;
  double from;  // Hz
  double to;    // Hz
};

// The bands of EEG rhythms: delta 0.5-4 Hz, theta 4-8 Hz, alpha 8-13 Hz, beta 13-30 Hz.
inline constexpr std::array<FrequencyBand, 4> kEegBands = {{
    {"delta", 0.5, 4},
    {"theta", 4, 8},
    {"alpha", 8, 13},
    {"beta", 13, 30},
}};

}  // namespace velbrix

#endif  // VELBRIX_CORE_SIGNAL_SPECTRUM_H_
