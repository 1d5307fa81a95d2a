// Window scans of a full-length block (7,000,000 cases) with a window of
// half its length, each kind, against the floors of floors.h. By definition each window is summed from scratch (about 1e13
// reads here); the sliding scans must finish within 2 s each.
#include <benchmark/benchmark.h>

#include <random>
#include <span>
#include <vector>

#include "analyses/scans.h"
#include "bench_support.h"

namespace {

constexpr int32_t kCases = 7'000'000;
constexpr int32_t kWindow = 3'500'000;

const std::vector<float>& block() {
  static const std::vector<float> data = [] {
    std::vector<float> v(kCases);
    std::mt19937 gen(11);
    std::normal_distribution<float> noise(0.0f, 0.05f);
    // An oxygen trace drifting slowly around 20.9 %.
    for (int32_t k = 0; k < kCases; ++k)
      v[static_cast<size_t>(k)] = 20.9f + 0.2f * static_cast<float>(std::sin(k * 1e-5)) + noise(gen);
    return v;
  }();
  return data;
}

// The same trace with one logger error of 1e6 in it.
const std::vector<float>& blockWithOutlier() {
  static const std::vector<float> data = [] {
    std::vector<float> v = block();
    v[1'234'567] = 1e6f;
    return v;
  }();
  return data;
}

// Interpolation flags: a span of 1,000 cases in every 100,000.
const std::vector<float>& spans() {
  static const std::vector<float> flags = [] {
    std::vector<float> f(kCases, 0.0f);
    for (int32_t k = 0; k < kCases; ++k) f[static_cast<size_t>(k)] = k % 100'000 < 1'000 ? 1.0f : 0.0f;
    return f;
  }();
  return flags;
}

void BM_ScansFloorPlainSum(benchmark::State& state) {
  PlainSumFloor(state, block(), kCases);
}
BENCHMARK(BM_ScansFloorPlainSum)->Unit(benchmark::kMillisecond);

void scan(benchmark::State& state, ScanKind kind, int16_t variant, int32_t window = kWindow, bool outlier = false,
          bool checking = false) {
  const std::vector<float>& v = outlier ? blockWithOutlier() : block();
  const std::span<const float> flags = checking ? std::span<const float>(spans()) : std::span<const float>();
  ScanRequest r;
  r.first = 0;
  r.last = kCases - 1;
  r.length = window;
  r.kind = kind;
  r.variant = variant;
  ScanResult res;
  for (auto _ : state) {
    benchmark::DoNotOptimize(ScanWindows(v, r, flags, &res));
    benchmark::DoNotOptimize(res.begin);
  }
  state.SetItemsProcessed(state.iterations() * kCases);
}

void BM_ScanMinimum(benchmark::State& s) { scan(s, ScanKind::Minimum, 0); }
void BM_ScanMaximum(benchmark::State& s) { scan(s, ScanKind::Maximum, 0); }
void BM_ScanMostLevel(benchmark::State& s) { scan(s, ScanKind::MostLevel, 0); }
void BM_ScanMostVariableOverall(benchmark::State& s) { scan(s, ScanKind::MostVariable, 0); }
void BM_ScanMostVariablePointToPoint(benchmark::State& s) { scan(s, ScanKind::MostVariable, 1); }
// A short window: twice as many starts, each in a run of its own cases.
void BM_ScanMostLevelShortWindow(benchmark::State& s) { scan(s, ScanKind::MostLevel, 0, 3000); }
// Windows near the best are scored again by the definition.
void BM_ScanMostLevelWithOutlier(benchmark::State& s) { scan(s, ScanKind::MostLevel, 0, kWindow, true); }
void BM_ScanMostVariableWithOutlier(benchmark::State& s) { scan(s, ScanKind::MostVariable, 0, kWindow, true); }
// With interpolation checking: the means of the cases used.
void BM_ScanMinimumCheckingInterpolation(benchmark::State& s) {
  scan(s, ScanKind::Minimum, 0, kWindow, false, true);
}
void BM_ScanMaximumCheckingInterpolationWithOutlier(benchmark::State& s) {
  scan(s, ScanKind::Maximum, 0, kWindow, true, true);
}
BENCHMARK(BM_ScanMinimum)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ScanMinimumCheckingInterpolation)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ScanMaximumCheckingInterpolationWithOutlier)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ScanMaximum)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ScanMostLevel)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ScanMostVariableOverall)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ScanMostVariablePointToPoint)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ScanMostLevelShortWindow)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ScanMostLevelWithOutlier)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ScanMostVariableWithOutlier)->Unit(benchmark::kMillisecond);

}  // namespace
