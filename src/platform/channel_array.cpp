#include "platform/channel_array.h"

#include <cstdint>
#include <new>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace {

constexpr size_t kPage = 4096;

size_t pageBytes(size_t n) {
  if (n > (SIZE_MAX - kPage) / sizeof(float)) throw std::bad_array_new_length();
  return (n * sizeof(float) + kPage - 1) & ~(kPage - 1);
}

float* smallBlock(size_t n) {
  void* p = ::operator new(n * sizeof(float), std::nothrow);
  if (!p) throw std::bad_alloc();
  return static_cast<float*>(p);
}

}  // namespace

void* MapPages(void* old, size_t oldBytes, size_t bytes) noexcept {
#if defined(__linux__)
  void* p = old ? ::mremap(old, oldBytes, bytes, MREMAP_MAYMOVE)
                : ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  return p == MAP_FAILED ? nullptr : p;
#else
  (void)old;
  (void)oldBytes;
  (void)bytes;
  return nullptr;
#endif
}

__attribute__((weak)) void* MapChannelPages(void* old, size_t oldBytes, size_t bytes) noexcept {
  return MapPages(old, oldBytes, bytes);
}

void ChannelArray::release(float* p, size_t capacity) noexcept {
  if (!p) return;
#if defined(__linux__)
  if (mapped(capacity)) {
    ::munmap(p, capacity * sizeof(float));
    return;
  }
#endif
  ::operator delete(p);
}

void ChannelArray::grow(size_t n) {
#if defined(__linux__)
  if (mapped(n)) {
    const size_t bytes = pageBytes(n);
    float* p = nullptr;
    if (p_ && mapped(capacity_)) {
      // The pages move with the mapping; none is copied.
      p = static_cast<float*>(MapChannelPages(p_, capacity_ * sizeof(float), bytes));
      if (!p) throw std::bad_alloc();
    } else {
      p = static_cast<float*>(MapChannelPages(nullptr, 0, bytes));
      if (!p) throw std::bad_alloc();
      if (size_) std::memcpy(p, p_, size_ * sizeof(float));
      release(p_, capacity_);
    }
    p_ = p;
    capacity_ = bytes / sizeof(float);
    return;
  }
#endif
  float* p = smallBlock(n);
  if (size_) std::memcpy(p, p_, size_ * sizeof(float));
  release(p_, capacity_);
  p_ = p;
  capacity_ = n;
}

void ChannelArray::shrink_to_fit() noexcept {
  if (size_ == capacity_) return;
  if (size_ == 0) {
    release(p_, capacity_);
    p_ = nullptr;
    capacity_ = 0;
    return;
  }
#if defined(__linux__)
  if (mapped(capacity_) && mapped(size_)) {
    // Whole pages beyond the samples go back; the rest stays where it is.
    const size_t bytes = pageBytes(size_);
    if (bytes < capacity_ * sizeof(float)) {
      ::munmap(reinterpret_cast<char*>(p_) + bytes, capacity_ * sizeof(float) - bytes);
      capacity_ = bytes / sizeof(float);
    }
    return;
  }
#endif
  // A copy into a block of the size; where none is to be had the array keeps
  // its room, as a request to shrink may be refused.
  void* q = ::operator new(size_ * sizeof(float), std::nothrow);
  if (!q) return;
  auto* p = static_cast<float*>(q);
  std::memcpy(p, p_, size_ * sizeof(float));
  release(p_, capacity_);
  p_ = p;
  capacity_ = size_;
}
