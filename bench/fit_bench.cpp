// Polynomial fit, asymptote trial and periodicity test against the floor
// they are held to: one plain pass summing a channel into a double. A
// degree-2 fit over 7,000,000 cases may take 5 times that pass, one
// asymptote trial 4 times; the periodicity test with K = 1,000 lags over
// 1,000,000 cases at most 2 x K plain passes of that block.
#include <benchmark/benchmark.h>

#include <cmath>
#include <random>
#include <vector>

#include "analyses/asymptote.h"
#include "analyses/periodicity.h"
#include "analyses/polyfit.h"

namespace {

constexpr int32_t kCases = 7'000'000;
constexpr int32_t kSeriesCases = 1'000'000;

const std::vector<float>& channel(int which) {
  static std::vector<float> data[2];
  std::vector<float>& v = data[which];
  if (v.empty()) {
    v.resize(kCases);
    std::mt19937 gen(static_cast<unsigned>(which) + 3);
    std::normal_distribution<float> noise(0.0f, 0.05f);
    for (int32_t k = 0; k < kCases; ++k) {
      const double t = k * 1e-6;
      v[static_cast<size_t>(k)] =
          which == 0 ? static_cast<float>(t)
                     : static_cast<float>(10.0 - 10.0 * std::exp(-t) + 0.3 * std::sin(k * 0.01)) + noise(gen);
    }
  }
  return v;
}

double plainSum(const std::vector<float>& v, size_t n) {
  double sum = 0.0;
  for (size_t i = 0; i < n; ++i) sum += v[i];
  return sum;
}

void BM_FitFloorPlainSum(benchmark::State& state) {
  const std::vector<float>& v = channel(1);
  for (auto _ : state) benchmark::DoNotOptimize(plainSum(v, v.size()));
  state.SetItemsProcessed(state.iterations() * kCases);
}
BENCHMARK(BM_FitFloorPlainSum)->Unit(benchmark::kMillisecond);

void BM_PolynomialDegree2(benchmark::State& state) {
  PolyFit f;
  for (auto _ : state) {
    benchmark::DoNotOptimize(FitPolynomial(channel(0), channel(1), 0, kCases - 1, 2, &f));
    benchmark::DoNotOptimize(f.r2);
  }
  state.SetItemsProcessed(state.iterations() * kCases);
}
BENCHMARK(BM_PolynomialDegree2)->Unit(benchmark::kMillisecond);

// The pass-per-degree fit that data unfit for the moments fall back on.
void BM_PolynomialDegree2ByPasses(benchmark::State& state) {
  PolyFit f;
  for (auto _ : state) {
    benchmark::DoNotOptimize(FitPolynomialByPasses(channel(0), channel(1), 0, kCases - 1, 2, &f));
    benchmark::DoNotOptimize(f.r2);
  }
  state.SetItemsProcessed(state.iterations() * kCases);
}
BENCHMARK(BM_PolynomialDegree2ByPasses)->Unit(benchmark::kMillisecond);

void BM_AsymptoteTrial(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(FindR2(channel(1), 0, kCases - 1, 11.0f).r2);
  state.SetItemsProcessed(state.iterations() * kCases);
}
BENCHMARK(BM_AsymptoteTrial)->Unit(benchmark::kMillisecond);

void BM_PeriodicityFloorKPlainPasses(benchmark::State& state) {
  const std::vector<float>& v = channel(1);
  for (auto _ : state)
    for (int k = 0; k < 1000; ++k) benchmark::DoNotOptimize(plainSum(v, kSeriesCases));
}
BENCHMARK(BM_PeriodicityFloorKPlainPasses)->Unit(benchmark::kMillisecond);

void BM_PeriodicityK1000(benchmark::State& state) {
  std::vector<PeriodicityRow> rows;
  const PeriodicityRequest req{0, kSeriesCases - 1, 1, 1, 1000, 1.0f};
  for (auto _ : state) {
    benchmark::DoNotOptimize(RunPeriodicity(channel(1), req, &rows));
    benchmark::DoNotOptimize(rows.data());
  }
}
BENCHMARK(BM_PeriodicityK1000)->Unit(benchmark::kMillisecond);

}  // namespace
