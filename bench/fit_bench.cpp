// Polynomial fit, asymptote trial and periodicity test against the floors
// of floors.h. A fit of degree d over 7,000,000 cases may take d + 2 of the
// fastest passes over X and Y together (BM_FloorFourLanesXY): degree 2 four,
// degree 5 seven; one asymptote trial 4 old plain passes; the periodicity
// test with K = 1,000 lags over 1,000,000 cases at most 2 x K old plain
// passes of that block.
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

void BM_Polynomial(benchmark::State& state) {
  const auto degree = static_cast<int>(state.range(0));
  PolyFit f;
  for (auto _ : state) {
    benchmark::DoNotOptimize(FitPolynomial(channel(0), channel(1), 0, kCases - 1, degree, &f));
    benchmark::DoNotOptimize(f.r2);
  }
  state.SetItemsProcessed(state.iterations() * kCases);
}
BENCHMARK(BM_Polynomial)->ArgName("degree")->Arg(2)->Arg(5)->Unit(benchmark::kMillisecond);

// The pass-per-degree fit that data unfit for the moments fall back on.
void BM_PolynomialByPasses(benchmark::State& state) {
  const auto degree = static_cast<int>(state.range(0));
  PolyFit f;
  for (auto _ : state) {
    benchmark::DoNotOptimize(FitPolynomialByPasses(channel(0), channel(1), 0, kCases - 1, degree, &f));
    benchmark::DoNotOptimize(f.r2);
  }
  state.SetItemsProcessed(state.iterations() * kCases);
}
BENCHMARK(BM_PolynomialByPasses)->ArgName("degree")->Arg(2)->Arg(5)->Unit(benchmark::kMillisecond);

void BM_AsymptoteTrial(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(FindR2(channel(1), 0, kCases - 1, 11.0f).r2);
  state.SetItemsProcessed(state.iterations() * kCases);
}
BENCHMARK(BM_AsymptoteTrial)->Unit(benchmark::kMillisecond);

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
