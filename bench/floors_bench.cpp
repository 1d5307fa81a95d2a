// The floors (floors.h) at every length a suite compares with: 2^17, 2^18
// and 2^20 samples for the spectrum, 1,000,000 for the lag and periodicity
// blocks, 7,000,000 for a full-length channel; two channels at once for the
// fits; the plot's min-max pass. Run them with the suite (a filter such as
// 'BM_Treg|BM_Floor'), repetitions interleaved.
#include <benchmark/benchmark.h>

#include <random>
#include <vector>

#include "floors.h"

namespace {

constexpr int32_t kLongest = 7'000'000;

// Values do not change a pass's speed; these are an oxygen trace's.
const std::vector<float>& channel(int which) {
  static const std::vector<float> data[2] = {[] {
                                               std::vector<float> v(kLongest + 1);
                                               std::mt19937 gen(1);
                                               std::normal_distribution<float> noise(0.0f, 0.05f);
                                               for (float& x : v) x = 20.9f + noise(gen);
                                               return v;
                                             }(),
                                             [] {
                                               std::vector<float> v(kLongest + 1);
                                               for (size_t k = 0; k < v.size(); ++k)
                                                 v[k] = static_cast<float>(k) * 1e-6f;
                                               return v;
                                             }()};
  return data[which];
}

void lengths(benchmark::internal::Benchmark* b) {
  for (int64_t n : {int64_t{1} << 17, int64_t{1} << 18, int64_t{1} << 20, int64_t{1'000'000}, int64_t{kLongest}})
    b->Arg(n);
}

void BM_FloorOneChain(benchmark::State& state) {
  const float* x = channel(0).data();
  const auto n = static_cast<size_t>(state.range(0));
  for (auto _ : state) benchmark::DoNotOptimize(floors::PlainSumOneChain(x, n));
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_FloorOneChain)->Apply(lengths)->Unit(benchmark::kMicrosecond);

void BM_FloorFourLanes(benchmark::State& state) {
  const float* x = channel(0).data();
  const auto n = static_cast<size_t>(state.range(0));
  for (auto _ : state) benchmark::DoNotOptimize(floors::PlainSumFourLanes(x, n));
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_FloorFourLanes)->Apply(lengths)->Unit(benchmark::kMicrosecond);

void BM_FloorFourLanesXY(benchmark::State& state) {
  const float* x = channel(1).data();
  const float* y = channel(0).data();
  for (auto _ : state) benchmark::DoNotOptimize(floors::PlainSumFourLanes(x, y, kLongest));
  state.SetItemsProcessed(state.iterations() * kLongest);
}
BENCHMARK(BM_FloorFourLanesXY)->Unit(benchmark::kMicrosecond);

void BM_FloorMinMax(benchmark::State& state) {
  const float* x = channel(0).data();
  for (auto _ : state) benchmark::DoNotOptimize(floors::PlainMinMax(x, kLongest));
  state.SetItemsProcessed(state.iterations() * kLongest);
}
BENCHMARK(BM_FloorMinMax)->Unit(benchmark::kMicrosecond);

}  // namespace
