// What the benchmarks share: a made-up recording of any size, timing, and ending on a failure.
#ifndef VELBRIX_BENCH_BENCH_SUPPORT_H_
#define VELBRIX_BENCH_BENCH_SUPPORT_H_

#include <cstddef>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace velbrix::bench {

inline constexpr std::size_t kMiB = 1024 * 1024;

// Prints "<program>: <message>" on stderr and ends the program with status 1.
[[noreturn]] void Die(const std::string& message);

// Writes a recording of `bytes` bytes of EEG-like samples to `path`, block by block: slow waves,
// each channel its own, and noise. The same bytes every time. Dies when it cannot.
void WriteRecording(const std::filesystem::path& path, std::size_t bytes);

// How long `work` takes, in seconds.
double Seconds(const std::function<void()>& work);

// The median of `values`, which must not be empty.
double Median(std::vector<double> values);

}  // namespace velbrix::bench

#endif  // VELBRIX_BENCH_BENCH_SUPPORT_H_
