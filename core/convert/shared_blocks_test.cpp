#include "core/convert/shared_blocks.h"

#include <gtest/gtest.h>

#include <mutex>
#include <set>
#include <stdexcept>
#include <thread>
#include <vector>

namespace velbrix {
namespace {

// Every output of every block is worked on once, each output always by the same thread, with the
// block it was given; a failure in either share is told, the second share's by the next call.
TEST(SharedBlocksTest, EachOutputOnceByOneThreadAndFailuresFromEitherShare) {
  for (const std::size_t outputs : {std::size_t{1}, std::size_t{7}}) {
    SCOPED_TRACE(outputs);
    std::mutex mutex;
    std::vector<std::set<std::thread::id>> threads(outputs);
    std::vector<int> seen(outputs, 0);
    std::size_t failing = outputs;  // none
    SharedBlocks shares(outputs, 16,
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
    const std::uint8_t blocks[2] = {3, 3};  // each stays valid until the call after next
    for (int i = 0; i < 4; ++i) {
      ASSERT_TRUE(shares.Run(&blocks[i % 2], 2).ok());
    }
    ASSERT_TRUE(shares.Drain().ok());
    for (std::size_t k = 0; k < outputs; ++k) {
      EXPECT_EQ(seen[k], 4 * 3 * 2) << k;
      EXPECT_EQ(threads[k].size(), 1u) << k;
    }
    failing = outputs - 1;  // in the second share where there are two cores
    const Status first = shares.Run(blocks, 1);
    const Status then = first.ok() ? shares.Drain() : first;
    EXPECT_EQ(then.message(), "Cannot write to out: no space");
    EXPECT_EQ(shares.Run(blocks, 1).message(), then.message());  // no more work after it
    EXPECT_EQ(seen[outputs - 1], 4 * 3 * 2 + 3);
  }
}

// An exception in the share of the last output reaches the caller's thread, by the call that
// learns of it; once thrown, it is a failure like any other.
TEST(SharedBlocksTest, AnExceptionOfEitherShareIsThrownOnTheCallersThreadOnce) {
  SharedBlocks shares(2, 1,
                      [](std::size_t, std::size_t end, const std::uint8_t*, std::size_t, char*) {
                        if (end == 2) {
                          throw std::runtime_error("broken");
                        }
                        return Status::Ok();
                      });
  const std::uint8_t block[1] = {0};
  EXPECT_THROW(
      {
        (void)shares.Run(block, 1);
        (void)shares.Drain();
      },
      std::runtime_error);
  if (std::thread::hardware_concurrency() > 1) {
    Status after;
    EXPECT_NO_THROW(after = shares.Drain());
    EXPECT_FALSE(after.ok());
  }
}

}  // namespace
}  // namespace velbrix
