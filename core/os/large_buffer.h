// Memory for a working buffer of megabytes that is filled soon after it is made (the overview's
// extremes, a text run's output batches). Where the system offers large pages (Linux's
// transparent huge pages), a buffer of at least 2 MiB is asked for in them, so that filling it
// takes a page fault every 2 MiB rather than every 4 KiB; each fault costs microseconds in a
// virtual machine, which is where such buffers were measured to matter. Elsewhere, and for
// smaller buffers, it is ordinary heap memory.
//
// The bytes start undefined: the owner writes every byte it reads. Move-only; the constructor
// throws std::bad_alloc when there is no memory.
#ifndef VELBRIX_CORE_OS_LARGE_BUFFER_H_
#define VELBRIX_CORE_OS_LARGE_BUFFER_H_

#include <cstddef>
#include <cstdint>

namespace velbrix {

class LargeBuffer {
 public:
  LargeBuffer() = default;
  explicit LargeBuffer(std::size_t size);
  ~LargeBuffer();
  LargeBuffer(LargeBuffer&& other) noexcept;
  LargeBuffer& operator=(LargeBuffer&& other) noexcept;
  LargeBuffer(const LargeBuffer&) = delete;
  LargeBuffer& operator=(const LargeBuffer&) = delete;

  std::uint8_t* data() const { return data_; }
  std::size_t size() const { return size_; }

 private:
  void Release() noexcept;

  std::uint8_t* data_ = nullptr;
  std::size_t size_ = 0;
  std::size_t mapped_ = 0;  // bytes mapped for it, or 0 where it came from the heap
};

}  // namespace velbrix

#endif  // VELBRIX_CORE_OS_LARGE_BUFFER_H_
