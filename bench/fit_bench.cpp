// Polynomial fit, asymptote trial and periodicity test against the floors
// of floors.h over their own channels. A fit of degree d over 7,000,000
// cases may take d + 2 of the fastest passes over its X and Y together
// (BM_FitFloorFastestXY): degree 2 four, degree 5 seven, on the benchmark's
// steady X as on a user's: one channel against another whose X wanders past
// its end cases, and a calibration curve that Y follows so closely that the
// residuals are summed one by one. One asymptote trial 4 old plain passes;
// the periodicity test with K = 1,000 lags over 1,000,000 cases at most
// 2 x K old plain passes of that block.
#include <benchmark/benchmark.h>

#include <cmath>
#include <random>
#include <span>
#include <vector>

#include "analyses/asymptote.h"
#include "analyses/periodicity.h"
#include "analyses/polyfit.h"
#include "bench_support.h"

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

// A user's pairs (X, Y): 1, a chamber temperature that wanders up and down
// through the run, its end cases well inside its range, against an oxygen
// uptake that follows it; 2, the same X against a degree-5 calibration curve
// with noise of a part in ten million.
enum Pair : int { kSteady, kWandering, kCalibration };

const std::vector<float>& wanderingX() {
  static const std::vector<float> v = [] {
    std::vector<float> x(kCases);
    std::mt19937 gen(9);
    std::normal_distribution<float> noise(0.0f, 0.01f);
    for (int32_t k = 0; k < kCases; ++k) {
      const double t = static_cast<double>(k) / kCases;
      x[static_cast<size_t>(k)] =
          static_cast<float>(25.0 + 2.0 * t + 3.0 * std::sin(9.0 * t) * std::sin(2.3 * t)) + noise(gen);
    }
    return x;
  }();
  return v;
}

const std::vector<float>& userY(Pair pair) {
  static std::vector<float> data[3];
  std::vector<float>& v = data[pair];
  if (v.empty()) {
    const std::vector<float>& x = wanderingX();
    v.resize(kCases);
    std::mt19937 gen(static_cast<unsigned>(pair) + 11);
    std::normal_distribution<double> noise(0.0, 1.0);
    for (int32_t k = 0; k < kCases; ++k) {
      const double u = x[static_cast<size_t>(k)] - 25.0;
      v[static_cast<size_t>(k)] =
          pair == kWandering
              ? static_cast<float>(1.2 + 0.08 * u + 0.004 * u * u + 0.05 * noise(gen))
              : static_cast<float>((((((1e-5 * u - 2e-4) * u + 3e-3) * u + 0.02) * u + 0.9) * u + 4.0) *
                                   (1.0 + 1e-7 * noise(gen)));
    }
  }
  return v;
}

const float* xOf(Pair pair) { return pair == kSteady ? channel(0).data() : wanderingX().data(); }
const float* yOf(Pair pair) { return pair == kSteady ? channel(1).data() : userY(pair).data(); }

// The floors of each pair: one plain pass over X, then one over Y.
void BM_FitFloorPlainSumXY(benchmark::State& state) {
  const auto pair = static_cast<Pair>(state.range(0));
  OneChainFloor(state, xOf(pair), kCases, yOf(pair));
}
BENCHMARK(BM_FitFloorPlainSumXY)->ArgName("pair")->DenseRange(kSteady, kCalibration)->Unit(benchmark::kMillisecond);

void BM_FitFloorFastestXY(benchmark::State& state) {
  const auto pair = static_cast<Pair>(state.range(0));
  FastestSumFloor(state, xOf(pair), kCases, yOf(pair));
}
BENCHMARK(BM_FitFloorFastestXY)->ArgName("pair")->DenseRange(kSteady, kCalibration)->Unit(benchmark::kMillisecond);

// The floors of the asymptote trial (all of Y) and of the periodicity
// test (its first 1,000,000 cases).
void BM_FitFloorPlainSum(benchmark::State& state) {
  OneChainFloor(state, channel(1).data(), static_cast<size_t>(state.range(0)));
}
BENCHMARK(BM_FitFloorPlainSum)->Arg(kCases)->Arg(kSeriesCases)->Unit(benchmark::kMillisecond);

void BM_FitFloorFastestSum(benchmark::State& state) {
  FastestSumFloor(state, channel(1).data(), static_cast<size_t>(state.range(0)));
}
BENCHMARK(BM_FitFloorFastestSum)->Arg(kCases)->Arg(kSeriesCases)->Unit(benchmark::kMillisecond);

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

void BM_PolynomialUserData(benchmark::State& state) {
  const auto pair = static_cast<Pair>(state.range(0));
  const auto degree = static_cast<int>(state.range(1));
  const std::span<const float> x(xOf(pair), kCases), y(yOf(pair), kCases);
  PolyFit f;
  for (auto _ : state) {
    benchmark::DoNotOptimize(FitPolynomial(x, y, 0, kCases - 1, degree, &f));
    benchmark::DoNotOptimize(f.r2);
  }
  state.SetItemsProcessed(state.iterations() * kCases);
}
BENCHMARK(BM_PolynomialUserData)
    ->ArgNames({"pair", "degree"})
    ->Args({kWandering, 2})
    ->Args({kWandering, 5})
    ->Args({kCalibration, 5})
    ->Unit(benchmark::kMillisecond);

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
