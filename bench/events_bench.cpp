// Time within limits, event counting and the normal-method wave scan over a
// 7,000,000-case channel, each held to at most 3 times the floor. Two floors
// over the same floats: the old one, a single chain summing into a double,
// and the fastest plain pass, four independent sums the compiler vectorises;
// event counting is held to the fastest, in the time the user waits (it
// counts a long span on several threads; its CPU time, all threads', is
// told beside it). Event counting also on a user's breathing trace, whose
// analyser noise (0.05) crosses the levels often: about 315,000 runs each
// way, against the floors over that trace.
#include <benchmark/benchmark.h>

#include <cmath>
#include <random>
#include <vector>

#include "analyses/events.h"
#include "analyses/waveform.h"
#include "bench_support.h"
#include "floors.h"

namespace {

constexpr int32_t kCases = 7'000'000;

// A breathing-like trace: a 100-case cycle (10 s at 10 Hz) with a little
// analyser noise: 70,000 runs beyond each level, one peak and one valley
// per cycle plus those the noise makes near the extremes.
std::vector<float> breathing(float spread) {
  std::vector<float> v(kCases);
  std::mt19937 gen(5);
  std::normal_distribution<float> noise(0.0f, spread);
  for (int32_t k = 0; k < kCases; ++k)
    v[static_cast<size_t>(k)] = 20.9f + 0.3f * std::sin(static_cast<float>(k) * 0.0628319f) + noise(gen);
  return v;
}

const std::vector<float>& channel() {
  static const std::vector<float> data = breathing(0.002f);
  return data;
}

const std::vector<float>& noisyChannel() {
  static const std::vector<float> data = breathing(0.05f);
  return data;
}

void BM_EventsFloorPlainSum(benchmark::State& state) {
  PlainSumFloor(state, channel(), 0);
}
BENCHMARK(BM_EventsFloorPlainSum)->Unit(benchmark::kMillisecond);

void BM_EventsFloorFastestSum(benchmark::State& state) {
  const std::vector<float>& v = channel();
  for (auto _ : state) benchmark::DoNotOptimize(floors::PlainSumFourLanes(v.data(), v.size()));
}
BENCHMARK(BM_EventsFloorFastestSum)->Unit(benchmark::kMillisecond);

void BM_TimeWithinLimits(benchmark::State& state) {
  const std::vector<float>& v = channel();
  for (auto _ : state) benchmark::DoNotOptimize(ScanLimits(v, 0, kCases - 1, 20.8f, 21.0f));
}
BENCHMARK(BM_TimeWithinLimits)->Unit(benchmark::kMillisecond);

void BM_EventCounting(benchmark::State& state) {
  const std::vector<float>& v = channel();
  const EventRequest r{0, kCases - 1, 21.1f, 20.7f, 0.1, 0.0f};
  for (auto _ : state) benchmark::DoNotOptimize(CountEvents(v, r));
}
BENCHMARK(BM_EventCounting)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime();

void BM_NoisyEventsFloorPlainSum(benchmark::State& state) {
  PlainSumFloor(state, noisyChannel(), 0);
}
BENCHMARK(BM_NoisyEventsFloorPlainSum)->Unit(benchmark::kMillisecond);

void BM_NoisyEventsFloorFastestSum(benchmark::State& state) {
  const std::vector<float>& v = noisyChannel();
  FastestSumFloor(state, v.data(), v.size());
}
BENCHMARK(BM_NoisyEventsFloorFastestSum)->Unit(benchmark::kMillisecond);

void BM_EventCountingNoisy(benchmark::State& state) {
  const std::vector<float>& v = noisyChannel();
  const EventRequest r{0, kCases - 1, 21.1f, 20.7f, 0.1, 0.0f};
  for (auto _ : state) benchmark::DoNotOptimize(CountEvents(v, r));
  const EventCount c = CountEvents(v, r);
  state.counters["runs"] = c.allUp + c.allDown;
}
BENCHMARK(BM_EventCountingNoisy)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime();

void BM_NormalMethodScan(benchmark::State& state) {
  const std::vector<float>& v = channel();
  const WaveRequest r{0, kCases - 1, 0.1, 21.0f, 20.8f, 0, true};
  for (auto _ : state) benchmark::DoNotOptimize(FindWaves(v, r));
}
BENCHMARK(BM_NormalMethodScan)->Unit(benchmark::kMillisecond);

}  // namespace
