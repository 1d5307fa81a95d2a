// Straight-line fits over a full-length block against the floor they are
// held to: the old plain pass of floors.h over one channel. The slope over
// time and the two-channel fit may each take at most 3 times that pass.
#include <benchmark/benchmark.h>

#include <random>
#include <vector>

#include "analyses/linefit.h"
#include "bench_support.h"

namespace {

constexpr int32_t kCases = 7'000'000;

const std::vector<float>& channel(unsigned seed) {
  static std::vector<float> data[2];
  std::vector<float>& v = data[seed & 1];
  if (v.empty()) {
    v.resize(kCases);
    std::mt19937 gen(seed);
    std::normal_distribution<float> noise(0.0f, 0.05f);
    for (int32_t k = 0; k < kCases; ++k) v[static_cast<size_t>(k)] = 20.9f + 1e-6f * static_cast<float>(k) + noise(gen);
  }
  return v;
}

void BM_LineFitFloorPlainSum(benchmark::State& state) {
  PlainSumFloor(state, channel(0), kCases);
}
BENCHMARK(BM_LineFitFloorPlainSum)->Unit(benchmark::kMillisecond);

void BM_LineFitFloorFastestSum(benchmark::State& state) {
  const std::vector<float>& v = channel(0);
  FastestSumFloor(state, v.data(), v.size());
}
BENCHMARK(BM_LineFitFloorFastestSum)->Unit(benchmark::kMillisecond);

void fit(benchmark::State& state, bool timeAxis) {
  LineFitRequest r;
  r.first = 0;
  r.last = kCases - 1;
  r.y = channel(0);
  if (!timeAxis) r.x = channel(1);
  r.timeFactor = 1.0 / 60;   // minutes at 1 s
  LineFit f;
  for (auto _ : state) {
    benchmark::DoNotOptimize(FitLine(r, &f));
    benchmark::DoNotOptimize(f.b);
  }
  state.SetItemsProcessed(state.iterations() * kCases);
}

void BM_SlopeOverTime(benchmark::State& state) { fit(state, true); }
BENCHMARK(BM_SlopeOverTime)->Unit(benchmark::kMillisecond);

void BM_TwoChannelFit(benchmark::State& state) { fit(state, false); }
BENCHMARK(BM_TwoChannelFit)->Unit(benchmark::kMillisecond);

}  // namespace
