// Baseline correction over a full-length channel against its floor, the old
// plain pass of floors.h over the same length: the regression through
// two picks that together hold every case may take at most 3 times that
// pass, the subtraction of the line (and of a piecewise baseline, one sweep)
// at most 2 times.
#include <benchmark/benchmark.h>

#include <random>
#include <vector>

#include "bench_support.h"
#include "editing/baseline.h"

namespace {

constexpr int32_t kCases = 7'000'000;

const std::vector<float>& drift() {
  static const std::vector<float> data = [] {
    std::vector<float> v(static_cast<size_t>(kCases) + 1);
    std::mt19937 gen(7);
    std::normal_distribution<float> noise(0.0f, 0.05f);
    for (int32_t k = 0; k <= kCases; ++k) v[static_cast<size_t>(k)] = 20.9f + 1e-7f * static_cast<float>(k) + noise(gen);
    return v;
  }();
  return data;
}

void BM_BaselineFloorPlainSum(benchmark::State& state) {
  PlainSumFloor(state, drift(), kCases);
}
BENCHMARK(BM_BaselineFloorPlainSum)->Unit(benchmark::kMillisecond);

void BM_BaselineFloorFastestSum(benchmark::State& state) {
  const std::vector<float>& v = drift();
  FastestSumFloor(state, v.data(), v.size());
}
BENCHMARK(BM_BaselineFloorFastestSum)->Unit(benchmark::kMillisecond);

void BM_BaselineRegression(benchmark::State& state) {
  const std::vector<float>& v = drift();
  BaselineLine l;
  for (auto _ : state) {
    benchmark::DoNotOptimize(BaselineRegression(v.data(), kCases, 0, kCases / 2, kCases / 2 + 1, kCases, &l));
    benchmark::DoNotOptimize(l);
  }
  state.SetItemsProcessed(state.iterations() * kCases);
}
BENCHMARK(BM_BaselineRegression)->Unit(benchmark::kMillisecond);

void BM_BaselineSubtract(benchmark::State& state) {
  std::vector<float> v = drift();
  for (auto _ : state) {
    SubtractBaseline(v.data(), 0, kCases, {1e-9f, 1e-15f});
    benchmark::DoNotOptimize(v.data());
  }
  state.SetItemsProcessed(state.iterations() * kCases);
}
BENCHMARK(BM_BaselineSubtract)->Unit(benchmark::kMillisecond);

void BM_BaselinePiecewise(benchmark::State& state) {
  std::vector<float> v = drift();
  std::vector<BaselineRow> rows;
  for (int32_t c = 1000; c < kCases; c += 100000) rows.push_back({c - 2, c + 2, {1e-9f, 1e-15f}});
  for (auto _ : state) {
    SubtractSegments(v.data(), kCases, rows);
    benchmark::DoNotOptimize(v.data());
  }
  state.SetItemsProcessed(state.iterations() * kCases);
}
BENCHMARK(BM_BaselinePiecewise)->Unit(benchmark::kMillisecond);

}  // namespace
