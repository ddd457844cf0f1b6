#include "core/signal/spectrum.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <numbers>
#include <vector>

namespace velbrix {
namespace {

TEST(SpectrumTest, FftEqualsTheDefiningSumForEveryLength) {
  for (const std::size_t size : {1u, 2u, 8u, 7u, 300u, 501u}) {
    std::vector<std::complex<double>> x(size);
    for (std::size_t n = 0; n < size; ++n) {
      x[n] = {std::sin(0.3 * static_cast<double>(n * n)), std::cos(1.7 * static_cast<double>(n))};
    }
    std::vector<std::complex<double>> transformed = x;
    Fft(size).Transform(transformed);
    for (std::size_t k = 0; k < size; ++k) {
      std::complex<double> sum;
      for (std::size_t n = 0; n < size; ++n) {
        sum += x[n] * std::polar(1.0, -2 * std::numbers::pi * static_cast<double>(k * n % size) /
                                          static_cast<double>(size));
      }
      EXPECT_LT(std::abs(transformed[k] - sum), 1e-9) << size << " " << k;
    }
  }
}

TEST(SpectrumTest, ASinePeaksAtItsFrequencyWithItsPower) {
  constexpr double kRate = 256;
  constexpr double kAmplitude = 40;
  std::vector<double> x(10 * 256);
  for (std::size_t n = 0; n < x.size(); ++n) {
    x[n] = 7 + kAmplitude * std::sin(2 * std::numbers::pi * 10 * static_cast<double>(n) / kRate);
  }
  const Welch welch(SpectrumSegment(kRate, x.size()), kRate);
  ASSERT_EQ(welch.segment(), 512u);
  std::vector<double> density;
  welch.Density(x.data(), x.size(), 1, &density);
  const std::vector<double> frequencies = welch.Frequencies();
  const auto peak = std::max_element(density.begin(), density.end()) - density.begin();
  EXPECT_EQ(frequencies[static_cast<std::size_t>(peak)], 10.0);
  // The density summed over the peak's bins is the sine's power, A^2 / 2; the mean is gone.
  double power = 0;
  for (auto k = peak - 2; k <= peak + 2; ++k) {
    power += density[static_cast<std::size_t>(k)] * (frequencies[1] - frequencies[0]);
  }
  EXPECT_NEAR(power, kAmplitude * kAmplitude / 2, 1e-6 * power);
  EXPECT_LT(density[0], 1e-20);
  EXPECT_EQ(SpectrumSegment(kRate, 300), 300u);  // a page under 2 s
  EXPECT_EQ(SpectrumSegment(250.5, 100000), 501u);
}

}  // namespace
}  // namespace velbrix
