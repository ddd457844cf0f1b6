// The trace window's scales and the texts of its figures: the page lengths and amplitudes on
// offer, the spacing of the time axis, and how times, values and the sample rate are written.
#ifndef VELBRIX_WINDOW_TRACE_TRACE_SCALES_H_
#define VELBRIX_WINDOW_TRACE_TRACE_SCALES_H_

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "core/signal/montage.h"

namespace velbrix::trace {

inline constexpr double kDefaultSampleRate = 256;  // Hz
inline constexpr double kHighestSampleRate = 1e6;  // Hz
inline constexpr double kStartPageSeconds = 10;
// Page lengths on offer, in seconds; the choice also ends in the whole recording. An entry is
// offered while it holds at least kFewestPageRecords and fewer records than the recording.
inline constexpr std::array<double, 23> kPageSeconds = {
    0.02, 0.05, 0.1, 0.2,  0.5,  1,    2,    5,     10,    20,    30,   60,
    120,  300,  600, 1200, 1800, 3600, 7200, 14400, 28800, 43200, 86400};
inline constexpr std::uint64_t kFewestPageRecords = 4;
inline constexpr char kWholeRecordingText[] = "Whole recording";
// Amplitudes on offer, in microvolts per division (a division is the distance between two
// channels' zero lines); the choice also ends in kFitPageText.
inline constexpr std::array<double, 12> kMicrovoltsPerDivision = {1,   2,   5,   10,   20,   50,
                                                                  100, 200, 500, 1000, 2000, 5000};
inline constexpr char kFitPageText[] = "Fit page";

// "0.02 s", "30 s", "1 min", "2 h".
std::string PageLengthText(double seconds);
// "100 µV/div".
std::string AmplitudeText(double microvolts_per_division);
// The calibration bar's figure, one division: "100 µV".
std::string ScaleText(double microvolts_per_division);
// A row's label as drawn: with the factor it is drawn at when that is not 1, "C4-avg ×2", so
// that the calibration bar is read rightly for it.
std::string RowLabelText(const MontageRow& row);
// A time in seconds with as many decimals as tell records at `rate` apart: "1.000 s" at 256 Hz.
std::string TimeText(double seconds, double rate);
// The step between the time axis's ticks, in seconds: the shortest of 1, 2, 5 times a power of
// ten (or a whole number of minutes or hours) that keeps ticks `min_pixels` apart.
double TickSeconds(double seconds_per_pixel, int min_pixels);
// A tick's figure, a time from the recording's start: seconds ("12.5 s") while `clock` is false,
// otherwise always hours, minutes and seconds ("0:17:16", "2:05:00.5"), so that it never reads as
// a time of day, with the decimals that `step` needs.
std::string AxisTimeText(double seconds, double step, bool clock);
// The sample rate as the field and the messages show it, in plain decimals: "256", "250.5",
// "1000000".
std::string SampleRateText(double rate);

}  // namespace velbrix::trace

#endif  // VELBRIX_WINDOW_TRACE_TRACE_SCALES_H_
