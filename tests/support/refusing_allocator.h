// Replacements of the global operator new and of the source of channels'
// large blocks that ask the test whether to refuse each request, so that a
// test can make memory run out where it wants. Included by exactly one file
// of a test binary, which defines both questions.
#pragma once
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <new>

#include "platform/channel_array.h"

namespace testsupport {
bool RefuseAllocation(std::size_t bytes);   // a request to operator new
bool RefusePages(std::size_t bytes);        // a channel's block of whole pages

// For the questions above: requests left before the one refused, whatever
// its size; 0: none is refused. Set to -1 once the refusal is made.
inline std::atomic<int64_t> gRefusalCountdown{0};
inline bool RefuseCounted() {
  int64_t n = gRefusalCountdown.load(std::memory_order_relaxed);
  while (n > 0)
    if (gRefusalCountdown.compare_exchange_weak(n, n == 1 ? -1 : n - 1)) return n == 1;
  return false;
}
}  // namespace testsupport

void* operator new(std::size_t n) {
  if (!testsupport::RefuseAllocation(n))
    if (void* p = std::malloc(n ? n : 1)) return p;
  throw std::bad_alloc();
}
void* operator new[](std::size_t n) { return ::operator new(n); }
void* operator new(std::size_t n, const std::nothrow_t&) noexcept {
  return testsupport::RefuseAllocation(n) ? nullptr : std::malloc(n ? n : 1);
}
void* operator new[](std::size_t n, const std::nothrow_t& t) noexcept { return ::operator new(n, t); }
void* MapChannelPages(void* old, size_t oldBytes, size_t bytes) noexcept {
  return testsupport::RefusePages(bytes) ? nullptr : MapPages(old, oldBytes, bytes);
}
// Not inlined: the compiler would see a block from operator new go to free.
[[gnu::noinline]] void operator delete(void* p) noexcept { std::free(p); }
[[gnu::noinline]] void operator delete[](void* p) noexcept { std::free(p); }
[[gnu::noinline]] void operator delete(void* p, std::size_t) noexcept { std::free(p); }
[[gnu::noinline]] void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
[[gnu::noinline]] void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
[[gnu::noinline]] void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }
