// Designing the filters' sections, bounding their settling, and running them.
#include "core/signal/zero_phase_filter.h"

#include <cassert>
#include <cmath>
#include <complex>
#include <numbers>
#include <utility>

namespace velbrix {
namespace {

using Complex = std::complex<double>;

// A section whose poles are `pole` and its conjugate, or `pole` alone when it is real and
// `single`.
Biquad SectionOfPole(Complex pole, bool single) {
  Biquad section;
  if (single) {
    section.a1 = -pole.real();
  } else {
    section.a1 = -2 * pole.real();
    section.a2 = std::norm(pole);
  }
  return section;
}

Complex Numerator(const Biquad& s, Complex w) {
  return s.b0 + w * (s.b1 + w * s.b2);
}

Complex Denominator(const Biquad& s, Complex w) {
  return 1.0 + w * (s.a1 + w * s.a2);
}

struct Pole {
  Complex at;
  Complex residue;
};

// The poles of the cascade with their residues: h[n] = sum of residue * at^n for n >= 1.
std::vector<Pole> PolesOf(const std::vector<Biquad>& sections) {
  std::vector<Pole> poles;
  for (std::size_t k = 0; k < sections.size(); ++k) {
    const Biquad& s = sections[k];
    std::vector<Complex> roots;
    if (s.a2 == 0) {
      if (s.a1 != 0) {
        roots.push_back(-s.a1);
      }
    } else {
      const Complex root = std::sqrt(Complex(s.a1 * s.a1 - 4 * s.a2));
      roots.push_back((-s.a1 + root) / 2.0);
      roots.push_back((-s.a1 - root) / 2.0);
    }
    for (std::size_t i = 0; i < roots.size(); ++i) {
      const Complex p = roots[i];
      const Complex w = 1.0 / p;
      Complex residue = Numerator(s, w);
      if (roots.size() == 2) {
        residue /= 1.0 - roots[1 - i] * w;
      }
      for (std::size_t j = 0; j < sections.size(); ++j) {
        if (j != k) {
          residue *= Numerator(sections[j], w) / Denominator(sections[j], w);
        }
      }
      poles.push_back({p, residue});
    }
  }
  return poles;
}

// An upper bound of the sum of |h[m]| over m >= n (n >= 1).
double TailBound(const std::vector<Pole>& poles, double n) {
  double sum = 0;
  for (const Pole& pole : poles) {
    const double radius = std::abs(pole.at);
    sum += std::abs(pole.residue) * std::exp(n * std::log(radius)) / (1 - radius);
  }
  return sum;
}

}  // namespace

std::vector<Biquad> ButterworthSections(int order, double cutoff, double rate, PassKind kind) {
  assert(order >= 1 && cutoff > 0 && cutoff < rate / 2);
  const double warped = 2 * rate * std::tan(std::numbers::pi * cutoff / rate);
  std::vector<Biquad> sections;
  // The analog prototype's poles -exp(i pi m / (2 order)), m = order - 1, order - 3, ... > -1:
  // one of each conjugate pair, and -1 for m = 0.
  for (int m = order - 1; m >= 0; m -= 2) {
    const Complex prototype = -std::exp(Complex(0, std::numbers::pi * m / (2.0 * order)));
    const Complex analog = kind == PassKind::kLowPass ? warped * prototype : warped / prototype;
    const Complex digital = (2 * rate + analog) / (2 * rate - analog);
    Biquad section = SectionOfPole(digital, m == 0);
    // Zeros at z = -1 (low-pass) or z = 1 (high-pass), and gain 1 where the filter passes.
    const double sign = kind == PassKind::kLowPass ? 1 : -1;
    const double passing = 1 + sign * section.a1 + section.a2;  // A at z = sign
    if (m == 0) {
      section.b0 = passing / 2;
      section.b1 = sign * passing / 2;
    } else {
      section.b0 = passing / 4;
      section.b1 = sign * passing / 2;
      section.b2 = passing / 4;
    }
    sections.push_back(section);
  }
  return sections;
}

Biquad NotchSection(double frequency, double quality, double rate) {
  assert(frequency > 0 && frequency < rate / 2 && quality > 0);
  const double centre = 2 * std::numbers::pi * frequency / rate;
  const double band = centre / quality;
  const double gain = 1 / (1 + std::tan(band / 2));
  return {gain, -2 * gain * std::cos(centre), gain, -2 * gain * std::cos(centre), 2 * gain - 1};
}

std::uint64_t ZeroPhaseMargin(const std::vector<Biquad>& sections, double largest,
                              double tolerance) {
  if (sections.empty()) {
    return 0;
  }
  const std::vector<Pole> poles = PolesOf(sections);
  double first = 1;  // h[0]
  for (const Biquad& s : sections) {
    first *= s.b0;
  }
  const double l1 = std::abs(first) + TailBound(poles, 1);
  const auto fits = [&](double n) { return 4 * largest * l1 * TailBound(poles, n) <= tolerance; };
  double high = 1;
  while (!fits(high) && high < 1e15) {
    high *= 2;
  }
  double low = high / 2;  // does not fit, unless high is 1
  if (high == 1) {
    return 1;
  }
  while (high - low > 1) {
    const double middle = std::floor((low + high) / 2);
    (fits(middle) ? high : low) = middle;
  }
  return static_cast<std::uint64_t>(high);
}

SosCascade::SosCascade(std::vector<Biquad> sections, std::size_t channels)
    : sections_(std::move(sections)),
      channels_(channels),
      state_(sections_.size() * 2 * channels, 0.0) {}

void SosCascade::Settle(const double* frame) {
  std::vector<double> input(frame, frame + channels_);
  for (std::size_t k = 0; k < sections_.size(); ++k) {
    const Biquad& s = sections_[k];
    const double gain = (s.b0 + s.b1 + s.b2) / (1 + s.a1 + s.a2);
    double* z1 = &state_[k * 2 * channels_];
    double* z2 = z1 + channels_;
    for (std::size_t c = 0; c < channels_; ++c) {
      z2[c] = (s.b2 - s.a2 * gain) * input[c];
      z1[c] = (gain - s.b0) * input[c];
      input[c] *= gain;
    }
  }
}

void SosCascade::Run(double* frames, std::size_t count, bool backward) {
  const std::size_t channels = channels_;
  for (std::size_t i = 0; i < count; ++i) {
    double* frame = frames + (backward ? count - 1 - i : i) * channels;
    for (std::size_t k = 0; k < sections_.size(); ++k) {
      const Biquad s = sections_[k];
      double* z1 = &state_[k * 2 * channels];
      double* z2 = z1 + channels;
      for (std::size_t c = 0; c < channels; ++c) {
        const double x = frame[c];
        const double y = s.b0 * x + z1[c];
        z1[c] = s.b1 * x - s.a1 * y + z2[c];
        z2[c] = s.b2 * x - s.a2 * y;
        frame[c] = y;
      }
    }
  }
}

void SosCascade::FilterZeroPhase(double* frames, std::size_t count) {
  if (count == 0 || sections_.empty()) {
    return;
  }
  Settle(frames);
  Run(frames, count, false);
  Settle(frames + (count - 1) * channels_);
  Run(frames, count, true);
}

}  // namespace velbrix
