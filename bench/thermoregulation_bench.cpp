// The thermoregulatory cost engine against its floor, one plain pass summing
// one channel of the same length into a double: the whole engine over
// 7,000,000 cases may take at most 10 times that pass, its three window
// maxima together at most 3 times in the time the user waits (they are
// searched on two threads; their CPU time, both threads', is told beside
// it). For scale, a 799-row spreadsheet batch over a year of one-minute
// data (525,600 cases).
#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include "bench_support.h"
#include "thermoregulation/costs.h"

namespace {

struct Climate {
  std::vector<float> shade, sun, time, day;
  explicit Climate(int32_t n) : shade(n + 1), sun(n + 1), time(n + 1), day(n + 1) {
    for (int32_t k = 1; k <= n; ++k) {
      const double hours = (k - 1) / 60.0;
      const float h = static_cast<float>(std::fmod(hours, 24.0));
      shade[k] = static_cast<float>(12 + 8 * std::sin((h - 9) / 24 * 6.2831853));
      sun[k] = shade[k] + 6;
      time[k] = h;
      day[k] = static_cast<float>(1 + static_cast<int>(hours / 24) % 365);
    }
  }
  TregClimate view() const {
    return {shade.data(), sun.data(), time.data(), day.data(), nullptr, static_cast<int32_t>(shade.size()) - 1, 60};
  }
};

const Climate& big() {
  static const Climate c(7'000'000);
  return c;
}

TregSettings settings() {
  TregSettings s;
  s.tbChange = 2;
  s.maxActiveTb = 44;
  s.conductanceFactor = 1.4f;
  return s;
}

TregAnimal animal() {
  TregAnimal a;
  a.bmr = 0.1675f;
  a.tb = 39;
  a.conductance = 0.015f;
  a.lct = 28;
  return a;
}

void BM_TregFloorPlainSum(benchmark::State& state) {
  PlainSumFloor(state, big().shade, 0);
}
BENCHMARK(BM_TregFloorPlainSum)->Unit(benchmark::kMillisecond);

void BM_TregFloorFastestSum(benchmark::State& state) {
  const std::vector<float>& v = big().shade;
  FastestSumFloor(state, v.data(), v.size());
}
BENCHMARK(BM_TregFloorFastestSum)->Unit(benchmark::kMillisecond);

void BM_TregEngine7M(benchmark::State& state) {
  const TregClimate c = big().view();
  for (auto _ : state) {
    TregResult r = ComputeTregCosts(c, animal(), settings(), nullptr);
    benchmark::DoNotOptimize(r.mean);
  }
}
BENCHMARK(BM_TregEngine7M)->Unit(benchmark::kMillisecond);

void BM_TregWindowMaxima7M(benchmark::State& state) {
  static const TregResult r = ComputeTregCosts(big().view(), animal(), settings(), nullptr);
  for (auto _ : state) {
    const std::array<float, 3> m = HighestWindowMeans(r.costs, 360);
    benchmark::DoNotOptimize(m[0] + m[1] + m[2]);
  }
}
BENCHMARK(BM_TregWindowMaxima7M)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime();

void BM_TregBatch799RowsOneYear(benchmark::State& state) {
  static const Climate year(525'600);
  const TregClimate c = year.view();
  for (auto _ : state) {
    for (int row = 0; row < 799; ++row) {
      TregAnimal a = animal();
      a.conductance = 0.01f + 0.00001f * row;
      TregResult r = ComputeTregCosts(c, a, settings(), nullptr);
      benchmark::DoNotOptimize(r.mean);
    }
  }
}
BENCHMARK(BM_TregBatch799RowsOneYear)->Unit(benchmark::kSecond)->Iterations(1);

}  // namespace
