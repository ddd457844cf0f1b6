// Each channel's smallest and largest sample over a run of records: the step that both the page
// columns and the overview repeat over every record they cover.
#ifndef VELBRIX_CORE_TRACE_RECORD_EXTREMES_H_
#define VELBRIX_CORE_TRACE_RECORD_EXTREMES_H_

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "core/base/record.h"

namespace velbrix {

struct RecordExtremes {
  // In record order; before any record is added, min holds 255 and max 0 everywhere.
  std::array<std::uint8_t, kChannelCount> min;
  std::array<std::uint8_t, kChannelCount> max;

  RecordExtremes() {
    min.fill(255);
    max.fill(0);
  }

  // Takes in `count` whole records at `records` (32 bytes each).
  void Add(const std::uint8_t* records, std::size_t count) {
    // Two 16-byte vectors per record, kept in registers (GCC's vector extension: pminub and
    // pmaxub on x86). Members would be written back for every record, since bytes may alias.
    using Bytes = std::uint8_t __attribute__((vector_size(16)));
    Bytes lo[2];
    Bytes hi[2];
    std::memcpy(lo, min.data(), sizeof(lo));
    std::memcpy(hi, max.data(), sizeof(hi));
    for (std::size_t r = 0; r < count; ++r, records += kRecordSize) {
      for (int half = 0; half < 2; ++half) {
        Bytes sample;
        std::memcpy(&sample, records + 16 * half, sizeof(sample));
        lo[half] = sample < lo[half] ? sample : lo[half];
        hi[half] = sample > hi[half] ? sample : hi[half];
      }
    }
    std::memcpy(min.data(), lo, sizeof(lo));
    std::memcpy(max.data(), hi, sizeof(hi));
  }
  // The smallest of all channels' minima and the largest of their maxima. (Plain loops, which the
  // compiler turns into vector reductions, where std::min_element would go byte by byte.)
  std::uint8_t Lowest() const {
    std::uint8_t lowest = 255;
    for (std::uint8_t m : min) {
      lowest = m < lowest ? m : lowest;
    }
    return lowest;
  }
  std::uint8_t Highest() const {
    std::uint8_t highest = 0;
    for (std::uint8_t m : max) {
      highest = m > highest ? m : highest;
    }
    return highest;
  }
  // Takes in the extremes `lo` and `hi` of further records (32 bytes each, in record order).
  void Add(const std::uint8_t* lo, const std::uint8_t* hi) {
    for (std::size_t i = 0; i < kChannelCount; ++i) {
      min[i] = lo[i] < min[i] ? lo[i] : min[i];
      max[i] = hi[i] > max[i] ? hi[i] : max[i];
    }
  }
};

}  // namespace velbrix

#endif  // VELBRIX_CORE_TRACE_RECORD_EXTREMES_H_
