#include "core/convert/shared_blocks.h"

#include <gtest/gtest.h>

#include <mutex>
#include <set>
#include <thread>
#include <vector>

namespace velbrix {
namespace {

// Every output of every block is worked on once, each output always by the same thread, with the
// block it was given; a failure in either share is the block's result.
TEST(SharedBlocksTest, EachOutputOnceByOneThreadAndFailuresFromEitherShare) {
  constexpr std::size_t kOutputs = 7;
  std::mutex mutex;
  std::vector<std::set<std::thread::id>> threads(kOutputs);
  std::vector<int> seen(kOutputs, 0);
  std::size_t failing = kOutputs;  // none
  SharedBlocks shares(kOutputs, 16,
                      [&](std::size_t first, std::size_t end, const std::uint8_t* records,
                          std::size_t count, char* buffer) {
                        buffer[15] = 'x';  // its own buffer, of the size asked for
                        const std::lock_guard<std::mutex> lock(mutex);
                        for (std::size_t k = first; k < end; ++k) {
                          threads[k].insert(std::this_thread::get_id());
                          seen[k] += records[0] * static_cast<int>(count);
                          if (k == failing) {
                            return Status::IoError("Cannot write to", "out", "no space");
                          }
                        }
                        return Status::Ok();
                      });
  const std::uint8_t block[1] = {3};
  for (int i = 0; i < 4; ++i) {
    ASSERT_TRUE(shares.Run(block, 2).ok());
  }
  for (std::size_t k = 0; k < kOutputs; ++k) {
    EXPECT_EQ(seen[k], 4 * 3 * 2) << k;
    EXPECT_EQ(threads[k].size(), 1u) << k;
  }
  for (const std::size_t output : {std::size_t{0}, kOutputs - 1}) {
    failing = output;
    EXPECT_EQ(shares.Run(block, 1).message(), "Cannot write to out: no space") << output;
  }
}

}  // namespace
}  // namespace velbrix
