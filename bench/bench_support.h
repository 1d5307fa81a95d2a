// What the benchmarks share: synthetic channels as long as the largest file,
// and the floors every full pass is held to. Each suite runs both floors over
// its own array, beside its rows (BM_<Suite>FloorPlainSum and
// BM_<Suite>FloorFastestSum): the same loop over another array in another
// file read up to 2.7 times slower in one run, whose pages and place in the
// caches differ.
#pragma once
#include <benchmark/benchmark.h>

#include <cstddef>
#include <cstdint>
#include <random>
#include <vector>

#include "floors.h"

// `size` floats of `level` plus normal noise of standard deviation `spread`,
// the same for the same seed.
inline std::vector<float> NoisyChannel(size_t size, float level, float spread, unsigned seed) {
  std::vector<float> v(size);
  std::mt19937 gen(seed);
  std::normal_distribution<float> noise(0.0f, spread);
  for (float& x : v) x = level + noise(gen);
  return v;
}

// The old floor: one plain pass summing v's floats into a double, one
// chain of additions. itemsPerPass is reported as items processed; 0
// reports none.
inline void PlainSumFloor(benchmark::State& state, const std::vector<float>& v, int64_t itemsPerPass) {
  for (auto _ : state) {
    double sum = 0.0;
    for (float x : v) sum += x;
    benchmark::DoNotOptimize(sum);
  }
  if (itemsPerPass > 0) state.SetItemsProcessed(state.iterations() * itemsPerPass);
}

// The fastest plain pass over x[0..n-1] (and y[0..n-1] after it when given):
// four independent sums (floors.h).
inline void FastestSumFloor(benchmark::State& state, const float* x, size_t n, const float* y = nullptr) {
  for (auto _ : state) {
    benchmark::DoNotOptimize(y ? floors::PlainSumFourLanes(x, y, n) : floors::PlainSumFourLanes(x, n));
  }
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(n));
}

// The old floor over x[0..n-1] (and y after it).
inline void OneChainFloor(benchmark::State& state, const float* x, size_t n, const float* y = nullptr) {
  for (auto _ : state) {
    benchmark::DoNotOptimize(floors::PlainSumOneChain(x, n) + (y ? floors::PlainSumOneChain(y, n) : 0.0));
  }
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(n));
}
