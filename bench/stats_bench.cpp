// Descriptive statistics of a full-length block against the floor they are
// held to: one plain pass summing the same floats into a double. Without
// case filters the statistics may take at most 1.5 times that pass.
#include <benchmark/benchmark.h>

#include <random>
#include <vector>

#include "analyses/descriptive.h"
#include "bench_support.h"

namespace {

constexpr int32_t kCases = 7'000'000;

const std::vector<float>& block() {
  // An oxygen trace: far from zero with a small spread.
  static const std::vector<float> data = NoisyChannel(kCases, 20.9f, 0.05f, 11);
  return data;
}

void BM_StatsFloorPlainSum(benchmark::State& state) {
  PlainSumFloor(state, block(), kCases);
}
BENCHMARK(BM_StatsFloorPlainSum)->Unit(benchmark::kMillisecond);

void BM_StatsFloorFastestSum(benchmark::State& state) {
  const std::vector<float>& v = block();
  FastestSumFloor(state, v.data(), v.size());
}
BENCHMARK(BM_StatsFloorFastestSum)->Unit(benchmark::kMillisecond);

void BM_DescriptiveNoExclusions(benchmark::State& state) {
  const std::vector<float>& v = block();
  DescriptiveRequest r;
  r.first = 0;
  r.last = kCases - 1;
  DescriptiveStats s;
  for (auto _ : state) {
    benchmark::DoNotOptimize(ComputeDescriptive(v, r, {}, &s));
    benchmark::DoNotOptimize(s.sd);
  }
  state.SetItemsProcessed(state.iterations() * kCases);
}
BENCHMARK(BM_DescriptiveNoExclusions)->Unit(benchmark::kMillisecond);

// For scale: both filters on, nothing excluded.
void BM_DescriptiveBothFilters(benchmark::State& state) {
  const std::vector<float>& v = block();
  static const std::vector<float> interp(kCases, 0.0f), sel(kCases, 1.0f);
  CaseFilter f;
  f.interpolation = interp;
  f.selection = sel;
  DescriptiveRequest r;
  r.first = 0;
  r.last = kCases - 1;
  DescriptiveStats s;
  for (auto _ : state) {
    benchmark::DoNotOptimize(ComputeDescriptive(v, r, f, &s));
    benchmark::DoNotOptimize(s.sd);
  }
  state.SetItemsProcessed(state.iterations() * kCases);
}
BENCHMARK(BM_DescriptiveBothFilters)->Unit(benchmark::kMillisecond);

}  // namespace
