// Large buffers: mapped and advised into huge pages on Linux, from the heap elsewhere.
#include "core/os/large_buffer.h"

#include <new>
#include <utility>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace velbrix {
namespace {

#if defined(__linux__)
constexpr std::size_t kHugePage = std::size_t{2} << 20;
#endif

}  // namespace

LargeBuffer::LargeBuffer(std::size_t size) : size_(size) {
#if defined(__linux__)
  if (size >= kHugePage) {
    // Map a huge page more than needed and keep the aligned part, as the kernel hands out huge
    // pages only for aligned ranges. The ends beyond it are given back at once.
    const std::size_t rounded = (size + kHugePage - 1) / kHugePage * kHugePage;
    void* const mapped = ::mmap(nullptr, rounded + kHugePage, PROT_READ | PROT_WRITE,
                                MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapped == MAP_FAILED) {
      throw std::bad_alloc();
    }
    auto* const start = static_cast<std::uint8_t*>(mapped);
    const auto address = reinterpret_cast<std::uintptr_t>(start);
    const std::size_t lead = (kHugePage - address % kHugePage) % kHugePage;
    if (lead > 0) {
      ::munmap(start, lead);
    }
    ::munmap(start + lead + rounded, kHugePage - lead);
    data_ = start + lead;
    mapped_ = rounded;
    (void)::madvise(data_, mapped_, MADV_HUGEPAGE);  // a hint: without it, ordinary pages
    return;
  }
#endif
  data_ = new std::uint8_t[size];
}

LargeBuffer::~LargeBuffer() {
  Release();
}

LargeBuffer::LargeBuffer(LargeBuffer&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)),
      size_(std::exchange(other.size_, 0)),
      mapped_(std::exchange(other.mapped_, 0)) {}

LargeBuffer& LargeBuffer::operator=(LargeBuffer&& other) noexcept {
  if (this != &other) {
    Release();
    data_ = std::exchange(other.data_, nullptr);
    size_ = std::exchange(other.size_, 0);
    mapped_ = std::exchange(other.mapped_, 0);
  }
  return *this;
}

void LargeBuffer::Release() noexcept {
  if (data_ == nullptr) {
    return;
  }
#if defined(__linux__)
  if (mapped_ > 0) {
    ::munmap(data_, mapped_);
    data_ = nullptr;
    return;
  }
#endif
  delete[] data_;
  data_ = nullptr;
}

}  // namespace velbrix
