// The benchmarks' shared helpers.
#include "bench/bench_support.h"

#include <algorithm>
#include <cerrno>  // program_invocation_short_name
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>

namespace velbrix::bench {

void Die(const std::string& message) {
  std::fprintf(stderr, "%s: %s\n", program_invocation_short_name, message.c_str());
  std::exit(1);
}

void WriteRecording(const std::filesystem::path& path, std::size_t bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  std::vector<char> block(kMiB);
  std::uint32_t state = 12345;
  for (std::size_t written = 0; written < bytes;) {
    const std::size_t n = std::min(block.size(), bytes - written);
    for (std::size_t i = 0; i < n; ++i) {
      state = state * 1664525u + 1013904223u;
      const std::size_t offset = written + i;
      const int wave = static_cast<int>((offset / 32 + (offset % 32) * 9) % 64) - 32;
      block[i] = static_cast<char>(127 + wave + static_cast<int>(state >> 29));
    }
    out.write(block.data(), static_cast<std::streamsize>(n));
    written += n;
  }
  if (!out) {
    Die("cannot write " + path.string());
  }
}

double Seconds(const std::function<void()>& work) {
  const auto start = std::chrono::steady_clock::now();
  work();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

}  // namespace velbrix::bench
