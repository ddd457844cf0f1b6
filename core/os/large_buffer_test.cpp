#include "core/os/large_buffer.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <utility>

namespace velbrix {
namespace {

// Small and large buffers hold every byte they were asked for, large ones start on a 2 MiB
// boundary where huge pages are asked for, and a move hands the memory over whole.
TEST(LargeBufferTest, EveryByteIsUsableAndAMoveHandsItOver) {
  for (const std::size_t size :
       {std::size_t{1}, std::size_t{4096}, (std::size_t{2} << 20) + 1, std::size_t{9} << 20}) {
    SCOPED_TRACE(size);
    LargeBuffer buffer(size);
    ASSERT_NE(buffer.data(), nullptr);
    EXPECT_EQ(buffer.size(), size);
    std::memset(buffer.data(), 0xA5, size);
#if defined(__linux__)
    if (size >= (std::size_t{2} << 20)) {
      EXPECT_EQ(reinterpret_cast<std::uintptr_t>(buffer.data()) % (std::uintptr_t{2} << 20), 0u);
    }
#endif
    std::uint8_t* const data = buffer.data();
    LargeBuffer moved(std::move(buffer));
    EXPECT_EQ(moved.data(), data);
    EXPECT_EQ(moved.size(), size);
    EXPECT_EQ(buffer.data(), nullptr);
    EXPECT_EQ(moved.data()[size - 1], 0xA5);
    LargeBuffer assigned(64);
    assigned = std::move(moved);
    EXPECT_EQ(assigned.data(), data);
    EXPECT_EQ(assigned.data()[0], 0xA5);
  }
}

}  // namespace
}  // namespace velbrix
