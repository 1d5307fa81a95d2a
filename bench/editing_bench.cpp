// The editing kernels over a full-length channel against the floor they are
// held to: one plain pass summing the same floats into a double. A
// smoothing cycle (the work copy and the running window sum) may take at
// most 3 times that pass, and 51 samples at most 10 % longer than 3; a
// sweep pass, trim, absolute value, integral, derivative, scale to block
// and the reference scan with its apply at most 2 times; the best-fit lag
// search at most 1.5 times a plain pass over the block per lag.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <random>
#include <vector>

#include "editing/integrate.h"
#include "editing/lag.h"
#include "editing/references.h"
#include "editing/scaletoblock.h"
#include "editing/smoothing.h"
#include "editing/spikes.h"

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

enum Kernel : int { kSweep, kTrim, kAbsolute, kIntegral, kDerivative, kScale, kReferences };

void BM_EditKernel(benchmark::State& state) {
  const auto kernel = static_cast<Kernel>(state.range(0));
  const std::vector<float>& source = channel();
  std::vector<float> data = source;
  SpikeSettings trim;
  trim.upTrimLimit = 20.95f;
  trim.upTrimValue = 20.95f;
  trim.lowTrimLimit = 20.85f;
  trim.lowTrimValue = 20.85f;
  ReferenceSettings refs;
  refs.cutoff = 20.8f;   // about 2 % of the cases
  refs.leftExtra = refs.rightExtra = 2;
  std::vector<ReferenceSegment> segments;
  for (auto _ : state) {
    switch (kernel) {
      case kSweep: SweepSpikes(data.data(), SweepSpan(kCases, false, 0, 0), 1.0f, SpikeDirection::Either, false); break;
      case kTrim: TrimValues(data.data(), TrimSpan(kCases, false, 0, 0), trim); break;
      case kAbsolute: AbsoluteValues(data.data(), TrimSpan(kCases, false, 0, 0)); break;
      case kIntegral: IntegrateSamples(source.data(), data.data(), kCases); break;
      case kDerivative: DeriveSamples(source.data(), data.data(), kCases); break;
      case kScale: ScaleToBlock(data.data(), kCases, 1, kCases, 100.0f, 0.0f, false); break;
      case kReferences:
        segments.clear();
        FindReferenceSegments(data.data(), 1, kCases, kCases, refs, {}, &segments);
        for (const ReferenceSegment& seg : segments) ApplyReferenceSegment(data.data(), seg, refs);
        break;
    }
    benchmark::DoNotOptimize(data.data());
  }
  state.SetItemsProcessed(state.iterations() * kCases);
}
BENCHMARK(BM_EditKernel)
    ->ArgName("kernel")
    ->DenseRange(kSweep, kReferences)
    ->Unit(benchmark::kMillisecond);

// Forty lags over a block of 1,000,000 cases (the set-up passes shared by
// all lags included); the floor is forty plain passes over the block.
void BM_BestLagFortyLags(benchmark::State& state) {
  const std::vector<float>& y = channel();
  static const std::vector<float> x = [] {
    std::vector<float> v = channel();
    std::rotate(v.begin(), v.begin() + 3, v.end());   // x[i] = y[i + 3]
    return v;
  }();
  for (auto _ : state) benchmark::DoNotOptimize(FindBestLag(x.data(), y.data(), 100, 1'000'099, 39).bestLag);
  state.SetItemsProcessed(state.iterations() * 40 * 1'000'000);
}
BENCHMARK(BM_BestLagFortyLags)->Unit(benchmark::kMillisecond);

void BM_PlainSumFortyBlocks(benchmark::State& state) {
  const std::vector<float>& v = channel();
  for (auto _ : state) {
    double total = 0.0;
    for (int lag = 0; lag < 40; ++lag) {
      double sum = 0.0;
      for (int32_t i = 100; i <= 1'000'099; ++i) sum += v[static_cast<size_t>(i - lag)];
      total += sum;
    }
    benchmark::DoNotOptimize(total);
  }
  state.SetItemsProcessed(state.iterations() * 40 * 1'000'000);
}
BENCHMARK(BM_PlainSumFortyBlocks)->Unit(benchmark::kMillisecond);

}  // namespace
