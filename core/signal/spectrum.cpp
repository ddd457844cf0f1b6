// The Fourier transform and Welch's density.
#include "core/signal/spectrum.h"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <numbers>
#include <utility>

namespace velbrix {
namespace {

using Complex = std::complex<double>;

std::size_t PowerOfTwoAtLeast(std::size_t n) {
  std::size_t p = 1;
  while (p < n) {
    p *= 2;
  }
  return p;
}

}  // namespace

Fft::Fft(std::size_t size) : size_(size) {
  assert(size >= 1);
  const bool power = (size & (size - 1)) == 0;
  padded_ = power ? size : PowerOfTwoAtLeast(2 * size - 1);
  twiddles_.resize(padded_ / 2);
  for (std::size_t k = 0; k < twiddles_.size(); ++k) {
    twiddles_[k] = std::polar(
        1.0, -2 * std::numbers::pi * static_cast<double>(k) / static_cast<double>(padded_));
  }
  if (power) {
    return;
  }
  chirp_.resize(size);
  const std::uint64_t twice = 2 * static_cast<std::uint64_t>(size);
  for (std::size_t n = 0; n < size; ++n) {
    const std::uint64_t square = static_cast<std::uint64_t>(n) * n % twice;  // exact phase
    chirp_[n] = std::polar(
        1.0, -std::numbers::pi * static_cast<double>(square) / static_cast<double>(size));
  }
  kernel_.assign(padded_, Complex());
  kernel_[0] = std::conj(chirp_[0]);
  for (std::size_t n = 1; n < size; ++n) {
    kernel_[n] = kernel_[padded_ - n] = std::conj(chirp_[n]);
  }
  PowerOfTwo(kernel_);
}

void Fft::PowerOfTwo(std::vector<Complex>& data) const {
  const std::size_t n = data.size();
  for (std::size_t i = 1, j = 0; i < n; ++i) {
    std::size_t bit = n >> 1;
    for (; (j & bit) != 0; bit >>= 1) {
      j ^= bit;
    }
    j ^= bit;
    if (i < j) {
      std::swap(data[i], data[j]);
    }
  }
  for (std::size_t length = 2; length <= n; length *= 2) {
    const std::size_t stride = n / length;
    const std::size_t half = length / 2;
    for (std::size_t start = 0; start < n; start += length) {
      for (std::size_t k = 0; k < half; ++k) {
        const Complex odd = data[start + k + half] * twiddles_[k * stride];
        data[start + k + half] = data[start + k] - odd;
        data[start + k] += odd;
      }
    }
  }
}

void Fft::Transform(std::vector<Complex>& data) const {
  assert(data.size() == size_);
  if (chirp_.empty()) {
    PowerOfTwo(data);
    return;
  }
  work_.assign(padded_, Complex());
  for (std::size_t n = 0; n < size_; ++n) {
    work_[n] = data[n] * chirp_[n];
  }
  PowerOfTwo(work_);
  // The inverse transform of the product, through the conjugate: ifft(y) = conj(fft(conj(y))) / n.
  for (std::size_t k = 0; k < padded_; ++k) {
    work_[k] = std::conj(work_[k] * kernel_[k]);
  }
  PowerOfTwo(work_);
  const double scale = 1.0 / static_cast<double>(padded_);
  for (std::size_t k = 0; k < size_; ++k) {
    data[k] = chirp_[k] * std::conj(work_[k]) * scale;
  }
}

std::size_t SpectrumSegment(double rate, std::uint64_t count) {
  const auto two_seconds = static_cast<std::uint64_t>(std::max(1.0, std::round(2 * rate)));
  return static_cast<std::size_t>(std::min(two_seconds, count));
}

Welch::Welch(std::size_t segment, double rate)
    : segment_(segment), rate_(rate), fft_(segment), window_(segment), buffer_(segment) {
  double squares = 0;
  for (std::size_t n = 0; n < segment; ++n) {
    // The periodic Hann window, as scipy.signal.get_window("hann", segment).
    window_[n] = 0.5 - 0.5 * std::cos(2 * std::numbers::pi * static_cast<double>(n) /
                                      static_cast<double>(segment));
    squares += window_[n] * window_[n];
  }
  scale_ = 1 / (rate * squares);
}

std::vector<double> Welch::Frequencies() const {
  std::vector<double> frequencies(segment_ / 2 + 1);
  for (std::size_t k = 0; k < frequencies.size(); ++k) {
    frequencies[k] = static_cast<double>(k) * rate_ / static_cast<double>(segment_);
  }
  return frequencies;
}

void Welch::Density(const double* values, std::size_t count, std::size_t stride,
                    std::vector<double>* density) const {
  assert(count >= segment_);
  const std::size_t overlap = segment_ / 2;
  const std::size_t step = segment_ - overlap;
  const std::size_t segments = (count - overlap) / step;
  density->assign(segment_ / 2 + 1, 0.0);
  for (std::size_t s = 0; s < segments; ++s) {
    const double* x = values + s * step * stride;
    double mean = 0;
    for (std::size_t n = 0; n < segment_; ++n) {
      mean += x[n * stride];
    }
    mean /= static_cast<double>(segment_);
    for (std::size_t n = 0; n < segment_; ++n) {
      buffer_[n] = Complex((x[n * stride] - mean) * window_[n], 0);
    }
    fft_.Transform(buffer_);
    for (std::size_t k = 0; k < density->size(); ++k) {
      (*density)[k] += std::norm(buffer_[k]);
    }
  }
  const std::size_t last = density->size() - 1;
  for (std::size_t k = 0; k <= last; ++k) {
    // One-sided: every frequency but 0 and, for an even segment, rate / 2 stands for two.
    const bool single = k == 0 || (k == last && segment_ % 2 == 0);
    (*density)[k] *= scale_ * (single ? 1 : 2) / static_cast<double>(segments);
  }
}

}  // namespace velbrix
