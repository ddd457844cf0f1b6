#include "core/formats/edf_samples.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "core/base/record.h"
#include "core/formats/edf_header.h"

namespace velbrix {
namespace {

// Whole tiles of 16 records and the records left over, all channels and a subset in any order,
// against each sample's digital value written one at a time.
TEST(EdfSamplesTest, EachChannelsRunHoldsItsDigitalValuesInRecordOrder) {
  std::mt19937 random(11);
  std::vector<std::uint8_t> records(40 * kRecordSize);
  for (std::uint8_t& b : records) {
    b = static_cast<std::uint8_t>(random());
  }
  std::vector<int> all;
  for (int p = 1; p <= static_cast<int>(kChannelCount); ++p) {
    all.push_back(p);
  }
  for (const std::vector<int>& positions : {all, std::vector<int>{28, 1, 32, 10}}) {
    for (const std::size_t count :
         {std::size_t{0}, std::size_t{5}, std::size_t{16}, std::size_t{33}, std::size_t{40}}) {
      SCOPED_TRACE(std::to_string(positions.size()) + " channels, " + std::to_string(count));
      const std::size_t stride = 2 * count + 6;  // runs apart, as in a data record
      std::string out(positions.size() * stride, '#');
      PutEdfSamples(records.data(), count, positions, out.data(), stride);
      for (std::size_t s = 0; s < positions.size(); ++s) {
        for (std::size_t j = 0; j < count; ++j) {
          std::int16_t value = 0;
          std::memcpy(&value, out.data() + s * stride + 2 * j, 2);  // little-endian machines
          ASSERT_EQ(value,
                    EdfDigitalValue(
                        records[j * kRecordSize + static_cast<std::size_t>(positions[s] - 1)]))
              << s << " " << j;
        }
        EXPECT_EQ(out.substr(s * stride + 2 * count, 6), "######");  // nothing beyond the run
      }
    }
  }
}

}  // namespace
}  // namespace velbrix
