// Benchmark figures of the window's runs: what running on the window's background thread costs
// against the same run from the command line, and how soon a stop request takes effect.
#ifndef VELBRIX_BENCH_WINDOW_BENCH_H_
#define VELBRIX_BENCH_WINDOW_BENCH_H_

#include <filesystem>

namespace velbrix::bench {

// Converts all channels of `recording` into `dir` `repeat` times each way, alternating, from the
// window's controller (a worker thread, progress posted back to the window's thread) and through
// the command line's batch run, and prints the medians and their ratio.
void PrintWindowRunCost(const std::filesystem::path& recording, const std::filesystem::path& dir,
                        int repeat);

// Starts runs over all channels of `recording` from the window's controller and, once each has
// read a tenth, half and nine tenths of the recording, asks it to stop as Escape and Yes do; prints
// the time from the request until the window is back in Idle with the temporaries gone.
void PrintStopLatency(const std::filesystem::path& recording, const std::filesystem::path& dir);

}  // namespace velbrix::bench

#endif  // VELBRIX_BENCH_WINDOW_BENCH_H_
