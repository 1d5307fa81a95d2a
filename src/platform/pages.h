// Mapping in the pages of a fresh array in one call, before it is written:
// taking a fault per 4 KiB page costs the kernel more than the writing.
// Huge pages are not asked for: waiting for the kernel to compact memory for
// them stalled some runs fivefold.
#pragma once
#include <cstddef>
#include <cstdint>

#if defined(__linux__)
#include <sys/mman.h>
#endif

// Only a hint: where the kernel refuses, the pages fault in as they are
// written. Whole pages inside bytes at p only.
inline void PopulatePages(const void* p, size_t bytes) {
#if defined(__linux__) && defined(MADV_POPULATE_WRITE)
  constexpr uintptr_t kPage = 4096;
  const auto base = reinterpret_cast<uintptr_t>(p);
  const uintptr_t from = (base + kPage - 1) & ~(kPage - 1);
  const uintptr_t to = (base + bytes) & ~(kPage - 1);
  if (to > from) (void)madvise(reinterpret_cast<void*>(from), to - from, MADV_POPULATE_WRITE);
#else
  (void)p;
  (void)bytes;
#endif
}
