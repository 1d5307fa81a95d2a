// The single passes of the block analyses over a full-length block
// (7,000,000 cases), to set beside the floors of floors.h: integration (with and without the cross-channel selection), its
// running integral, histogram counting and the cross-channel index.
#include <benchmark/benchmark.h>

#include <cmath>
#include <random>
#include <vector>

#include "analyses/crosschan.h"
#include "analyses/histogram.h"
#include "analyses/integration.h"
#include "bench_support.h"
#include "output/results.h"

namespace {

constexpr int32_t kCases = 7'000'000;

const std::vector<float>& block() {
  static const std::vector<float> data = NoisyChannel(static_cast<size_t>(kCases) + 1, 20.9f, 0.05f, 7);
  return data;
}

const std::vector<float>& activity() {
  static const std::vector<float> data = [] {
    std::vector<float> v(static_cast<size_t>(kCases) + 1);
    std::mt19937 gen(8);
    std::uniform_real_distribution<float> u(0.0f, 10.0f);
    for (float& x : v) x = u(gen);
    return v;
  }();
  return data;
}

void BM_BlockPassesFloorPlainSum(benchmark::State& state) {
  PlainSumFloor(state, block(), kCases);
}
BENCHMARK(BM_BlockPassesFloorPlainSum)->Unit(benchmark::kMillisecond);

void BM_BlockPassesFloorFastestSum(benchmark::State& state) {
  const std::vector<float>& v = block();
  FastestSumFloor(state, v.data(), v.size());
}
BENCHMARK(BM_BlockPassesFloorFastestSum)->Unit(benchmark::kMillisecond);

IntegrationRequest wholeBlock(int16_t mode) {
  IntegrationRequest r;
  r.first = 1;
  r.last = kCases;
  r.mode = mode;
  r.unit = kUnitMinutes;
  r.interval = 0.5f;
  return r;
}

void BM_IntegrateProportional(benchmark::State& state) {
  IntegrationResult r;
  for (auto _ : state) {
    benchmark::DoNotOptimize(IntegrateSpan(block(), wholeBlock(kBaseLinear), {}, &r));
    benchmark::DoNotOptimize(r.integral);
  }
  state.SetItemsProcessed(state.iterations() * kCases);
}
BENCHMARK(BM_IntegrateProportional)->Unit(benchmark::kMillisecond);

void BM_IntegrateWithSelection(benchmark::State& state) {
  static const std::vector<float> sel(static_cast<size_t>(kCases) + 1, 1.0f);
  IntegrationResult r;
  for (auto _ : state) {
    benchmark::DoNotOptimize(IntegrateSpan(block(), wholeBlock(kBaseZero), sel, &r));
    benchmark::DoNotOptimize(r.integral);
  }
  state.SetItemsProcessed(state.iterations() * kCases);
}
BENCHMARK(BM_IntegrateWithSelection)->Unit(benchmark::kMillisecond);

void BM_RunningIntegral(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(RunningIntegral(block(), wholeBlock(kBaseBlockStart)).size());
  state.SetItemsProcessed(state.iterations() * kCases);
}
BENCHMARK(BM_RunningIntegral)->Unit(benchmark::kMillisecond);

void BM_HistogramSmall(benchmark::State& state) {
  HistogramInput in;
  in.first = 1;
  in.last = kCases;
  in.mi = in.lo = 20.6f;
  in.ma = in.hi = 21.2f;
  HistogramCounts h;
  for (auto _ : state) {
    benchmark::DoNotOptimize(CountHistogram(block(), in, &h));
    benchmark::DoNotOptimize(h.fullest);
  }
  state.SetItemsProcessed(state.iterations() * kCases);
}
BENCHMARK(BM_HistogramSmall)->Unit(benchmark::kMillisecond);

void BM_CrossChannelIndexTwoChannels(benchmark::State& state) {
  const float* chans[] = {block().data(), activity().data()};
  std::array<ChannelConditions, 33> conds{};
  conds[1].greater = true;
  conds[1].greaterValue = 20.8f;
  conds[2].less = true;
  conds[2].lessValue = 3.0f;
  std::vector<float> flags(static_cast<size_t>(kCases) + 1);
  for (auto _ : state) benchmark::DoNotOptimize(EvaluateSelection(chans, conds, kCases, flags));
  state.SetItemsProcessed(state.iterations() * kCases);
}
BENCHMARK(BM_CrossChannelIndexTwoChannels)->Unit(benchmark::kMillisecond);

}  // namespace
