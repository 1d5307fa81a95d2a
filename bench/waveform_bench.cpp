// The spectrum and stepped sampling against their floors. The 2^18-point
// transform may take at most 2.5 times the 2^17-point one (N log N, no
// quadratic step); stepping through every block of a 7,000,000-case channel
// at most 3 times one plain pass over it.
#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "analyses/fft.h"
#include "analyses/stepped.h"

namespace {

constexpr int32_t kCases = 7'000'000;

const std::vector<float>& channel() {
  static const std::vector<float> data = [] {
    std::vector<float> v(kCases + 1);
    for (size_t k = 0; k < v.size(); ++k) v[k] = 20.9f + 0.3f * std::sin(static_cast<float>(k) * 0.01f);
    return v;
  }();
  return data;
}

void BM_PlainPass(benchmark::State& state) {
  const auto n = static_cast<size_t>(state.range(0));
  const std::vector<float>& v = channel();
  for (auto _ : state) {
    double sum = 0.0;
    for (size_t k = 0; k < n; ++k) sum += v[k];
    benchmark::DoNotOptimize(sum);
  }
}
BENCHMARK(BM_PlainPass)->Arg(1 << 17)->Arg(1 << 18)->Arg(kCases)->Unit(benchmark::kMicrosecond);

void BM_MagnitudeSpectrum(benchmark::State& state) {
  const auto n = static_cast<size_t>(state.range(0));
  const std::span<const float> x(channel().data(), n);
  for (auto _ : state) benchmark::DoNotOptimize(MagnitudeSpectrum(x));
}
BENCHMARK(BM_MagnitudeSpectrum)->Arg(1 << 17)->Arg(1 << 18)->Unit(benchmark::kMicrosecond);

// The default durations (60 s blocks, 180 s skips) at 10 Hz, and the densest
// layout there is (1 s blocks, no skip: every case in a block of 11).
void BM_SteppedEveryBlock(benchmark::State& state) {
  SteppedLayout l;
  const double block = state.range(0) == 0 ? 60.0 : 1.0, skip = state.range(0) == 0 ? 180.0 : 0.0;
  LayoutSteppedBlocks({block, skip, 0.1, 1, kCases, kCases / 2, false}, kCases, &l);
  for (auto _ : state) benchmark::DoNotOptimize(SteppedBlockStats(channel(), l, false));
}
BENCHMARK(BM_SteppedEveryBlock)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

}  // namespace
