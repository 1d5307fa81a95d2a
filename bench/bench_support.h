// What the benchmarks share: synthetic channels as long as the largest file,
// and the floor every full pass is held to.
#pragma once
#include <benchmark/benchmark.h>

#include <cstddef>
#include <cstdint>
#include <random>
#include <vector>

// `size` floats of `level` plus normal noise of standard deviation `spread`,
// the same for the same seed.
inline std::vector<float> NoisyChannel(size_t size, float level, float spread, unsigned seed) {
  std::vector<float> v(size);
  std::mt19937 gen(seed);
  std::normal_distribution<float> noise(0.0f, spread);
  for (float& x : v) x = level + noise(gen);
  return v;
}

// The floor: one plain pass summing v's floats into a double. itemsPerPass
// is reported as items processed; 0 reports none.
inline void PlainSumFloor(benchmark::State& state, const std::vector<float>& v, int64_t itemsPerPass) {
  for (auto _ : state) {
    double sum = 0.0;
    for (float x : v) sum += x;
    benchmark::DoNotOptimize(sum);
  }
  if (itemsPerPass > 0) state.SetItemsProcessed(state.iterations() * itemsPerPass);
}
