// Four cases at a time, for the passes over a channel that the kernels
// vectorise by hand.
#pragma once
#include <cstdint>
#include <cstring>

namespace lanes {

using F4 = float __attribute__((vector_size(16)));
using D4 = double __attribute__((vector_size(32)));
using I4 = int32_t __attribute__((vector_size(16)));   // lane indices of an F4 shuffle, or lane masks
using F8 = float __attribute__((vector_size(32)));
using I8 = int32_t __attribute__((vector_size(32)));

[[gnu::always_inline]] inline F4 load4(const float* p) {
  F4 v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

// Any of the float widths above, for kernels written once for both. Always
// inlined, so the wider vectors' calling convention never applies.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wpsabi"
template <class F>
[[gnu::always_inline]] inline F loadLanes(const float* p) {
  F v;
  std::memcpy(&v, p, sizeof v);
  return v;
}
#pragma GCC diagnostic pop

// A channel read as a stream, by a loop that does enough per case that the
// hardware's own fetching falls behind: the cases 2 KB on are asked for,
// one request per 16 cases. (Only an address: nothing is read there.)
[[gnu::always_inline]] inline void prefetchAhead(const float* p) {
  __builtin_prefetch(reinterpret_cast<const void*>(reinterpret_cast<uintptr_t>(p) + 2048));
}

}  // namespace lanes
