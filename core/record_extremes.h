// Each channel's smallest and largest sample over a run of records: the step that both the page
// columns and the overview repeat over every record they cover.
#ifndef VELBRIX_CORE_RECORD_EXTREMES_H_
#define VELBRIX_CORE_RECORD_EXTREMES_H_

#include <array>
#include <cstddef>
#include <cstdint>

#include "core/record.h"

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
    // A fixed 32 bytes at a time, which the compiler turns into a few vector instructions.
    for (std::size_t r = 0; r < count; ++r, records += kRecordSize) {
      for (std::size_t i = 0; i < kChannelCount; ++i) {
        min[i] = records[i] < min[i] ? records[i] : min[i];
        max[i] = records[i] > max[i] ? records[i] : max[i];
      }
    }
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

#endif  // VELBRIX_CORE_RECORD_EXTREMES_H_
