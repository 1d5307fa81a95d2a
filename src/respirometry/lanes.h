// Four cases at a time, for the passes over a run's channels.
#pragma once
#include <cstdint>
#include <cstring>

namespace respirometry_lanes {

using F4 = float __attribute__((vector_size(16)));
using D4 = double __attribute__((vector_size(32)));

// A channel is read as a stream, but the hardware's own fetching keeps up
// only with a plain copy: the loops ask for the cases 2 KB on, one request
// per 16 cases. (Only an address: nothing is read there.)
[[gnu::always_inline]] inline void prefetchAhead(const float* p) {
  __builtin_prefetch(reinterpret_cast<const void*>(reinterpret_cast<uintptr_t>(p) + 2048));
}

[[gnu::always_inline]] inline F4 load4(const float* p) {
  F4 v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

}  // namespace respirometry_lanes
