// Digital filters for reading EEG: Butterworth high- and low-pass filters and a second-order notch,
// as cascades of second-order sections, run forward and then backward so that they shift no phase.
//
// The designs are those of scipy.signal: ButterworthSections(order, cutoff, rate, kind) has the
// response of butter(order, cutoff, kind, fs=rate, output="sos") and NotchSection(frequency,
// quality, rate) the coefficients of iirnotch(frequency, quality, fs=rate).
// SosCascade::FilterZeroPhase over a whole signal gives what sosfiltfilt(sos, x, padlen=0) gives:
// each pass starts in the steady state of its first value.
#ifndef VELBRIX_CORE_SIGNAL_ZERO_PHASE_FILTER_H_
#define VELBRIX_CORE_SIGNAL_ZERO_PHASE_FILTER_H_

#include <cstddef>
#include <cstdint>
#include <vector>

namespace velbrix {

// y[n] = b0 x[n] + b1 x[n-1] + b2 x[n-2] - a1 y[n-1] - a2 y[n-2] (a0 = 1).
struct Biquad {
  double b0 = 1;
  double b1 = 0;
  double b2 = 0;
  double a1 = 0;
  double a2 = 0;
};

enum class PassKind { kHighPass, kLowPass };

// The Butterworth filter of `order` (1 or more) with its -3 dB point at `cutoff` Hz, by the
// bilinear transform with the cutoff pre-warped: order / 2 sections (and one of first order for
// an odd order), each of gain 1 where the filter passes (0 Hz for a low-pass, rate / 2 for a
// high-pass). Requires 0 < cutoff < rate / 2.
std::vector<Biquad> ButterworthSections(int order, double cutoff, double rate, PassKind kind);

// The second-order notch at `frequency` Hz whose -3 dB band is frequency / quality wide. Requires
// 0 < frequency < rate / 2 and quality > 0.
Biquad NotchSection(double frequency, double quality, double rate);

// The samples that a zero-phase run of `sections` must see on each side of a sample so that its
// value lies within `tolerance` of the run over the whole signal, for signals whose values stay
// within `largest` of 0 (the signal before its start and after its end included). It is the
// smallest n for which 4 * largest * |h|_1 * sum over m >= n of |h[m]| <= tolerance, h being the
// impulse response of the cascade, its tail bounded by its poles; 0 without sections.
std::uint64_t ZeroPhaseMargin(const std::vector<Biquad>& sections, double largest,
                              double tolerance);

// The state of a cascade of sections for `channels` signals filtered side by side, whose samples
// come as frames: one value per channel.
class SosCascade {
 public:
  SosCascade(std::vector<Biquad> sections, std::size_t channels);

  std::size_t channels() const { return channels_; }
  bool empty() const { return sections_.empty(); }
  // The steady state of the cascade with every channel's input held at its value in `frame`.
  void Settle(const double* frame);
  // Filters `count` frames in place, from the first to the last, or from the last to the first
  // when `backward`, going on from the current state.
  void Run(double* frames, std::size_t count, bool backward);
  // Forward from the steady state of the first frame, then backward from that of the last.
  void FilterZeroPhase(double* frames, std::size_t count);

  const std::vector<double>& state() const { return state_; }
  void set_state(const std::vector<double>& state) { state_ = state; }

 private:
  std::vector<Biquad> sections_;
  std::size_t channels_;
  // Per section, the channels' first delay values and then their second ones.
  std::vector<double> state_;
};

}  // namespace velbrix

#endif  // VELBRIX_CORE_SIGNAL_ZERO_PHASE_FILTER_H_
