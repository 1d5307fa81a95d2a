#include "datafiles/byteswap.h"

#include <algorithm>
#include <cstring>

#include <sys/mman.h>
#include <unistd.h>

#include <cerrno>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define CORVIMET_X86 1
#endif

namespace {

constexpr uint32_t kExponent = 0x7F800000u;

int64_t swapScalar(unsigned char* p, size_t count, bool countBad) {
  int64_t bad = 0;
  for (size_t i = 0; i < count; ++i, p += 4) {
    uint32_t v;
    std::memcpy(&v, p, 4);
    v = __builtin_bswap32(v);
    std::memcpy(p, &v, 4);
    if (countBad) bad += (v & kExponent) == kExponent;
  }
  return bad;
}

#if CORVIMET_X86
// VEX-encoded, so it pays no penalty when other code (Qt's drawing) has left
// the upper halves of the vector registers dirty.
__attribute__((target("avx2"))) int64_t swapAvx2(unsigned char* p, size_t count, bool countBad) {
  const __m256i order = _mm256_setr_epi8(3, 2, 1, 0, 7, 6, 5, 4, 11, 10, 9, 8, 15, 14, 13, 12,  //
                                         3, 2, 1, 0, 7, 6, 5, 4, 11, 10, 9, 8, 15, 14, 13, 12);
  const __m256i exponent = _mm256_set1_epi32(static_cast<int>(kExponent));
  int64_t bad = 0;
  size_t i = 0;
  while (i + 16 <= count) {
    // Lanes count down by one per non-finite word; at most 2^24 blocks of
    // 16 words before the 32-bit lanes are added up.
    __m256i acc = _mm256_setzero_si256();
    const size_t stop = i + std::min<size_t>((count - i) & ~size_t{15}, size_t{1} << 24);
    for (; i < stop; i += 16) {
      auto* q = reinterpret_cast<__m256i*>(p + 4 * i);
      const __m256i a = _mm256_shuffle_epi8(_mm256_loadu_si256(q), order);
      const __m256i b = _mm256_shuffle_epi8(_mm256_loadu_si256(q + 1), order);
      _mm256_storeu_si256(q, a);
      _mm256_storeu_si256(q + 1, b);
      if (countBad) {
        acc = _mm256_add_epi32(acc, _mm256_cmpeq_epi32(_mm256_and_si256(a, exponent), exponent));
        acc = _mm256_add_epi32(acc, _mm256_cmpeq_epi32(_mm256_and_si256(b, exponent), exponent));
      }
    }
    alignas(32) int32_t lanes[8];
    _mm256_store_si256(reinterpret_cast<__m256i*>(lanes), acc);
    for (int32_t l : lanes) bad -= l;
  }
  return bad + swapScalar(p + 4 * i, count - i, countBad);
}

__attribute__((target("ssse3"))) int64_t swapSsse3(unsigned char* p, size_t count, bool countBad) {
  const __m128i order = _mm_setr_epi8(3, 2, 1, 0, 7, 6, 5, 4, 11, 10, 9, 8, 15, 14, 13, 12);
  const __m128i exponent = _mm_set1_epi32(static_cast<int>(kExponent));
  int64_t bad = 0;
  size_t i = 0;
  while (i + 4 <= count) {
    __m128i acc = _mm_setzero_si128();
    const size_t stop = i + std::min<size_t>((count - i) & ~size_t{3}, size_t{1} << 24);
    for (; i < stop; i += 4) {
      auto* q = reinterpret_cast<__m128i*>(p + 4 * i);
      const __m128i a = _mm_shuffle_epi8(_mm_loadu_si128(q), order);
      _mm_storeu_si128(q, a);
      if (countBad) acc = _mm_add_epi32(acc, _mm_cmpeq_epi32(_mm_and_si128(a, exponent), exponent));
    }
    alignas(16) int32_t lanes[4];
    _mm_store_si128(reinterpret_cast<__m128i*>(lanes), acc);
    for (int32_t l : lanes) bad -= l;
  }
  return bad + swapScalar(p + 4 * i, count - i, countBad);
}
#endif

using Kernel = int64_t (*)(unsigned char*, size_t, bool);

Kernel chooseKernel() {
#if CORVIMET_X86
  __builtin_cpu_init();
  if (__builtin_cpu_supports("avx2")) return swapAvx2;
  if (__builtin_cpu_supports("ssse3")) return swapSsse3;
#endif
  return swapScalar;
}

// Chosen on first use, so that no static initialiser elsewhere meets it unset.
Kernel kernel() {
  static const Kernel k = chooseKernel();
  return k;
}

}  // namespace

void SwapWords32(void* words, size_t count) { kernel()(static_cast<unsigned char*>(words), count, false); }

int64_t SwapWords32CountNonFinite(void* words, size_t count) {
  return kernel()(static_cast<unsigned char*>(words), count, true);
}

void PrepareFreshPages(void* p, size_t bytes, uint64_t loadBytes) {
  const auto at = reinterpret_cast<uintptr_t>(p);
  if (loadBytes <= kLargePagesUpTo) {
#if defined(MADV_HUGEPAGE)
    constexpr uintptr_t kLarge = uintptr_t{2} << 20;
    const uintptr_t from = (at + kLarge - 1) & ~(kLarge - 1), to = (at + bytes) & ~(kLarge - 1);
    if (to > from) ::madvise(reinterpret_cast<void*>(from), to - from, MADV_HUGEPAGE);
#endif
    return;
  }
#if defined(MADV_POPULATE_WRITE)
  const auto page = static_cast<uintptr_t>(::sysconf(_SC_PAGESIZE));
  const uintptr_t from = at & ~(page - 1), to = (at + bytes + page - 1) & ~(page - 1);
  if (to > from) ::madvise(reinterpret_cast<void*>(from), to - from, MADV_POPULATE_WRITE);
#endif
}

size_t ReadFully(int fd, void* dst, size_t n, uint64_t at) {
  size_t got = 0;
  while (got < n) {
    const ssize_t k = ::pread(fd, static_cast<char*>(dst) + got, n - got, static_cast<off_t>(at + got));
    if (k < 0 && errno == EINTR) continue;
    if (k <= 0) break;
    got += static_cast<size_t>(k);
  }
  return got;
}
