// The floors every benchmark is measured against, defined once: plain passes
// summing floats into double. Goals are stated against the fastest plain
// pass, four independent sums the compiler packs into vector registers; the
// old floor, one chain of additions, waits on each addition in turn (about
// 2.5 times slower) and is kept so that goals set against it stay readable.
// floors_bench.cpp runs both at the lengths the suites use (BM_Floor*); a
// suite's ratio is its time over the floor's in the same run (ratios.py).
#pragma once
#include <cstddef>
#include <cstdint>

namespace floors {

// One chain: sum += x[i].
__attribute__((noinline)) inline double PlainSumOneChain(const float* x, size_t n) {
  double sum = 0.0;
  for (size_t i = 0; i < n; ++i) sum += x[i];
  return sum;
}

// Four independent sums, a += x[i]; b += x[i + 1]; ...
__attribute__((noinline)) inline double PlainSumFourLanes(const float* x, size_t n) {
  double a = 0.0, b = 0.0, c = 0.0, d = 0.0;
  const size_t whole = n - n % 4;
  for (size_t i = 0; i < whole; i += 4) {
    a += x[i];
    b += x[i + 1];
    c += x[i + 2];
    d += x[i + 3];
  }
  for (size_t i = whole; i < n; ++i) a += x[i];
  return (a + b) + (c + d);
}

// The fastest plain passes over two channels (X and Y of a fit): one after
// the other, since GCC packs no loop that mixes the two into vectors.
__attribute__((noinline)) inline double PlainSumFourLanes(const float* x, const float* y, size_t n) {
  return PlainSumFourLanes(x, n) + PlainSumFourLanes(y, n);
}

// The plot's old floor: each case compared once against the running extremes
// (cases 1..n, as the plot counts them).
__attribute__((noinline)) inline float PlainMinMax(const float* d, int32_t n) {
  float lo = 1e30f, hi = -1e30f;
  for (int32_t k = 1; k <= n; ++k) {
    const float v = d[k];
    if (v < lo) lo = v;
    if (v > hi) hi = v;
  }
  return hi - lo;
}

}  // namespace floors
