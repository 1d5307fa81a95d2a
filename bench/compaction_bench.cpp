// Compaction of one full-length channel against its floor: two old plain
// passes of floors.h (the means and then the deviations need the samples
// twice). Held to at most twice that floor at the smallest
// group the table allows (18 for 7,000,000 cases: a square root and two
// divisions every 18 cases) and 1.5 times at 60 (a minute of a 1 Hz file).
#include <benchmark/benchmark.h>

#include <random>
#include <vector>

#include "analyses/compaction.h"
#include "bench_support.h"

namespace {

constexpr int32_t kCases = 7'000'000;

const std::vector<float>& channel() {
  static const std::vector<float> data = NoisyChannel(static_cast<size_t>(kCases) + 1, 20.9f, 0.05f, 5);
  return data;
}

void BM_CompactionFloorPlainSum(benchmark::State& state) {
  PlainSumFloor(state, channel(), kCases);
}
BENCHMARK(BM_CompactionFloorPlainSum)->Unit(benchmark::kMillisecond);

void BM_CompactionFloorFastestSum(benchmark::State& state) {
  const std::vector<float>& v = channel();
  FastestSumFloor(state, v.data(), v.size());
}
BENCHMARK(BM_CompactionFloorFastestSum)->Unit(benchmark::kMillisecond);

void BM_CompactSeries(benchmark::State& state) {
  const std::vector<float>& v = channel();
  const auto n = static_cast<int32_t>(state.range(0));
  const int32_t n2 = FitGroupSize(kCases, n);
  std::vector<float> means(kParseCapacity), sds(kParseCapacity);
  for (auto _ : state) {
    benchmark::DoNotOptimize(CompactSeries(v.data(), kCases, 1, n2, means.data(), sds.data(), kParseCapacity));
  }
  state.SetItemsProcessed(state.iterations() * kCases);
}
BENCHMARK(BM_CompactSeries)->Arg(2)->Arg(60)->Unit(benchmark::kMillisecond);

}  // namespace
