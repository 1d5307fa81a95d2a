// Mapping in the pages of a fresh array in one call, before it is written:
// taking a fault per 4 KiB page costs the kernel more than the writing.
// Huge pages are not asked for: waiting for the kernel to compact memory for
// them stalled some runs fivefold.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <mutex>
#include <new>

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

// The block of a large result kept, when the result goes, for the next
// result of the same Kind: a computation the user repeats then writes into
// pages already mapped, and the kernel's mapping and zeroing of fresh pages
// cost more than the computation's own pass over them. One block per Kind,
// only from 1 MiB, and reused only for a request of at least half its size,
// so that a small result never holds a large block.
template <class Kind>
class KeptBlock {
 public:
  static void* take(size_t bytes) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!block_ || bytes > bytes_ || bytes < bytes_ / 2) return nullptr;
    void* p = block_;
    block_ = nullptr;
    return p;
  }
  static void give(void* p, size_t bytes) noexcept {
    if (bytes >= (size_t{1} << 20)) {
      std::lock_guard<std::mutex> lock(mutex_);
      std::swap(p, block_);
      bytes_ = bytes;
    }
    std::free(p);
  }

 private:
  static inline std::mutex mutex_;
  static inline void* block_ = nullptr;
  static inline size_t bytes_ = 0;
};

// An allocator whose blocks come from and go to KeptBlock<Kind>, for
// results that are written whole: a fresh block's pages are mapped at once.
template <class T, class Kind>
struct KeepsLastBlock {
  static_assert(alignof(T) <= alignof(std::max_align_t));
  using value_type = T;
  KeepsLastBlock() = default;
  template <class U>
  KeepsLastBlock(const KeepsLastBlock<U, Kind>&) noexcept {}
  T* allocate(size_t n) {
    if (n > SIZE_MAX / sizeof(T)) throw std::bad_array_new_length();
    const size_t bytes = n * sizeof(T);
    if (void* p = KeptBlock<Kind>::take(bytes)) return static_cast<T*>(p);
    void* p = std::malloc(bytes ? bytes : 1);
    if (!p) throw std::bad_alloc();
    // The block is for a result that will be written whole.
    PopulatePages(p, bytes);
    return static_cast<T*>(p);
  }
  void deallocate(T* p, size_t n) noexcept { KeptBlock<Kind>::give(p, n * sizeof(T)); }
  template <class U>
  bool operator==(const KeepsLastBlock<U, Kind>&) const noexcept {
    return true;
  }
};

// A scratch array of n T from KeptBlock<Kind>, left unset: for work that
// writes every element before it reads it.
template <class T, class Kind>
class KeptArray {
 public:
  explicit KeptArray(size_t n) : n_(n), p_(KeepsLastBlock<T, Kind>().allocate(n)) {}
  ~KeptArray() { KeepsLastBlock<T, Kind>().deallocate(p_, n_); }
  KeptArray(const KeptArray&) = delete;
  KeptArray& operator=(const KeptArray&) = delete;
  T* get() const { return p_; }

 private:
  size_t n_;
  T* p_;
};
