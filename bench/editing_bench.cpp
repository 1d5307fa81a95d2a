// One smoothing cycle over a full-length channel against the floor it is
// held to: one plain pass summing the same floats into a double. A cycle
// (the work copy and the running window sum) may take at most 3 times that
// pass, and 51 samples at most 10 % longer than 3 samples.
#include <benchmark/benchmark.h>

#include <random>
#include <vector>

#include "editing/smoothing.h"

namespace {

constexpr int32_t kCases = 7'000'000;

const std::vector<float>& channel() {
  static const std::vector<float> data = [] {
    std::vector<float> v(static_cast<size_t>(kCases) + 1);
    std::mt19937 gen(5);
    std::normal_distribution<float> noise(0.0f, 0.05f);
    for (float& x : v) x = 20.9f + noise(gen);
    return v;
  }();
  return data;
}

void BM_PlainSumIntoDouble(benchmark::State& state) {
  const std::vector<float>& v = channel();
  for (auto _ : state) {
    double sum = 0.0;
    for (float x : v) sum += x;
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(state.iterations() * kCases);
}
BENCHMARK(BM_PlainSumIntoDouble)->Unit(benchmark::kMillisecond);

void BM_SmoothingCycle(benchmark::State& state) {
  const auto button = static_cast<int16_t>(state.range(0));
  std::vector<float> data = channel(), work(data.size());
  const int16_t n = SmoothingSamples(button);
  const SmoothingRange r = SmoothingSpan(kCases, n, 0, kCases);
  for (auto _ : state) {
    SmoothCycle(data.data(), work.data(), kCases, n, r);
    benchmark::DoNotOptimize(data.data());
  }
  state.SetItemsProcessed(state.iterations() * kCases);
}
// Buttons 1 and 10: 3 and 51 samples.
BENCHMARK(BM_SmoothingCycle)->Arg(1)->Arg(10)->Unit(benchmark::kMillisecond);

}  // namespace
