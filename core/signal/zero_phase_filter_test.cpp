#include "core/signal/zero_phase_filter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

#include "core/trace/filtered_page.h"

namespace velbrix {
namespace {

constexpr double kRate = 256;

std::vector<double> Sine(double frequency, double amplitude, std::size_t count) {
  std::vector<double> x(count);
  for (std::size_t n = 0; n < count; ++n) {
    x[n] = amplitude * std::sin(2 * std::numbers::pi * frequency * static_cast<double>(n) / kRate);
  }
  return x;
}

// The largest magnitude of `x` farther than `margin` from its ends.
double Reach(const std::vector<double>& x, std::size_t margin) {
  double most = 0;
  for (std::size_t n = margin; n + margin < x.size(); ++n) {
    most = std::max(most, std::abs(x[n]));
  }
  return most;
}

std::vector<double> Filtered(std::vector<double> x, const FilterChoice& choice) {
  SosCascade cascade(FilterSections(choice, kRate), 1);
  cascade.FilterZeroPhase(x.data(), x.size());
  return x;
}

TEST(ZeroPhaseFilterTest, TenHertzPassesTheReadingFiltersUnchanged) {
  const std::vector<double> x = Sine(10, 100, 60 * 256);
  const std::vector<double> y = Filtered(x, {0.5, 70, 50});
  double worst = 0;
  for (std::size_t n = 2000; n + 2000 < x.size(); ++n) {
    worst = std::max(worst, std::abs(y[n] - x[n]));
  }
  EXPECT_LT(worst, 1.0);  // 1 % of the amplitude, without a shift of phase
}

TEST(ZeroPhaseFilterTest, NotchRemovesFiftyHertzToBelowOnePercent) {
  const auto margin = static_cast<std::size_t>(FilterMargin(FilterSections({0, 0, 50}, kRate)));
  EXPECT_LT(Reach(Filtered(Sine(50, 100, 60 * 256), {0, 0, 50}), margin), 1.0);
  EXPECT_LT(Reach(Filtered(Sine(60, 100, 60 * 256), {0, 0, 60}), margin), 1.0);
}

TEST(ZeroPhaseFilterTest, HighPassRemovesASlowDrift) {
  const std::vector<double> drift = Sine(0.05, 200, 600 * 256);
  const auto margin = static_cast<std::size_t>(FilterMargin(FilterSections({0.5, 0, 0}, kRate)));
  EXPECT_LT(Reach(Filtered(drift, {0.5, 0, 0}), margin), 2.0);
  EXPECT_GT(Reach(Filtered(drift, {0.01, 0, 0}), margin), 150.0);  // a lower cutoff keeps it
}

TEST(ZeroPhaseFilterTest, SectionsPassTheirBandWithGainOne) {
  // A constant passes a low-pass and the notch, and the alternating signal a high-pass.
  const std::vector<double> constant(4000, 50.0);
  EXPECT_NEAR(Filtered(constant, {0, 15, 50})[2000], 50.0, 1e-9);
  std::vector<double> alternating(4000);
  for (std::size_t n = 0; n < alternating.size(); ++n) {
    alternating[n] = n % 2 == 0 ? 50.0 : -50.0;
  }
  EXPECT_NEAR(Filtered(alternating, {5, 0, 0})[2000], 50.0, 1e-9);
  EXPECT_EQ(ButterworthSections(4, 30, kRate, PassKind::kLowPass).size(), 2u);
  EXPECT_EQ(ButterworthSections(3, 30, kRate, PassKind::kHighPass).size(), 2u);
}

TEST(ZeroPhaseFilterTest, MarginGrowsAsTheHighPassFallsAndIsZeroWithoutFilters) {
  EXPECT_EQ(FilterMargin({}), 0u);
  const std::uint64_t slow = FilterMargin(FilterSections({0.1, 0, 0}, kRate));
  const std::uint64_t fast = FilterMargin(FilterSections({1, 0, 0}, kRate));
  EXPECT_GT(slow, 5 * fast);
  EXPECT_LT(slow, 60 * 256u);  // under a minute at 256 Hz
}

}  // namespace
}  // namespace velbrix
